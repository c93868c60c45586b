#include "controls/heldshortcut.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>

HeldShortcut::HeldShortcut(QAction *action, KeyDownQuery keyDown)
    : QObject(action)
    , m_action(action)
    , m_keyDown(std::move(keyDown))
{
    action->setAutoRepeat(false);
    m_poll.setInterval(PollMSecs);
    connect(&m_poll, &QTimer::timeout, this, [this] {
        if (keyIsUp())
            release();
    });
    // The key's own events go to whichever widget has the focus.
    QCoreApplication::instance()->installEventFilter(this);
}

HeldShortcut::~HeldShortcut()
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

bool HeldShortcut::keyIsUp() const
{
    const std::optional<bool> down = m_keyDown ? m_keyDown(m_heldScanCode) : std::nullopt;
    return down.has_value() && !*down;
}

void HeldShortcut::release()
{
    m_held = false;
    m_poll.stop();
}

bool HeldShortcut::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::ShortcutOverride: {
        // Qt asks the focus first; the shortcut that follows is this key's.
        const auto *key = static_cast<QKeyEvent *>(event);
        m_lastScanCode = key->nativeScanCode();
        m_lastKey = key->key();
        break;
    }
    case QEvent::Shortcut:
        if (watched != m_action)
            break;
        // A press while held is a repeat, unless the key is up already: a tap
        // whose release has not been handled yet.
        if (m_held && !keyIsUp())
            return true;
        m_held = true;
        m_heldScanCode = m_lastScanCode;
        m_heldKey = m_lastKey;
        m_poll.start();
        break;
    case QEvent::KeyRelease: {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (!m_held || key->isAutoRepeat() || key->key() != m_heldKey
            || key->nativeScanCode() != m_heldScanCode)
            break;
        const std::optional<bool> down = m_keyDown ? m_keyDown(m_heldScanCode) : std::nullopt;
        if (!down.value_or(false))
            release();
        break;
    }
    case QEvent::ApplicationStateChange:
        // Where the key cannot be looked at, its release may now go elsewhere.
        if (m_held && static_cast<QApplicationStateChangeEvent *>(event)->applicationState() != Qt::ApplicationActive
            && !(m_keyDown && m_keyDown(m_heldScanCode).has_value()))
            release();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
