#include "dialogs/tfrmoptionen.h"

#include "settings/talarmsettings.h"
#include "controls/tflatbutton.h"
#include "controls/tflatedit.h"
#include "controls/flataccessible.h"
#include "controls/tflatradiobutton.h"
#include "platform/application.h"
#include "settings/settingsfile.h"
#include "sound/twavsound.h"
#include "tests/fakes/fakewaveoutput.h"
#include "tests/fakes/part.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// Runs a function when the watched window is hidden.
class HideWatcher : public QObject
{
public:
    explicit HideWatcher(std::function<void()> onHide) : m_onHide(std::move(onHide)) {}

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Hide)
            m_onHide();
        return false;
    }

private:
    std::function<void()> m_onHide;
};

} // namespace

class tst_TfrmOptionen : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void layout_data();
    void layout();
    void showFollowsTheFlagsInTheirOrder_data();
    void showFollowsTheFlagsInTheirOrder();
    void radioButtonsSwitchTheFileControls_data();
    void radioButtonsSwitchTheFileControls();
    void keyboardChoosesAndOkSaves_data();
    void keyboardChoosesAndOkSaves();
    void okWritesTheFourKeysAndKeepsTheRest();
    void okCopiesIntoTheRecordForTheNextShowing();
    void abbrechenWritesNothing_data();
    void abbrechenWritesNothing();
    void focusLeavingSoundCardSaves_data();
    void focusLeavingSoundCardSaves();
    void testPlaysTheEditedFileWithoutSaving_data();
    void testPlaysTheEditedFileWithoutSaving();
    void fileDialogInGerman();
    void chosenFileGoesIntoTheEdit_data();
    void chosenFileGoesIntoTheEdit();
    void failedWriteIsReportedAndLosesNothing_data();
    void failedWriteIsReportedAndLosesNothing();
    void okSavesBeforeClosing_data();
    void okSavesBeforeClosing();
    void buttonsAreNoTabStops();
    void openedCentredOverTheMainWindow_data();
    void openedCentredOverTheMainWindow();
    void screenReaderChoosesAndSaves();

private:
    QString iniPath() const { return m_dir->filePath(u"Timer.ini"_s); }
    QByteArray contents() const;
    void put(const QByteArray &bytes) const;
    // The dialog shown window-modal and active, so that focus moves as for a user.
    void showActive(TfrmOptionen &dialog);

    std::unique_ptr<QTemporaryDir> m_dir;
    SettingsLocation m_location;
    TAlarmSettings m_record;
    FakeWaveOutput m_waveOutput;
    std::unique_ptr<TWavSound> m_wavSound;
    QStringList m_reports;
};

void tst_TfrmOptionen::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_location = SettingsLocation::single(iniPath());
    m_record = TAlarmSettings{u"törö.wav"_s, u"Entertainer"_s, u"Alarmzeit erreicht"_s, true, false, false};
    m_waveOutput.calls.clear();
    m_wavSound = std::make_unique<TWavSound>(nullptr, m_waveOutput);
    m_reports.clear();
    platform::Application::setErrorPresenter(
        [this](const QString &caption, const QString &text) { m_reports << caption << text; });
}

void tst_TfrmOptionen::cleanup()
{
    platform::Application::setErrorPresenter({});
    if (m_dir)
        QProcess::execute(u"chattr"_s, {u"-i"_s, m_dir->path()});
}

QByteArray tst_TfrmOptionen::contents() const
{
    QFile file(iniPath());
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll();
}

