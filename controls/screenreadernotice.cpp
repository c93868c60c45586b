#include "controls/screenreadernotice.h"

#include <QAccessible>
#include <QEvent>

ScreenReaderNotice::ScreenReaderNotice(QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(0, 0, 0, 0);
    hide();
    m_expiry.setSingleShot(true);
    m_expiry.setInterval(5000);
    connect(&m_expiry, &QTimer::timeout, this, &ScreenReaderNotice::stopWaiting);
}

void ScreenReaderNotice::tell(const QString &text)
{
    m_text = text;
    if (!QAccessible::isActive())
        return;
    QWidget *top = window();
    if (top->isActiveWindow()) {
        stopWaiting();
        appear();
        return;
    }
    if (m_waitingFor != top) {
        stopWaiting();
        m_waitingFor = top;
        top->installEventFilter(this);
    }
    m_expiry.start();
}

void ScreenReaderNotice::stopWaiting()
{
    m_expiry.stop();
    if (m_waitingFor)
        m_waitingFor->removeEventFilter(this);
    m_waitingFor = nullptr;
}

bool ScreenReaderNotice::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_waitingFor && event->type() == QEvent::WindowActivate) {
        stopWaiting();
        // After the focus has come back too, which is read with the window.
        QTimer::singleShot(0, this, &ScreenReaderNotice::appear);
    }
    return QWidget::eventFilter(watched, event);
}

void ScreenReaderNotice::appear()
{
    // Appearing is what a screen reader reads: the same text twice appears twice.
    hide();
    show();
}
