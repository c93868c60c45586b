#include "dialogs/tfrmoptionen.h"

#include "controls/flatcolors.h"
#include "controls/focusreason.h"
#include "controls/tflatbutton.h"
#include "controls/tflatedit.h"
#include "controls/tflatradiobutton.h"
#include "dialogs/placement.h"
#include "platform/application.h"
#include "sound/twavsound.h"

#include <QApplication>
#include <QFileDialog>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

// The desktop's group box: an etched frame through the middle of the caption,
// on the window's own colour (Fusion would tint the inside grey, and the radio
// buttons, which take their parent's colour, would stand out as white boxes).
class EtchedGroupBox : public QGroupBox
{
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        const int top = fontMetrics().height() / 2 - 1;
        painter.setPen(FlatColors::btnShadow());
        painter.drawRect(QRect(0, top, width() - 1, height() - top - 1));
        painter.setPen(FlatColors::btnHighlight());
        painter.drawRect(QRect(1, top + 1, width() - 1, height() - top - 1));
        const QRect caption(8, 0, fontMetrics().horizontalAdvance(title()), fontMetrics().height());
        painter.fillRect(caption, palette().color(QPalette::Window));
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(caption, Qt::AlignLeft | Qt::AlignTop, title());
    }
};

} // namespace

TfrmOptionen::TfrmOptionen(QWidget *owner, TWavSound &wavSound, const SettingsLocation &settingsLocation,
                           TAlarmSettings &alarmSettings)
    : SecondaryWindow(owner, QSize(289, 223), 13),
      m_wavSound(wavSound),
      m_settingsLocation(settingsLocation),
      m_alarmSettings(alarmSettings)
{
    setObjectName(u"frmOptionen"_s);
    setWindowTitle(u"Optionen"_s);

    gpAlartmton = new EtchedGroupBox(u"Alarmton"_s, this);
    gpAlartmton->setObjectName(u"gpAlartmton"_s);
    gpAlartmton->setGeometry(7, 7, 274, 170);

    rbkeinTon = new TFlatRadioButton(gpAlartmton);
    rbkeinTon->setObjectName(u"rbkeinTon"_s);
    // As wide as its siblings: at 92 pixels its caption (79 pixels beside the
    // circle) wraps, and the second line falls below the button, leaving "kein".
    rbkeinTon->setGeometry(13, 26, 124, 16);
    rbkeinTon->setCaption(u"kein &Alarmton"_s);
    rbkeinTon->setChecked(true);

    rbSpeaker = new TFlatRadioButton(gpAlartmton);
    rbSpeaker->setObjectName(u"rbSpeaker"_s);
    rbSpeaker->setGeometry(13, 51, 124, 17);
    rbSpeaker->setCaption(u"über &PC Speaker"_s);

    rbSoundKarte = new TFlatRadioButton(gpAlartmton);
    rbSoundKarte->setObjectName(u"rbSoundKarte"_s);
    rbSoundKarte->setGeometry(13, 76, 124, 17);
    rbSoundKarte->setCaption(u"über &Soundkarte"_s);
    rbSoundKarte->installEventFilter(this);

    Label1 = new QLabel(u"Sound:"_s, gpAlartmton);
    Label1->setObjectName(u"Label1"_s);
    Label1->setGeometry(29, 103, 41, 16);

    edSoundFile = new TFlatEdit(gpAlartmton);
    edSoundFile->setObjectName(u"edSoundFile"_s);
    // The layout fixes the height; the font's reported ascent would make it 20.
    edSoundFile->setAutoSize(false);
    edSoundFile->setGeometry(72, 101, 185, 22);
    edSoundFile->setColorFlat(FlatColors::btnFace());
    Label1->setBuddy(edSoundFile); // what a screen reader names the field by

    btnSuchen = new TFlatButton(gpAlartmton);
    btnSuchen->setObjectName(u"btnSuchen"_s);
    btnSuchen->setGeometry(72, 129, 121, 22);
    btnSuchen->setCaption(u"&Durchsuchen..."_s);

    btnTest = new TFlatButton(gpAlartmton);
    btnTest->setObjectName(u"btnTest"_s);
    btnTest->setGeometry(201, 129, 56, 22);
    btnTest->setCaption(u"&Test"_s);

    btnOk = new TFlatButton(this);
    btnOk->setObjectName(u"btnOk"_s);
    btnOk->setGeometry(120, 188, 77, 25);
    btnOk->setCaption(u"&OK"_s);
    // No modal result: the button would close the dialog before its click
    // handler saves, and a failure would be reported after it vanished.
    // btnOkClick closes it with mrOk once the choice is saved.
    btnOk->installEventFilter(this);

    btnAbort = new TFlatButton(this);
    btnAbort->setObjectName(u"btnAbort"_s);
    btnAbort->setGeometry(204, 188, 77, 25);
    btnAbort->setCaption(u"&Abbrechen"_s);
    btnAbort->setModalResult(mrCancel);
    // The four buttons are no tab stops, as flat buttons are by default: Tab
    // moves among the choices and the edit, the buttons have their accelerators.

    setTabOrder(rbkeinTon, rbSpeaker);
    setTabOrder(rbSpeaker, rbSoundKarte);
    setTabOrder(rbSoundKarte, edSoundFile);
    setTabOrder(edSoundFile, btnSuchen);
    setTabOrder(btnSuchen, btnTest);
    setTabOrder(btnTest, btnOk);
    setTabOrder(btnOk, btnAbort);

    OpenDialog1 = new QFileDialog(this, u"Sounddatei auswählen"_s, QString(),
                                  u"Wav-Dateien (*.wav)"_s);
    OpenDialog1->setObjectName(u"OpenDialog1"_s);
    // Qt's own dialog, so that it speaks German like the rest of the program.
    OpenDialog1->setOption(QFileDialog::DontUseNativeDialog);
    OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    OpenDialog1->setFileMode(QFileDialog::AnyFile);
    OpenDialog1->setDefaultSuffix(u"wav"_s);

    connect(rbkeinTon, &TFlatRadioButton::OnClick, this, &TfrmOptionen::rbkeinTonClick);
    connect(rbSpeaker, &TFlatRadioButton::OnClick, this, &TfrmOptionen::rbSpeakerClick);
    connect(rbSoundKarte, &TFlatRadioButton::OnClick, this, &TfrmOptionen::rbSoundKarteClick);
    connect(btnSuchen, &TFlatButton::OnClick, this, &TfrmOptionen::btnSuchenClick);
    connect(btnTest, &TFlatButton::OnClick, this, &TfrmOptionen::btnTestClick);
    connect(btnOk, &TFlatButton::OnClick, this, &TfrmOptionen::btnOkClick);
}

