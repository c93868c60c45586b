#include "app/alarmmessage.h"

#include <QTest>

using namespace Qt::StringLiterals;

using LateDue = std::optional<QTime>;
Q_DECLARE_METATYPE(LateDue)

// The alarm's texts from the stored message, a late alarm's due time and the
// sound's outcome.
class tst_AlarmMessage : public QObject
{
    Q_OBJECT

private slots:
    void texts_data();
    void texts();
};

void tst_AlarmMessage::texts_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<LateDue>("lateDue");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<AlarmSoundOutcome>("sound");
    QTest::addColumn<QString>("notification");
    QTest::addColumn<QString>("box");

    const QString silent = u"\n(Der Alarmton konnte nicht abgespielt werden.)"_s;
    const LateDue onTime;
    const auto played = AlarmSoundOutcome::Played;
    QTest::newRow("the stored message") << u"Tee ist fertig"_s << onTime << QChar(u':') << played
                                        << u"Tee ist fertig"_s << u"Tee ist fertig"_s;
    QTest::newRow("empty: the default") << QString() << onTime << QChar(u':') << played
                                        << u"Alarmzeit erreicht!"_s << u"Alarmzeit erreicht!"_s;
    QTest::newRow("blanks are a message") << u" "_s << onTime << QChar(u':') << played << u" "_s << u" "_s;
    QTest::newRow("markup is the user's text")
        << u"<b>Termin</b> um 9 Uhr & mehr"_s << onTime << QChar(u':') << played
        << u"<b>Termin</b> um 9 Uhr & mehr"_s << u"<b>Termin</b> um 9 Uhr & mehr"_s;
    QTest::newRow("late: when it was due, on a line of its own")
        << u"Tee"_s << LateDue(QTime(7, 0, 0)) << QChar(u':') << played
        << u"Tee\n(fällig um 07:00:00)"_s << u"Tee\n(fällig um 07:00:00)"_s;
    QTest::newRow("late, with the locale's separator")
        << u"Tee"_s << LateDue(QTime(7, 5, 9)) << QChar(u'.') << played
        << u"Tee\n(fällig um 07.05.09)"_s << u"Tee\n(fällig um 07.05.09)"_s;
    QTest::newRow("late at midnight, empty message")
        << QString() << LateDue(QTime(0, 0, 0)) << QChar(u':') << played
        << u"Alarmzeit erreicht!\n(fällig um 00:00:00)"_s << u"Alarmzeit erreicht!\n(fällig um 00:00:00)"_s;
    QTest::newRow("unheard: the box says so, the notification came before the sound")
        << u"Tee"_s << onTime << QChar(u':') << AlarmSoundOutcome::Unplayed << u"Tee"_s << u"Tee"_s + silent;
    QTest::newRow("late and unheard: both lines, in that order")
        << u"Tee"_s << LateDue(QTime(23, 59, 59)) << QChar(u':') << AlarmSoundOutcome::Unplayed
        << u"Tee\n(fällig um 23:59:59)"_s << u"Tee\n(fällig um 23:59:59)"_s + silent;
    QTest::newRow("wave file still starting: no line yet")
        << u"Tee"_s << onTime << QChar(u':') << AlarmSoundOutcome::WaveStarting << u"Tee"_s << u"Tee"_s;
}

void tst_AlarmMessage::texts()
{
    QFETCH(QString, stored);
    QFETCH(LateDue, lateDue);
    QFETCH(QChar, separator);
    QFETCH(AlarmSoundOutcome, sound);
    QFETCH(QString, notification);
    QFETCH(QString, box);
    const AlarmMessage message{stored, lateDue, sound, separator};
    QCOMPARE(message.notificationText(), notification);
    QCOMPARE(message.boxText(), box);
}

QTEST_MAIN(tst_AlarmMessage)
#include "tst_alarmmessage.moc"
