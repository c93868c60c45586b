#include "recordingbeeper.h"

#include "fakeosversion.h"
#include "fakespeakerports.h"
#include "faketickcounter.h"
#include "faketoneoutput.h"

// Nothing reaches these: PlayTone is overridden. They keep the real devices
// out of reach all the same.
TSpeakerBeeper::Services RecordingBeeper::services()
{
    static FakeToneOutput tones;
    static FakeSpeakerPorts ports;
    static FakeTickCounter ticks;
    static FakeOsVersion os;
    return {tones, ports, ticks, os};
}
