#include "app/commandline.h"
#include "app/mainwindowfactory.h"
#include "settings/talarmsettings.h"
#include "clock/trxclock.h"
#include "tests/fakes/mainwindowfixture.h"
#include "platform/application.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(platform::StartupToken)

Q_DECLARE_METATYPE(CommandLine::Action)

class tst_CommandLine : public QObject, public MainWindowFixture
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void parses_data();
    void parses();
    void refuses_data();
    void refuses();
    void setsToolkitOptionsAside();
    void helpIsGerman();

    void appliesToTheWindow_data();
    void appliesToTheWindow();
    void disarmsAlsoWithUnreadableFields();
    void forwardedCommandLine_data();
    void forwardedCommandLine();
    void launcherTokenReachesTheWindowBeforeItComesForward_data();
    void launcherTokenReachesTheWindowBeforeItComesForward();
    void handOverOfAStartThatGaveUpChangesNothing_data();
    void handOverOfAStartThatGaveUpChangesNothing();

private:
    QString time() const
    {
        return u"%1:%2:%3 %4"_s.arg(rxClock().alarmHour())
            .arg(rxClock().alarmMinute())
            .arg(rxClock().alarmSecond())
            .arg(m_frm->isArmed() ? u"an"_s : u"aus"_s);
    }

    QStringList m_errors;
    // The window's hooks as the start-up sequence gets them; the fixture owns the window.
    MainWindowParts m_main;
};

void tst_CommandLine::init()
{
    resetMainWindowFixture();
    m_clock.set(10, 0, 0, 500);
    m_errors.clear();

    platform::Application::setErrorPresenter(
        [this](const QString &, const QString &text) { m_errors << text; });
    m_main = createMainWindow(fakeServices());
    m_frm.reset(static_cast<TfrmMain *>(m_main.window.release()));
    m_frm->SoundStep = [] {};
}

void tst_CommandLine::cleanup()
{
    m_main = MainWindowParts();
    closeMainWindow();
    platform::Application::setErrorPresenter({});
}

void tst_CommandLine::parses_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<CommandLine::Action>("action");
    QTest::addColumn<QString>("command"); // in | at | message | disarm
    QTest::addColumn<QStringList>("forwarded");
    using A = CommandLine::Action;
    QTest::newRow("nothing: runs") << QStringList{} << A::Run << u"- | - | - | 0"_s << QStringList{};
    QTest::newRow("--help") << QStringList{u"--help"_s} << A::Help << u"- | - | - | 0"_s << QStringList{};
    QTest::newRow("-h after a command") << QStringList{u"--aus"_s, u"-h"_s} << A::Help << u"- | - | - | 1"_s
                                        << QStringList{u"--aus"_s};
    QTest::newRow("--version") << QStringList{u"--version"_s} << A::Version << u"- | - | - | 0"_s
                               << QStringList{u"--version"_s};
    QTest::newRow("--in 90") << QStringList{u"--in"_s, u"90"_s} << A::Run << u"90 | - | - | 0"_s
                             << QStringList{u"--in=90"_s};
    QTest::newRow("--in 1: the least") << QStringList{u"--in"_s, u"1"_s} << A::Run << u"1 | - | - | 0"_s
                                       << QStringList{u"--in=1"_s};
    QTest::newRow("--in $10: hexadecimal as in the menu")
        << QStringList{u"--in"_s, u"$10"_s} << A::Run << u"16 | - | - | 0"_s << QStringList{u"--in=$10"_s};
    QTest::newRow("--um 7:05: seconds 0") << QStringList{u"--um"_s, u"7:05"_s} << A::Run
                                          << u"- | 7,5,0 | - | 0"_s << QStringList{u"--um=7:05"_s};
    QTest::newRow("--um=23:59:59") << QStringList{u"--um=23:59:59"_s} << A::Run
                                   << u"- | 23,59,59 | - | 0"_s << QStringList{u"--um=23:59:59"_s};
    QTest::newRow("--um 256:0: low 8 bits as the toggle takes them")
        << QStringList{u"--um"_s, u"256:0"_s} << A::Run << u"- | 0,0,0 | - | 0"_s << QStringList{u"--um=256:0"_s};
    QTest::newRow("--meldung with --um") << QStringList{u"--meldung"_s, u"Tee – fertig!"_s, u"--um"_s, u"8:00"_s}
                                         << A::Run << u"- | 8,0,0 | Tee – fertig! | 0"_s
                                         << QStringList{u"--meldung=Tee – fertig!"_s, u"--um=8:00"_s};
    QTest::newRow("--meldung empty") << QStringList{u"--meldung="_s} << A::Run << u"- | - |  | 0"_s
                                     << QStringList{u"--meldung="_s};
    QTest::newRow("--aus") << QStringList{u"--aus"_s} << A::Run << u"- | - | - | 1"_s << QStringList{u"--aus"_s};
    QTest::newRow("-- ends the options") << QStringList{u"--aus"_s, u"--"_s} << A::Run << u"- | - | - | 1"_s
                                         << QStringList{u"--aus"_s};
}

