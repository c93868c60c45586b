#include "app/mainwindowfactory.h"
#include "app/runapplication.h"
#include "settings/talarmsettings.h"
#include "app/tsplashform.h"
#include "controls/tflatspineditinteger.h"
#include "tests/fakes/mainwindowfixture.h"
#include "platform/application.h"
#include "base/errors.h"

#include <QCloseEvent>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <QtGui/private/qguiapplication_p.h>
#include <QtGui/private/qsessionmanager_p.h>
#include <qpa/qplatformsessionmanager.h>

using namespace Qt::StringLiterals;

namespace {

TSplashForm *liveSplash()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *splash = qobject_cast<TSplashForm *>(w))
            return splash;
    return nullptr;
}

// A main window that records what the start-up sequence saw when it was shown
// and refuses as many closes as it is told to.
class FakeMainWindow : public QWidget
{
public:
    int refusals = 0;
    int closeRequests = 0;
    bool splashAliveAtShow = true;

protected:
    void showEvent(QShowEvent *) override { splashAliveAtShow = liveSplash() != nullptr; }
    void closeEvent(QCloseEvent *event) override
    {
        ++closeRequests;
        if (refusals > 0) {
            --refusals;
            event->ignore();
        }
    }
};

// The session manager's side of a log-out: whether it lets the program ask,
// and what the program answered.
class FakeSessionManager : public QPlatformSessionManager
{
public:
    FakeSessionManager()
        : QPlatformSessionManager(QString(), QString())
    {
    }
    bool allowsInteraction() override { return interactionAllowed; }
    void release() override { ++releases; }
    void cancel() override { ++cancels; }

    bool interactionAllowed = true;
    int releases = 0;
    int cancels = 0;
};

// Puts the fake in the place of the platform's session manager while it lives.
// Qt exports no type information for its private classes, which the
// sanitizer's check of polymorphic casts would need.
class SessionManagerSwap
{
public:
    __attribute__((no_sanitize("vptr"))) explicit SessionManagerSwap(QPlatformSessionManager *fake)
        : m_d(static_cast<QSessionManagerPrivate *>(
            QObjectPrivate::get(QGuiApplicationPrivate::instance()->session_manager)))
        , m_old(m_d->platformSessionManager)
    {
        m_d->platformSessionManager = fake;
    }
    __attribute__((no_sanitize("vptr"))) ~SessionManagerSwap() { m_d->platformSessionManager = m_old; }

private:
    QSessionManagerPrivate *m_d;
    QPlatformSessionManager *m_old;
};

} // namespace

class tst_RunApplication : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void startsWithSplashThenMainWindow();
    void refusedCloseKeepsRunning();
    void failedCreationRemovesSplashAndReports();
    void splashLayout();
    void sessionMayEnd_data();
    void sessionMayEnd();
    void logOutAsksOnce_data();
    void logOutAsksOnce();
    void commandLineAfterTheSettingsAreLoaded();
};

void tst_RunApplication::init()
{
    platform::Application::setTitle(u"vorher"_s);
}

void tst_RunApplication::startsWithSplashThenMainWindow()
{
    QStringList steps;
    FakeMainWindow *window = nullptr;
    bool splashVisible = false;
    bool iconSet = false;
    QString title;
    const int code = runApplication(
        [&] {
            TSplashForm *splash = liveSplash();
            steps << u"create"_s;
            splashVisible = splash && splash->isVisible();
            title = platform::Application::title();
            iconSet = !QApplication::windowIcon().isNull();
            MainWindowParts main;
            auto fake = std::make_unique<FakeMainWindow>();
            window = fake.get();
            QTimer::singleShot(0, window, [&] {
                steps << u"loop"_s;
                QVERIFY(window->isVisible());
                window->close();
            });
            main.window = std::move(fake);
            return main;
        },
        [&](unsigned long msecs) {
            steps << u"pause %1"_s.arg(msecs);
            QVERIFY(liveSplash() && liveSplash()->isVisible());
            QVERIFY(!window->isVisible());
        });
    QCOMPARE(code, 0);
    QCOMPARE(steps, (QStringList{u"create"_s, u"pause 1500"_s, u"loop"_s}));
    QVERIFY(splashVisible);
    QCOMPARE(title, u"Brenvik Timer"_s);
    QVERIFY(iconSet);
    QVERIFY(!liveSplash());
}

