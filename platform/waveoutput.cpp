#include "waveoutput.h"

#include "audiobackend.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace platform {

namespace {

QString resolve(const QString &fileName)
{
    const QFileInfo info(fileName);
    if (info.isAbsolute() || fileName.contains(u'/'))
        return fileName;
    if (info.exists())
        return QDir::current().absoluteFilePath(fileName);
    if (QCoreApplication::instance()) {
        const QString beside = QCoreApplication::applicationDirPath() + u'/' + fileName;
        if (QFileInfo::exists(beside))
            return beside;
    }
    return fileName;
}

class SoundCardWaveOutput final : public WaveOutput
{
public:
    bool play(const QString &fileName, bool loop) override
    {
        const QString path = resolve(fileName);
        if (!QFileInfo(path).isFile()) {
            stop();
            return false;
        }
        m_backend = AudioBackend::instance();
        return m_backend && m_backend->playWave(path, loop);
    }
    void stop() override
    {
        // Nothing can be playing before the first play, so a stop does not
        // load the back end.
        if (m_backend)
            m_backend->stopWave();
    }

private:
    AudioBackend *m_backend = nullptr;
};

} // namespace

WaveOutput &WaveOutput::system()
{
    static SoundCardWaveOutput output;
    return output;
}

} // namespace platform