void tst_TfrmOptionen::put(const QByteArray &bytes) const
{
    QFile file(iniPath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void tst_TfrmOptionen::showActive(TfrmOptionen &dialog)
{
    dialog.open();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
}

void tst_TfrmOptionen::layout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("caption");
    QTest::newRow("gpAlartmton") << u"gpAlartmton"_s << u"frmOptionen"_s << QRect(7, 7, 274, 170) << u"Alarmton"_s;
    QTest::newRow("rbkeinTon") << u"rbkeinTon"_s << u"gpAlartmton"_s << QRect(13, 26, 124, 16) << u"kein &Alarmton"_s;
    QTest::newRow("rbSpeaker") << u"rbSpeaker"_s << u"gpAlartmton"_s << QRect(13, 51, 124, 17) << u"über &PC Speaker"_s;
    QTest::newRow("rbSoundKarte") << u"rbSoundKarte"_s << u"gpAlartmton"_s << QRect(13, 76, 124, 17) << u"über &Soundkarte"_s;
    QTest::newRow("Label1") << u"Label1"_s << u"gpAlartmton"_s << QRect(29, 103, 41, 16) << u"Sound:"_s;
    QTest::newRow("edSoundFile") << u"edSoundFile"_s << u"gpAlartmton"_s << QRect(72, 101, 185, 22) << QString();
    QTest::newRow("btnSuchen") << u"btnSuchen"_s << u"gpAlartmton"_s << QRect(72, 129, 121, 22) << u"&Durchsuchen..."_s;
    QTest::newRow("btnTest") << u"btnTest"_s << u"gpAlartmton"_s << QRect(201, 129, 56, 22) << u"&Test"_s;
    QTest::newRow("btnOk") << u"btnOk"_s << u"frmOptionen"_s << QRect(120, 188, 77, 25) << u"&OK"_s;
    QTest::newRow("btnAbort") << u"btnAbort"_s << u"frmOptionen"_s << QRect(204, 188, 77, 25) << u"&Abbrechen"_s;
}

void tst_TfrmOptionen::layout()
{
    QFETCH(QString, name);
    QFETCH(QString, parent);
    QFETCH(QRect, geometry);
    QFETCH(QString, caption);
    TfrmOptionen dialog(nullptr, *m_wavSound, m_location, m_record);
    QCOMPARE(dialog.size(), QSize(289, 223));
    QCOMPARE(dialog.windowTitle(), u"Optionen"_s);
    dialog.show();
    auto *control = dialog.findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(control->parentWidget()->objectName(), parent);
    QCOMPARE(control->geometry(), geometry);
    QCOMPARE(control->font().family(), u"Tahoma"_s);
    QCOMPARE(control->font().pixelSize(), 13);
    if (auto *group = qobject_cast<QGroupBox *>(control))
        QCOMPARE(group->title(), caption);
    else if (auto *label = qobject_cast<QLabel *>(control))
        QCOMPARE(label->text(), caption);
    else if (!caption.isEmpty())
        QCOMPARE(control->property("Caption").toString(), caption);
}

void tst_TfrmOptionen::showFollowsTheFlagsInTheirOrder_data()
{
    QTest::addColumn<bool>("ohne");
    QTest::addColumn<bool>("speaker");
    QTest::addColumn<bool>("soundkarte");
    QTest::addColumn<QString>("checked"); // the one checked radio button, or empty
    QTest::addColumn<bool>("fileControls");

    QTest::newRow("none: nothing checked") << false << false << false << QString() << false;
    QTest::newRow("Ohne") << true << false << false << u"rbkeinTon"_s << false;
    QTest::newRow("Speaker") << false << true << false << u"rbSpeaker"_s << false;
    QTest::newRow("Soundkarte") << false << false << true << u"rbSoundKarte"_s << true;
    QTest::newRow("Ohne, Speaker: Speaker") << true << true << false << u"rbSpeaker"_s << false;
    QTest::newRow("Ohne, Soundkarte: Soundkarte") << true << false << true << u"rbSoundKarte"_s << true;
    QTest::newRow("Speaker, Soundkarte: Soundkarte") << false << true << true << u"rbSoundKarte"_s << true;
    QTest::newRow("all three: Soundkarte") << true << true << true << u"rbSoundKarte"_s << true;
}

void tst_TfrmOptionen::showFollowsTheFlagsInTheirOrder()
{
    QFETCH(bool, ohne);
    QFETCH(bool, speaker);
    QFETCH(bool, soundkarte);
    QFETCH(QString, checked);
    QFETCH(bool, fileControls);
    m_record.SoundFile = u"/klang/wecker.wav"_s;
    m_record.Ohne = ohne;
    m_record.Speaker = speaker;
    m_record.Soundkarte = soundkarte;
    TfrmOptionen dialog(nullptr, *m_wavSound, m_location, m_record);
    dialog.show();

    QCOMPARE(dialog.windowTitle(), u"Brenvik Timer"_s);
    QCOMPARE(part<TFlatEdit>(dialog, u"edSoundFile"_s)->text(), u"/klang/wecker.wav"_s);
    for (TFlatRadioButton *radio : {part<TFlatRadioButton>(dialog, u"rbkeinTon"_s), part<TFlatRadioButton>(dialog, u"rbSpeaker"_s), part<TFlatRadioButton>(dialog, u"rbSoundKarte"_s)}) {
        QCOMPARE(radio->isChecked(), radio->objectName() == checked);
        QCOMPARE(radio->tabStop(), radio->objectName() == checked);
    }
    QCOMPARE(part<TFlatEdit>(dialog, u"edSoundFile"_s)->isEnabled(), fileControls);
    QCOMPARE(part<TFlatButton>(dialog, u"btnSuchen"_s)->isEnabled(), fileControls);
    QCOMPARE(part<TFlatButton>(dialog, u"btnTest"_s)->isEnabled(), fileControls);
    QVERIFY(part<TFlatButton>(dialog, u"btnOk"_s)->isEnabled());
    QCOMPARE(contents(), "<missing>"_ba);

    // OK saves what is shown: at most one mode, all three false when none is checked.
    part<TFlatButton>(dialog, u"btnOk"_s)->click();
    const SettingsFile file(iniPath());
    QCOMPARE(file.readString(u"Sound"_s, u"File"_s, {}), u"/klang/wecker.wav"_s);
    QCOMPARE(file.readString(u"Sound"_s, u"Ohne"_s, {}), checked == u"rbkeinTon"_s ? u"1"_s : u"0"_s);
    QCOMPARE(file.readString(u"Sound"_s, u"Speaker"_s, {}), checked == u"rbSpeaker"_s ? u"1"_s : u"0"_s);
    QCOMPARE(file.readString(u"Sound"_s, u"Soundkarte"_s, {}), checked == u"rbSoundKarte"_s ? u"1"_s : u"0"_s);
    QCOMPARE(m_record.Ohne, checked == u"rbkeinTon"_s);
    QCOMPARE(m_record.Speaker, checked == u"rbSpeaker"_s);
    QCOMPARE(m_record.Soundkarte, checked == u"rbSoundKarte"_s);
}

void tst_TfrmOptionen::radioButtonsSwitchTheFileControls_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("fileControls");
    QTest::newRow("kein Ton to Soundkarte") << u"rbkeinTon"_s << u"rbSoundKarte"_s << true;
    QTest::newRow("Soundkarte to Speaker") << u"rbSoundKarte"_s << u"rbSpeaker"_s << false;
    QTest::newRow("Soundkarte to kein Ton") << u"rbSoundKarte"_s << u"rbkeinTon"_s << false;
    QTest::newRow("Speaker to Soundkarte") << u"rbSpeaker"_s << u"rbSoundKarte"_s << true;
}

