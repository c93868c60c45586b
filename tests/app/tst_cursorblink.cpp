#include "app/cursorblink.h"

#include <QApplication>
#include <QLineEdit>
#include <QStyleHints>
#include <QTest>

// Counts the blink timer's events reaching a line edit's text control.
class TimerCounter : public QObject
{
public:
    int count = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Timer)
            ++count;
        return false;
    }
};

class tst_CursorBlink : public QObject
{
    Q_OBJECT
private slots:
    void settlesAndWakes_data();
    void settlesAndWakes();
    void settledEditStopsBlinking();
};

void tst_CursorBlink::settlesAndWakes_data()
{
    QTest::addColumn<int>("wakeEvent");
    QTest::newRow("key") << int(QEvent::KeyPress);
    QTest::newRow("mouse") << int(QEvent::MouseButtonPress);
    QTest::newRow("wheel") << int(QEvent::Wheel);
    QTest::newRow("focus") << int(QEvent::FocusIn);
}

void tst_CursorBlink::settlesAndWakes()
{
    QFETCH(int, wakeEvent);
    QStyleHints *hints = QGuiApplication::styleHints();
    hints->setCursorFlashTime(1000);
    {
        CursorBlinkTimeout blink(60000);
        QVERIFY(!blink.settled());
        blink.settle();
        QVERIFY(blink.settled());
        QCOMPARE(hints->cursorFlashTime(), 0);

        QLineEdit edit;
        QEvent *event = nullptr;
        switch (QEvent::Type(wakeEvent)) {
        case QEvent::KeyPress:
            event = new QKeyEvent(QEvent::KeyPress, Qt::Key_1, Qt::NoModifier, u"1"_qs);
            break;
        case QEvent::MouseButtonPress:
            event = new QMouseEvent(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton,
                                    Qt::LeftButton, Qt::NoModifier);
            break;
        case QEvent::Wheel:
            event = new QWheelEvent(QPointF(1, 1), QPointF(1, 1), QPoint(), QPoint(0, 120), Qt::NoButton,
                                    Qt::NoModifier, Qt::NoScrollPhase, false);
            break;
        default:
            event = new QFocusEvent(QEvent::FocusIn, Qt::TabFocusReason);
            break;
        }
        QCoreApplication::sendEvent(&edit, event);
        delete event;
        QVERIFY(!blink.settled());
        QCOMPARE(hints->cursorFlashTime(), 1000);
        blink.settle();
    }
    // Leaving puts the desktop's flash time back.
    QCOMPARE(hints->cursorFlashTime(), 1000);
}

void tst_CursorBlink::settledEditStopsBlinking()
{
    QGuiApplication::styleHints()->setCursorFlashTime(100);
    CursorBlinkTimeout blink(60000);
    QLineEdit edit;
    edit.show();
    QApplication::setActiveWindow(&edit);
    edit.setFocus();
    QVERIFY(QTest::qWaitForWindowActive(&edit));
    QObject *control = nullptr;
    for (QObject *child : edit.children())
        if (qstrcmp(child->metaObject()->className(), "QWidgetLineControl") == 0)
            control = child;
    QVERIFY(control);
    TimerCounter counter;
    control->installEventFilter(&counter);
    QTRY_VERIFY(counter.count >= 2);
    blink.settle();
    counter.count = 0;
    QTest::qWait(300);
    QCOMPARE(counter.count, 0);
}

QTEST_MAIN(tst_CursorBlink)
#include "tst_cursorblink.moc"
