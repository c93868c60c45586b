#include "settings/talarmsettings.h"
#include "app/tfrmmain.h"
#include "clock/trxclock.h"
#include "controls/tflatbutton.h"
#include "controls/tflatedit.h"
#include "controls/tflatmemo.h"
#include "controls/tflatradiobutton.h"
#include "dialogs/tfrmhilfe.h"
#include "dialogs/tfrminfo.h"
#include "dialogs/tfrmoptionen.h"
#include "base/maker.h"
#include "settings/settingsfile.h"
#include "tests/fakes/mainwindowfixture.h"
#include "tests/fakes/part.h"

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

// The real main window opening the secondary windows through its menu.
class tst_MenuCommands : public QObject, public MainWindowFixture
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void infoFromTheKeyboard();
    void helpFromTheKeyboard();
    void optionsChangeTheFileAndTheNextAlarm();

private:
    // Runs check once the window of type W is open, then closes it through its OK button.
    template<typename W>
    void whenOpen(std::function<void(W &)> check);
};

void tst_MenuCommands::init()
{
    resetMainWindowFixture();
    openMainWindow().show();
    QVERIFY(QTest::qWaitForWindowActive(m_frm.get()));
}

void tst_MenuCommands::cleanup()
{
    closeMainWindow();
}

template<typename W>
void tst_MenuCommands::whenOpen(std::function<void(W &)> check)
{
    auto *poll = new QTimer(this);
    poll->setInterval(10);
    connect(poll, &QTimer::timeout, this, [this, check, poll] {
        W *window = m_frm->findChild<W *>();
        if (!window || QApplication::activeWindow() != window)
            return;
        poll->stop();
        poll->deleteLater();
        check(*window);
        part<TFlatButton>(*window, u"BitBtn1"_s)->click();
    });
    poll->start();
}

void tst_MenuCommands::infoFromTheKeyboard()
{
    bool seen = false;
    whenOpen<TfrmInfo>([&](TfrmInfo &info) {
        seen = true;
        QCOMPARE(info.windowTitle(), u"Brenvik Timer"_s);
        QCOMPARE(info.size(), QSize(368, 187));
        QCOMPARE(info.parentWidget(), m_frm.get());
        QVERIFY(info.isModal());
        QTest::mouseClick(part<QLabel>(info, u"lMail"_s), Qt::LeftButton, {}, QPoint(2, 2));
        QVERIFY(info.isVisible());
    });
    QTest::keyClick(m_frm.get(), Qt::Key_H, Qt::AltModifier);
    QTRY_VERIFY(control<QMenu>(u"mnuHilfe"_s)->isVisible());
    QTest::keyClick(control<QMenu>(u"mnuHilfe"_s), Qt::Key_I);
    QTRY_VERIFY(seen);
    QTRY_VERIFY(!m_frm->findChild<TfrmInfo *>());
    QCOMPARE(m_shell.opened, QStringList{Maker::MailAddress});
}

void tst_MenuCommands::helpFromTheKeyboard()
{
    bool seen = false;
    whenOpen<TfrmHilfe>([&](TfrmHilfe &help) {
        seen = true;
        QCOMPARE(help.windowTitle(), u"Brenvik Timer"_s);
        QCOMPARE(help.size(), QSize(358, 332));
        QCOMPARE(help.parentWidget(), m_frm.get());
        QVERIFY(help.isModal());
        QCOMPARE(part<TFlatMemo>(help, u"Memo1"_s)->lines(), TfrmHilfe::HelpLines());
    });
    QTest::keyClick(m_frm.get(), Qt::Key_H, Qt::AltModifier);
    QTRY_VERIFY(control<QMenu>(u"mnuHilfe"_s)->isVisible());
    QTest::keyClick(control<QMenu>(u"mnuHilfe"_s), Qt::Key_W);
    QTRY_VERIFY(seen);
    QTRY_VERIFY(!m_frm->findChild<TfrmHilfe *>());
}

void tst_MenuCommands::optionsChangeTheFileAndTheNextAlarm()
{
    // Loaded at start: no file, so no sound and the default wave file.
    QVERIFY(m_frm->alarmSettings().Ohne);
    QVERIFY(!m_frm->alarmSettings().Soundkarte);
    const QString wave = m_dir->filePath(u"hahn.wav"_s);
    bool seen = false;
    auto *poll = new QTimer(this);
    poll->setInterval(10);
    connect(poll, &QTimer::timeout, this, [&, poll] {
        auto *dialog = m_frm->findChild<TfrmOptionen *>(u"frmOptionen"_s);
        if (!dialog || QApplication::activeWindow() != dialog)
            return;
        poll->stop();
        poll->deleteLater();
        seen = true;
        TfrmOptionen &options = *dialog;
        QCOMPARE(options.windowTitle(), u"Brenvik Timer"_s);
        QCOMPARE(options.size(), QSize(289, 223));
        QCOMPARE(options.parentWidget(), m_frm.get());
        QCOMPARE(part<TFlatEdit>(options, u"edSoundFile"_s)->text(), u"törö.wav"_s);
        QTest::mouseClick(part<TFlatRadioButton>(options, u"rbSoundKarte"_s), Qt::LeftButton, {}, QPoint(5, 8));
        part<TFlatEdit>(options, u"edSoundFile"_s)->setText(wave);
        QTest::keyClick(&options, Qt::Key_O, Qt::AltModifier);
    });
    poll->start();
    QTest::keyClick(m_frm.get(), Qt::Key_O, Qt::AltModifier);
    QTRY_VERIFY(seen);
    QTRY_VERIFY(!m_frm->findChild<TfrmOptionen *>());

    const SettingsFile file(settingsFile());
    QCOMPARE(file.readString(u"Sound"_s, u"File"_s, {}), wave);
    QCOMPARE(file.readString(u"Sound"_s, u"Ohne"_s, {}), u"0"_s);
    QCOMPARE(file.readString(u"Sound"_s, u"Speaker"_s, {}), u"0"_s);
    QCOMPARE(file.readString(u"Sound"_s, u"Soundkarte"_s, {}), u"1"_s);
    QCOMPARE(m_frm->alarmSettings().SoundFile, wave);
    QVERIFY(m_frm->alarmSettings().Soundkarte);
    QVERIFY(!m_frm->alarmSettings().Ohne);

    m_waveOutput.calls.clear();
    deliverAlarm();
    QVERIFY(m_waveOutput.calls.contains(u"play "_s + wave));
    QCOMPARE(m_dialogs.messages.size(), 1);
}

QTEST_MAIN(tst_MenuCommands)
#include "tst_menucommands.moc"