void tst_TfrmOptionen::radioButtonsSwitchTheFileControls()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(bool, fileControls);
    m_record.Ohne = from == u"rbkeinTon"_s;
    m_record.Speaker = from == u"rbSpeaker"_s;
    m_record.Soundkarte = from == u"rbSoundKarte"_s;
    TfrmOptionen dialog(nullptr, *m_wavSound, m_location, m_record);
    showActive(dialog);
    auto *target = dialog.findChild<TFlatRadioButton *>(to);
    QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(5, 8));
    QVERIFY(target->isChecked());
    QCOMPARE(part<TFlatEdit>(dialog, u"edSoundFile"_s)->isEnabled(), fileControls);
    QCOMPARE(part<TFlatButton>(dialog, u"btnSuchen"_s)->isEnabled(), fileControls);
    QCOMPARE(part<TFlatButton>(dialog, u"btnTest"_s)->isEnabled(), fileControls);
    int checkedCount = 0;
    for (TFlatRadioButton *radio : {part<TFlatRadioButton>(dialog, u"rbkeinTon"_s), part<TFlatRadioButton>(dialog, u"rbSpeaker"_s), part<TFlatRadioButton>(dialog, u"rbSoundKarte"_s)})
        checkedCount += radio->isChecked();
    QCOMPARE(checkedCount, 1);
}

void tst_TfrmOptionen::keyboardChoosesAndOkSaves_data()
{
    QTest::addColumn<bool>("soundCardBefore");
    QTest::addColumn<int>("accelerator");
    QTest::addColumn<bool>("space");
    QTest::addColumn<QString>("checked");
    QTest::addColumn<bool>("fileControls");
    QTest::newRow("Alt+S, Space: the sound card")
        << false << int(Qt::Key_S) << true << u"rbSoundKarte"_s << true;
    QTest::newRow("Alt+P, Space: the speaker")
        << true << int(Qt::Key_P) << true << u"rbSpeaker"_s << false;
    QTest::newRow("Alt+S alone moves the focus only")
        << false << int(Qt::Key_S) << false << u"rbkeinTon"_s << false;
}

void tst_TfrmOptionen::keyboardChoosesAndOkSaves()
{
    QFETCH(bool, soundCardBefore);
    QFETCH(int, accelerator);
    QFETCH(bool, space);
    QFETCH(QString, checked);
    QFETCH(bool, fileControls);
    m_record.Ohne = !soundCardBefore;
    m_record.Soundkarte = soundCardBefore;
    TfrmOptionen dialog(nullptr, *m_wavSound, m_location, m_record);
    showActive(dialog);
    QTest::keyClick(&dialog, Qt::Key(accelerator), Qt::AltModifier);
    QWidget *focused = QApplication::focusWidget();
    QVERIFY(qobject_cast<TFlatRadioButton *>(focused));
    if (space)
        QTest::keyClick(focused, Qt::Key_Space);
    QVERIFY(part<TFlatRadioButton>(dialog, checked)->isChecked());
    QCOMPARE(part<TFlatEdit>(dialog, u"edSoundFile"_s)->isEnabled(), fileControls);
    QCOMPARE(part<TFlatButton>(dialog, u"btnTest"_s)->isEnabled(), fileControls);

    QTest::keyClick(&dialog, Qt::Key_O, Qt::AltModifier);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), 1);
    const SettingsFile file(iniPath());
    QCOMPARE(file.readString(u"Sound"_s, u"Ohne"_s, {}), checked == u"rbkeinTon"_s ? u"1"_s : u"0"_s);
    QCOMPARE(file.readString(u"Sound"_s, u"Speaker"_s, {}), checked == u"rbSpeaker"_s ? u"1"_s : u"0"_s);
    QCOMPARE(file.readString(u"Sound"_s, u"Soundkarte"_s, {}),
             checked == u"rbSoundKarte"_s ? u"1"_s : u"0"_s);
    QCOMPARE(m_record.Soundkarte, checked == u"rbSoundKarte"_s);
    QVERIFY(m_reports.isEmpty());
}