void tst_RunApplication::refusedCloseKeepsRunning()
{
    int closeRequests = 0;
    const int code = runApplication(
        [&] {
            MainWindowParts main;
            auto fake = std::make_unique<FakeMainWindow>();
            FakeMainWindow *window = fake.get();
            window->refusals = 1;
            QTimer::singleShot(0, window, [window, &closeRequests] {
                window->close();
                QTimer::singleShot(50, window, [window, &closeRequests] {
                    window->close();
                    closeRequests = window->closeRequests;
                });
            });
            main.window = std::move(fake);
            return main;
        },
        [](unsigned long) {});
    QCOMPARE(code, 0);
    // The loop outlived the refused close and ended with the second.
    QCOMPARE(closeRequests, 2);
}

void tst_RunApplication::failedCreationRemovesSplashAndReports()
{
    QStringList steps;
    platform::Application::setErrorPresenter([&](const QString &caption, const QString &text) {
        steps << u"report"_s << caption << text;
        QVERIFY(!liveSplash());
    });
    QTest::ignoreMessage(QtCriticalMsg, "Der Start ist fehlgeschlagen: Zu wenig Zeitgeber.");
    const int code = runApplication(
        []() -> MainWindowParts { throw EOutOfResources(u"Zu wenig Zeitgeber"_s); },
        [&](unsigned long msecs) {
            steps << u"pause %1"_s.arg(msecs);
            QVERIFY(liveSplash());
        });
    platform::Application::setErrorPresenter({});
    QCOMPARE(code, 1);
    QCOMPARE(steps, (QStringList{u"pause 1500"_s, u"report"_s, u"Brenvik Timer"_s,
                                 u"Zu wenig Zeitgeber."_s}));
}

void tst_RunApplication::splashLayout()
{
    TSplashForm splash;
    QCOMPARE(splash.size(), QSize(274, 104));
    QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(splash.Panel1->geometry(), QRect(0, 0, 274, 104));
    QCOMPARE(splash.Image1->pixmap().size(), QSize(258, 100));
    const QImage image = splash.grab().toImage();
    // Raised outer bevel: light top-left, dark bottom-right; lowered inner: the reverse.
    const QRgb light = splash.palette().color(QPalette::Light).rgb();
    const QRgb dark = splash.palette().color(QPalette::Dark).rgb();
    QCOMPARE(image.pixel(0, 0), light);
    QCOMPARE(image.pixel(273, 103), dark);
    QCOMPARE(image.pixel(1, 1), dark);
    QCOMPARE(image.pixel(272, 102), light);
    // The logo sits in the middle, on white.
    QCOMPARE(image.pixel(4, 50), QColor(Qt::white).rgb());
    QCOMPARE(image.copy(8, 2, 258, 100), splash.Image1->pixmap().toImage().convertToFormat(image.format()));
}

void tst_RunApplication::sessionMayEnd_data()
{
    QTest::addColumn<bool>("armed");
    QTest::addColumn<bool>("interactionAllowed");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("mayEnd");
    QTest::newRow("disarmed: no question") << false << true << false << false << true;
    QTest::newRow("armed, Ja") << true << true << true << true << true;
    QTest::newRow("armed, Nein refuses") << true << true << false << true << false;
    QTest::newRow("armed, no leave to ask") << true << false << false << false << true;
}

void tst_RunApplication::sessionMayEnd()
{
    QFETCH(bool, armed);
    QFETCH(bool, interactionAllowed);
    QFETCH(bool, answer);
    QFETCH(bool, asked);
    QFETCH(bool, mayEnd);
    bool questionAsked = false;
    bool interactionRequested = false;
    MainWindowParts main;
    main.alarmArmed = [&] { return armed; };
    main.closeQuery = [&] {
        questionAsked = true;
        return answer;
    };
    QCOMPARE(::sessionMayEnd(main, [&] {
                 interactionRequested = true;
                 return interactionAllowed;
             }),
             mayEnd);
    QCOMPARE(questionAsked, asked);
    // The session is asked for leave only when there is something to ask.
    QCOMPARE(interactionRequested, armed);
}

