#pragma once

#include <QString>

// The program-wide settings record: loaded when the main window is first shown,
// changed by the message entry and the options dialog, read at every alarm.
struct TAlarmSettings
{
    QString SoundFile;
    QString Song;
    QString AlarmMeldung;
    bool Ohne = false;
    bool Speaker = false;
    bool Soundkarte = false;
};

// The one instance, alive for the whole run.
TAlarmSettings &AlarmSettings();