void tst_TfrmOptionen::okWritesTheFourKeysAndKeepsTheRest()
{
    put("; von Hand\r\n[Meldung]\r\nAlarmMeldung=Tee ist fertig\r\nStunde=7\r\n"
        "[Sound]\r\nFile=alt.wav\r\nSong=Entertainer\r\nOhne=1\r\n");
    TfrmOptionen dialog(nullptr, *m_wavSound, m_location, m_record);
    int result = -1;
    QTimer::singleShot(0, &dialog, [&] {
        QTest::mouseClick(part<TFlatRadioButton>(dialog, u"rbSoundKarte"_s), Qt::LeftButton, {}, QPoint(5, 8));
        part<TFlatEdit>(dialog, u"edSoundFile"_s)->setText(u"/home/anna/Klänge/hahn.wav"_s);
        QTest::mouseClick(part<TFlatButton>(dialog, u"btnOk"_s), Qt::LeftButton);
    });
    result = dialog.exec();
    QCOMPARE(result, 1);
    QCOMPARE(contents(),
             "; von Hand\r\n[Meldung]\r\nAlarmMeldung=Tee ist fertig\r\nStunde=7\r\n"
             "[Sound]\r\nFile=/home/anna/Klänge/hahn.wav\r\nSong=Entertainer\r\nOhne=0\r\n"
             "Speaker=0\r\nSoundkarte=1\r\n");
    QCOMPARE(m_record.SoundFile, u"/home/anna/Klänge/hahn.wav"_s);
    QVERIFY(!m_record.Ohne);
    QVERIFY(!m_record.Speaker);
    QVERIFY(m_record.Soundkarte);
    QCOMPARE(m_record.Song, u"Entertainer"_s);
    QCOMPARE(m_record.AlarmMeldung, u"Alarmzeit erreicht"_s);
    QVERIFY(m_reports.isEmpty());
}

void tst_TfrmOptionen::okCopiesIntoTheRecordForTheNextShowing()
{
    {
        TfrmOptionen first(nullptr, *m_wavSound, m_location, m_record);
        QTimer::singleShot(0, &first, [&] {
            QTest::mouseClick(part<TFlatRadioButton>(first, u"rbSoundKarte"_s), Qt::LeftButton, {}, QPoint(5, 8));
            part<TFlatEdit>(first, u"edSoundFile"_s)->setText(u"gong.wav"_s);
            part<TFlatButton>(first, u"btnOk"_s)->click();
        });
        first.exec();
    }
    TfrmOptionen second(nullptr, *m_wavSound, m_location, m_record);
    second.show();
    QCOMPARE(part<TFlatEdit>(second, u"edSoundFile"_s)->text(), u"gong.wav"_s);
    QVERIFY(part<TFlatRadioButton>(second, u"rbSoundKarte"_s)->isChecked());
    QVERIFY(part<TFlatEdit>(second, u"edSoundFile"_s)->isEnabled());
}

void tst_TfrmOptionen::abbrechenWritesNothing_data()
{
    QTest::addColumn<bool>("closeBox");
    QTest::addColumn<QString>("focus");
    QTest::newRow("Abbrechen") << false << u"rbSpeaker"_s;
    QTest::newRow("close box") << true << u"rbSpeaker"_s;
    QTest::newRow("close box, focus on Soundkarte") << true << u"rbSoundKarte"_s;
    QTest::newRow("another window, then close box") << true << u"other window"_s;
}

