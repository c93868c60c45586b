// Preloaded into the wave player by the audio test: reports each disconnect
// from the sound server. Qt Multimedia disconnects only in its own teardown
// at exit, which races with the server library's thread and must not run.
#include <dlfcn.h>
#include <unistd.h>

struct pa_context;

extern "C" void pa_context_disconnect(pa_context *context)
{
    static const char line[] = "teardown probe: disconnected from the sound server\n";
    (void)!::write(2, line, sizeof line - 1);
    using Disconnect = void (*)(pa_context *);
    if (auto real = reinterpret_cast<Disconnect>(::dlsym(RTLD_NEXT, "pa_context_disconnect")))
        real(context);
}
