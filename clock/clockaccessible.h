#pragma once

#include <QString>

class QAccessibleInterface;
class QObject;

// What a screen reader reads of the clock: a label whose text is the time it
// shows, fetched when asked. The clock announces nothing by itself, so a
// running clock costs a screen reader's user nothing each second.
class ClockAccessible
{
public:
    // Qt's factory for the clock; install() adds it once.
    static QAccessibleInterface *factory(const QString &className, QObject *object);
    static void install();
};
