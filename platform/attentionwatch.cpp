#include "platform/attentionwatch.h"

#include <algorithm>

namespace platform {

AttentionWatch::AttentionWatch(std::function<bool()> confirmedActive, Notifier notifier,
                               QObject *parent)
    : QObject(parent), m_confirmedActive(std::move(confirmedActive)),
      m_notifier(std::move(notifier))
{
    m_timer.setSingleShot(true);
    // A coarse timer may come 5 % late.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &AttentionWatch::check);
}

void AttentionWatch::raised()
{
    m_sinceRaise.start();
}

void AttentionWatch::watch(const QString &summary, const QString &body)
{
    m_summary = summary;
    m_body = body;
    const qint64 waited = m_sinceRaise.isValid() ? m_sinceRaise.elapsed() : 0;
    m_timer.start(int(std::clamp<qint64>(ConfirmWithinMs - waited, 0, ConfirmWithinMs)));
}

void AttentionWatch::check()
{
    m_timer.stop();
    if (m_confirmedActive && m_confirmedActive())
        return;
    if (m_notifier.show)
        m_notifier.show(m_summary, m_body);
    m_shown = true;
}

void AttentionWatch::withdraw()
{
    m_timer.stop();
    m_sinceRaise.invalidate();
    if (m_shown && m_notifier.withdraw)
        m_notifier.withdraw();
    m_shown = false;
}

} // namespace platform