void tst_RunApplication::logOutAsksOnce_data()
{
    QTest::addColumn<bool>("armed");
    QTest::addColumn<bool>("interactionAllowed");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<int>("questions");
    QTest::addColumn<bool>("refused");
    QTest::newRow("disarmed: ends unasked") << false << true << false << 0 << false;
    QTest::newRow("armed, Nein: one question, log-out refused") << true << true << false << 1 << true;
    QTest::newRow("armed, Ja: one question, then ends unasked") << true << true << true << 1 << false;
    QTest::newRow("armed, no leave to ask: ends unasked") << true << false << false << 0 << false;
}

// The real main window under the start-up sequence, through the session
// manager's commit request and, unless refused, the end of the session.
void tst_RunApplication::logOutAsksOnce()
{
    QFETCH(bool, armed);
    QFETCH(bool, interactionAllowed);
    QFETCH(bool, answer);
    QFETCH(int, questions);
    QFETCH(bool, refused);

    MainWindowFixture fixture;
    FakeStandardDialogs &dialogs = fixture.m_dialogs;
    dialogs.questionAnswer = answer;
    FakeSessionManager session;
    session.interactionAllowed = interactionAllowed;
    SessionManagerSwap swap(&session);

    int questionsAsked = -1;
    bool openAfterRefusal = false;
    bool armedAfterRefusal = false;
    const int code = runApplication(
        [&] {
            MainWindowParts main = createMainWindow(fixture.fakeServices());
            auto *frm = static_cast<TfrmMain *>(main.window.get());
            QTimer::singleShot(0, frm, [&, frm] {
                if (armed)
                    frm->armAt(12, 30, 0);
                QCOMPARE(frm->isArmed(), armed);
                session.appCommitData();
                if (session.cancels == 0) {
                    // The session manager lets the program go.
                    QEvent quit(QEvent::Quit);
                    QCoreApplication::sendEvent(qApp, &quit);
                    questionsAsked = int(dialogs.questions.size());
                    return;
                }
                questionsAsked = int(dialogs.questions.size());
                openAfterRefusal = frm->isVisible();
                armedAfterRefusal = frm->isArmed();
                dialogs.questionAnswer = true;
                frm->close();
            });
            return main;
        },
        [](unsigned long) {});
    QCOMPARE(code, 0);
    QCOMPARE(questionsAsked, questions);
    QCOMPARE(session.cancels, refused ? 1 : 0);
    QCOMPARE(openAfterRefusal, refused);
    QCOMPARE(armedAfterRefusal, refused);
    if (questions > 0)
        QCOMPARE(dialogs.questions.first().caption, u"Beenden..."_s);
}

// The show handler loads the fields and the message from the settings file; a
// command line carried out before it would be overwritten.
void tst_RunApplication::commandLineAfterTheSettingsAreLoaded()
{
    MainWindowFixture fixture;
    QFile ini(fixture.settingsFile());
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[Meldung]\r\nAlarmMeldung=Aus der Datei\r\nStunde=8\r\nMinute=0\r\nSekunde=0\r\n");
    ini.close();
    const CommandLine line = parseCommandLine({u"brenvik-timer"_s, u"--um=6:45"_s, u"--meldung=Los"_s});
    QCOMPARE(line.action, CommandLine::Action::Run);

    QString seen;
    const int code = runApplication(
        [&] {
            MainWindowParts main = createMainWindow(fixture.fakeServices());
            auto *frm = static_cast<TfrmMain *>(main.window.get());
            // Queued behind the command line, which is queued once the window shows.
            QTimer::singleShot(0, frm, [&, frm] {
                QTimer::singleShot(0, frm, [&, frm] {
                    const auto field = [frm](const QString &name) {
                        return frm->findChild<TFlatSpinEditInteger *>(name)->text();
                    };
                    seen = u"%1:%2:%3 %4 %5"_s.arg(field(u"seStunde"_s), field(u"seMinute"_s),
                                                   field(u"seSekunde"_s), frm->isArmed() ? u"an"_s : u"aus"_s,
                                                   frm->alarmSettings().AlarmMeldung);
                    frm->disarm();
                    frm->close();
                });
            });
            return main;
        },
        [](unsigned long) {}, line.command);
    QCOMPARE(code, 0);
    QCOMPARE(seen, u"6:45:0 an Los"_s);
}

QTEST_MAIN(tst_RunApplication)
#include "tst_runapplication.moc"