void tst_CommandLine::parses()
{
    QFETCH(QStringList, arguments);
    QFETCH(CommandLine::Action, action);
    QFETCH(QString, command);
    QFETCH(QStringList, forwarded);
    const CommandLine line = parseCommandLine(QStringList{u"brenvik-timer"_s} + arguments);
    QCOMPARE(line.error, QString());
    QCOMPARE(line.action, action);
    const ClockCommand &c = line.command;
    const QString seen = u"%1 | %2 | %3 | %4"_s.arg(
        c.inMinutes ? QString::number(*c.inMinutes) : u"-"_s,
        c.at ? u"%1,%2,%3"_s.arg(c.at->hour).arg(c.at->minute).arg(c.at->second) : u"-"_s,
        c.message ? *c.message : u"-"_s, QString::number(c.disarm));
    QCOMPARE(seen, command);
    QCOMPARE(line.forwarded, forwarded);
}

void tst_CommandLine::refuses_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("error");
    const QString hint = u" „brenvik-timer --help“ zeigt die Optionen."_s;
    QTest::newRow("unknown long option") << QStringList{u"--weck"_s} << 2
                                         << u"Unbekannte Option „--weck“."_s + hint;
    QTest::newRow("unknown long option with a value") << QStringList{u"--weck=5"_s} << 2
                                                      << u"Unbekannte Option „--weck“."_s + hint;
    QTest::newRow("unknown short option") << QStringList{u"-x"_s} << 2 << u"Unbekannte Option „-x“."_s + hint;
    QTest::newRow("unknown option wins over --help") << QStringList{u"--help"_s, u"--weck"_s} << 2
                                                     << u"Unbekannte Option „--weck“."_s + hint;
    QTest::newRow("positional argument") << QStringList{u"7:00"_s} << 2
                                         << u"Unerwartetes Argument „7:00“."_s + hint;
    QTest::newRow("argument after --") << QStringList{u"--"_s, u"--aus"_s} << 2
                                       << u"Unerwartetes Argument „--aus“."_s + hint;
    QTest::newRow("missing value") << QStringList{u"--in"_s} << 2 << u"Nach „--in“ fehlt der Wert."_s + hint;
    QTest::newRow("value on a flag") << QStringList{u"--aus=1"_s} << 2
                                     << u"Die Option „--aus“ nimmt keinen Wert."_s + hint;
    QTest::newRow("twice") << QStringList{u"--in=5"_s, u"--in=6"_s} << 2
                           << u"Die Option „--in“ ist mehrfach angegeben."_s + hint;
    QTest::newRow("--in with --um") << QStringList{u"--in=5"_s, u"--um=7:00"_s} << 2
                                    << u"Die Optionen „--in“ und „--um“ schließen einander aus."_s + hint;
    QTest::newRow("--um with --aus") << QStringList{u"--aus"_s, u"--um=7:00"_s} << 2
                                     << u"Die Optionen „--um“ und „--aus“ schließen einander aus."_s + hint;

    // Values: the window's own messages, status 1.
    const QString minutes = u"Geben Sie Minuten ein, also nur Ziffern."_s;
    QTest::newRow("--in letters") << QStringList{u"--in=zehn"_s} << 1 << minutes;
    QTest::newRow("--in empty") << QStringList{u"--in="_s} << 1 << minutes;
    QTest::newRow("--in decimal point") << QStringList{u"--in=1.5"_s} << 1 << minutes;
    QTest::newRow("--in beyond 32 bits") << QStringList{u"--in=2147483648"_s} << 1 << minutes;
    // "Weitere" arms 0 for tomorrow and negative numbers in the past; a
    // command line that says so is a mistake.
    const QString atLeastOne = u"Geben Sie mindestens 1 Minute ein."_s;
    QTest::newRow("--in 0") << QStringList{u"--in=0"_s} << 1 << atLeastOne;
    QTest::newRow("--in=-5") << QStringList{u"--in=-5"_s} << 1 << atLeastOne;
    QTest::newRow("--in -5: a value may start with a dash") << QStringList{u"--in"_s, u"-5"_s} << 1 << atLeastOne;
    QTest::newRow("--in $0") << QStringList{u"--in=$0"_s} << 1 << atLeastOne;
    QTest::newRow("--um empty minute") << QStringList{u"--um=7:"_s} << 1
                                       << u"'' ist kein gültiger Integerwert."_s;
    QTest::newRow("--um letters") << QStringList{u"--um=sieben:00"_s} << 1
                                  << u"'sieben' ist kein gültiger Integerwert."_s;
    QTest::newRow("--um hour 24") << QStringList{u"--um=24:00"_s} << 1 << u"''24:0:0'' ist keine gültige Zeit."_s;
    QTest::newRow("--um 300 is hour 44") << QStringList{u"--um=300:00"_s} << 1
                                         << u"''44:0:0'' ist keine gültige Zeit."_s;
    QTest::newRow("--um second 60") << QStringList{u"--um=7:00:60"_s} << 1
                                    << u"''7:0:60'' ist keine gültige Zeit."_s;
    QTest::newRow("--um no colon") << QStringList{u"--um=7"_s} << 1 << u"''7'' ist keine gültige Zeit."_s;
    QTest::newRow("--um four parts") << QStringList{u"--um=1:2:3:4"_s} << 1
                                     << u"''1:2:3:4'' ist keine gültige Zeit."_s;
    QTest::newRow("--meldung too long") << QStringList{u"--meldung"_s, QString(256, u'x')} << 1
                                        << u"Die Meldung ist zu lang: höchstens 255 Zeichen."_s;
}

