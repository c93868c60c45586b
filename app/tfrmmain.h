#pragma once

// app/ at a glance:
// - main.cpp, runapplication.h: the start-up sequence; tsplashform.h its splash.
// - mainwindowfactory.h: the main window with its real or given services.
// - tfrmmain.h: the main window: clock, alarm fields, toggle, menu, delivery.
// - alarmsoundstep.h: the alarm's sound; standarddialogs.h: the small dialogs.
// - commandline.h: command-line requests, carried out like the menu commands.
// The settings record lives in settings/, the OS services in platform/.

#include "app/alarmsoundstep.h"
#include "controls/tflatbutton.h"
#include "controls/tflatpanel.h"
#include "controls/tflatspineditinteger.h"
#include "settings/talarmsettings.h"

#include <QMainWindow>
#include <QString>

#include <functional>

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class StandardDialogs;
class TRxClock;
class TSpeakerBeeper;
class TWavSound;

namespace platform {
class DesktopShell;
class SystemClock;
class ToneOutput;
class WakeAlarm;
class WaveOutput;
class WindowActivation;
} // namespace platform

// The services the main window uses; a null or empty entry means the real one.
struct MainWindowServices
{
    platform::SystemClock *clock = nullptr;
    platform::DesktopShell *shell = nullptr;
    platform::WindowActivation *activation = nullptr;
    StandardDialogs *dialogs = nullptr;
    QString settingsPath; // Timer.ini beside the program
    platform::WaveOutput *waveOutput = nullptr; // WavSound1's sound card
    platform::ToneOutput *toneOutput = nullptr; // SpeakerBeeper1's beep service
    platform::WakeAlarm *wakeAlarm = nullptr; // wakes a suspended computer for the alarm
};

// The program's main window: the running clock, the alarm time fields, the
// arm/disarm toggle, the alarm message entry and the menu with the relative
// alarms and the secondary windows. The armed flag is the clock's AlarmEnabled.
class TfrmMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit TfrmMain(const MainWindowServices &services = {}, QWidget *parent = nullptr);
    ~TfrmMain() override;

    QString settingsPath() const { return m_settingsLocation.file; }
    // The settings record, loaded by FormShow.
    TAlarmSettings &alarmSettings() { return m_alarmSettings; }

    // Sets the alarm to now plus offset (a day fraction) and arms it.
    void SetzteAlarm(double Offset);

    // The sound step of an alarm; assigned to AlarmSound() by the constructor,
    // replaced by tests.
    std::function<void()> SoundStep;

    // Components, in the order they are created.
    QWidget *ClientArea = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label2 = nullptr;
    TFlatPanel *FlatPanel1 = nullptr;
    TRxClock *RxClock1 = nullptr;
    TFlatSpinEditInteger *seStunde = nullptr;
    TFlatSpinEditInteger *seMinute = nullptr;
    TFlatSpinEditInteger *seSekunde = nullptr;
    TFlatButton *Button1 = nullptr;
    TFlatButton *btnActivate = nullptr;

    QMenuBar *mnuMain = nullptr;
    QAction *mnuEnde = nullptr;
    QMenu *mnuAlarm = nullptr;
    QAction *mnu5 = nullptr;
    QAction *mnu10 = nullptr;
    QAction *mnu15 = nullptr;
    QAction *mnu20 = nullptr;
    QAction *mnu30 = nullptr;
    QAction *mnu45 = nullptr;
    QAction *mnu60 = nullptr;
    QAction *mnuWeitere = nullptr;
    QAction *mnuOptionen = nullptr;
    QMenu *mnuHilfe = nullptr;
    QAction *mnuFunktion = nullptr;
    QAction *mnuInfo = nullptr;

    // The two sound components: the wave player (SoundLoop false) and the
    // speaker beeper, owned by the window for the whole run.
    TWavSound *WavSound1 = nullptr;
    TSpeakerBeeper *SpeakerBeeper1 = nullptr;

    // Day fractions of the fixed relative alarms: multiples of 0.0006944 per
    // minute, not k/1440, as the program has always armed them.
    static constexpr double Offset5 = 0.003472;
    static constexpr double Offset10 = 0.006944;
    static constexpr double Offset15 = 0.010416;
    static constexpr double Offset20 = 0.013888;
    static constexpr double Offset30 = 0.020832;
    static constexpr double Offset45 = 0.031248;
    static constexpr double Offset60 = 0.041664;
    static constexpr long double OffsetPerMinute = 0.0006944L;

public slots:
    void FormShow(QObject *sender);
    void FormCloseQuery(QObject *sender, bool &CanClose);

    void btnActivateClick(QObject *sender);
    void Button1Click(QObject *sender);
    void Image1Click(QObject *sender);
    void RxClock1Alarm(QObject *sender);

    void mnuEndeClick(QObject *sender);
    void mnu5Click(QObject *sender);
    void mnu10Click(QObject *sender);
    void mnu15Click(QObject *sender);
    void mnu20Click(QObject *sender);
    void mnu30Click(QObject *sender);
    void mnu45Click(QObject *sender);
    void mnu60Click(QObject *sender);
    void mnuWeitereClick(QObject *sender);
    void mnuOptionenClick(QObject *sender);
    void mnuFunktionClick(QObject *sender);
    void mnuInfoClick(QObject *sender);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Plays the alarm sound chosen in the settings.
    void AlarmSound();
    // Button caption and application title for the armed state.
    void showAlarmState(bool armed);
    // Task bars show the window title: the application title while the window
    // is minimised, the window's own caption while it is shown.
    void updateTaskbarTitle();

    platform::SystemClock *m_clock;
    platform::DesktopShell *m_shell;
    platform::WindowActivation *m_activation;
    StandardDialogs *m_dialogs;
    SettingsLocation m_settingsLocation;
    TAlarmSettings m_alarmSettings;
    // What became of the latest alarm's sound.
    AlarmSoundOutcome m_alarmSound = AlarmSoundOutcome::Played;
    bool m_shown = false;
    // While the close question is open, it answers every further close request.
    bool m_closeQuestionOpen = false;
    platform::WakeAlarm *m_wakeAlarm = nullptr;
};
