#pragma once

#include <QAccessible>
#include <QString>

class QObject;
class QWidget;

// What the flat controls and the link label tell screen readers through Qt's
// accessibility: roles, names, states, values and actions. The interfaces take
// the place of the generic one Qt builds for every widget; the notifications
// below test one flag while no screen reader listens.
class FlatAccessible
{
public:
    // Qt's factory for the controls of this folder; install() adds it once.
    static QAccessibleInterface *factory(const QString &className, QObject *object);
    static void install();

    // Tell a listening screen reader what changed.
    static void nameChanged(QWidget *control);
    static void stateChanged(QWidget *control, QAccessible::State changed);
    static void valueChanged(QWidget *control, int value);

    // The caption as read aloud: "über &PC Speaker" -> "über PC Speaker".
    static QString plainCaption(const QString &caption);
    // The caption's accelerator as a key ("Alt+P"), or empty.
    static QString acceleratorText(const QString &caption);
};
