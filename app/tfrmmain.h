#pragma once

// app/ at a glance:
// - main.cpp, runapplication.h: the start-up sequence; tsplashform.h its splash.
// - mainwindowfactory.h: the main window with its real or given services.
// - tfrmmain.h: the main window: clock, alarm fields, toggle, menu, delivery.
// - alarmsoundstep.h: the alarm's sound; standarddialogs.h: the small dialogs.
// - commandline.h: command-line requests, carried out like the menu commands.
// - statusicon.h: the armed state and a menu in the desktop's status area.
// The settings record lives in settings/, the OS services in platform/.

#include "app/alarmmessage.h"
#include "app/alarmsoundstep.h"
#include "controls/tflatbutton.h"
#include "controls/tflatpanel.h"
#include "controls/tflatspineditinteger.h"
#include "settings/talarmsettings.h"
#include "sound/tspeakerbeeper.h"

#include <QMainWindow>
#include <QString>
#include <QTime>

#include <functional>

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class ScreenReaderNotice;
class StandardDialogs;
class TRxClock;
class TWavSound;

namespace platform {
class DesktopShell;
class Keyboard;
class SystemClock;
class TimeChangeWatcher;
class WakeAlarm;
class WaveOutput;
class WindowActivation;
class WindowManager;
} // namespace platform

// The services the main window uses, every one given: the start-up code
// builds the real ones, tests give fakes.
struct MainWindowServices
{
    platform::SystemClock &clock;
    platform::TimeChangeWatcher &timeChanges; // tells the clock when the system clock was set
    platform::DesktopShell &shell;
    platform::WindowActivation &activation;
    platform::WindowManager &windowManager; // the window's place and its task-bar text
    platform::Keyboard &keyboard; // whether a held key is still down
    StandardDialogs &dialogs;
    SettingsLocation settings; // where Timer.ini is read and written
    platform::WaveOutput &waveOutput; // WavSound1's sound card
    TSpeakerBeeper::Services speaker; // SpeakerBeeper1's beep service, ports and clock
    platform::WakeAlarm &wakeAlarm; // wakes a suspended computer for the alarm
};

// The program's main window: the running clock, the alarm time fields, the
// arm/disarm toggle, the alarm message entry and the menu with the relative
// alarms and the secondary windows. The armed flag is the clock's AlarmEnabled.
// Everything that arms, disarms or asks about the alarm goes through the named
// commands below: the toggle, the menu, the alarm delivery and the command line.
class TfrmMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit TfrmMain(const MainWindowServices &services, QWidget *parent = nullptr);
    ~TfrmMain() override;

    // Arms the alarm at a time of day and shows it in the three fields; an
    // armed alarm takes the new time. A time that does not exist (hour 24,
    // minute 60) raises EConvertError and changes nothing.
    void armAt(quint8 hour, quint8 minute, quint8 second);
    // Arms the alarm `minutes` from now, as "Alarm in" does; 0 and negative
    // numbers too (only the time of day of the sum counts).
    void armIn(qint32 minutes);
    // Asks for the minutes and arms, as "Alarm in" → "Weitere" does; a text
    // that is no number is refused with a message and changes nothing.
    void askAlarmIn();
    // Disarms the alarm; its time stays for the next press of the toggle.
    void disarm();
    // The text the next alarm shows; empty shows "Alarmzeit erreicht!".
    void setMessage(const QString &text);
    bool isArmed() const;
    // The clock's alarm time, armed or not.
    QTime alarmTime() const;
    // The close guard: with an alarm armed, asks "Beenden..." (or brings that
    // question forward when it is already open). True when the window may close.
    bool mayClose();
    // Restores the window when it is minimised and brings it to the front.
    void bringToFront();

    // The settings record, loaded when the window is first shown.
    const TAlarmSettings &alarmSettings() const { return m_alarmSettings; }

    // The commands the status icon's menu shares with the window's menu: the
    // "Alarm in" choices and "Ende", the very same actions.
    const QMenu *alarmMenu() const { return mnuAlarm; }
    QAction *endAction() const { return mnuEnde; }

    // The sound step of an alarm; assigned to AlarmSound() by the constructor,
    // replaced by tests.
    std::function<void()> SoundStep;

