#include "app/cursorblink.h"

#include <QEvent>
#include <QGuiApplication>
#include <QStyleHints>

CursorBlinkTimeout::CursorBlinkTimeout(int timeoutMs, QObject *parent)
    : QObject(parent), m_flashTime(QGuiApplication::styleHints()->cursorFlashTime())
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(timeoutMs);
    connect(&m_timer, &QTimer::timeout, this, &CursorBlinkTimeout::settle);
    qApp->installEventFilter(this);
    m_timer.start();
}

CursorBlinkTimeout::~CursorBlinkTimeout()
{
    if (m_settled)
        QGuiApplication::styleHints()->setCursorFlashTime(m_flashTime);
}

void CursorBlinkTimeout::settle()
{
    m_timer.stop();
    if (m_settled || m_flashTime < 2)
        return;
    m_settled = true;
    // Edits stop their blink timer and show the cursor when this changes.
    QGuiApplication::styleHints()->setCursorFlashTime(0);
}

void CursorBlinkTimeout::wake()
{
    if (m_settled) {
        m_settled = false;
        QGuiApplication::styleHints()->setCursorFlashTime(m_flashTime);
    }
    m_timer.start();
}

bool CursorBlinkTimeout::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
    case QEvent::InputMethod:
    case QEvent::FocusIn:
        wake();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