void tst_CommandLine::refuses()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, error);
    const CommandLine line = parseCommandLine(QStringList{u"brenvik-timer"_s} + arguments);
    QCOMPARE(line.action, CommandLine::Action::Fail);
    QCOMPARE(line.error, error);
    QCOMPARE(line.exitCode, exitCode);
}

void tst_CommandLine::setsToolkitOptionsAside()
{
    const CommandLine line = parseCommandLine(
        {u"brenvik-timer"_s, u"-display"_s, u":7"_s, u"--in"_s, u"5"_s, u"-reverse"_s,
         u"-platform"_s, u"offscreen"_s, u"-style=fusion"_s, u"--qwindowtitle"_s, u"x"_s});
    QCOMPARE(line.error, QString());
    QCOMPARE(line.action, CommandLine::Action::Run);
    QCOMPARE(line.displayName, u":7"_s);
    QCOMPARE(line.platformName, u"offscreen"_s);
    QCOMPARE(line.command.inMinutes, 5);
    QCOMPARE(line.forwarded, QStringList{u"--in=5"_s});
}

void tst_CommandLine::helpIsGerman()
{
    const QString help = usageText();
    QVERIFY(help.startsWith(u"Aufruf: brenvik-timer"_s));
    for (const QString &option : {u"--in MINUTEN"_s, u"--um HH:MM[:SS]"_s, u"--meldung TEXT"_s,
                                  u"--aus"_s, u"--help"_s, u"--version"_s})
        QVERIFY2(help.contains(option), qPrintable(option));
    // The keys that reach what Tab does not.
    for (const QString &key : {u"Strg+Eingabe"_s, u"Strg+M"_s})
        QVERIFY2(help.contains(key), qPrintable(key));
    QCOMPARE(versionText(), u"brenvik-timer 1.0\n"_s);
}

