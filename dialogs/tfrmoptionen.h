#pragma once

#include "dialogs/secondarywindow.h"

#include "settings/talarmsettings.h"

#include <optional>

class QFileDialog;
class QGroupBox;
class QLabel;
class TFlatButton;
class TFlatEdit;
class TFlatRadioButton;
class TWavSound;

// The options dialog: the alarm sound (none, PC speaker or a wave file through
// the sound card) and the wave file, tried out through the main window's wave
// player. OK, and the focus leaving "über &Soundkarte", write the choice to the
// settings file and then to the settings record; OK closes the dialog only
// once the choice is saved.
class TfrmOptionen : public SecondaryWindow
{
    Q_OBJECT

public:
    TfrmOptionen(QWidget *owner, TWavSound &wavSound, const SettingsLocation &settingsLocation,
                 TAlarmSettings &alarmSettings);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void FormShow(QObject *sender) override;
    void rbkeinTonClick(QObject *sender);
    void rbSpeakerClick(QObject *sender);
    void rbSoundKarteClick(QObject *sender);
    void btnSuchenClick(QObject *sender);
    void btnTestClick(QObject *sender);
    void btnOkClick(QObject *sender);

private:
    void setFileControlsEnabled(bool enabled);
    SoundChoice shownChoice() const;
    // Saves and copies into the record; a failure is reported, and then
    // neither the file nor the record has changed.
    bool save(const SoundChoice &choice);

    TWavSound &m_wavSound;
    SettingsLocation m_settingsLocation;
    TAlarmSettings &m_alarmSettings;

    // The save made when a mouse press on OK took the focus from "über
    // &Soundkarte": the click that follows belongs to the same action.
    struct FocusSave
    {
        SoundChoice choice;
        bool saved = false;
    };
    std::optional<FocusSave> m_focusSaveForOk;
    bool m_focusGoesToOk = false;

    // Components, in the order they are created; tests find them by object name.
    QGroupBox *gpAlartmton = nullptr;
    TFlatRadioButton *rbkeinTon = nullptr;
    TFlatRadioButton *rbSpeaker = nullptr;
    TFlatRadioButton *rbSoundKarte = nullptr;
    QLabel *Label1 = nullptr;
    TFlatEdit *edSoundFile = nullptr;
    TFlatButton *btnSuchen = nullptr;
    TFlatButton *btnTest = nullptr;
    TFlatButton *btnOk = nullptr;
    TFlatButton *btnAbort = nullptr;
    QFileDialog *OpenDialog1 = nullptr;
};


// The main window's "&Optionen": the dialog centred over the main window.
void OpenOptionen(QWidget *mainWindow, TWavSound &wavSound, const SettingsLocation &settingsLocation,
                  TAlarmSettings &alarmSettings);
