#include "controls/flatbuttonbase.h"

#include "controls/flatdraw.h"

#include <QDialog>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcutEvent>

FlatButtonBase::FlatButtonBase(QWidget *parent)
    : QWidget(parent)
{
    setMouseTracking(true);
    resize(25, 25);
    m_color = parentsColor();
}

void FlatButtonBase::init(HoverFamily &family)
{
    m_family = &family;
    m_family->attach();
}

FlatButtonBase::~FlatButtonBase()
{
    if (m_family)
        m_family->detach(this);
}

QColor FlatButtonBase::parentsColor() const
{
    if (QWidget *p = parentWidget())
        return p->palette().color(p->backgroundRole());
    return FlatColors::Face;
}

void FlatButtonBase::followParentColor()
{
    if (m_useAdvColors) {
        m_parentColor = true;
        m_color = parentsColor();
        computeAdvColors();
    } else if (m_parentColor) {
        m_color = parentsColor();
    }
    update();
}

void FlatButtonBase::computeAdvColors()
{
    if (!m_useAdvColors)
        return;
    m_colorFocused = AdvancedColor(m_color, m_colorFocused, m_advColorFocused, Lighten);
    m_colorDown = AdvancedColor(m_color, m_colorDown, m_advColorDown, Darken);
    m_colorBorder = AdvancedColor(m_color, m_colorBorder, m_advColorBorder, Darken);
}

void FlatButtonBase::setColor(const QColor &color)
{
    m_color = color;
    m_parentColor = false;
    update();
}

void FlatButtonBase::setParentColor(bool on)
{
    if (m_parentColor == on)
        return;
    m_parentColor = on;
    if (on)
        m_color = parentsColor();
    update();
}

void FlatButtonBase::setColorFocused(const QColor &color)
{
    m_colorFocused = color;
    update();
}

void FlatButtonBase::setColorDown(const QColor &color)
{
    m_colorDown = color;
    update();
}

void FlatButtonBase::setColorBorder(const QColor &color)
{
    m_colorBorder = color;
    update();
}

void FlatButtonBase::setColorHighLight(const QColor &color)
{
    m_colorHighLight = color;
    update();
}

void FlatButtonBase::setColorShadow(const QColor &color)
{
    m_colorShadow = color;
    update();
}

void FlatButtonBase::setUseAdvColors(bool on)
{
    if (m_useAdvColors == on)
        return;
    m_useAdvColors = on;
    setParentColor(on);
    computeAdvColors();
    update();
}

void FlatButtonBase::setAdvColorFocused(int percentage)
{
    percentage = std::clamp(percentage, 0, 100);
    if (m_advColorFocused == percentage)
        return;
    m_advColorFocused = percentage;
    computeAdvColors();
    update();
}

void FlatButtonBase::setAdvColorDown(int percentage)
{
    percentage = std::clamp(percentage, 0, 100);
    if (m_advColorDown == percentage)
        return;
    m_advColorDown = percentage;
    computeAdvColors();
    update();
}

void FlatButtonBase::setAdvColorBorder(int percentage)
{
    percentage = std::clamp(percentage, 0, 100);
    if (m_advColorBorder == percentage)
        return;
    m_advColorBorder = percentage;
    computeAdvColors();
    update();
}

void FlatButtonBase::setTransparentMode(TTransparentMode mode)
{
    m_transparentMode = mode;
    update();
}

void FlatButtonBase::setGlyph(const QPixmap &glyph)
{
    if (!m_glyph.isNull() && glyph.cacheKey() == m_glyph.cacheKey())
        return;
    m_glyph = glyph;
    if (!m_glyph.isNull() && m_glyph.height() > 0 && m_glyph.width() % m_glyph.height() == 0) {
        const int count = m_glyph.width() / m_glyph.height();
        m_numGlyphs = count > 4 ? 1 : count;
    }
    update();
}

void FlatButtonBase::setNumGlyphs(int count)
{
    count = std::clamp(count, 1, 4);
    if (m_numGlyphs == count)
        return;
    m_numGlyphs = count;
    update();
}

void FlatButtonBase::setLayout(TButtonLayout layout)
{
    if (m_layout == layout)
        return;
    m_layout = layout;
    update();
}

void FlatButtonBase::setMargin(int margin)
{
    if (margin < -1 || m_margin == margin)
        return;
    m_margin = margin;
    update();
}

void FlatButtonBase::setSpacing(int spacing)
{
    if (m_spacing == spacing)
        return;
    m_spacing = spacing;
    update();
}

