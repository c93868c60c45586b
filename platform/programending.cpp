#include "platform/programending.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>

#include <atomic>

namespace platform {

namespace {

std::atomic<bool> ending{false};

// Sees the quit request that ends the event loops; it does not consume it.
class QuitWatcher final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Quit && watched == QCoreApplication::instance())
            ending = true;
        return false;
    }
};

} // namespace

bool programEnding()
{
    return ending;
}

void setProgramEnding(bool value)
{
    ending = value;
}

void watchProgramEnding()
{
    static QPointer<QuitWatcher> watcher;
    QCoreApplication *app = QCoreApplication::instance();
    if (!app || (watcher && watcher->parent() == app))
        return;
    watcher = new QuitWatcher(app);
    app->installEventFilter(watcher);
}

} // namespace platform
