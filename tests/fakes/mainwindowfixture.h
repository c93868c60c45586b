#pragma once

#include "app/tfrmmain.h"
#include "tests/fakes/fakedesktopshell.h"
#include "tests/fakes/fakestandarddialogs.h"
#include "tests/fakes/fakesystemclock.h"
#include "tests/fakes/faketoneoutput.h"
#include "tests/fakes/fakewakealarm.h"
#include "tests/fakes/fakewaveoutput.h"
#include "tests/fakes/fakewindowactivation.h"

#include <QTemporaryDir>

#include <memory>

// The main window on fake services, its settings file in a fresh temporary folder.
// A test class derives from it: reset in init(), closeMainWindow() in cleanup().
class MainWindowFixture
{
public:
    // A fresh folder and fresh fakes; the window is gone.
    void resetMainWindowFixture();
    // Clock, shell, activation, dialogs and the settings file; a test wires the rest.
    MainWindowServices fakeServices();
    TfrmMain &openMainWindow(const MainWindowServices &services);
    void closeMainWindow() { m_frm.reset(); }

    std::unique_ptr<QTemporaryDir> m_dir = std::make_unique<QTemporaryDir>();
    FakeSystemClock m_clock;
    FakeDesktopShell m_shell;
    FakeWindowActivation m_activation;
    FakeStandardDialogs m_dialogs;
    FakeWaveOutput m_waveOutput;
    FakeToneOutput m_toneOutput;
    FakeWakeAlarm m_wake;
    // Last, so it goes before the fakes it uses.
    std::unique_ptr<TfrmMain> m_frm;
};
