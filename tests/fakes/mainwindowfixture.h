#pragma once

#include "app/tfrmmain.h"
#include "clock/trxclock.h"
#include "controls/tflatbutton.h"
#include "controls/tflatspineditinteger.h"
#include "tests/fakes/fakedesktopshell.h"
#include "tests/fakes/fakekeyboard.h"
#include "tests/fakes/fakeosversion.h"
#include "tests/fakes/fakespeakerports.h"
#include "tests/fakes/fakestandarddialogs.h"
#include "tests/fakes/fakesystemclock.h"
#include "tests/fakes/faketickcounter.h"
#include "tests/fakes/faketimechangewatcher.h"
#include "tests/fakes/faketoneoutput.h"
#include "tests/fakes/fakewakealarm.h"
#include "tests/fakes/fakewaveoutput.h"
#include "tests/fakes/fakewindowactivation.h"
#include "tests/fakes/fakewindowmanager.h"

#include <QAction>
#include <QTemporaryDir>

#include <functional>
#include <memory>

// A command given to the window, for a column of a table of cases.
using WindowCommand = std::function<void(TfrmMain &)>;
Q_DECLARE_METATYPE(WindowCommand)

// The main window on a fake for every service, its settings file in a fresh
// temporary folder: nothing under test reaches a real device, helper or desktop.
// A test class derives from it: reset in init(), closeMainWindow() in cleanup().
// Its controls are found by their object names, as a user finds them by sight.
class MainWindowFixture
{
public:
    // A fresh folder and fresh fakes; the window is gone.
    void resetMainWindowFixture();
    MainWindowServices fakeServices();
    TfrmMain &openMainWindow();
    void closeMainWindow() { m_frm.reset(); }
    // Timer.ini of the window under test.
    QString settingsFile() const;

    template<typename T = QWidget>
    T *control(const QString &name) const
    {
        return m_frm->findChild<T *>(name);
    }
    TRxClock &rxClock() const { return *control<TRxClock>(QStringLiteral("RxClock1")); }
    TFlatButton &btnActivate() const { return *control<TFlatButton>(QStringLiteral("btnActivate")); }
    QAction &menuItem(const QString &name) const { return *control<QAction>(name); }
    // What the clock does when the alarm time comes.
    void deliverAlarm() const { emit rxClock().OnAlarm(&rxClock()); }
    // The three alarm-time fields' texts, and typing into them.
    QString fields() const;
    void setFields(const QString &hour, const QString &minute, const QString &second) const;

    std::unique_ptr<QTemporaryDir> m_dir = std::make_unique<QTemporaryDir>();
    FakeSystemClock m_clock;
    FakeTimeChangeWatcher m_timeChanges;
    FakeDesktopShell m_shell;
    FakeWindowActivation m_activation;
    FakeWindowManager m_windowManager;
    FakeKeyboard m_keyboard;
    FakeStandardDialogs m_dialogs;
    FakeWaveOutput m_waveOutput;
    FakeToneOutput m_toneOutput;
    FakeSpeakerPorts m_ports;
    FakeTickCounter m_ticks;
    FakeOsVersion m_os;
    FakeWakeAlarm m_wake;
    // Last, so it goes before the fakes it uses.
    std::unique_ptr<TfrmMain> m_frm;
};
