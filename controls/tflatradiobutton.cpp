#include "controls/tflatradiobutton.h"

#include "controls/flatdraw.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QShortcutEvent>

TFlatRadioButton::TFlatRadioButton(QWidget *parent)
    : QWidget(parent)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    resize(121, 17);
    m_color = parentsColor();
    family().attach();
}

TFlatRadioButton::~TFlatRadioButton()
{
    family().detach(this);
}

HoverFamily &TFlatRadioButton::family()
{
    static HoverFamily radioButtons;
    return radioButtons;
}

QColor TFlatRadioButton::parentsColor() const
{
    if (QWidget *p = parentWidget())
        return p->palette().color(p->backgroundRole());
    return m_color;
}

QRect TFlatRadioButton::circleRect() const
{
    return m_layout == radioLeft ? QRect(1, 3, 10, 10) : QRect(width() - 11, 3, 10, 10);
}

void TFlatRadioButton::setChecked(bool checked)
{
    if (m_checked == checked)
        return;
    setTabStop(checked);
    m_checked = checked;
    if (checked) {
        if (QWidget *p = parentWidget()) {
            const QObjectList siblings = p->children();
            for (QObject *child : siblings) {
                auto *other = qobject_cast<TFlatRadioButton *>(child);
                if (other && other != this && other->m_groupIndex == m_groupIndex)
                    other->setChecked(false);
            }
        }
        click();
    }
    redrawCircle();
}

void TFlatRadioButton::click()
{
    emit OnClick(this);
}

void TFlatRadioButton::setTabStop(bool on)
{
    setFocusPolicy(on ? Qt::StrongFocus : Qt::NoFocus);
}

void TFlatRadioButton::setLayout(TRadioButtonLayout layout)
{
    m_layout = layout;
    update();
}

void TFlatRadioButton::setBiDiMode(Qt::LayoutDirection direction)
{
    setLayoutDirection(direction);
    setLayout(direction == Qt::RightToLeft ? radioRight : radioLeft);
}

void TFlatRadioButton::setColor(const QColor &color)
{
    m_color = color;
    m_parentColor = false;
    update();
}

void TFlatRadioButton::setParentColor(bool on)
{
    if (m_parentColor == on)
        return;
    m_parentColor = on;
    if (on)
        m_color = parentsColor();
    update();
}

void TFlatRadioButton::setColorFocused(const QColor &color)
{
    m_colorFocused = color;
    update();
}

void TFlatRadioButton::setColorDown(const QColor &color)
{
    m_colorDown = color;
    update();
}

void TFlatRadioButton::setColorDot(const QColor &color)
{
    m_colorDot = color;
    update();
}

void TFlatRadioButton::setColorBorder(const QColor &color)
{
    m_colorBorder = color;
    update();
}

void TFlatRadioButton::computeAdvColors()
{
    if (!m_useAdvColors)
        return;
    m_colorFocused = AdvancedColor(m_color, m_colorFocused, m_advColorFocused, Lighten);
    m_colorDown = AdvancedColor(m_color, m_colorDown, m_advColorDown, Darken);
    m_colorBorder = AdvancedColor(m_color, m_colorBorder, m_advColorBorder, Darken);
}

void TFlatRadioButton::setUseAdvColors(bool on)
{
    if (m_useAdvColors == on)
        return;
    m_useAdvColors = on;
    setParentColor(on);
    computeAdvColors();
    update();
}

void TFlatRadioButton::setAdvColorFocused(int percentage)
{
    m_advColorFocused = std::clamp(percentage, 0, 100);
    computeAdvColors();
    update();
}

void TFlatRadioButton::setAdvColorDown(int percentage)
{
    m_advColorDown = std::clamp(percentage, 0, 100);
    computeAdvColors();
    update();
}

void TFlatRadioButton::setAdvColorBorder(int percentage)
{
    m_advColorBorder = std::clamp(percentage, 0, 100);
    computeAdvColors();
    update();
}

void TFlatRadioButton::setTransparent(bool on)
{
    m_transparent = on;
    update();
}

void TFlatRadioButton::setCaption(const QString &caption)
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
}

void TFlatRadioButton::hoverEnter()
{
    if (isEnabled() && !m_mouseInside) {
        m_mouseInside = true;
        redrawCircle();
    }
}

void TFlatRadioButton::hoverLeave()
{
    if (isEnabled() && m_mouseInside && !m_pressing) {
        m_mouseInside = false;
        family().release(this);
        redrawCircle();
    }
}

bool TFlatRadioButton::event(QEvent *event)
{
    if (event->type() == QEvent::Shortcut && m_shortcutId
        && static_cast<QShortcutEvent *>(event)->shortcutId() == m_shortcutId) {
        // The accelerator only moves the focus; it does not check the button.
        if (isEnabled() && isVisible())
            setFocus(Qt::ShortcutFocusReason);
        return true;
    }
    if (event->type() == QEvent::ParentChange || event->type() == QEvent::PaletteChange) {
        if (m_useAdvColors) {
            m_parentColor = true;
            m_color = parentsColor();
            computeAdvColors();
        } else if (m_parentColor) {
            m_color = parentsColor();
        }
        update();
    }
    return QWidget::event(event);
}

void TFlatRadioButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !isEnabled())
        return;
    setFocus(Qt::MouseFocusReason);
    m_pressing = true;
    redrawCircle();
    const QPoint pos = event->position().toPoint();
    emit OnMouseDown(this, event->button(), event->modifiers(), pos.x(), pos.y());
}

void TFlatRadioButton::mouseDoubleClickEvent(QMouseEvent *event)
{
    mousePressEvent(event);
}

void TFlatRadioButton::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    emit OnMouseMove(this, event->modifiers(), pos.x(), pos.y());
    family().pointerMoved(this);
}

void TFlatRadioButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !isEnabled())
        return;
    const QPoint pos = event->position().toPoint();
    // The toolkit's own click comes first, while the button is still unchecked.
    const QPointer<TFlatRadioButton> alive(this); // a click handler may delete the button
    if (rect().contains(pos))
        click();
    if (!alive)
        return;
    m_pressing = false;
    if (pos.x() >= 0 && pos.x() <= width() && pos.y() >= 0 && pos.y() <= height() && !m_checked)
        setChecked(true);
    if (!alive)
        return;
    redrawCircle();
    emit OnMouseUp(this, event->button(), event->modifiers(), pos.x(), pos.y());
}

void TFlatRadioButton::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    if (!isEnabled())
        return;
    emit OnEnter(this);
    if (m_pressing && m_mouseInside)
        setChecked(true);
    m_hasFocus = true;
    redrawCircle();
}

void TFlatRadioButton::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    if (!isEnabled())
        return;
    emit OnExit(this);
    m_mouseInside = false;
    m_hasFocus = false;
    redrawCircle();
}

void TFlatRadioButton::focusSibling(int direction)
{
    QWidget *p = parentWidget();
    if (!p)
        return;
    QList<TFlatRadioButton *> group;
    for (QObject *child : p->children()) {
        auto *radio = qobject_cast<TFlatRadioButton *>(child);
        if (radio && radio->m_groupIndex == m_groupIndex && radio->isEnabled() && radio->isVisible())
            group << radio;
    }
    const qsizetype at = group.indexOf(this);
    if (at < 0 || group.size() < 2)
        return;
    group.at((at + direction + group.size()) % group.size())->setFocus(Qt::OtherFocusReason);
}

void TFlatRadioButton::keyPressEvent(QKeyEvent *event)
{
    // Arrow keys move the focus within the group, as the dialog keys do; no key checks.
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Left:
        focusSibling(-1);
        break;
    case Qt::Key_Down:
    case Qt::Key_Right:
        focusSibling(1);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void TFlatRadioButton::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        m_mouseInside = false;
        m_pressing = false;
        family().release(this);
    }
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange)
        update();
    QWidget::changeEvent(event);
}

void TFlatRadioButton::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    if (m_transparent)
        update();
}

void TFlatRadioButton::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_transparent)
        update();
}

void TFlatRadioButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (m_transparent)
        PaintParentBackground(this, painter);
    else
        painter.fillRect(rect(), m_color);

    const QRect box = circleRect();
    const bool lit = m_hasFocus || m_mouseInside;
    const QColor fill = lit && m_pressing ? m_colorDown : lit ? m_colorFocused : m_color;
    // Half-pixel insets make the pen's pixels fall inside the 10-pixel box.
    painter.setPen(m_colorBorder);
    painter.setBrush(fill);
    painter.drawEllipse(QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5));
    if (m_checked) {
        const QColor dot = isEnabled() ? m_colorDot : FlatColors::btnShadow();
        painter.setPen(dot);
        painter.setBrush(dot);
        painter.drawEllipse(QRectF(box.left() + 3, box.top() + 3, 4, 4).adjusted(0.5, 0.5, -0.5, -0.5));
    }

    if (m_caption.isEmpty())
        return;
    int flags = Qt::AlignTop | Qt::TextWordWrap | Qt::TextShowMnemonic;
    QRect text;
    if (m_layout == radioLeft) {
        text = QRect(QPoint(16, 1), QPoint(width() - 2, height() - 2));
        flags |= Qt::AlignLeft;
    } else {
        text = QRect(QPoint(1, 1), QPoint(width() - 17, height() - 2));
        flags |= Qt::AlignRight;
    }
    painter.setFont(font());
    if (!isEnabled()) {
        painter.setPen(FlatColors::btnHighlight());
        painter.drawText(text.translated(1, 1), flags, m_caption);
        painter.setPen(FlatColors::btnShadow());
    } else {
        painter.setPen(palette().color(QPalette::Active, foregroundRole()));
    }
    painter.drawText(text, flags, m_caption);
}
