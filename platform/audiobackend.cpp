#include "platform/audiobackend.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>

#include <atomic>

namespace platform {

namespace {

AudioBackend *load()
{
    QStringList candidates;
    const QString overridden = qEnvironmentVariable("BRENVIK_AUDIO_MODULE");
    if (!overridden.isEmpty())
        candidates << overridden;
    if (QCoreApplication::instance())
        candidates << QCoreApplication::applicationDirPath() + QStringLiteral("/brenvik-audio.so");
    for (const QString &path : std::as_const(candidates)) {
        if (!QFileInfo::exists(path))
            continue;
        QLibrary library(path);
        // Never unloaded: the back end's objects live until the process ends.
        const auto factory = reinterpret_cast<BrenvikAudioBackendFactory>(library.resolve("brenvik_audio_backend"));
        if (factory)
            return factory();
    }
    return nullptr;
}

} // namespace

namespace {
std::atomic<AudioBackend *> loadedBackend{nullptr};
}

AudioBackend *AudioBackend::instance()
{
    static AudioBackend *const backend = [] {
        AudioBackend *b = load();
        loadedBackend = b;
        return b;
    }();
    return backend;
}

AudioBackend *AudioBackend::loaded()
{
    return loadedBackend;
}

} // namespace platform
