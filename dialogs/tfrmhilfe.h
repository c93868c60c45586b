#pragma once

#include "dialogs/secondarywindow.h"

#include <QStringList>

class TFlatButton;
class TFlatMemo;

// The help window: the fixed German help text in a read-only flat memo and an
// OK button. Opened from the main window's "&Wie funktioniert' s".
class TfrmHilfe : public SecondaryWindow
{
    Q_OBJECT

public:
    explicit TfrmHilfe(QWidget *owner);

    // The 42 lines of the help text, as the memo holds them.
    static QStringList HelpLines();

private slots:
    void FormShow(QObject *sender) override;

private:
    // Components, in the order they are created; tests find them by object name.
    TFlatMemo *Memo1 = nullptr;
    TFlatButton *BitBtn1 = nullptr;
};


// The main window's "&Wie funktioniert' s": the help window on the main
// window's corner, pulled back from the bottom and right screen edges.
void OpenHilfe(QWidget *mainWindow, const QSize &screen);
