// Saves sound choices to a settings file in a loop, as the options dialog
// does, for the test that kills it in the middle of a save:
//   settingssavedriver PATH CHOICE CHOICE [once]

#include "base/errors.h"
#include "settings/settingsfile.h"
#include "settings/talarmsettings.h"

#include <QString>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

SoundChoice choice(int number)
{
    static const QString files[] = {u"eins.wav"_s, u"zwei.wav"_s, u"drei.wav"_s,
                                    u"vier mit einem langen Namen.wav"_s};
    const int mode = number % 3;
    return {files[number % 4], mode == 0, mode == 1, mode == 2};
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    const SettingsLocation location = SettingsLocation::single(QString::fromLocal8Bit(argv[1]));
    const int first = atoi(argv[2]);
    const int second = argc > 3 ? atoi(argv[3]) : first;
    const bool once = argc > 3 && QByteArray(argv[argc - 1]) == "once";
    try {
        for (long i = 0;; ++i) {
            try {
                saveSoundChoice(location, choice(i % 2 ? second : first));
            } catch (const ESettingsWriteError &) {
                // The other driver's loop of saves can hold the lock longer
                // than a save waits for it: try the same choice again.
                if (once)
                    throw;
                --i;
                continue;
            }
            if (i == 0) {
                // From here on a kill hits the loop of saves, not the start-up.
                std::puts("saving");
                std::fflush(stdout);
            }
            if (once)
                return 0;
        }
    } catch (const Exception &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
