#include "fakewindowactivation.h"

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
