#include "tests/fakes/recordingbeeper.h"

#include "tests/fakes/fakeosversion.h"
#include "tests/fakes/fakespeakerports.h"
#include "tests/fakes/faketickcounter.h"
#include "tests/fakes/faketoneoutput.h"

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
