#pragma once

#include "dialogs/secondarywindow.h"

#include <QString>

class QFrame;
class QLabel;
class TFlatButton;

namespace platform {
class DesktopShell;
}

// The info window: the maker's logo, web and mail address as links, a rights
// notice and an OK button; stays on top. Opened from the main window's "&Info".
class TfrmInfo : public SecondaryWindow
{
    Q_OBJECT

public:
    // webHost is the web address without its scheme, mail the bare mail address.
    TfrmInfo(QWidget *owner, platform::DesktopShell &shell, const QString &webHost,
             const QString &mail);
    // With the maker's addresses.
    TfrmInfo(QWidget *owner, platform::DesktopShell &shell);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void FormShow(QObject *sender) override;
    void lURLClick(QObject *sender);
    void lMailClick(QObject *sender);

private:
    platform::DesktopShell &m_shell;
    QString m_webHost;
    QString m_mail;
    QObject *m_pressed = nullptr;

    // Components, in the order they are created; tests find them by object name.
    QLabel *Image1 = nullptr;
    QLabel *lURL = nullptr;
    QLabel *lMail = nullptr;
    QFrame *Bevel1 = nullptr;
    QLabel *Label1 = nullptr;
    TFlatButton *BitBtn1 = nullptr;
};


// The main window's "&Info": the info window on the main window's corner,
// pulled back from the bottom and right screen edges.
void OpenInfo(QWidget *mainWindow, const QSize &screen, platform::DesktopShell &shell);