void tst_TfrmOptionen::abbrechenWritesNothing()
{
    QFETCH(bool, closeBox);
    QFETCH(QString, focus);
    const TAlarmSettings before = m_record;
    TfrmOptionen dialog(nullptr, *m_wavSound, m_location, m_record);
    showActive(dialog);
    if (focus == u"rbSpeaker"_s) {
        // The focus goes to "über &PC Speaker", never to "über &Soundkarte".
        QTest::mouseClick(part<TFlatRadioButton>(dialog, u"rbSpeaker"_s), Qt::LeftButton, {}, QPoint(5, 8));
        part<TFlatRadioButton>(dialog, u"rbSoundKarte"_s)->setChecked(true);
    } else {
        // The focus on "über &Soundkarte" leaves it only with the window.
        QTest::mouseClick(part<TFlatRadioButton>(dialog, u"rbSoundKarte"_s), Qt::LeftButton, {}, QPoint(5, 8));
        QCOMPARE(QApplication::focusWidget(), part<TFlatRadioButton>(dialog, u"rbSoundKarte"_s));
    }
    part<TFlatEdit>(dialog, u"edSoundFile"_s)->setText(u"anders.wav"_s);
    QWidget other;
    if (focus == u"other window"_s) {
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
    }
    if (closeBox)
        dialog.close();
    else
        QTest::mouseClick(part<TFlatButton>(dialog, u"btnAbort"_s), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), closeBox ? 0 : 2);
    QCOMPARE(contents(), "<missing>"_ba);
    QCOMPARE(m_record.SoundFile, before.SoundFile);
    QCOMPARE(m_record.Ohne, before.Ohne);
    QCOMPARE(m_record.Soundkarte, before.Soundkarte);
}

void tst_TfrmOptionen::focusLeavingSoundCardSaves_data()
{
    QTest::addColumn<QString>("leaveBy");
    QTest::newRow("Tab") << u"Tab"_s;
    QTest::newRow("Shift+Tab") << u"Backtab"_s;
    QTest::newRow("accelerator of another radio button") << u"Alt+P"_s;
    QTest::newRow("mouse press on Durchsuchen") << u"btnSuchen"_s;
    QTest::newRow("mouse press on Abbrechen") << u"btnAbort"_s;
}

void tst_TfrmOptionen::focusLeavingSoundCardSaves()
{
    QFETCH(QString, leaveBy);
    TfrmOptionen dialog(nullptr, *m_wavSound, m_location, m_record);
    showActive(dialog);
    QTest::mouseClick(part<TFlatRadioButton>(dialog, u"rbSoundKarte"_s), Qt::LeftButton, {}, QPoint(5, 8));
    QCOMPARE(QApplication::focusWidget(), part<TFlatRadioButton>(dialog, u"rbSoundKarte"_s));
    part<TFlatEdit>(dialog, u"edSoundFile"_s)->setText(u"wecker.wav"_s);
    QCOMPARE(contents(), "<missing>"_ba);

    if (leaveBy == u"Tab"_s)
        QTest::keyClick(part<TFlatRadioButton>(dialog, u"rbSoundKarte"_s), Qt::Key_Tab);
    else if (leaveBy == u"Backtab"_s)
        QTest::keyClick(part<TFlatRadioButton>(dialog, u"rbSoundKarte"_s), Qt::Key_Backtab, Qt::ShiftModifier);
    else if (leaveBy == u"Alt+P"_s)
        QTest::keyClick(&dialog, Qt::Key_P, Qt::AltModifier);
    else
        QTest::mousePress(dialog.findChild<QWidget *>(leaveBy), Qt::LeftButton);
    QVERIFY(QApplication::focusWidget() != part<TFlatRadioButton>(dialog, u"rbSoundKarte"_s));

    const SettingsFile file(iniPath());
    QCOMPARE(file.readString(u"Sound"_s, u"File"_s, {}), u"wecker.wav"_s);
    QCOMPARE(file.readString(u"Sound"_s, u"Ohne"_s, {}), u"0"_s);
    QCOMPARE(file.readString(u"Sound"_s, u"Speaker"_s, {}), u"0"_s);
    QCOMPARE(file.readString(u"Sound"_s, u"Soundkarte"_s, {}), u"1"_s);
    QVERIFY(m_record.Soundkarte);
    QCOMPARE(m_record.SoundFile, u"wecker.wav"_s);
    QVERIFY(dialog.isVisible());

    // Abbrechen does not undo the save.
    const QByteArray saved = contents();
    if (leaveBy == u"btnAbort"_s)
        QTest::mouseRelease(part<TFlatButton>(dialog, u"btnAbort"_s), Qt::LeftButton);
    else
        QTest::mouseClick(part<TFlatButton>(dialog, u"btnAbort"_s), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), 2);
    QCOMPARE(contents(), saved);
}

void tst_TfrmOptionen::testPlaysTheEditedFileWithoutSaving_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("calls");
    // Assigning the file stops what plays; activating it starts it once.
    QTest::newRow("a file") << u"/klang/hahn.wav"_s
                            << QStringList{u"stop"_s, u"play /klang/hahn.wav"_s};
    QTest::newRow("empty edit: nothing plays") << QString() << QStringList{u"stop"_s, u"stop"_s};
}