signals:
    // After every arming and disarming, with the alarm time of the moment.
    void alarmStateChanged(bool armed, QTime time);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void FormShow(QObject *sender);
    void FormCloseQuery(QObject *sender, bool &CanClose);

    void btnActivateClick(QObject *sender);
    void Button1Click(QObject *sender);
    void Image1Click(QObject *sender);
    void RxClock1Alarm(QObject *sender);

    void mnuEndeClick(QObject *sender);
    // The fixed choices' handlers mnu5Click, mnu10Click, mnu15Click, mnu20Click,
    // mnu30Click, mnu45Click and mnu60Click in one, given the choice's minutes.
    void mnuMinutenClick(QObject *sender, qint32 minutes);
    void mnuWeitereClick(QObject *sender);
    void mnuOptionenClick(QObject *sender);
    void mnuFunktionClick(QObject *sender);
    void mnuInfoClick(QObject *sender);

private:
    void createMenu();
    // One command object per command of the window, shared by the menu bar,
    // the status icon's menu and the keyboard.
    QAction *addCommand(const QString &name, const QString &text, void (TfrmMain::*handler)(QObject *));

    // Sets the alarm to now plus offset (a day fraction) and arms it.
    void SetzteAlarm(double Offset);
    // Writes the alarm time element by element, each read just before it is
    // written, so that the first one that fails names the error; a failure
    // puts the old time back and raises it on.
    void storeAlarmTime(const std::function<quint8(int element)> &element);
    void showAlarmTimeInFields();
    void arm();
    // Plays the alarm sound chosen in the settings.
    void AlarmSound();
    // Steps of the alarm's delivery: the message from the record and the
    // clock, the sound step with what became of it, and the box (a wave file
    // that fails while it is open adds its line to it).
    AlarmMessage alarmMessage() const;
    AlarmSoundOutcome runSoundStep();
    void showAlarmMessage(AlarmMessage message);
    // Button caption and application title for the armed state.
    void showAlarmState(bool armed);
    // Task bars show the window title: the application title while the window
    // is minimised, the window's own caption while it is shown.
    void updateTaskbarTitle();

    platform::SystemClock &m_clock;
    platform::DesktopShell &m_shell;
    platform::WindowActivation &m_activation;
    platform::WindowManager &m_windowManager;
    StandardDialogs &m_dialogs;
    const SettingsLocation m_settingsLocation;
    TAlarmSettings m_alarmSettings;
    // What became of the latest alarm's sound.
    AlarmSoundOutcome m_alarmSound = AlarmSoundOutcome::Played;
    bool m_shown = false;
    // While the close question is open, it answers every further close request.
    bool m_closeQuestionOpen = false;
    platform::WakeAlarm &m_wakeAlarm;
    // Counts armings, so the alarm delivery can tell whether the alarm it
    // fired for is still the one armed when its message is confirmed.
    quint64 m_armings = 0;

    // Components, in the order they are created; tests find them by object name.
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
    // Tells a screen reader the new state at every arming and disarming.
    ScreenReaderNotice *m_stateNotice = nullptr;

    // The toggle's and "Meldung"'s commands: their keys reach them from
    // anywhere in the window, as a click on the button does.
    QAction *m_toggleAction = nullptr;
    QAction *m_messageAction = nullptr;

    QMenuBar *mnuMain = nullptr;
    QAction *mnuEnde = nullptr;
    QMenu *mnuAlarm = nullptr; // mnu5 … mnu60 from one list, then mnuWeitere
    QAction *mnuWeitere = nullptr;
    QAction *mnuOptionen = nullptr;
    QMenu *mnuHilfe = nullptr;
    QAction *mnuFunktion = nullptr;
    QAction *mnuInfo = nullptr;

    // The two sound components: the wave player (SoundLoop false) and the
    // speaker beeper, owned by the window for the whole run.
    TWavSound *WavSound1 = nullptr;
    TSpeakerBeeper *SpeakerBeeper1 = nullptr;
};
