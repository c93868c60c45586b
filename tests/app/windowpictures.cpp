// Draws the main window, the options dialog and the info window offscreen
// after the program's start-up step for its face and writes them as PNG files:
//     windowpictures FOLDER
// FOLDER/main.png, options.png, info.png, and face.txt: how many face files
// the program registered itself, and the family the windows' font resolves to.

#include "dialogs/tfrminfo.h"
#include "dialogs/tfrmoptionen.h"
#include "platform/layoutface.h"
#include "settings/talarmsettings.h"
#include "sound/twavsound.h"
#include "tests/fakes/fakedesktopshell.h"
#include "tests/fakes/fakewaveoutput.h"
#include "tests/fakes/mainwindowfixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QTest>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

bool save(QWidget &window, const QDir &folder, const QString &name)
{
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return false;
    return window.grab().toImage().save(folder.filePath(name + u".png"_s));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: windowpictures FOLDER\n", stderr);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const QList<int> registered = platform::setUpLayoutFace();

    MainWindowFixture fixture;
    fixture.resetMainWindowFixture();
    fixture.m_clock.set(10, 0, 0);
    TfrmMain &main = fixture.openMainWindow();
    main.show();
    if (!QTest::qWaitForWindowExposed(&main))
        return 1;
    // No blinking text cursor in a focused field.
    fixture.control(u"ClientArea"_s)->setFocus();
    if (!save(main, folder, u"main"_s))
        return 1;

    QTemporaryDir settingsDir;
    TAlarmSettings record{u"törö.wav"_s, u"Entertainer"_s, u"Alarmzeit erreicht"_s, false, false, true};
    FakeWaveOutput waveOutput;
    TWavSound wavSound(nullptr, waveOutput);
    TfrmOptionen options(nullptr, wavSound, SettingsLocation::single(settingsDir.filePath(u"Timer.ini"_s)),
                         record);
    if (!save(options, folder, u"options"_s))
        return 1;

    FakeDesktopShell shell;
    TfrmInfo info(nullptr, shell);
    if (!save(info, folder, u"info"_s))
        return 1;

    QFile report(folder.filePath(u"face.txt"_s));
    if (!report.open(QIODevice::WriteOnly))
        return 1;
    report.write(QStringLiteral("registered=%1\nfamily=%2\n")
                     .arg(registered.size())
                     .arg(QFontInfo(main.font()).family())
                     .toUtf8());
    return 0;
}
