#include "controls/tspinbutton.h"

#include "controls/ttimerspeedbutton.h"

#include <QKeyEvent>
#include <QPainter>

using namespace Qt::StringLiterals;

TSpinButton::TSpinButton(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    m_up = new TTimerSpeedButton(this);
    m_down = new TTimerSpeedButton(this);
    for (TTimerSpeedButton *arrow : {m_up, m_down}) {
        arrow->setAllowRepeat(true);
        arrow->setMargin(2);
        connect(arrow, &TTimerSpeedButton::OnPress, this,
                [this, arrow](QObject *, Qt::MouseButton button) { arrowPressed(arrow, button); });
    }
    // Captionless: screen readers read these names.
    m_up->setAccessibleName(u"Erhöhen"_s);
    m_down->setAccessibleName(u"Verringern"_s);
    m_up->setLayout(Flat::blGlyphTop);
    m_down->setLayout(Flat::blGlyphBottom);
    connect(m_up, &FlatButtonBase::OnClick, this, [this] { emit OnUpClick(this); });
    connect(m_down, &FlatButtonBase::OnClick, this, [this] { emit OnDownClick(this); });
    m_up->setGlyph(builtInGlyph(true));
    m_down->setGlyph(builtInGlyph(false));
    resize(21, 10);
    arrangeArrows();
    m_focusedArrow = m_up;
}

QPixmap TSpinButton::builtInGlyph(bool up)
{
    QImage image(5, 5, QImage::Format_RGB32);
    image.fill(QColor(128, 128, 0));
    // Rows from the top: empty, 1, 3, 5 black pixels, empty ("FlatDown" reversed).
    const int widths[5] = {0, 1, 3, 5, 0};
    for (int row = 0; row < 5; ++row) {
        const int w = widths[up ? row : 4 - row];
        for (int x = (5 - w) / 2; x < (5 - w) / 2 + w; ++x)
            image.setPixelColor(x, row, Qt::black);
    }
    return QPixmap::fromImage(image);
}

QPixmap TSpinButton::upGlyph() const
{
    return m_up->glyph();
}

void TSpinButton::setUpGlyph(const QPixmap &glyph)
{
    m_up->setGlyph(glyph.isNull() ? builtInGlyph(true) : glyph);
}

QPixmap TSpinButton::downGlyph() const
{
    return m_down->glyph();
}

void TSpinButton::setDownGlyph(const QPixmap &glyph)
{
    m_down->setGlyph(glyph.isNull() ? builtInGlyph(false) : glyph);
}

int TSpinButton::upNumGlyphs() const
{
    return m_up->numGlyphs();
}

void TSpinButton::setUpNumGlyphs(int count)
{
    m_up->setNumGlyphs(count);
}

int TSpinButton::downNumGlyphs() const
{
    return m_down->numGlyphs();
}

void TSpinButton::setDownNumGlyphs(int count)
{
    m_down->setNumGlyphs(count);
}

void TSpinButton::setFocusedArrow(TTimerSpeedButton *arrow)
{
    if (m_focusedArrow == arrow)
        return;
    if (hasFocus()) {
        m_focusedArrow->setShowFocus(false);
        arrow->setShowFocus(true);
    }
    m_focusedArrow = arrow;
}

void TSpinButton::arrangeArrows()
{
    // The arrows overlap by one column; the down arrow lies on top.
    m_up->setGeometry(0, 0, 11, height());
    m_down->setGeometry(10, 0, 11, height());
}

void TSpinButton::arrowPressed(TTimerSpeedButton *arrow, Qt::MouseButton button)
{
    if (button != Qt::LeftButton)
        return;
    auto canFocus = [](QWidget *w) {
        return (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisible();
    };
    if (canFocus(this))
        setFocusedArrow(arrow);
    if (m_focusControl && canFocus(m_focusControl)) {
        if (!m_focusControl->hasFocus())
            m_focusControl->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (canFocus(this) && !hasFocus())
        setFocus(Qt::OtherFocusReason);
}

void TSpinButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
}

void TSpinButton::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    arrangeArrows();
}

void TSpinButton::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Space:
        m_focusedArrow->click();
        break;
    case Qt::Key_Up:
        setFocusedArrow(m_up);
        m_up->click();
        break;
    case Qt::Key_Down:
        setFocusedArrow(m_down);
        m_down->click();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void TSpinButton::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    m_focusedArrow->setShowFocus(true);
}

void TSpinButton::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    m_focusedArrow->setShowFocus(false);
}
