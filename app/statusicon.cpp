#include "app/statusicon.h"

#include "app/runapplication.h"
#include "app/tfrmmain.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>

using namespace Qt::StringLiterals;

namespace {

QPixmap withArmedMark(QPixmap pixmap)
{
    // A red dot in the lower right corner, ringed in white so that it shows
    // on dark and light panels alike.
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = pixmap.width() / pixmap.devicePixelRatio();
    const qreal diameter = side * 0.5;
    const qreal ring = qMax(1.0, side / 16);
    painter.setPen(QPen(Qt::white, ring));
    painter.setBrush(QColor(0xd0, 0x10, 0x10));
    painter.drawEllipse(QRectF(side - diameter, side - diameter, diameter, diameter)
                            .adjusted(ring / 2, ring / 2, -ring / 2, -ring / 2));
    return pixmap;
}

} // namespace

StatusIcon::StatusIcon(TfrmMain &window)
    : QObject(&window),
      m_window(window),
      m_menu(std::make_unique<QMenu>())
{
    setObjectName(u"StatusIcon"_s);
    m_menu->setObjectName(u"mnuStatusIcon"_s);

    // The window's own commands, so that both menus say and do the same.
    QMenu *alarmIn = m_menu->addMenu(window.alarmMenu()->title());
    alarmIn->setObjectName(u"mnuAlarm"_s);
    alarmIn->addActions(window.alarmMenu()->actions());

    m_disarm = m_menu->addAction(u"Alarm aus"_s);
    m_disarm->setObjectName(u"mnuAlarmAus"_s);
    connect(m_disarm, &QAction::triggered, this, [this] {
        if (m_window.isArmed())
            m_window.disarm();
    });

    QAction *show = m_menu->addAction(u"&Anzeigen"_s);
    show->setObjectName(u"mnuAnzeigen"_s);
    connect(show, &QAction::triggered, this, [this] { m_window.bringToFront(); });

    m_menu->addSeparator();
    // The close guard asks while an alarm is armed.
    m_menu->addAction(window.endAction());

    connect(&window, &TfrmMain::alarmStateChanged, this, &StatusIcon::follow);
    follow(window.isArmed(), window.alarmTime());
}

StatusIcon::~StatusIcon()
{
    // Before the menu it shows.
    delete m_tray;
}

QString StatusIcon::toolTipFor(bool armed, QTime time)
{
    if (!armed)
        return u"Alarm aus"_s;
    return u"Alarm: AKTIV – "_s + time.toString(u"HH:mm:ss"_s);
}

QIcon StatusIcon::iconFor(bool armed)
{
    if (!armed)
        return programIcon();
    QIcon icon;
    for (int size : programIconSizes)
        icon.addPixmap(withArmedMark(QPixmap(programIconFile(size))));
    return icon;
}

bool StatusIcon::showInStatusArea()
{
    if (m_tray)
        return true;
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return false;
    m_tray = new QSystemTrayIcon(this);
    m_tray->setIcon(m_icon);
    m_tray->setToolTip(m_toolTip);
    // After the menu is complete: the desktop's copy of it is made here.
    m_tray->setContextMenu(m_menu.get());
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            m_window.bringToFront();
    });
    m_tray->show();
    return true;
}

void StatusIcon::follow(bool armed, QTime time)
{
    m_toolTip = toolTipFor(armed, time);
    if (m_icon.isNull() || armed != m_armedLook) {
        m_icon = iconFor(armed);
        m_armedLook = armed;
    }
    m_disarm->setEnabled(armed);
    if (m_tray) {
        m_tray->setIcon(m_icon);
        m_tray->setToolTip(m_toolTip);
    }
}
