#include "platform/desktopnotification.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

using namespace Qt::StringLiterals;

namespace platform {

namespace {

const QString Service = u"org.freedesktop.Notifications"_s;
const QString Path = u"/org/freedesktop/Notifications"_s;
const QString Interface = u"org.freedesktop.Notifications"_s;
constexpr int CallTimeoutMs = 5000;

} // namespace

void DesktopNotification::show(const QString &summary, const QString &body)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    m_withdrawn = false;
    if (m_markup) {
        notify(summary, *m_markup ? body.toHtmlEscaped() : body);
        return;
    }
    // A tag in the user's text would otherwise be read as markup.
    ++m_pending;
    const QDBusMessage query = QDBusMessage::createMethodCall(Service, Path, Interface, u"GetCapabilities"_s);
    const auto answered = [this, summary, body](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        --m_pending;
        const QDBusPendingReply<QStringList> reply = *w;
        if (!reply.isError())
            m_markup = reply.value().contains(u"body-markup"_s);
        if (!m_withdrawn)
            notify(summary, m_markup.value_or(false) ? body.toHtmlEscaped() : body);
    };
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(query, CallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, answered);
}

void DesktopNotification::notify(const QString &summary, const QString &body)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, u"Notify"_s);
    QVariantMap hints;
    hints.insert(u"urgency"_s, QVariant::fromValue(uchar(2))); // critical
    hints.insert(u"desktop-entry"_s, QCoreApplication::applicationName());
    call << QCoreApplication::applicationName() << uint(m_id) << QString() << summary << body
         << QStringList() << hints
         << int(0); // never expires
    ++m_pending;
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, CallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        --m_pending;
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isError())
            return;
        if (m_withdrawn)
            close(reply.value());
        else
            m_id = reply.value();
    });
}

void DesktopNotification::withdraw()
{
    if (m_pending > 0)
        m_withdrawn = true;
    if (m_id != 0)
        close(m_id);
    m_id = 0;
}

void DesktopNotification::close(uint id)
{
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface,
                                                       u"CloseNotification"_s);
    call << id;
    QDBusConnection::sessionBus().asyncCall(call, CallTimeoutMs);
}

} // namespace platform
