#include "sound/tspeakerbeeper.h"

#include "sound/ebeeperror.h"
#include "sound/melodyreader.h"
#include "platform/programending.h"
#include "platform/osversion.h"
#include "platform/regularfile.h"
#include "platform/speakerports.h"
#include "platform/tickcounter.h"
#include "platform/toneoutput.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <array>

using namespace Qt::StringLiterals;

namespace {

bool UseBeepService = false;

using Step = TSpeakerBeeper::Step;

constexpr std::array<Step, 3> OK = {{{932, 100}, {988, 100}, {1046, 100}}};
constexpr std::array<Step, 3> Error = {{{92, 150}, {1, 200}, {65, 500}}};
constexpr std::array<Step, 7> Welcome = {{{932, 100}, {988, 100}, {1046, 100}, {1, 100}, {1046, 100}, {988, 100}, {932, 100}}};
constexpr std::array<Step, 8> Emergency = {{{698, 200}, {494, 200}, {698, 200}, {494, 200}, {698, 200}, {494, 200}, {698, 200}, {494, 200}}};
constexpr std::array<Step, 14> Wrong = {{{261, 150}, {247, 50}, {233, 50}, {220, 50}, {207, 50}, {196, 50}, {189, 50},
                                         {174, 50}, {165, 50}, {155, 50}, {149, 50}, {138, 50}, {131, 100}, {65, 200}}};
constexpr std::array<Step, 3> Call = {{{196, 650}, {1, 100}, {165, 500}}};
constexpr std::array<Step, 15> Official = {{{196, 200}, {1, 50}, {196, 200}, {1, 50}, {196, 200}, {1, 50}, {165, 700}, {1, 100},
                                            {261, 200}, {1, 50}, {261, 200}, {1, 50}, {261, 200}, {1, 50}, {131, 700}}};
constexpr std::array<Step, 12> Daze = {{{329, 100}, {311, 100}, {293, 100}, {311, 100}, {329, 100}, {311, 100},
                                        {293, 100}, {311, 100}, {329, 100}, {311, 100}, {293, 100}, {311, 100}}};
constexpr std::array<Step, 12> Fall = {{{329, 100}, {311, 100}, {293, 100}, {311, 100}, {349, 100}, {329, 100},
                                        {311, 100}, {329, 100}, {370, 100}, {349, 100}, {329, 100}, {349, 100}}};
constexpr std::array<Step, 12> Chord = {{{494, 80}, {466, 80}, {440, 80}, {415, 80}, {392, 80}, {370, 80},
                                         {349, 80}, {329, 80}, {311, 80}, {293, 80}, {277, 80}, {261, 80}}};
constexpr std::array<Step, 4> Whisle = {{{523, 80}, {698, 80}, {784, 80}, {1046, 80}}};
constexpr std::array<Step, 12> Hanging = {{{784, 80}, {1046, 80}, {830, 80}, {1109, 80}, {880, 80}, {1174, 80},
                                           {932, 80}, {1244, 80}, {988, 80}, {1318, 80}, {1046, 80}, {1397, 80}}};
constexpr std::array<Step, 12> Climb = {{{261, 80}, {277, 80}, {293, 80}, {311, 80}, {329, 80}, {349, 80},
                                         {370, 80}, {392, 80}, {415, 80}, {440, 80}, {466, 80}, {494, 80}}};

// Ends a melody whose tones cannot be heard; never leaves PlayMelody.
struct SoundCutShort
{
};

constexpr quint16 PortCounter2 = 0x42;
constexpr quint16 PortControl = 0x43;
constexpr quint16 PortSpeaker = 0x61;
constexpr quint32 TimerClock = 1193181;

} // namespace

TSpeakerBeeper::TSpeakerBeeper(QObject *owner, const Services &services)
    : QObject(owner), m_tones(&services.tones), m_ports(&services.ports), m_ticks(&services.ticks)
{
    UseBeepService = services.os.beepServiceAvailable();
    platform::watchProgramEnding();
}

// Marks a sound under way; the outermost one starts audible.
class TSpeakerBeeper::SoundScope
{
public:
    explicit SoundScope(TSpeakerBeeper &beeper) : m_beeper(beeper)
    {
        if (m_beeper.m_soundDepth++ > 0)
            return;
        // The stream is ready before the first step counts, or the whole
        // sound is skipped at once.
        m_beeper.m_silenced = UseBeepService && !platform::programEnding() && !m_beeper.m_tones->prepare();
    }
    ~SoundScope() { --m_beeper.m_soundDepth; }
    SoundScope(const SoundScope &) = delete;
    SoundScope &operator=(const SoundScope &) = delete;

private:
    TSpeakerBeeper &m_beeper;
};

