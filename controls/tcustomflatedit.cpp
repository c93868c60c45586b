#include "controls/tcustomflatedit.h"

#include "controls/hoverfamily.h"
#include "controls/tflatedit.h"

#include <QApplication>
#include <QFocusEvent>
#include <QPainter>

TCustomFlatEdit::TCustomFlatEdit(QWidget *parent)
    : QLineEdit(parent)
{
    setFrame(false);
    setTextMargins(3, 3, 3, 3);
    resize(121, 19);
    connect(this, &QLineEdit::textChanged, this, [this] { emit OnChange(this); });
    m_look.colorFlat = parentsColor();
    redrawBorder();
    fitHeightToFont();
}

QColor TCustomFlatEdit::parentsColor() const
{
    if (QWidget *p = parentWidget())
        return p->palette().color(p->backgroundRole());
    return m_look.colorFlat;
}

bool TCustomFlatEdit::showsFocusLook() const
{
    if (hasFocus())
        return true;
    // A focused plain flat edit keeps other plain ones from lighting up under
    // the pointer; a spin edit or memo with the focus does not.
    return m_mouseInside && !qobject_cast<TFlatEdit *>(QApplication::focusWidget());
}

int TCustomFlatEdit::textHeight() const
{
    const QFontMetrics metrics(font());
    return metrics.ascent() + metrics.descent();
}

void TCustomFlatEdit::redrawBorder()
{
    const QColor face = m_look.background(showsFocusLook());
    QPalette pal = palette();
    if (pal.color(QPalette::Base) != face) {
        pal.setColor(QPalette::Base, face);
        setPalette(pal);
    }
    backgroundChanged(face);
    update();
}

void TCustomFlatEdit::fitHeightToFont()
{
    if (m_autoSize)
        resize(width(), textHeight() + 6);
}

void TCustomFlatEdit::setColorFocused(const QColor &color)
{
    m_look.colorFocused = color;
    redrawBorder();
}

void TCustomFlatEdit::setColorBorder(const QColor &color)
{
    m_look.colorBorder = color;
    redrawBorder();
}

void TCustomFlatEdit::setColorFlat(const QColor &color)
{
    m_look.colorFlat = color;
    m_look.parentColor = false;
    redrawBorder();
}

void TCustomFlatEdit::setParentColor(bool on)
{
    if (m_look.parentColor == on)
        return;
    m_look.parentColor = on;
    if (on && parentWidget())
        m_look.colorFlat = parentsColor();
    redrawBorder();
}

void TCustomFlatEdit::setUseAdvColors(bool on)
{
    if (m_look.useAdvColors == on)
        return;
    m_look.useAdvColors = on;
    setParentColor(on);
    m_look.computeAdvColors();
    redrawBorder();
}

void TCustomFlatEdit::setAdvColorFocused(int percentage)
{
    m_look.advColorFocused = std::clamp(percentage, 0, 100);
    if (m_look.useAdvColors) {
        m_look.computeAdvColors();
        redrawBorder();
    }
}

void TCustomFlatEdit::setAdvColorBorder(int percentage)
{
    m_look.advColorBorder = std::clamp(percentage, 0, 100);
    if (m_look.useAdvColors) {
        m_look.computeAdvColors();
        redrawBorder();
    }
}

void TCustomFlatEdit::setAutoSize(bool on)
{
    if (m_autoSize == on)
        return;
    m_autoSize = on;
    fitHeightToFont();
}

bool TCustomFlatEdit::event(QEvent *event)
{
    if (event->type() == QEvent::ParentChange || event->type() == QEvent::PaletteChange) {
        const QColor before = m_look.colorFlat;
        m_look.followParent(parentsColor());
        if (m_look.colorFlat != before || event->type() == QEvent::ParentChange)
            redrawBorder();
    }
    return QLineEdit::event(event);
}

void TCustomFlatEdit::paintEvent(QPaintEvent *event)
{
    QLineEdit::paintEvent(event);
    QPainter painter(this);
    m_look.drawBorder(painter, rect(), showsFocusLook());
}

// A context menu or another application taking over does not enter or leave
// the field as far as its handlers are concerned.
static bool movesFocusWithinWindow(const QFocusEvent *event)
{
    return event->reason() != Qt::PopupFocusReason
           && event->reason() != Qt::ActiveWindowFocusReason;
}

void TCustomFlatEdit::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    redrawBorder();
    if (movesFocusWithinWindow(event))
        emit OnEnter(this);
}

void TCustomFlatEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    redrawBorder();
    if (movesFocusWithinWindow(event))
        emit OnExit(this);
}

void TCustomFlatEdit::enterEvent(QEnterEvent *event)
{
    QLineEdit::enterEvent(event);
    if (HoverFamily::hasActiveWindow()) {
        m_mouseInside = true;
        redrawBorder();
    }
}

void TCustomFlatEdit::leaveEvent(QEvent *event)
{
    QLineEdit::leaveEvent(event);
    m_mouseInside = false;
    redrawBorder();
}

void TCustomFlatEdit::changeEvent(QEvent *event)
{
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        redrawBorder();
    else if (event->type() == QEvent::FontChange)
        fitHeightToFont();
}