bool TfrmOptionen::eventFilter(QObject *watched, QEvent *event)
{
    // The focus leaving "über &Soundkarte" for another control of the dialog
    // saves; the dialog losing the focus to another window (a message box, the
    // dialog closing) does not.
    if (watched == rbSoundKarte && event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (!Flat::isPassingFocusChange(reason)) {
            m_focusGoesToOk = reason == Qt::MouseFocusReason && QApplication::focusWidget() == btnOk;
            btnOkClick(rbSoundKarte);
            m_focusGoesToOk = false;
        }
    }
    // A later press on OK is an action of its own.
    if (watched == btnOk && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress))
        m_focusSaveForOk.reset();
    return SecondaryWindow::eventFilter(watched, event);
}

void TfrmOptionen::FormShow(QObject *)
{
    setWindowTitle(u"Brenvik Timer"_s);
    edSoundFile->setText(m_alarmSettings.SoundFile);
    // In this order: with more than one flag set, the last one stays checked.
    rbkeinTon->setChecked(m_alarmSettings.Ohne);
    rbSpeaker->setChecked(m_alarmSettings.Speaker);
    rbSoundKarte->setChecked(m_alarmSettings.Soundkarte);
    if (m_alarmSettings.Soundkarte)
        rbSoundKarteClick(this);
    else
        rbSpeakerClick(this);
}

void TfrmOptionen::setFileControlsEnabled(bool enabled)
{
    edSoundFile->setEnabled(enabled);
    btnSuchen->setEnabled(enabled);
    btnTest->setEnabled(enabled);
}

void TfrmOptionen::rbkeinTonClick(QObject *)
{
    setFileControlsEnabled(false);
}

void TfrmOptionen::rbSpeakerClick(QObject *)
{
    setFileControlsEnabled(false);
}

void TfrmOptionen::rbSoundKarteClick(QObject *)
{
    setFileControlsEnabled(true);
}

void TfrmOptionen::btnSuchenClick(QObject *)
{
    if (OpenDialog1->exec() != QDialog::Accepted)
        return;
    const QStringList chosen = OpenDialog1->selectedFiles();
    if (!chosen.isEmpty())
        edSoundFile->setText(chosen.first());
}

void TfrmOptionen::btnTestClick(QObject *)
{
    m_wavSound.setSoundFile(edSoundFile->text());
    m_wavSound.setActive(true);
}

SoundChoice TfrmOptionen::shownChoice() const
{
    return {edSoundFile->text(), rbkeinTon->isChecked(), rbSpeaker->isChecked(),
            rbSoundKarte->isChecked()};
}

bool TfrmOptionen::save(const SoundChoice &choice)
{
    bool saved = false;
    // A failed write is reported here: it must not unwind through Qt's frames.
    platform::Application::guarded([&] {
        saveSoundChoice(m_settingsLocation, choice);
        applySoundChoice(m_alarmSettings, choice);
        saved = true;
    });
    return saved;
}

void TfrmOptionen::btnOkClick(QObject *sender)
{
    const SoundChoice choice = shownChoice();
    if (sender != btnOk) {
        const bool saved = save(choice);
        m_focusSaveForOk.reset();
        if (m_focusGoesToOk)
            m_focusSaveForOk = FocusSave{choice, saved};
        return;
    }
    const std::optional<FocusSave> before = std::exchange(m_focusSaveForOk, std::nullopt);
    // The press on OK already saved this choice, or already reported why it
    // could not: one click, one save, one message.
    const bool saved = (before && before->choice == choice) ? before->saved : save(choice);
    if (!saved)
        return; // open, so that the choice is not lost
    setResult(mrOk);
    if (isModal() && isVisible())
        done(mrOk);
}

void OpenOptionen(QWidget *mainWindow, TWavSound &wavSound, const SettingsLocation &settingsLocation,
                  TAlarmSettings &alarmSettings)
{
    ShowSecondaryWindow(new TfrmOptionen(mainWindow, wavSound, settingsLocation, alarmSettings),
                        [mainWindow](const TfrmOptionen &dialog) {
                            const QSize frame = Placement::frameSizeLike(*mainWindow, dialog.size());
                            return Placement::centredOver(mainWindow->frameGeometry(), frame);
                        });
}
