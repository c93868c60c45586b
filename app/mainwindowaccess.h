#pragma once

#include <QKeySequence>
#include <QList>

class QWidget;

// The main window for the keyboard alone and for screen readers: keys for the
// commands that Tab and the accelerators do not reach, and the names and
// labels a screen reader reads where the window's own labels do not say it.
// Finds the controls by their names; changes no pixel.
class MainWindowAccess
{
public:
    // Ctrl+Return (and Enter on the keypad): the arm/disarm toggle, as a press on it.
    static QList<QKeySequence> toggleKeys();
    // Ctrl+M: "Meldung".
    static QKeySequence messageKey();

    static void install(QWidget *window);
};
