#pragma once

#include <QObject>
#include <QString>

#include <optional>

namespace platform {

// One desktop notification through the freedesktop notification service on
// the session bus. Nothing waits on the service: the call is asynchronous,
// and a notification withdrawn before the service has answered is closed as
// soon as its number arrives. The body is plain text: a service that reads
// markup in bodies gets it escaped.
class DesktopNotification : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Shows summary and body with critical urgency, without a time-out;
    // replaces a notification still shown by this object.
    void show(const QString &summary, const QString &body);
    void withdraw();

private:
    void notify(const QString &summary, const QString &body);
    void close(uint id);

    // Whether the service reads markup in bodies, once it has said so.
    std::optional<bool> m_markup;
    uint m_id = 0;
    int m_pending = 0;
    bool m_withdrawn = false;
};

} // namespace platform
