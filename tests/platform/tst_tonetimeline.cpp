#include "platform/audio/tonetimeline.h"

#include <QTest>

#include <vector>

using platform::ToneTimeline;

namespace {

// A step as the beeper hands it over: frequency 1 is a rest.
struct Step
{
    quint16 frequency;
    qint64 ms;
};

std::vector<float> take(ToneTimeline &line, qint64 frames, qint64 chunk)
{
    std::vector<float> out(static_cast<size_t>(frames));
    for (qint64 done = 0; done < frames; done += chunk)
        line.render(out.data() + done, qMin(chunk, frames - done));
    return out;
}

// Places the steps of one sound the way the tone output does: a running
// position in milliseconds, rests only moving it.
void placeSound(ToneTimeline &line, const QList<Step> &steps, qint64 from = 0)
{
    qint64 at = from;
    for (const Step &step : steps) {
        if (step.frequency != 1)
            line.place(step.frequency, at, step.ms);
        at += step.ms;
    }
}

int signChanges(const std::vector<float> &samples, qint64 from, qint64 to)
{
    int changes = 0;
    for (qint64 i = from + 1; i < to; ++i)
        changes += (samples[size_t(i)] > 0) != (samples[size_t(i - 1)] > 0) ? 1 : 0;
    return changes;
}

} // namespace

Q_DECLARE_METATYPE(QList<Step>)

class tst_ToneTimeline : public QObject
{
    Q_OBJECT

private slots:
    void stepsSoundEndToEnd_data();
    void stepsSoundEndToEnd();
    void piecesTheCardReadsDoNotMatter();
    void aLateToneMovesTheRestOfTheSound();
    void aNewSoundStartsAheadOfWhatWasRead();
    void droppingKeepsTheToneUnderWay();
    void inaudibleToneKeepsItsTime();
};

void tst_ToneTimeline::stepsSoundEndToEnd_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<QList<Step>>("steps");
    QTest::newRow("psOK at 48 kHz") << 48000 << QList<Step>{{932, 100}, {988, 100}, {1046, 100}};
    // 44.1 frames per millisecond: each start is rounded, no gap may grow.
    QTest::newRow("odd lengths at 44.1 kHz") << 44100
                                             << QList<Step>{{440, 33}, {494, 17}, {1, 7}, {523, 101}, {440, 1}};
    QTest::newRow("rests, a long one too") << 48000 << QList<Step>{{392, 200}, {1, 3000}, {392, 200}, {1, 50}};
}

// Each tone fills exactly its frames on the time line and the rests between
// them exactly theirs: no gap, no overlap, no drift over the sound.
void tst_ToneTimeline::stepsSoundEndToEnd()
{
    QFETCH(int, rate);
    QFETCH(QList<Step>, steps);
    ToneTimeline line(rate);
    line.beginSound(0);
    placeSound(line, steps);
    qint64 total = 0;
    for (const Step &step : std::as_const(steps))
        total += step.ms;
    const std::vector<float> out = take(line, line.frameOf(total) + 100, 480);
    qint64 at = 0;
    for (const Step &step : std::as_const(steps)) {
        const qint64 from = line.frameOf(at);
        const qint64 to = line.frameOf(at + step.ms);
        for (qint64 i = from; i < to; ++i) {
            if ((out[size_t(i)] != 0.0f) != (step.frequency != 1))
                QFAIL(qPrintable(QStringLiteral("frame %1 of the step at %2 ms").arg(i).arg(at)));
        }
        if (step.frequency != 1) {
            // Two sign changes per period, counted from the tone's own start.
            const double expected = 2.0 * step.frequency * double(to - from) / rate;
            QVERIFY2(qAbs(signChanges(out, from, to) - expected) <= 2.0,
                     qPrintable(QStringLiteral("%1 Hz").arg(step.frequency)));
        }
        at += step.ms;
    }
    for (size_t i = size_t(line.frameOf(total)); i < out.size(); ++i)
        QCOMPARE(out[i], 0.0f);
    QVERIFY(line.idle());
}

void tst_ToneTimeline::piecesTheCardReadsDoNotMatter()
{
    const QList<Step> steps{{261, 80}, {1, 40}, {329, 125}, {392, 3}};
    std::vector<float> whole;
    for (qint64 chunk : {qint64(100000), qint64(1), qint64(7), qint64(960), qint64(333)}) {
        ToneTimeline line(44100);
        line.beginSound(17);
        placeSound(line, steps);
        const std::vector<float> out = take(line, 44100 / 2, chunk);
        if (whole.empty())
            whole = out;
        QVERIFY2(out == whole, qPrintable(QStringLiteral("read in pieces of %1").arg(chunk)));
    }
}

// The card has already read where the tone belongs (the caller came too
// late): the tone keeps its length and the sound moves, rather than a tone
// being cut or the steps overlapping.
void tst_ToneTimeline::aLateToneMovesTheRestOfTheSound()
{
    ToneTimeline line(48000);
    line.beginSound(0);
    line.place(440, 0, 100);
    std::vector<float> out = take(line, line.frameOf(150), 960); // 50 ms beyond the tone
    const qint64 late = line.cursor();
    QCOMPARE(line.place(494, 100, 100), late - 4800); // moved by how late it came
    line.place(523, 200, 100);
    const std::vector<float> rest = take(line, 4800 * 3, 960);
    out.insert(out.end(), rest.begin(), rest.end());
    // The second tone starts where the card stood and lasts 100 ms; the
    // third follows it directly.
    QCOMPARE(out[size_t(late - 1)], 0.0f);
    for (qint64 i = late; i < late + 9600; ++i)
        QVERIFY(out[size_t(i)] != 0.0f);
    QCOMPARE(out[size_t(late + 9600)], 0.0f);
    QCOMPARE(signChanges(out, late, late + 4800), 2 * 494 * 4800 / 48000);
    QCOMPARE(line.frameOf(200), late + 4800);
}

void tst_ToneTimeline::aNewSoundStartsAheadOfWhatWasRead()
{
    ToneTimeline line(48000);
    std::vector<float> out = take(line, 1000, 1000);
    line.beginSound(line.framesFor(40));
    QCOMPARE(line.frameOf(0), 1000 + 1920);
    line.place(440, 0, 10);
    // A sound begun while another's tones are still queued follows them.
    line.beginSound(0);
    QCOMPARE(line.frameOf(0), 1000 + 1920 + 480);
}

void tst_ToneTimeline::droppingKeepsTheToneUnderWay()
{
    ToneTimeline line(48000);
    line.beginSound(0);
    line.place(440, 0, 100);
    line.place(494, 100, 100);
    std::vector<float> out = take(line, 2400, 2400); // half the first tone
    line.dropQueued();
    out = take(line, 9600, 960);
    for (qint64 i = 0; i < 2400; ++i)
        QVERIFY(out[size_t(i)] != 0.0f);
    for (qint64 i = 2400; i < 9600; ++i)
        QCOMPARE(out[size_t(i)], 0.0f);
    QVERIFY(line.idle());
}

void tst_ToneTimeline::inaudibleToneKeepsItsTime()
{
    ToneTimeline line(8000);
    line.beginSound(0);
    line.place(5, 0, 100);     // below hearing
    line.place(4001, 100, 100); // beyond what the rate can carry
    line.place(440, 200, 100);
    const std::vector<float> out = take(line, 2400, 100);
    for (qint64 i = 0; i < 1600; ++i)
        QCOMPARE(out[size_t(i)], 0.0f);
    QVERIFY(out[1600] != 0.0f);
}

QTEST_GUILESS_MAIN(tst_ToneTimeline)
#include "tst_tonetimeline.moc"
