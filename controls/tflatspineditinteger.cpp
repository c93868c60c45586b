#include "controls/tflatspineditinteger.h"

#include "controls/flataccessible.h"
#include "controls/flatbeep.h"
#include "controls/focusreason.h"
#include "controls/tspinbutton.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QScopedValueRollback>

#include <limits>

TFlatSpinEditInteger::TFlatSpinEditInteger(QWidget *parent)
    : TCustomFlatEdit(parent)
{
    m_button = new TSpinButton(this);
    m_button->resize(22, 10);
    m_button->setFocusControl(this);
    connect(m_button, &TSpinButton::OnUpClick, this, &TFlatSpinEditInteger::StepUp);
    connect(m_button, &TSpinButton::OnDownClick, this, &TFlatSpinEditInteger::StepDown);
    setValue(0);
    connect(this, &QLineEdit::textChanged, this, [this] { FlatAccessible::valueChanged(this, value()); });
    backgroundChanged(palette().color(QPalette::Base));
    setMinimumHeight(minimumFieldHeight());
    placeButton();
}

bool TFlatSpinEditInteger::parseInteger(const QString &text, int &value)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';
    if (i == text.size())
        return false;
    qint64 magnitude = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return false;
        magnitude = magnitude * 10 + (c - u'0');
        if (magnitude > qint64(std::numeric_limits<int>::max()) + 1)
            return false;
    }
    const qint64 signedValue = negative ? -magnitude : magnitude;
    if (signedValue > std::numeric_limits<int>::max())
        return false;
    value = int(signedValue);
    return true;
}

int TFlatSpinEditInteger::value() const
{
    int v = 0;
    return parseInteger(text(), v) ? v : m_minValue;
}

int TFlatSpinEditInteger::clampToRange(int value) const
{
    if (m_minValue == m_maxValue)
        return value;
    if (value < m_minValue)
        return m_minValue;
    if (value > m_maxValue)
        return m_maxValue;
    return value;
}

void TFlatSpinEditInteger::setValue(int value)
{
    const QString t = QString::number(clampToRange(value));
    if (t != text())
        setText(t);
}

void TFlatSpinEditInteger::step(qint64 delta)
{
    if (isReadOnly()) {
        FlatBeep::beep();
        return;
    }
    // Without limits a step past the 32-bit range stops at its end.
    const qint64 next = std::clamp<qint64>(qint64(value()) + delta,
                                           std::numeric_limits<int>::min(),
                                           std::numeric_limits<int>::max());
    setValue(int(next));
}

void TFlatSpinEditInteger::StepUp(QObject *)
{
    step(m_increment);
}

void TFlatSpinEditInteger::StepDown(QObject *)
{
    step(-qint64(m_increment));
}

bool TFlatSpinEditInteger::AcceptsChar(QChar ch) const
{
    const char16_t c = ch.unicode();
    const QString separator = QLocale().decimalPoint();
    bool accepted = (c >= u'0' && c <= u'9') || c == u'+' || c == u'-'
                    || (!separator.isEmpty() && ch == separator.front()) || (c < 32 && c != 13);
    if (accepted && !m_editorEnabled && (c >= 32 || c == 8))
        accepted = false;
    return accepted;
}

void TFlatSpinEditInteger::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Up)
        StepUp(this);
    else if (event->key() == Qt::Key_Down)
        StepDown(this);

    if ((event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut))
        && editingBlocked()) {
        event->accept();
        return;
    }
    // Keys such as Delete and the arrows are not typed characters, and a
    // Control or Alt combination types a control character or none at all.
    const QString typed = event->text();
    const bool isCharacter = !typed.isEmpty() && typed.front().unicode() != 127
                             && event->key() != Qt::Key_Delete
                             && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (isCharacter || enter) {
        for (QChar ch : enter ? QString(QChar(13)) : typed) {
            if (!AcceptsChar(ch)) {
                FlatBeep::beep();
                event->accept(); // Enter goes no further either: it is the field's key
                return;
            }
        }
    }
    TCustomFlatEdit::keyPressEvent(event);
}

void TFlatSpinEditInteger::focusInEvent(QFocusEvent *event)
{
    const bool keyboardReason = event->reason() == Qt::TabFocusReason
                                || event->reason() == Qt::BacktabFocusReason
                                || event->reason() == Qt::ShortcutFocusReason;
    const QScopedValueRollback quiet(m_focusPassing, true);
    TCustomFlatEdit::focusInEvent(event);
    // A press on the field itself places the cursor; an arrow press or the
    // keyboard select all. The window coming back or a menu closing returns
    // the focus without entering the field, so the next digit must not
    // replace the value. QLineEdit selects on keyboard focus by itself.
    const bool entered = event->reason() != Qt::MouseFocusReason
                         && !Flat::isPassingFocusChange(event->reason());
    if (m_autoSelect && entered)
        selectAll();
    else if (!m_autoSelect && keyboardReason)
        deselect();
}

void TFlatSpinEditInteger::focusOutEvent(QFocusEvent *event)
{
    {
        const QScopedValueRollback quiet(m_focusPassing, true);
        TCustomFlatEdit::focusOutEvent(event);
    }
    if (Flat::isPassingFocusChange(event->reason()))
        return;
    const int v = value();
    if (clampToRange(v) != v)
        setValue(v);
}

void TFlatSpinEditInteger::backgroundChanged(const QColor &face)
{
    if (!m_button)
        return;
    QPalette pal = m_button->palette();
    if (pal.color(QPalette::Window) == face)
        return;
    pal.setColor(QPalette::Window, face);
    m_button->setPalette(pal);
}

void TFlatSpinEditInteger::placeButton()
{
    const int w = width(), h = height();
    // Client coordinates start inside the three-pixel border.
    m_button->setGeometry(3 + w - m_button->width() - 5, 3, m_button->width(), std::max(0, h - 6));
    setTextMargins(3, 3, m_button->width() + 6, 3);
}

void TFlatSpinEditInteger::resizeEvent(QResizeEvent *event)
{
    TCustomFlatEdit::resizeEvent(event);
    placeButton();
}

void TFlatSpinEditInteger::changeEvent(QEvent *event)
{
    // The minimum first, so that fitting the height to the font lands on it.
    if (event->type() == QEvent::FontChange)
        setMinimumHeight(minimumFieldHeight());
    TCustomFlatEdit::changeEvent(event);
}

void TFlatSpinEditInteger::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createStandardContextMenu();
    if (editingBlocked())
        for (QAction *action : menu->actions())
            if (action->objectName() == u"edit-paste" || action->objectName() == u"edit-cut")
                action->setEnabled(false);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void TFlatSpinEditInteger::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::MiddleButton && editingBlocked()) {
        event->accept(); // no selection paste
        return;
    }
    TCustomFlatEdit::mousePressEvent(event);
}

void TFlatSpinEditInteger::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::MiddleButton && editingBlocked()) {
        event->accept();
        return;
    }
    TCustomFlatEdit::mouseReleaseEvent(event);
}

void TFlatSpinEditInteger::dropEvent(QDropEvent *event)
{
    if (editingBlocked()) {
        event->ignore();
        return;
    }
    TCustomFlatEdit::dropEvent(event);
}
