#include "controls/tflatmemo.h"

#include "controls/hoverfamily.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>

#include <limits>

using namespace Qt::StringLiterals;

TFlatMemo::TFlatMemo(QWidget *parent)
    : QPlainTextEdit(parent)
{
    // A three-pixel frame makes room for the border around text and scroll bars.
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(3);
    setTabChangesFocus(true);
    setScrollBars(ssNone);
    resize(185, 89);
    connect(this, &QPlainTextEdit::textChanged, this, [this] { emit OnChange(this); });
    m_look.colorFlat = parentsColor();
    redrawBorder();
}

QColor TFlatMemo::parentsColor() const
{
    if (QWidget *p = parentWidget())
        return p->palette().color(p->backgroundRole());
    return m_look.colorFlat;
}

bool TFlatMemo::showsFocusLook() const
{
    if (hasFocus())
        return true;
    return m_mouseInside && !qobject_cast<TFlatMemo *>(QApplication::focusWidget());
}

void TFlatMemo::redrawBorder()
{
    const QColor face = m_look.background(showsFocusLook());
    QPalette pal = palette();
    if (pal.color(QPalette::Base) != face) {
        pal.setColor(QPalette::Base, face);
        setPalette(pal);
    }
    update();
    viewport()->update();
}

void TFlatMemo::setColorFocused(const QColor &color)
{
    m_look.colorFocused = color;
    redrawBorder();
}

void TFlatMemo::setColorBorder(const QColor &color)
{
    m_look.colorBorder = color;
    redrawBorder();
}

void TFlatMemo::setColorFlat(const QColor &color)
{
    m_look.colorFlat = color;
    m_look.parentColor = false;
    redrawBorder();
}

void TFlatMemo::setParentColor(bool on)
{
    if (m_look.parentColor == on)
        return;
    m_look.parentColor = on;
    if (on && parentWidget())
        m_look.colorFlat = parentsColor();
    redrawBorder();
}

void TFlatMemo::setUseAdvColors(bool on)
{
    if (m_look.useAdvColors == on)
        return;
    m_look.useAdvColors = on;
    setParentColor(on);
    m_look.computeAdvColors();
    redrawBorder();
}

void TFlatMemo::setAdvColorFocused(int percentage)
{
    m_look.advColorFocused = std::clamp(percentage, 0, 100);
    if (m_look.useAdvColors) {
        m_look.computeAdvColors();
        redrawBorder();
    }
}

void TFlatMemo::setAdvColorBorder(int percentage)
{
    m_look.advColorBorder = std::clamp(percentage, 0, 100);
    if (m_look.useAdvColors) {
        m_look.computeAdvColors();
        redrawBorder();
    }
}

QStringList TFlatMemo::lines() const
{
    QStringList result;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        result << block.text();
    if (result.size() == 1 && result.front().isEmpty())
        return {};
    return result;
}

void TFlatMemo::setLines(const QStringList &lines)
{
    setPlainText(lines.join(u'\n'));
}

void TFlatMemo::setScrollBars(ScrollStyle style)
{
    m_scrollBars = style;
    const bool horizontal = style == ssHorizontal || style == ssBoth;
    const bool vertical = style == ssVertical || style == ssBoth;
    setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    update();
}

void TFlatMemo::setWordWrap(bool on)
{
    setLineWrapMode(on ? WidgetWidth : NoWrap);
}

Qt::Alignment TFlatMemo::alignment() const
{
    return document()->defaultTextOption().alignment();
}

void TFlatMemo::setAlignment(Qt::Alignment alignment)
{
    QTextOption option = document()->defaultTextOption();
    option.setAlignment(alignment);
    document()->setDefaultTextOption(option);
}

QRect TFlatMemo::cornerRect() const
{
    return QRect(width() - 19, height() - 19, 16, 16);
}

bool TFlatMemo::event(QEvent *event)
{
    if (event->type() == QEvent::ParentChange || event->type() == QEvent::PaletteChange) {
        const QColor before = m_look.colorFlat;
        m_look.followParent(parentsColor());
        if (m_look.colorFlat != before || event->type() == QEvent::ParentChange)
            redrawBorder();
    }
    const bool result = QPlainTextEdit::event(event);
    if (event->type() == QEvent::Paint) {
        // The area's own paint covers frame and scroll-bar corner; the text
        // lies in the viewport, painted separately.
        QPainter painter(this);
        const bool focusLook = showsFocusLook();
        m_look.drawBorder(painter, rect(), focusLook);
        if (m_scrollBars == ssBoth)
            painter.fillRect(cornerRect(), m_look.background(focusLook));
    }
    return result;
}

void TFlatMemo::focusInEvent(QFocusEvent *event)
{
    QPlainTextEdit::focusInEvent(event);
    redrawBorder();
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason)
        emit OnEnter(this);
}

void TFlatMemo::focusOutEvent(QFocusEvent *event)
{
    QPlainTextEdit::focusOutEvent(event);
    redrawBorder();
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason)
        emit OnExit(this);
}

void TFlatMemo::enterEvent(QEnterEvent *event)
{
    QPlainTextEdit::enterEvent(event);
    if (HoverFamily::hasActiveWindow()) {
        m_mouseInside = true;
        redrawBorder();
    }
}

void TFlatMemo::leaveEvent(QEvent *event)
{
    QPlainTextEdit::leaveEvent(event);
    m_mouseInside = false;
    redrawBorder();
}

void TFlatMemo::changeEvent(QEvent *event)
{
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        redrawBorder();
}

int TFlatMemo::roomLeft() const
{
    if (m_maxLength <= 0)
        return std::numeric_limits<int>::max();
    const int length = document()->characterCount() - 1;
    return std::max(0, m_maxLength - length + int(textCursor().selectedText().size()));
}

void TFlatMemo::keyPressEvent(QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !m_wantReturns && !(event->modifiers() & Qt::ControlModifier)) {
        event->ignore(); // the window's default action gets it
        return;
    }
    const QString typed = enter ? u"\n"_s : event->text();
    if (!typed.isEmpty() && typed.front().unicode() >= 32 && typed.front().unicode() != 127
        && int(typed.size()) > roomLeft() && !isReadOnly()) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TFlatMemo::insertFromMimeData(const QMimeData *source)
{
    if (!source->hasText())
        return;
    const int room = roomLeft();
    const QString text = source->text();
    insertPlainText(room < text.size() ? text.left(room) : text);
}
