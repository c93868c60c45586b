#include "tests/fakes/fakewindowactivation.h"

#include <QWidget>

void FakeWindowActivation::restore(QWidget *window)
{
    ++restoreCount;
    window->showNormal();
    if (log)
        log->append(QStringLiteral("restore"));
}

bool FakeWindowActivation::bringToForeground(QWidget *)
{
    ++foregroundCount;
    if (log)
        log->append(QStringLiteral("foreground"));
    return foregroundResult;
}

void FakeWindowActivation::requestAttention(QWidget *, const QString &text)
{
    attentionTexts.append(text);
    if (log)
        log->append(QStringLiteral("attention"));
}

void FakeWindowActivation::withdrawAttention(QWidget *)
{
    ++withdrawCount;
    if (log)
        log->append(QStringLiteral("withdraw"));
}

void FakeWindowActivation::completeStartup(QWidget *, const platform::StartupToken &token)
{
    startupTokens.append(token);
    if (log)
        log->append(QStringLiteral("startup"));
}
