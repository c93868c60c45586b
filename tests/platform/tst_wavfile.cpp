#include "platform/audio/wavfile.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <vector>

namespace {

void put16(QByteArray &out, quint16 v)
{
    out.append(char(v & 0xFF)).append(char(v >> 8));
}

void put32(QByteArray &out, quint32 v)
{
    put16(out, quint16(v & 0xFFFF));
    put16(out, quint16(v >> 16));
}

// A wave file of the given format around raw sample bytes.
QByteArray wave(quint16 format, quint16 channels, quint32 rate, quint16 bits, const QByteArray &samples,
                qint64 claimedDataSize = -1, const QByteArray &extraChunk = {})
{
    QByteArray fmt;
    put16(fmt, format);
    put16(fmt, channels);
    put32(fmt, rate);
    put32(fmt, rate * channels * bits / 8);
    put16(fmt, quint16(channels * bits / 8));
    put16(fmt, bits);
    QByteArray body = "WAVE";
    body += "fmt ";
    put32(body, quint32(fmt.size()));
    body += fmt;
    body += extraChunk;
    body += "data";
    put32(body, quint32(claimedDataSize < 0 ? samples.size() : claimedDataSize));
    body += samples;
    QByteArray file = "RIFF";
    put32(file, quint32(body.size()));
    return file + body;
}

QByteArray int16s(std::initializer_list<qint16> values)
{
    QByteArray out;
    for (qint16 v : values)
        put16(out, quint16(v));
    return out;
}

// Everything the stream delivers, read in small pieces as the sink would.
std::vector<float> readAll(platform::WaveFile &stream, int channels, qint64 limit = 1 << 22)
{
    std::vector<float> all;
    std::vector<float> piece(size_t(333 * channels));
    while (qint64(all.size()) < limit) {
        const qint64 got = stream.read(piece.data(), 333);
        all.insert(all.end(), piece.begin(), piece.begin() + got * channels);
        if (got < 333)
            break;
    }
    return all;
}

// The strength of one frequency in a mono signal, relative to its power.
double share(const std::vector<float> &samples, int rate, double frequency)
{
    const double w = 2.0 * M_PI * frequency / rate;
    double re = 0.0, im = 0.0, power = 0.0;
    for (size_t i = 0; i < samples.size(); ++i) {
        re += samples[i] * std::cos(w * double(i));
        im += samples[i] * std::sin(w * double(i));
        power += double(samples[i]) * samples[i];
    }
    if (power <= 0.0)
        return 0.0;
    return 2.0 * (re * re + im * im) / (double(samples.size()) * power);
}

} // namespace

class tst_WavFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void decodes_data();
    void decodes();
    void decodesCompressedEncodings_data();
    void decodesCompressedEncodings();
    void refusesWhatIsNoSound_data();
    void refusesWhatIsNoSound();
    void convertsRateAndChannels_data();
    void convertsRateAndChannels();
    void loopsWithoutEnd();

private:
    QString write(const QByteArray &bytes);
    QTemporaryDir m_dir;
    int m_files = 0;
};

void tst_WavFile::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

QString tst_WavFile::write(const QByteArray &bytes)
{
    const QString path = m_dir.filePath(QStringLiteral("f%1.wav").arg(++m_files));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    return path;
}

void tst_WavFile::decodes_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("channels");
    QTest::addColumn<QList<float>>("samples");

    QTest::newRow("16-bit mono") << wave(1, 1, 8000, 16, int16s({0, 16384, -32768})) << 1
                                 << QList<float>{0.0f, 0.5f, -1.0f};
    QTest::newRow("8-bit unsigned") << wave(1, 1, 8000, 8, QByteArray("\x80\xC0\x00", 3)) << 1
                                    << QList<float>{0.0f, 0.5f, -1.0f};
    QTest::newRow("24-bit") << wave(1, 1, 8000, 24, QByteArray("\x00\x00\x40\x00\x00\xC0", 6)) << 1
                            << QList<float>{0.5f, -0.5f};
    float values[2] = {0.25f, -0.75f};
    QTest::newRow("32-bit float") << wave(3, 1, 8000, 32, QByteArray(reinterpret_cast<const char *>(values), 8)) << 1
                                  << QList<float>{0.25f, -0.75f};
    QTest::newRow("16-bit stereo") << wave(1, 2, 8000, 16, int16s({16384, -16384, 0, 8192})) << 2
                                   << QList<float>{0.5f, -0.5f, 0.0f, 0.25f};
    QTest::newRow("data chunk claims more than there is")
        << wave(1, 1, 8000, 16, int16s({16384, 16384}), 0xFFFFFF) << 1 << QList<float>{0.5f, 0.5f};
    QByteArray odd = "LIST";
    put32(odd, 3);
    odd += QByteArray("abc\0", 4);
    QTest::newRow("odd-sized chunk before the data is padded")
        << wave(1, 1, 8000, 16, int16s({16384}), -1, odd) << 1 << QList<float>{0.5f};
}

void tst_WavFile::decodes()
{
    QFETCH(QByteArray, file);
    QFETCH(int, channels);
    QFETCH(QList<float>, samples);
    platform::WaveFile stream(write(file), false);
    QVERIFY(stream.isOpen());
    QCOMPARE(stream.sampleRate(), 8000);
    QCOMPARE(stream.channels(), channels);
    const std::vector<float> got = readAll(stream, channels);
    QCOMPARE(qsizetype(got.size()), samples.size());
    for (qsizetype i = 0; i < samples.size(); ++i)
        QVERIFY2(qAbs(got[size_t(i)] - samples[i]) < 1e-3f, QByteArray::number(i).constData());
}

