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
    services.settingsPath = settingsFile();
    return services;
}

TfrmMain &MainWindowFixture::openMainWindow(const MainWindowServices &services)
{
    m_frm = std::make_unique<TfrmMain>(services);
    return *m_frm;
}

QString MainWindowFixture::settingsFile() const
{
    return m_dir->filePath(u"Timer.ini"_s);
}

QString MainWindowFixture::fields() const
{
    return control<TFlatSpinEditInteger>(u"seStunde"_s)->text() + u':'
           + control<TFlatSpinEditInteger>(u"seMinute"_s)->text() + u':'
           + control<TFlatSpinEditInteger>(u"seSekunde"_s)->text();
}

void MainWindowFixture::setFields(const QString &hour, const QString &minute, const QString &second) const
{
    control<TFlatSpinEditInteger>(u"seStunde"_s)->setText(hour);
    control<TFlatSpinEditInteger>(u"seMinute"_s)->setText(minute);
    control<TFlatSpinEditInteger>(u"seSekunde"_s)->setText(second);
}
