#include "tests/fakes/mainwindowfixture.h"

using namespace Qt::StringLiterals;

void MainWindowFixture::resetMainWindowFixture()
{
    m_frm.reset();
    m_dir = std::make_unique<QTemporaryDir>();
    m_clock = FakeSystemClock();
    m_shell = FakeDesktopShell();
    m_activation = FakeWindowActivation();
    m_dialogs = FakeStandardDialogs();
    m_waveOutput = FakeWaveOutput();
    m_toneOutput = FakeToneOutput();
    m_wake = FakeWakeAlarm();
}

MainWindowServices MainWindowFixture::fakeServices()
{
    MainWindowServices services;
    services.clock = &m_clock;
    services.shell = &m_shell;
    services.activation = &m_activation;
    services.dialogs = &m_dialogs;
    services.settingsPath = m_dir->filePath(u"Timer.ini"_s);
    return services;
}

TfrmMain &MainWindowFixture::openMainWindow(const MainWindowServices &services)
{
    m_frm = std::make_unique<TfrmMain>(services);
    return *m_frm;
}
