#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <optional>

class QAction;

// Lets a held key trigger an action's shortcut once: the key's repeats do
// nothing until it has been released. Qt's own test (the action's autoRepeat
// off) misses some repeats on a loaded X server, where they arrive as a
// release and a new press; here a release counts only when the key is up.
// The action's other ways (a menu, a click) are not held back.
class HeldShortcut : public QObject
{
    Q_OBJECT

public:
    // Whether the key with this native scan code is down now; nothing where
    // the platform cannot tell, and then the release events alone decide.
    using KeyDownQuery = std::function<std::optional<bool>(quint32 nativeScanCode)>;

    HeldShortcut(QAction *action, KeyDownQuery keyDown);
    ~HeldShortcut() override;

    // While held, how often the key is looked at: its release may go to
    // another program, or be lost among repeats.
    static constexpr int PollMSecs = 50;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool keyIsUp() const;
    void release();

    QPointer<QAction> m_action;
    KeyDownQuery m_keyDown;
    quint32 m_lastScanCode = 0; // of the key that asked for a shortcut last
    int m_lastKey = 0;
    bool m_held = false;
    quint32 m_heldScanCode = 0;
    int m_heldKey = 0;
    QTimer m_poll;
};