// Files as other programs write them, made by sox: a 440 Hz tone of 0.5 s.
void tst_WavFile::decodesCompressedEncodings_data()
{
    QTest::addColumn<QStringList>("encoding");
    QTest::newRow("mu-law") << QStringList{QStringLiteral("-e"), QStringLiteral("u-law")};
    QTest::newRow("A-law") << QStringList{QStringLiteral("-e"), QStringLiteral("a-law")};
    QTest::newRow("IMA ADPCM") << QStringList{QStringLiteral("-e"), QStringLiteral("ima-adpcm")};
    QTest::newRow("MS ADPCM") << QStringList{QStringLiteral("-e"), QStringLiteral("ms-adpcm")};
}

void tst_WavFile::decodesCompressedEncodings()
{
    QFETCH(QStringList, encoding);
    const QString sox = QStandardPaths::findExecutable(QStringLiteral("sox"));
    if (sox.isEmpty()) {
        if (qEnvironmentVariable("CI") == QLatin1String("true"))
            QFAIL("sox is missing");
        QSKIP("sox is missing");
    }
    const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".wav"));
    QProcess process;
    process.start(sox, QStringList{QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("8000"),
                                   QStringLiteral("-c"), QStringLiteral("1")}
                           + encoding
                           + QStringList{path, QStringLiteral("synth"), QStringLiteral("0.5"),
                                         QStringLiteral("sine"), QStringLiteral("440"), QStringLiteral("vol"),
                                         QStringLiteral("0.5")});
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitCode(), 0);

    platform::WaveFile stream(path, false);
    QVERIFY(stream.isOpen());
    QCOMPARE(stream.sampleRate(), 8000);
    const std::vector<float> got = readAll(stream, 1);
    // ADPCM pads its last block.
    QVERIFY2(got.size() >= 3990 && got.size() <= 4600, QByteArray::number(qulonglong(got.size())).constData());
    QVERIFY2(share(got, 8000, 440.0) > 0.9, "not the 440 Hz tone");
    const float peak = *std::max_element(got.begin(), got.end());
    QVERIFY2(peak > 0.4f && peak < 0.6f, QByteArray::number(peak).constData());
}

void tst_WavFile::refusesWhatIsNoSound_data()
{
    QTest::addColumn<QByteArray>("file");
    const QByteArray good = wave(1, 1, 8000, 16, int16s({1, 2}));
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("text") << QByteArray("Tonleiter\nC_1,200, FINE\n");
    QTest::newRow("cut inside the header") << good.left(20);
    QTest::newRow("no channels") << wave(1, 0, 8000, 16, int16s({1}));
    QTest::newRow("no samples") << wave(1, 1, 8000, 16, QByteArray());
}

void tst_WavFile::refusesWhatIsNoSound()
{
    QFETCH(QByteArray, file);
    platform::WaveFile stream(write(file), false);
    QVERIFY(!stream.isOpen());
    float sample = 0.0f;
    QCOMPARE(stream.read(&sample, 1), 0);
    QVERIFY(!platform::WaveFile(m_dir.filePath(QStringLiteral("missing.wav")), false).isOpen());
}

void tst_WavFile::convertsRateAndChannels_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::newRow("up to 48 kHz, mono to stereo") << 48000 << 2;
    QTest::newRow("down to 4 kHz") << 4000 << 1;
    QTest::newRow("same rate") << 8000 << 1;
}

// A 500 Hz square wave at 8 kHz keeps its length and pitch at any rate.
void tst_WavFile::convertsRateAndChannels()
{
    QFETCH(int, rate);
    QFETCH(int, channels);
    QByteArray samples;
    for (int i = 0; i < 8000; ++i)
        put16(samples, quint16((i / 8) % 2 ? -8192 : 8192));
    platform::WaveFile stream(write(wave(1, 1, 8000, 16, samples)), false);
    QVERIFY(stream.isOpen());
    stream.setOutput(rate, channels);
    const std::vector<float> got = readAll(stream, channels);
    const qint64 frames = qint64(got.size()) / channels;
    QVERIFY2(qAbs(frames - rate) <= 2, QByteArray::number(frames).constData());
    std::vector<float> first;
    for (qint64 i = 0; i < frames; ++i) {
        first.push_back(got[size_t(i * channels)]);
        if (channels == 2)
            QCOMPARE(got[size_t(i * 2 + 1)], got[size_t(i * 2)]);
    }
    QVERIFY(share(first, rate, 500.0) > 0.7);
}

void tst_WavFile::loopsWithoutEnd()
{
    platform::WaveFile stream(write(wave(1, 1, 8000, 16, int16s({16384, -16384, 8192}))), true);
    QVERIFY(stream.isOpen());
    std::vector<float> got(10);
    QCOMPARE(stream.read(got.data(), 10), 10);
    const std::vector<float> expected{0.5f, -0.5f, 0.25f, 0.5f, -0.5f, 0.25f, 0.5f, -0.5f, 0.25f, 0.5f};
    for (size_t i = 0; i < got.size(); ++i)
        QVERIFY2(qAbs(got[i] - expected[i]) < 1e-3f, QByteArray::number(qulonglong(i)).constData());
}

QTEST_APPLESS_MAIN(tst_WavFile)
#include "tst_wavfile.moc"
