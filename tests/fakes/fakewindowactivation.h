#pragma once

#include "platform/windowactivation.h"

#include <QStringList>

// Records restore and foreground requests, optionally into a log shared with
// other fakes so a test sees their order.
class FakeWindowActivation : public platform::WindowActivation
{
public:
    void restore(QWidget *window) override;
    bool bringToForeground(QWidget *window) override;
    void requestAttention(QWidget *window, const QString &text) override;
    void withdrawAttention(QWidget *window) override;
    void completeStartup(QWidget *window, const platform::StartupToken &token) override;

    bool foregroundResult = true;
    int restoreCount = 0;
    int foregroundCount = 0;
    QStringList attentionTexts;
    int withdrawCount = 0;
    QList<platform::StartupToken> startupTokens;
    QStringList *log = nullptr;
};