void tst_TfrmOptionen::testPlaysTheEditedFileWithoutSaving()
{
    QFETCH(QString, file);
    QFETCH(QStringList, calls);
    m_record.Soundkarte = true;
    const TAlarmSettings before = m_record;
    TfrmOptionen dialog(nullptr, *m_wavSound, m_location, m_record);
    showActive(dialog);
    // Into the edit first: leaving "über &Soundkarte" saves what is shown.
    part<TFlatEdit>(dialog, u"edSoundFile"_s)->setFocus();
    const QByteArray saved = contents();
    part<TFlatEdit>(dialog, u"edSoundFile"_s)->setText(file);
    QTest::mouseClick(part<TFlatButton>(dialog, u"btnTest"_s), Qt::LeftButton);
    QCOMPARE(m_waveOutput.calls, calls);
    QCOMPARE(m_wavSound->soundFile(), file);
    QVERIFY(!m_wavSound->active());
    QVERIFY(dialog.isVisible());
    QCOMPARE(m_record.SoundFile, before.SoundFile);
    QCOMPARE(contents(), saved);
}

void tst_TfrmOptionen::fileDialogInGerman()
{
    TfrmOptionen dialog(nullptr, *m_wavSound, m_location, m_record);
    QFileDialog *open = part<QFileDialog>(dialog, u"OpenDialog1"_s);
    QCOMPARE(open->parent(), &dialog);
    QCOMPARE(open->windowTitle(), u"Sounddatei auswählen"_s);
    QCOMPARE(open->nameFilters(), QStringList{u"Wav-Dateien (*.wav)"_s});
    QCOMPARE(open->defaultSuffix(), u"wav"_s);
    QCOMPARE(open->acceptMode(), QFileDialog::AcceptOpen);
    QCOMPARE(open->fileMode(), QFileDialog::AnyFile);
    QVERIFY(open->testOption(QFileDialog::DontUseNativeDialog));
    QVERIFY(!open->testOption(QFileDialog::ReadOnly));
}

void tst_TfrmOptionen::chosenFileGoesIntoTheEdit_data()
{
    QTest::addColumn<QString>("typed"); // empty: cancel
    QTest::addColumn<QString>("expected"); // relative to the folder; empty: unchanged
    QTest::newRow("name without extension gets .wav") << u"neu"_s << u"neu.wav"_s;
    QTest::newRow("existing file") << u"da.wav"_s << u"da.wav"_s;
    QTest::newRow("other extension stays") << u"lied.mp3"_s << u"lied.mp3"_s;
    QTest::newRow("cancel changes nothing") << QString() << QString();
}

void tst_TfrmOptionen::chosenFileGoesIntoTheEdit()
{
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    QFile existing(m_dir->filePath(u"da.wav"_s));
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.close();
    m_record.Soundkarte = true;
    m_record.SoundFile = u"vorher.wav"_s;
    TfrmOptionen dialog(nullptr, *m_wavSound, m_location, m_record);
    showActive(dialog);
    part<QFileDialog>(dialog, u"OpenDialog1"_s)->setDirectory(m_dir->path());
    QTimer::singleShot(0, part<QFileDialog>(dialog, u"OpenDialog1"_s), [&] {
        QFileDialog *open = part<QFileDialog>(dialog, u"OpenDialog1"_s);
        if (typed.isEmpty()) {
            open->reject();
            return;
        }
        auto *name = open->findChild<QLineEdit *>(u"fileNameEdit"_s);
        if (!name) {
            open->reject();
            return;
        }
        name->setText(typed);
        QTest::keyClick(name, Qt::Key_Return);
    });
    QTest::mouseClick(part<TFlatButton>(dialog, u"btnSuchen"_s), Qt::LeftButton);
    QCOMPARE(part<TFlatEdit>(dialog, u"edSoundFile"_s)->text(),
             expected.isEmpty() ? u"vorher.wav"_s : QDir(m_dir->path()).filePath(expected));
    QVERIFY(dialog.isVisible());
    QCOMPARE(m_record.SoundFile, u"vorher.wav"_s);
}

void tst_TfrmOptionen::failedWriteIsReportedAndLosesNothing_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<bool>("pressFromSoundKarte"); // the press on OK also moves the focus
    QTest::newRow("folder missing") << u"missing"_s << false;
    QTest::newRow("folder write-protected") << u"protected"_s << false;
    QTest::newRow("folder missing, focus leaving Soundkarte") << u"missing"_s << true;
    QTest::newRow("folder write-protected, focus leaving Soundkarte") << u"protected"_s << true;
}

