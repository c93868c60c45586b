// Saves sound choices to a settings file in a loop, for the test that kills it
// in the middle of a save: settingssavedriver PATH CHOICE CHOICE [once]

#include "platform/errors.h"
#include "platform/settingsfile.h"

#include <QString>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

QList<platform::SettingsFile::Entry> choice(int number)
{
    static const QString files[] = {u"eins.wav"_s, u"zwei.wav"_s, u"drei.wav"_s,
                                    u"vier mit einem langen Namen.wav"_s};
    const int mode = number % 3;
    return {{u"Sound"_s, u"File"_s, files[number % 4]},
            {u"Sound"_s, u"Ohne"_s, mode == 0 ? u"1"_s : u"0"_s},
            {u"Sound"_s, u"Speaker"_s, mode == 1 ? u"1"_s : u"0"_s},
            {u"Sound"_s, u"Soundkarte"_s, mode == 2 ? u"1"_s : u"0"_s}};
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    platform::SettingsFile file(QString::fromLocal8Bit(argv[1]));
    const int first = atoi(argv[2]);
    const int second = argc > 3 ? atoi(argv[3]) : first;
    const bool once = argc > 3 && QByteArray(argv[argc - 1]) == "once";
    try {
        for (long i = 0;; ++i) {
            file.writeStrings(choice(i % 2 ? second : first));
            if (once)
                return 0;
        }
    } catch (const Exception &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
