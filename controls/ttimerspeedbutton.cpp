#include "controls/ttimerspeedbutton.h"

#include <QTimer>

TTimerSpeedButton::TTimerSpeedButton(QWidget *parent)
    : TFlatSpeedButton(parent)
{
}

void TTimerSpeedButton::afterPress(Qt::MouseButton button)
{
    emit OnPress(this, button);
    if (!m_allowRepeat)
        return;
    if (!m_repeatTimer) {
        m_repeatTimer = new QTimer(this);
        // A coarse timer would let the steps drift by up to 5 %.
        m_repeatTimer->setTimerType(Qt::PreciseTimer);
        connect(m_repeatTimer, &QTimer::timeout, this, &TTimerSpeedButton::repeatTick);
    }
    m_repeatTimer->setInterval(400);
    m_repeatTimer->start();
}

void TTimerSpeedButton::afterRelease(Qt::MouseButton)
{
    if (m_repeatTimer)
        m_repeatTimer->stop();
}

void TTimerSpeedButton::pressCancelled()
{
    TFlatSpeedButton::pressCancelled();
    if (m_repeatTimer)
        m_repeatTimer->stop();
}

void TTimerSpeedButton::repeatTick()
{
    // Setting an interval restarts the timer: each repeat would come late by
    // the time it took to reach this handler.
    if (m_repeatTimer && m_repeatTimer->interval() != 100)
        m_repeatTimer->setInterval(100);
    // The release may have gone to another window: without the button held
    // the arrow no longer holds the capture, and repeating would never end.
    if (!(HoverFamily::mouseButtons() & Qt::LeftButton)) {
        if (m_repeatTimer)
            m_repeatTimer->stop();
        cancelPress();
        return;
    }
    // Pressing stands for holding the mouse capture.
    if (state() != Flat::fbsPressed || !pressing())
        return;
    try {
        click();
    } catch (...) {
        if (m_repeatTimer)
            m_repeatTimer->stop();
        throw;
    }
}
