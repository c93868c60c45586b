#include "platform/audio/wavfile.h"

#include <QTest>

#include <cstring>

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

} // namespace

class tst_WavFile : public QObject
{
    Q_OBJECT

private slots:
    void decodes_data();
    void decodes();
    void refusesDamagedFiles_data();
    void refusesDamagedFiles();
};

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
        << wave(1, 1, 8000, 16, int16s({16384, 16384}), 0xFFFFFFFF) << 1 << QList<float>{0.5f, 0.5f};
    QByteArray odd = "LIST";
    put32(odd, 3);
    odd += QByteArray("abc\0", 4);
    QTest::newRow("odd-sized chunk before the data is padded")
        << wave(1, 1, 8000, 16, int16s({16384}), -1, odd) << 1 << QList<float>{0.5f};
    QTest::newRow("half a frame at the end is dropped")
        << wave(1, 1, 8000, 16, int16s({16384}) + QByteArray(1, '\x7F')) << 1 << QList<float>{0.5f};
}

void tst_WavFile::decodes()
{
    QFETCH(QByteArray, file);
    QFETCH(int, channels);
    QFETCH(QList<float>, samples);
    const auto wav = platform::decodeWav(file);
    QVERIFY(wav);
    QCOMPARE(wav->sampleRate, 8000);
    QCOMPARE(wav->channels, channels);
    QCOMPARE(qsizetype(wav->samples.size()), samples.size());
    for (qsizetype i = 0; i < samples.size(); ++i)
        QVERIFY2(qAbs(wav->samples[size_t(i)] - samples[i]) < 1e-3f, QByteArray::number(i).constData());
}

void tst_WavFile::refusesDamagedFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    const QByteArray good = wave(1, 1, 8000, 16, int16s({1, 2}));
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("not RIFF") << QByteArray("RIFX") + good.mid(4);
    QTest::newRow("cut inside the header") << good.left(20);
    QTest::newRow("compressed format") << wave(2, 1, 8000, 4, QByteArray(4, '\0'));
    QTest::newRow("no channels") << wave(1, 0, 8000, 16, int16s({1}));
    QTest::newRow("absurd rate") << wave(1, 1, 10, 16, int16s({1}));
    QTest::newRow("12 bits") << wave(1, 1, 8000, 12, int16s({1}));
    QTest::newRow("no data chunk") << good.left(36);
}

void tst_WavFile::refusesDamagedFiles()
{
    QFETCH(QByteArray, file);
    QVERIFY(!platform::decodeWav(file));
}

QTEST_APPLESS_MAIN(tst_WavFile)
#include "tst_wavfile.moc"