void FlatButtonBase::setCaption(const QString &caption)
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

void FlatButtonBase::setGroupIndex(int index)
{
    if (m_groupIndex == index)
        return;
    m_groupIndex = index;
    if (m_groupIndex != 0 && parentWidget())
        tellGroup();
}

void FlatButtonBase::setAllowAllUp(bool allow)
{
    if (m_allowAllUp == allow)
        return;
    m_allowAllUp = allow;
    if (m_groupIndex != 0 && parentWidget())
        tellGroup();
}

void FlatButtonBase::setDown(bool down)
{
    if (m_groupIndex == 0)
        down = false;
    if (down == m_down || (m_down && !m_allowAllUp))
        return;
    m_down = down;
    if (down) {
        m_state = fbsLatched;
        update();
        tellGroup();
    } else {
        m_state = fbsUp;
        repaint();
    }
}

void FlatButtonBase::tellGroup()
{
    QWidget *p = parentWidget();
    if (!p)
        return;
    const QObjectList siblings = p->children();
    for (QObject *child : siblings)
        if (auto *button = qobject_cast<FlatButtonBase *>(child))
            if (button != this)
                button->groupNotification(m_groupIndex, this);
}

void FlatButtonBase::groupNotification(int groupIndex, FlatButtonBase *sender)
{
    if (groupIndex != m_groupIndex || !isSameKind(sender))
        return;
    if (sender->m_down && m_down) {
        m_down = false;
        m_state = fbsUp;
        update();
    }
    m_allowAllUp = sender->m_allowAllUp;
}

void FlatButtonBase::click()
{
    if (auto *dialog = qobject_cast<QDialog *>(window())) {
        // A result of 0 keeps a modal dialog open, as any other result closes it.
        dialog->setResult(m_modalResult);
        if (m_modalResult != 0 && dialog->isModal() && dialog->isVisible())
            dialog->done(m_modalResult);
    }
    emit OnClick(this);
}

void FlatButtonBase::hoverEnter()
{
    if (isEnabled() && !m_mouseInside) {
        m_mouseInside = true;
        update();
    }
}

void FlatButtonBase::hoverLeave()
{
    if (isEnabled() && m_mouseInside && !m_pressing) {
        m_mouseInside = false;
        hoverFamily().release(this);
        update();
    }
}

void FlatButtonBase::reevaluateHover()
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

bool FlatButtonBase::isInside(const QPoint &pos) const
{
    // The row just below the button counts as inside.
    return pos.x() >= 0 && pos.x() < width() && pos.y() >= 0 && pos.y() <= height();
}

bool FlatButtonBase::event(QEvent *event)
{
    if (event->type() == QEvent::Shortcut
        && static_cast<QShortcutEvent *>(event)->shortcutId() == m_shortcutId && m_shortcutId) {
        accelerator();
        return true;
    }
    if (event->type() == QEvent::ParentChange || event->type() == QEvent::PaletteChange)
        followParentColor();
    return QWidget::event(event);
}

void FlatButtonBase::mousePressEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    emit OnMouseDown(this, event->button(), event->modifiers(), pos.x(), pos.y());
    if (event->button() == Qt::LeftButton && isEnabled()) {
        if (!m_down) {
            m_state = fbsPressed;
            update();
        }
        m_pressing = true;
    }
    afterPress(event->button());
}

void FlatButtonBase::mouseDoubleClickEvent(QMouseEvent *event)
{
    // Qt delivers the second press of a double click as this event.
    mousePressEvent(event);
    if (m_down)
        emit OnDblClick(this);
}

void FlatButtonBase::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    emit OnMouseMove(this, event->modifiers(), pos.x(), pos.y());
    hoverFamily().pointerMoved(this);
    if (!m_pressing)
        return;
    TFlatButtonState next;
    if (isInside(pos))
        next = m_down ? fbsLatched : fbsPressed;
    else
        next = m_down ? fbsLatched : fbsUp;
    if (next != m_state) {
        m_state = next;
        update();
    }
}

void FlatButtonBase::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    emit OnMouseUp(this, event->button(), event->modifiers(), pos.x(), pos.y());
    if (m_pressing && event->button() == Qt::LeftButton) {
        m_pressing = false;
        const bool inside = isInside(pos);
        if (m_groupIndex == 0) {
            m_state = fbsUp;
            m_mouseInside = false;
            if (inside)
                update();
        } else if (inside) {
            setDown(!m_down);
            if (m_down)
                repaint();
        } else {
            if (m_down)
                m_state = fbsLatched;
            repaint();
        }
        if (inside)
            click();
        else
            hoverLeave();
        reevaluateHover();
    }
    afterRelease(event->button());
}