bool TSpeakerBeeper::useBeepService()
{
    return UseBeepService;
}

std::span<const TSpeakerBeeper::Step> TSpeakerBeeper::presetSteps(TPresetSound sound)
{
    switch (sound) {
    case psOK: return OK;
    case psError: return Error;
    case psWelcome: return Welcome;
    case psEmergency: return Emergency;
    case psWrong: return Wrong;
    case psCall: return Call;
    case psOfficial: return Official;
    case psDaze: return Daze;
    case psFall: return Fall;
    case psChord: return Chord;
    case psWhisle: return Whisle;
    case psHanging: return Hanging;
    case psClimb: return Climb;
    }
    return {};
}

// Sleeps in the event loop until an event arrives or the deadline passes,
// handling what arrives, until the tick counter says the time is up.
void TSpeakerBeeper::waitProcessingMessages(qint32 duration)
{
    const quint32 start = m_ticks->ticks();
    if (duration <= 0)
        return;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    // Unsigned difference: a wrap of the counter does not change the wait.
    quint32 elapsed = 0;
    while (elapsed < quint32(duration)) {
        deadline.start(int(quint32(duration) - elapsed));
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        elapsed = m_ticks->ticks() - start;
    }
}

void TSpeakerBeeper::SpeakerOn(quint16 frequency)
{
    if (frequency < 40 || frequency > 5000)
        return;
    const quint32 divisor = TimerClock / frequency;
    const quint8 control = m_ports->read(PortSpeaker);
    // The gate opens before the control word and the divisor are written.
    if ((control & 0x03) == 0) {
        m_ports->write(PortSpeaker, control | 0x03);
        m_ports->write(PortControl, 0xB6);
    }
    m_ports->write(PortCounter2, quint8(divisor & 0xFF));
    m_ports->write(PortCounter2, quint8((divisor >> 8) & 0xFF));
}

void TSpeakerBeeper::SpeakerOff()
{
    m_ports->write(PortSpeaker, m_ports->read(PortSpeaker) & 0xFC);
}

void TSpeakerBeeper::PlayTone(quint16 frequency, qint32 duration)
{
    if (m_soundDepth == 0)
        m_silenced = false;
    if (m_silenced || platform::programEnding())
        return;
    if (frequency == 1) {
        waitProcessingMessages(duration);
    } else if (UseBeepService) {
        // A negative duration would be read as some 49 days by the service.
        // A tone nobody hears must not hold back what comes after the sound
        // (the alarm message): the rest of the sound is skipped.
        if (!m_tones->beep(frequency, duration > 0 ? quint32(duration) : 0u))
            m_silenced = true;
    } else {
        SpeakerOn(frequency);
        waitProcessingMessages(duration);
        SpeakerOff();
    }
}

void TSpeakerBeeper::PlayPreset(TPresetSound sound)
{
    SoundScope scope(*this);
    for (const Step &step : presetSteps(sound)) {
        if (m_silenced || platform::programEnding())
            return;
        PlayTone(step.frequency, step.duration);
    }
}

void TSpeakerBeeper::PlayDefaultSound()
{
    PlayPreset(m_defaultSound);
}

void TSpeakerBeeper::PlayMelody(const QString &fileName, const QString &songName)
{
    // Read on the window's thread: a FIFO or a device in the file's place must
    // not stall it, and a huge file costs only its beginning. Closed before
    // the first note.
    const platform::FileBytes file = platform::readRegularFile(fileName, MaxMelodyFileSize);
    if (file.status != platform::FileStatus::Ok && file.status != platform::FileStatus::TooBig)
        throw EFOpenError(u"Datei %1 kann nicht geöffnet werden"_s.arg(fileName));
    const QByteArray &text = file.bytes;
    SoundScope scope(*this);
    try {
        readMelody(text, songName, fileName, [this](quint16 frequency, qint32 duration) {
            if (m_silenced || platform::programEnding())
                throw SoundCutShort{};
            PlayTone(frequency, duration);
        });
    } catch (const SoundCutShort &) {
        // The notes that remain would not be heard either.
    }
}