void tst_CommandLine::appliesToTheWindow_data()
{
    QTest::addColumn<bool>("armedBefore"); // at 12:30:00
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("alarm");
    QTest::addColumn<QString>("fields");
    QTest::addColumn<QString>("message");
    // The clock stands at 10:00:00.500.
    QTest::newRow("--in 5 arms as the menu does") << false << QStringList{u"--in=5"_s} << u"10:5:0 an"_s
                                                  << u"10:5:0"_s << QString();
    QTest::newRow("--in 1: the next minute") << false << QStringList{u"--in=1"_s} << u"10:1:0 an"_s
                                             << u"10:1:0"_s << QString();
    QTest::newRow("--in while armed re-arms") << true << QStringList{u"--in=90"_s} << u"11:30:0 an"_s
                                              << u"11:30:0"_s << QString();
    QTest::newRow("--um arms") << false << QStringList{u"--um=7:05"_s} << u"7:5:0 an"_s << u"7:5:0"_s << QString();
    QTest::newRow("--um while armed keeps it armed with the new time")
        << true << QStringList{u"--um=6:45:30"_s} << u"6:45:30 an"_s << u"6:45:30"_s << QString();
    QTest::newRow("--aus disarms") << true << QStringList{u"--aus"_s} << u"12:30:0 aus"_s << u"12:30:0"_s
                                   << QString();
    QTest::newRow("--aus while disarmed changes nothing") << false << QStringList{u"--aus"_s}
                                                          << u"0:0:0 aus"_s << u"0:0:0"_s << QString();
    QTest::newRow("--meldung alone arms nothing") << false << QStringList{u"--meldung=Tee"_s}
                                                  << u"0:0:0 aus"_s << u"0:0:0"_s << u"Tee"_s;
    QTest::newRow("--meldung with --um") << false << QStringList{u"--meldung=Tee"_s, u"--um=8:00"_s}
                                         << u"8:0:0 an"_s << u"8:0:0"_s << u"Tee"_s;
}

void tst_CommandLine::appliesToTheWindow()
{
    QFETCH(bool, armedBefore);
    QFETCH(QStringList, arguments);
    QFETCH(QString, alarm);
    QFETCH(QString, fields);
    QFETCH(QString, message);
    const QString expectedFields = fields;
    setFields(u"0"_s, u"0"_s, u"0"_s);
    if (armedBefore) {
        setFields(u"12"_s, u"30"_s, u"0"_s);
        btnActivate().click();
        QVERIFY(m_frm->isArmed());
    }
    const CommandLine line = parseCommandLine(QStringList{u"brenvik-timer"_s} + arguments);
    QCOMPARE(line.action, CommandLine::Action::Run);
    QCOMPARE(m_main.command(line.command), QString());
    QCOMPARE(time(), alarm);
    QCOMPARE(this->fields(), expectedFields);
    QCOMPARE(m_frm->alarmSettings().AlarmMeldung, message);
    const bool armed = alarm.endsWith(u"an"_s);
    QCOMPARE(btnActivate().text(), armed ? u"Alarm ist aktiv"_s : u"Alarm aus"_s);
    QCOMPARE(platform::Application::title(), armed ? u"Alarm: AKTIV"_s : u"Brenvik Timer"_s);
    QCOMPARE(m_errors, QStringList());
    QCOMPARE(m_dialogs.queries.size(), 0);
}

void tst_CommandLine::disarmsAlsoWithUnreadableFields()
{
    setFields(u"7"_s, u"15"_s, u"0"_s);
    btnActivate().click();
    // The toggle itself refuses now, so it could not switch the alarm off.
    setFields(u"7"_s, QString(), u"0"_s);
    ClockCommand off;
    off.disarm = true;
    QCOMPARE(m_main.command(off), QString());
    QCOMPARE(time(), u"7:15:0 aus"_s);
    QCOMPARE(fields(), u"7::0"_s); // what was typed stays
    QCOMPARE(m_errors, QStringList());
}