void FlatButtonBase::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    emit OnMouseEnter(this);
}

void FlatButtonBase::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    emit OnMouseLeave(this);
}

void FlatButtonBase::changeEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::EnabledChange:
        if (!isEnabled())
            m_state = fbsDisabled;
        m_mouseInside = false;
        hoverFamily().release(this);
        reevaluateHover();
        update();
        break;
    case QEvent::FontChange:
        update();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

void FlatButtonBase::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    if (isWindowed() && m_transparentMode != tmNone)
        update();
}

void FlatButtonBase::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (isWindowed() && m_transparentMode != tmNone)
        update();
}

void FlatButtonBase::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect client = rect();

    const QPoint offset = (m_state == fbsPressed || m_state == fbsLatched) ? QPoint(1, 1)
                                                                          : QPoint(0, 0);
    const GlyphCaptionLayout placed = LayoutGlyphAndCaption(
        font(), client, offset, m_caption, m_layout, m_margin, m_spacing,
        m_glyph.isNull() ? QSize() : m_glyph.size(), m_numGlyphs);
    m_glyphOrigin = placed.glyphOrigin;
    m_captionRect = placed.captionRect;

    if (!isEnabled()) {
        m_state = fbsDisabled;
        m_pressing = false;
    } else if (m_state == fbsDisabled) {
        m_state = (m_down && m_groupIndex != 0) ? fbsLatched : fbsUp;
    }

    auto faceFor = [this](bool hoverFace) -> QColor {
        switch (m_state) {
        case fbsUp:
            return hoverFace ? m_colorFocused : m_color;
        case fbsDisabled:
            return m_color;
        case fbsPressed:
            return m_colorDown;
        case fbsLatched:
            return hoverFace ? m_colorFocused : m_colorDown;
        }
        return m_color;
    };
    switch (m_transparentMode) {
    case tmAlways:
        if (isWindowed())
            PaintParentBackground(this, painter);
        break;
    case tmNone:
        painter.fillRect(client, faceFor(m_mouseInside));
        break;
    case tmNotFocused:
        if (m_mouseInside)
            painter.fillRect(client, faceFor(true));
        else if (isWindowed())
            PaintParentBackground(this, painter);
        break;
    }

    switch (m_state) {
    case fbsUp:
        if (m_mouseInside)
            DrawBevelFrame(painter, client, m_colorHighLight, m_colorShadow, 1);
        else
            DrawBevelFrame(painter, client, m_colorBorder, m_colorBorder,
                           drawsDefaultFrame() ? 2 : 1);
        break;
    case fbsDisabled:
        DrawBevelFrame(painter, client, m_colorBorder, m_colorBorder, 1);
        break;
    case fbsPressed:
    case fbsLatched:
        DrawBevelFrame(painter, client, m_colorShadow, m_colorHighLight, 1);
        break;
    }

    if (!m_glyph.isNull()) {
        int index = 0;
        if (m_numGlyphs == 2)
            index = m_state == fbsDisabled ? 1 : 0;
        else if (m_numGlyphs == 3)
            index = m_state == fbsUp ? 0 : m_state == fbsDisabled ? 1 : 2;
        else if (m_numGlyphs == 4)
            index = int(m_state);
        const int w = m_glyph.width() / m_numGlyphs;
        QImage image = m_glyph.toImage().copy(index * w, 0, w, m_glyph.height());
        if (m_numGlyphs == 1 && m_state == fbsDisabled)
            image = MakeDisabledGlyph(image, Qt::black, FlatColors::btnFace(),
                                      FlatColors::btnHighlight(), FlatColors::btnShadow(), true);
        painter.drawImage(m_glyphOrigin, TransparentGlyph(image));
    }

    if (!m_caption.isEmpty()) {
        const int flags = Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic;
        painter.setFont(font());
        if (m_state == fbsDisabled) {
            painter.setPen(FlatColors::btnHighlight());
            painter.drawText(m_captionRect.translated(1, 1), flags, m_caption);
            painter.setPen(FlatColors::btnShadow());
        } else {
            painter.setPen(palette().color(QPalette::Active, foregroundRole()));
        }
        painter.drawText(m_captionRect, flags, m_caption);
    }
}
