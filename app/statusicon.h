#pragma once

#include <QIcon>
#include <QObject>
#include <QString>
#include <QTime>

#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;
class TfrmMain;

// The armed state in the desktop's status area: the program's icon (marked
// while an alarm is armed), the state as its tooltip, and a menu with the
// relative alarms, "Alarm aus", the window and "Ende". Everything goes through
// the main window's commands. A child of the window; without a call to
// showInStatusArea() it shows nothing, so tests read it with no desktop behind.
class StatusIcon : public QObject
{
    Q_OBJECT

public:
    explicit StatusIcon(TfrmMain &window);
    ~StatusIcon() override;

    // "Alarm: AKTIV – 08:00:00" or "Alarm aus".
    static QString toolTipFor(bool armed, QTime time);
    // The program's icon, and the same with a red mark for the armed state.
    static QIcon iconFor(bool armed);

    QString toolTip() const { return m_toolTip; }
    QIcon icon() const { return m_icon; }
    QMenu *menu() const { return m_menu.get(); }

    // Puts the icon into the desktop's status area; false, and nothing shown,
    // where the desktop has none.
    bool showInStatusArea();

private:
    void follow(bool armed, QTime time);

    TfrmMain &m_window;
    std::unique_ptr<QMenu> m_menu;
    QAction *m_disarm = nullptr;
    QString m_toolTip;
    QIcon m_icon;
    bool m_armedLook = false;
    QSystemTrayIcon *m_tray = nullptr;
};