void tst_TfrmOptionen::failedWriteIsReportedAndLosesNothing()
{
    QFETCH(QString, failure);
    QFETCH(bool, pressFromSoundKarte);
    const QByteArray original = "[Sound]\r\nFile=alt.wav\r\nOhne=1\r\nSong=Entertainer\r\n";
    QString path = iniPath();
    if (failure == u"missing"_s) {
        path = m_dir->filePath(u"gone/Timer.ini"_s);
    } else {
        put(original);
        QFile::setPermissions(m_dir->path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        QFile probe(m_dir->filePath(u"probe"_s));
        if (probe.open(QIODevice::WriteOnly)) {
            // Permission bits do not stop root: make the folder immutable instead.
            probe.remove();
            if (QProcess::execute(u"chattr"_s, {u"+i"_s, m_dir->path()}) != 0)
                QSKIP("cannot make a folder unwritable here");
        }
    }
    const TAlarmSettings before = m_record;
    TfrmOptionen dialog(nullptr, *m_wavSound, SettingsLocation::single(path), m_record);
    QList<bool> visibleAtReport;
    platform::Application::setErrorPresenter([&](const QString &caption, const QString &text) {
        m_reports << caption << text;
        visibleAtReport << dialog.isVisible();
    });
    showActive(dialog);
    QTest::mouseClick(part<TFlatRadioButton>(dialog, u"rbSoundKarte"_s), Qt::LeftButton, {}, QPoint(5, 8));
    m_reports.clear();
    visibleAtReport.clear();
    part<TFlatEdit>(dialog, u"edSoundFile"_s)->setText(u"neu.wav"_s);
    if (!pressFromSoundKarte)
        part<TFlatEdit>(dialog, u"edSoundFile"_s)->setFocus();
    m_reports.clear();
    visibleAtReport.clear();
    QTest::mouseClick(part<TFlatButton>(dialog, u"btnOk"_s), Qt::LeftButton);
    QProcess::execute(u"chattr"_s, {u"-i"_s, m_dir->path()});
    QFile::setPermissions(m_dir->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    // One click, one message, shown over the dialog, which stays open with the choice.
    QCOMPARE(m_reports, (QStringList{u"Brenvik Timer"_s,
                                     u"nach %1 kann nicht geschrieben werden."_s.arg(path)}));
    QCOMPARE(visibleAtReport, QList<bool>{true});
    QVERIFY(dialog.isVisible());
    QCOMPARE(part<TFlatEdit>(dialog, u"edSoundFile"_s)->text(), u"neu.wav"_s);
    // The record keeps the settings the file still holds.
    QCOMPARE(m_record.SoundFile, before.SoundFile);
    QCOMPARE(m_record.Soundkarte, before.Soundkarte);
    QCOMPARE(m_record.Ohne, before.Ohne);
    if (failure == u"protected"_s) {
        QCOMPARE(contents(), original);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"Timer.ini"_s});
    }
    QTest::mouseClick(part<TFlatButton>(dialog, u"btnAbort"_s), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), 2);
}

void tst_TfrmOptionen::okSavesBeforeClosing_data()
{
    QTest::addColumn<bool>("pressFromSoundKarte");
    QTest::newRow("focus elsewhere") << false;
    QTest::newRow("the press moves the focus from Soundkarte") << true;
}

void tst_TfrmOptionen::okSavesBeforeClosing()
{
    QFETCH(bool, pressFromSoundKarte);
    TfrmOptionen dialog(nullptr, *m_wavSound, m_location, m_record);
    showActive(dialog);
    QTest::mouseClick(part<TFlatRadioButton>(dialog, u"rbSoundKarte"_s), Qt::LeftButton, {}, QPoint(5, 8));
    // Typed after the focus left "über &Soundkarte", so that only OK saves it.
    if (!pressFromSoundKarte)
        part<TFlatEdit>(dialog, u"edSoundFile"_s)->setFocus();
    part<TFlatEdit>(dialog, u"edSoundFile"_s)->setText(u"neu.wav"_s);
    // What the file holds when the dialog disappears.
    QString savedAtHide = u"<not hidden>"_s;
    HideWatcher watcher([&] {
        savedAtHide = SettingsFile(iniPath()).readString(u"Sound"_s, u"File"_s, u"<none>"_s);
    });
    dialog.installEventFilter(&watcher);
    QTest::mouseClick(part<TFlatButton>(dialog, u"btnOk"_s), Qt::LeftButton);
    QCOMPARE(savedAtHide, u"neu.wav"_s);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), 1);
    QCOMPARE(SettingsFile(iniPath()).readString(u"Sound"_s, u"File"_s, {}), u"neu.wav"_s);
    QCOMPARE(m_record.SoundFile, u"neu.wav"_s);
    QVERIFY(m_reports.isEmpty());
}

void tst_TfrmOptionen::buttonsAreNoTabStops()
{
    m_record.Soundkarte = true;
    TfrmOptionen dialog(nullptr, *m_wavSound, m_location, m_record);
    showActive(dialog);
    part<TFlatRadioButton>(dialog, u"rbSoundKarte"_s)->setFocus();
    QList<QWidget *> visited;
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget();
    }
    for (QWidget *button : {static_cast<QWidget *>(part<TFlatButton>(dialog, u"btnSuchen"_s)), static_cast<QWidget *>(part<TFlatButton>(dialog, u"btnTest"_s)),
                            static_cast<QWidget *>(part<TFlatButton>(dialog, u"btnOk"_s)), static_cast<QWidget *>(part<TFlatButton>(dialog, u"btnAbort"_s))})
        QVERIFY2(!visited.contains(button), qPrintable(button->objectName()));
    QVERIFY(visited.contains(part<TFlatEdit>(dialog, u"edSoundFile"_s)));
    // A press still takes the focus.
    QTest::mousePress(part<TFlatButton>(dialog, u"btnTest"_s), Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), part<TFlatButton>(dialog, u"btnTest"_s));
    QTest::mouseRelease(part<TFlatButton>(dialog, u"btnTest"_s), Qt::LeftButton);
}

