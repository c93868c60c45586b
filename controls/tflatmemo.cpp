#include "controls/tflatmemo.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>

#include <limits>

using namespace Qt::StringLiterals;

TFlatMemo::TFlatMemo(QWidget *parent)
    : QPlainTextEdit(parent)
    , m_edit(this, "TFlatMemo", [this](const QColor &) { viewport()->update(); })
{
    // A three-pixel frame makes room for the border around text and scroll bars.
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(3);
    setTabChangesFocus(true);
    setScrollBars(ssNone);
    resize(185, 89);
    connect(this, &QPlainTextEdit::textChanged, this, [this] { emit OnChange(this); });
    m_edit.redrawBorder();
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
    m_edit.handleEvent(event);
    const bool result = QPlainTextEdit::event(event);
    if (event->type() == QEvent::Paint) {
        // The area's own paint covers frame and scroll-bar corner; the text
        // lies in the viewport, painted separately.
        QPainter painter(this);
        m_edit.drawBorder(painter, rect());
        if (m_scrollBars == ssBoth)
            painter.fillRect(cornerRect(), m_edit.face());
    }
    return result;
}

void TFlatMemo::focusInEvent(QFocusEvent *event)
{
    QPlainTextEdit::focusInEvent(event);
    if (m_edit.focusChanged(event))
        emit OnEnter(this);
}

void TFlatMemo::focusOutEvent(QFocusEvent *event)
{
    QPlainTextEdit::focusOutEvent(event);
    if (m_edit.focusChanged(event))
        emit OnExit(this);
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
