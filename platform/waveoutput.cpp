#include "platform/waveoutput.h"

#include "platform/audiobackend.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace platform {

namespace {

class SoundCardWaveOutput final : public WaveOutput
{
public:
    bool play(const QString &fileName, bool loop) override
    {
        const QString path = locate(fileName);
        m_missing = !QFileInfo(path).isFile();
        if (m_missing) {
            stop();
            m_missing = true;
            return false;
        }
        m_backend = AudioBackend::instance();
        m_missing = !m_backend;
        if (m_backend)
            m_backend->playWave(path, loop);
        return m_backend;
    }
    void stop() override
    {
        m_missing = false;
        // Nothing can be playing before the first play, so a stop does not
        // load the back end.
        if (m_backend)
            m_backend->stopWave();
    }
    void warmUp() override
    {
        if (AudioBackend *backend = AudioBackend::instance()) {
            m_backend = backend;
            backend->warmUp();
        }
    }
    State state() const override
    {
        if (m_missing)
            return State::Failed;
        if (!m_backend)
            return State::Idle;
        return m_backend->waveState();
    }

private:
    AudioBackend *m_backend = nullptr;
    bool m_missing = false; // the latest play found nothing to play
};

} // namespace

QString userDataFolder()
{
    // A relative XDG_DATA_HOME is invalid and ignored, as the standard says.
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(base + QStringLiteral("/brenvik-timer"));
}

QString WaveOutput::locate(const QString &fileName)
{
    if (fileName.isEmpty() || QDir::isAbsolutePath(fileName) || fileName.contains(u'/'))
        return fileName;
    // The current folder last: whoever may write the folder the clock was
    // started from must not choose its alarm sound.
    QStringList candidates{userDataFolder() + u'/' + fileName};
    if (QCoreApplication::instance())
        candidates << QCoreApplication::applicationDirPath() + u'/' + fileName;
    candidates << QDir::current().absoluteFilePath(fileName);
    for (const QString &candidate : std::as_const(candidates)) {
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return fileName;
}

WaveOutput &WaveOutput::system()
{
    static SoundCardWaveOutput output;
    return output;
}

} // namespace platform
