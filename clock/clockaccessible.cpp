#include "clock/clockaccessible.h"

#include "clock/trxclock.h"

#include <QAccessibleWidget>
#include <QTime>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

class ClockTextAccessible : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit ClockTextAccessible(TRxClock *clock)
        : QAccessibleWidget(clock, QAccessible::StaticText)
    {
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return timeText();
        return QAccessibleWidget::text(t);
    }

    // Read only: no selection, the cursor at the start.
    void selection(int, int *start, int *end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}

    QString text(int start, int end) const override
    {
        return timeText().mid(start, std::max(0, end - start));
    }
    int characterCount() const override { return int(timeText().size()); }

    // A character of the digital display is its cell; the suffix and the dial
    // are the whole face.
    QRect characterRect(int offset) const override
    {
        if (offset < 0 || offset >= characterCount())
            return {};
        const QRect local = usesCells() && offset < clock()->digitalFace().cellCount() ? clock()->digitalFace().cellRect(offset + 1)
                                                                          : clock()->rect();
        return QRect(clock()->mapToGlobal(local.topLeft()), local.size());
    }

    int offsetAtPoint(const QPoint &point) const override
    {
        if (!usesCells())
            return -1;
        const QPoint local = clock()->mapFromGlobal(point);
        for (int i = 1; i <= clock()->digitalFace().cellCount(); ++i)
            if (clock()->digitalFace().cellRect(i).contains(local))
                return i - 1;
        return -1;
    }

    void scrollToSubstring(int, int) override {}

    QString attributes(int, int *start, int *end) const override
    {
        *start = 0;
        *end = characterCount();
        return {};
    }

private:
    TRxClock *clock() const { return static_cast<TRxClock *>(widget()); }
    bool usesCells() const { return clock()->showMode() == TRxClock::scDigital && !clock()->shownText().isEmpty(); }

    QString timeText() const
    {
        // What the digital display shows; before its first drawing, and for the
        // dial, the time it is about to show.
        if (usesCells())
            return clock()->shownText();
        const DecodedTime now = DecodeTime(clock()->ReadClockTime());
        return QTime(now.hour, now.minute, now.second)
            .toString(clock()->showSeconds() ? u"HH:mm:ss"_s : u"HH:mm"_s);
    }
};

} // namespace

QAccessibleInterface *ClockAccessible::factory(const QString &className, QObject *object)
{
    if (className == u"TRxClock")
        return new ClockTextAccessible(static_cast<TRxClock *>(object));
    return nullptr;
}

void ClockAccessible::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(&ClockAccessible::factory);
        return true;
    }();
    Q_UNUSED(installed);
}