void tst_CommandLine::forwardedCommandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("alarm");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty: only to the front") << QStringList{} << 0 << QString() << u"0:0:0 aus"_s << QString();
    QTest::newRow("--um and --meldung") << QStringList{u"--um=6:00"_s, u"--meldung=Los"_s} << 0 << QString()
                                        << u"6:0:0 an"_s << u"Los"_s;
    QTest::newRow("bad value refused, nothing changed")
        << QStringList{u"--meldung=Los"_s, u"--in=zehn"_s} << 1 << u"Geben Sie Minuten ein, also nur Ziffern."_s
        << u"0:0:0 aus"_s << QString();
    QTest::newRow("--in 0 refused by the running clock too")
        << QStringList{u"--in=0"_s} << 1 << u"Geben Sie mindestens 1 Minute ein."_s << u"0:0:0 aus"_s << QString();
    QTest::newRow("unknown option refused") << QStringList{u"--weck"_s} << 2
                                            << u"Unbekannte Option „--weck“. „brenvik-timer --help“ zeigt die Optionen."_s
                                            << u"0:0:0 aus"_s << QString();
}

void tst_CommandLine::forwardedCommandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, error);
    QFETCH(QString, alarm);
    QFETCH(QString, message);
    const platform::SingleInstance::Reply reply = answerForwarded(m_main, {arguments, {}, {}});
    QCOMPARE(reply.exitCode, exitCode);
    QCOMPARE(reply.error, error);
    QCOMPARE(time(), alarm);
    QCOMPARE(m_frm->alarmSettings().AlarmMeldung, message);
    // Every hand-over brings the clock to the front, also a refused one.
    QCOMPARE(m_activation.foregroundCount, 1);
}

void tst_CommandLine::launcherTokenReachesTheWindowBeforeItComesForward_data()
{
    QTest::addColumn<platform::StartupToken>("token");
    QTest::addColumn<QStringList>("calls");
    const QStringList both{u"startup"_s, u"foreground"_s};
    QTest::newRow("X11 startup id") << platform::StartupToken{u"menu-1_TIME5"_s, {}} << both;
    // On Wayland the activation uses the token.
    QTest::newRow("Wayland activation token") << platform::StartupToken{{}, u"wl-abc"_s} << both;
    QTest::newRow("none: only to the front") << platform::StartupToken{} << QStringList{u"foreground"_s};
}

void tst_CommandLine::launcherTokenReachesTheWindowBeforeItComesForward()
{
    QFETCH(platform::StartupToken, token);
    QFETCH(QStringList, calls);
    QStringList log;
    m_activation.log = &log;
    const platform::SingleInstance::Reply reply = answerForwarded(m_main, {{u"--aus"_s}, token, {}});
    m_activation.log = nullptr;
    QCOMPARE(reply.exitCode, 0);
    QCOMPARE(log, calls);
    if (!token.isEmpty())
        QCOMPARE(m_activation.startupTokens, QList<platform::StartupToken>{token});
}

void tst_CommandLine::handOverOfAStartThatGaveUpChangesNothing_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("--um and --meldung") << QStringList{u"--um=6:00"_s, u"--meldung=Los"_s};
    QTest::newRow("--aus") << QStringList{u"--aus"_s};
    QTest::newRow("empty: not even to the front") << QStringList{};
}

void tst_CommandLine::handOverOfAStartThatGaveUpChangesNothing()
{
    // The start reported "antwortet nicht" and ended: it must have been right.
    QFETCH(QStringList, arguments);
    m_frm->armAt(7, 15, 0);
    m_frm->setMessage(u"Vorher"_s);
    int commits = 0;
    const auto gaveUp = [&commits] {
        ++commits;
        return false;
    };
    answerForwarded(m_main, {arguments, {u"menu-1_TIME5"_s, {}}, gaveUp});
    QCOMPARE(commits, 1);
    QCOMPARE(time(), u"7:15:0 an"_s);
    QCOMPARE(m_frm->alarmSettings().AlarmMeldung, u"Vorher"_s);
    QCOMPARE(m_activation.foregroundCount, 0);
    QCOMPARE(m_activation.startupTokens, QList<platform::StartupToken>{});
}

QTEST_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
