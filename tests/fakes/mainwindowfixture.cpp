#include "tests/fakes/mainwindowfixture.h"

using namespace Qt::StringLiterals;

void MainWindowFixture::resetMainWindowFixture()
{
    m_frm.reset();
    m_dir = std::make_unique<QTemporaryDir>();
    m_clock = FakeSystemClock();
    m_shell = FakeDesktopShell();
    m_activation = FakeWindowActivation();
    m_windowManager = FakeWindowManager();
    m_keyboard = FakeKeyboard();
    m_dialogs = FakeStandardDialogs();
    m_waveOutput = FakeWaveOutput();
    m_toneOutput = FakeToneOutput();
    m_ports = FakeSpeakerPorts();
    m_ticks = FakeTickCounter();
    m_os = FakeOsVersion();
    m_wake = FakeWakeAlarm();
}

MainWindowServices MainWindowFixture::fakeServices()
{
    return {m_clock, m_timeChanges, m_shell, m_activation, m_windowManager, m_keyboard, m_dialogs,
            SettingsLocation::single(settingsFile()),
            m_waveOutput, {m_toneOutput, m_ports, m_ticks, m_os}, m_wake};
}

TfrmMain &MainWindowFixture::openMainWindow()
{
    m_frm = std::make_unique<TfrmMain>(fakeServices());
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
