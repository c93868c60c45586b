#pragma once

#include "platform/windowmanager.h"

#include <QList>
#include <QRect>
#include <QStringList>

// Records what the window asked of the window manager; moves nothing.
class FakeWindowManager : public platform::WindowManager
{
public:
    void centreFrame(QWidget *, const QRect &screen) override { centredOn << screen; }
    void setIconName(QWidget *, const QString &name) override { iconNames << name; }

    QList<QRect> centredOn;
    QStringList iconNames;
};
