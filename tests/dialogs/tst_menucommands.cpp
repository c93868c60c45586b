#include "app/tfrmmain.h"
#include "controls/tflatbutton.h"
#include "dialogs/tfrminfo.h"
#include "platform/maker.h"
#include "tests/fakes/fakedesktopshell.h"
#include "tests/fakes/fakestandarddialogs.h"
#include "tests/fakes/fakesystemclock.h"
#include "tests/fakes/fakewindowactivation.h"

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

// The real main window opening the secondary windows through its menu.
class tst_MenuCommands : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void infoFromTheKeyboard();

private:
    // Runs check once the window of type W is open, then closes it through its OK button.
    template<typename W>
    void whenOpen(QPointer<W> &reference, std::function<void(W &)> check);

    std::unique_ptr<QTemporaryDir> m_dir;
    FakeSystemClock m_clock;
    FakeDesktopShell m_shell;
    FakeWindowActivation m_activation;
    FakeStandardDialogs m_dialogs;
    std::unique_ptr<TfrmMain> m_main;
};

void tst_MenuCommands::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    MainWindowServices services;
    services.clock = &m_clock;
    services.shell = &m_shell;
    services.activation = &m_activation;
    services.dialogs = &m_dialogs;
    services.settingsPath = m_dir->filePath(u"Timer.ini"_s);
    m_main = std::make_unique<TfrmMain>(services);
    m_main->show();
    QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
}

void tst_MenuCommands::cleanup()
{
    m_main.reset();
    m_shell.opened.clear();
}

template<typename W>
void tst_MenuCommands::whenOpen(QPointer<W> &reference, std::function<void(W &)> check)
{
    auto *poll = new QTimer(this);
    poll->setInterval(10);
    connect(poll, &QTimer::timeout, this, [&reference, check, poll] {
        if (!reference || !reference->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        check(*reference);
        reference->BitBtn1->click();
    });
    poll->start();
}

void tst_MenuCommands::infoFromTheKeyboard()
{
    bool seen = false;
    whenOpen<TfrmInfo>(frmInfo, [&](TfrmInfo &info) {
        seen = true;
        QCOMPARE(info.windowTitle(), u"Brenvik Timer"_s);
        QCOMPARE(info.size(), QSize(368, 187));
        QCOMPARE(info.parentWidget(), m_main.get());
        QVERIFY(info.isModal());
        QTest::mouseClick(info.lMail, Qt::LeftButton, {}, QPoint(2, 2));
    });
    QTest::keyClick(m_main.get(), Qt::Key_H, Qt::AltModifier);
    QTRY_VERIFY(m_main->mnuHilfe->isVisible());
    QTest::keyClick(m_main->mnuHilfe, Qt::Key_I);
    QTRY_VERIFY(seen);
    QTRY_VERIFY(!frmInfo);
    QCOMPARE(m_shell.opened, QStringList{Maker::MailAddress});
}

QTEST_MAIN(tst_MenuCommands)
#include "tst_menucommands.moc"
