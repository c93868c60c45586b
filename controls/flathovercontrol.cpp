#include "controls/flathovercontrol.h"

#include "controls/flataccessible.h"

#include <QKeySequence>
#include <QShortcutEvent>

FlatHoverControl::FlatHoverControl(QWidget *parent, HoverFamily &family, FlatColorScheme colors)
    : QWidget(parent)
    , m_colors(colors)
    , m_family(family)
{
    setMouseTracking(true);
    m_colors.followParent(parentsColor());
    m_family.attach();
}

FlatHoverControl::~FlatHoverControl()
{
    watchWindow(false);
    m_family.detach(this);
}

void FlatHoverControl::setCaption(const QString &caption)
{
    if (m_caption == caption)
        return;
    m_caption = caption;
    if (m_shortcutId)
        releaseShortcut(m_shortcutId);
    m_shortcutId = 0;
    const QKeySequence mnemonic = QKeySequence::mnemonic(caption);
    if (!mnemonic.isEmpty())
        m_shortcutId = grabShortcut(mnemonic);
    update();
    FlatAccessible::nameChanged(this);
}

void FlatHoverControl::hoverEnter()
{
    if (isEnabled() && !m_mouseInside) {
        m_mouseInside = true;
        repaintHoverLook();
    }
}

void FlatHoverControl::hoverLeave()
{
    if (isEnabled() && m_mouseInside && !m_pressing) {
        m_mouseInside = false;
        m_family.release(this);
        repaintHoverLook();
    }
}

void FlatHoverControl::reevaluateHover()
{
    if (!isEnabled())
        return;
    const bool under = HoverFamily::controlUnderPointer() == this;
    m_mouseInside = !under;
    if (under)
        hoverEnter();
    else
        hoverLeave();
}

void FlatHoverControl::beginPress()
{
    m_pressing = true;
    watchWindow(true);
}

void FlatHoverControl::endPress()
{
    m_pressing = false;
    watchWindow(false);
}

void FlatHoverControl::cancelPress()
{
    if (!m_pressing)
        return;
    endPress();
    pressCancelled();
    // The pointer may be anywhere by now; the hover look follows it.
    if (HoverFamily::controlUnderPointer() != this || !HoverFamily::windowTakesPointer(this))
        hoverLeave();
    update();
}

void FlatHoverControl::watchWindow(bool on)
{
    // A modal window blocks the top-level window, not its controls.
    QWidget *top = on ? window() : nullptr;
    if (top == this)
        top = nullptr;
    if (m_watchedWindow == top)
        return;
    if (m_watchedWindow)
        m_watchedWindow->removeEventFilter(this);
    m_watchedWindow = top;
    if (top)
        top->installEventFilter(this);
}

// After either, Qt delivers the release to another window or to none.
static bool losesRelease(QEvent::Type type)
{
    return type == QEvent::WindowBlocked || type == QEvent::Hide;
}

bool FlatHoverControl::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_watchedWindow && losesRelease(event->type()))
        cancelPress();
    return QWidget::eventFilter(watched, event);
}

bool FlatHoverControl::shortcutEvent(QEvent *event)
{
    const auto *shortcut = static_cast<QShortcutEvent *>(event);
    if (!m_shortcutId || shortcut->shortcutId() != m_shortcutId)
        return false;
    if (!shortcut->isAmbiguous()) {
        acceleratorPressed();
        return true;
    }
    // Qt hands an accelerator claimed twice to each claimant in turn. The
    // window's controls are asked in their order instead, and the first that
    // uses the character ends the search, whichever of them Qt chose.
    const QKeySequence key = QKeySequence::mnemonic(m_caption);
    const QList<FlatHoverControl *> controls = window()->findChildren<FlatHoverControl *>();
    for (FlatHoverControl *control : controls)
        if (control->m_shortcutId && control->isVisible()
            && QKeySequence::mnemonic(control->m_caption) == key && control->acceleratorPressed())
            break;
    return true;
}

bool FlatHoverControl::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::Shortcut:
        if (shortcutEvent(event))
            return true;
        break;
    case QEvent::ParentChange:
    case QEvent::PaletteChange:
        repaintIf(m_colors.followParent(parentsColor()));
        break;
    case QEvent::WindowBlocked:
    case QEvent::Hide:
        cancelPress(); // the control itself, or a window of its own
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void FlatHoverControl::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    if (showsParent())
        update();
}

void FlatHoverControl::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (showsParent())
        update();
}
