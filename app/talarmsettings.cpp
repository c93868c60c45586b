#include "talarmsettings.h"

TAlarmSettings &AlarmSettings()
{
    static TAlarmSettings settings;
    return settings;
}