void tst_TfrmOptionen::openedCentredOverTheMainWindow_data()
{
    QTest::addColumn<QRect>("mainWindow");
    QTest::addColumn<QPoint>("dialogAt");
    // The dialog (289 x 223 here, without a frame) is centred, screen or not.
    QTest::newRow("centred on the screen") << QRect(375, 258, 274, 252) << QPoint(375 - 7, 258 + 14);
    QTest::newRow("top left corner: partly off the screen") << QRect(0, 0, 274, 252) << QPoint(-7, 14);
    QTest::newRow("bottom right: partly off the screen") << QRect(1000, 740, 274, 252)
                                                         << QPoint(993, 754);
    QTest::newRow("larger main window") << QRect(100, 100, 400, 300) << QPoint(155, 138);
}

void tst_TfrmOptionen::openedCentredOverTheMainWindow()
{
    QFETCH(QRect, mainWindow);
    QFETCH(QPoint, dialogAt);
    QWidget owner;
    owner.setGeometry(mainWindow);
    QPoint seenAt;
    QString seenTitle;
    QWidget *seenOwner = nullptr;
    QTimer::singleShot(0, &owner, [&] {
        auto *options = owner.findChild<TfrmOptionen *>(u"frmOptionen"_s);
        seenAt = options->pos();
        seenTitle = options->windowTitle();
        seenOwner = options->parentWidget();
        part<TFlatButton>(*options, u"btnAbort"_s)->click();
    });
    OpenOptionen(&owner, *m_wavSound, m_location, m_record);
    QCOMPARE(seenAt, dialogAt);
    QCOMPARE(seenOwner, &owner);
    QCOMPARE(seenTitle, u"Brenvik Timer"_s);
    QTRY_VERIFY(!owner.findChild<TfrmOptionen *>());
}

void tst_TfrmOptionen::screenReaderChoosesAndSaves()
{
    FlatAccessible::install();
    TfrmOptionen dialog(nullptr, *m_wavSound, m_location, m_record);
    auto iface = [](QWidget *w) { return QAccessible::queryAccessibleInterface(w); };
    const QList<std::pair<QWidget *, QString>> names{
        {part<QGroupBox>(dialog, u"gpAlartmton"_s), u"Alarmton"_s},          {part<TFlatRadioButton>(dialog, u"rbkeinTon"_s), u"kein Alarmton"_s},
        {part<TFlatRadioButton>(dialog, u"rbSpeaker"_s), u"über PC Speaker"_s},     {part<TFlatRadioButton>(dialog, u"rbSoundKarte"_s), u"über Soundkarte"_s},
        {part<TFlatEdit>(dialog, u"edSoundFile"_s), u"Sound:"_s},            {part<TFlatButton>(dialog, u"btnSuchen"_s), u"Durchsuchen..."_s},
        {part<TFlatButton>(dialog, u"btnTest"_s), u"Test"_s},                  {part<TFlatButton>(dialog, u"btnOk"_s), u"OK"_s},
        {part<TFlatButton>(dialog, u"btnAbort"_s), u"Abbrechen"_s}};
    for (const auto &[control, name] : names)
        QCOMPARE(iface(control)->text(QAccessible::Name), name);

    // The sound card chosen and OK pressed through their actions: saved, closed.
    int result = -1;
    QTimer::singleShot(0, &dialog, [&] {
        QVERIFY(iface(part<TFlatRadioButton>(dialog, u"rbkeinTon"_s))->state().checked);
        QVERIFY(iface(part<TFlatEdit>(dialog, u"edSoundFile"_s))->state().disabled);
        iface(part<TFlatRadioButton>(dialog, u"rbSoundKarte"_s))->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QTRY_VERIFY(iface(part<TFlatRadioButton>(dialog, u"rbSoundKarte"_s))->state().checked);
        QVERIFY(!iface(part<TFlatRadioButton>(dialog, u"rbkeinTon"_s))->state().checked);
        QVERIFY(!iface(part<TFlatEdit>(dialog, u"edSoundFile"_s))->state().disabled);
        iface(part<TFlatButton>(dialog, u"btnOk"_s))->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    });
    result = dialog.exec();
    QCOMPARE(result, 1);
    QVERIFY2(contents().contains("Soundkarte=1"), contents().constData());
    QVERIFY(m_record.Soundkarte);
    QVERIFY(m_reports.isEmpty());
}

QTEST_MAIN(tst_TfrmOptionen)
#include "tst_tfrmoptionen.moc"
