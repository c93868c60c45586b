#include "controls/tcustomflatedit.h"

#include <QFocusEvent>
#include <QPainter>

TCustomFlatEdit::TCustomFlatEdit(QWidget *parent)
    : QLineEdit(parent)
    , m_edit(this, "TFlatEdit", [this](const QColor &face) { backgroundChanged(face); })
{
    setFrame(false);
    setTextMargins(3, 3, 3, 3);
    resize(121, 19);
    connect(this, &QLineEdit::textChanged, this, [this] { emit OnChange(this); });
    redrawBorder();
    fitHeightToFont();
}

int TCustomFlatEdit::textHeight() const
{
    const QFontMetrics metrics(font());
    return metrics.ascent() + metrics.descent();
}

void TCustomFlatEdit::fitHeightToFont()
{
    if (m_autoSize)
        resize(width(), textHeight() + 6);
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
    m_edit.handleEvent(event);
    return QLineEdit::event(event);
}

void TCustomFlatEdit::paintEvent(QPaintEvent *event)
{
    QLineEdit::paintEvent(event);
    QPainter painter(this);
    m_edit.drawBorder(painter, rect());
}

void TCustomFlatEdit::focusInEvent(QFocusEvent *event)
{
    // QLineEdit keeps the selection for a menu opened by mouse only; one opened
    // from the keyboard takes the focus with a reason of its own.
    QFocusEvent asMenu(event->type(), Qt::PopupFocusReason);
    QLineEdit::focusInEvent(event->reason() == Qt::MenuBarFocusReason ? &asMenu : event);
    if (m_edit.focusChanged(event))
        emit OnEnter(this);
}

void TCustomFlatEdit::focusOutEvent(QFocusEvent *event)
{
    QFocusEvent asMenu(event->type(), Qt::PopupFocusReason);
    QLineEdit::focusOutEvent(event->reason() == Qt::MenuBarFocusReason ? &asMenu : event);
    if (m_edit.focusChanged(event))
        emit OnExit(this);
}

void TCustomFlatEdit::changeEvent(QEvent *event)
{
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        fitHeightToFont();
}
