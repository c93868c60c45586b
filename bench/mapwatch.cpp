// Launches a program and reports when its top-level windows are mapped, in
// milliseconds since the launch. Run it on an X server without a window manager,
// so that clients map their own windows.
//   mapwatch [--maps N] [--timeout S] -- PROGRAM [ARGS...]
// Prints "map <ms> <width>x<height>" for each mapped window, then ends the program.
#include <xcb/xcb.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    int maps = 1;
    double timeout = 10;
    int i = 1;
    for (; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--maps") && i + 1 < argc)
            maps = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--timeout") && i + 1 < argc)
            timeout = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--")) {
            ++i;
            break;
        } else
            break;
    }
    if (i >= argc) {
        std::fprintf(stderr, "usage: mapwatch [--maps N] [--timeout S] -- PROGRAM [ARGS...]\n");
        return 2;
    }

    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "mapwatch: no X display\n");
        return 2;
    }
    xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, screen->root, XCB_CW_EVENT_MASK, &mask);
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));

    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[i], argv + i);
        _exit(127);
    }

    auto elapsedMs = [&] {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    };
    int seen = 0;
    pollfd pfd{xcb_get_file_descriptor(c), POLLIN, 0};
    while (seen < maps && elapsedMs() < timeout * 1000) {
        xcb_generic_event_t *ev = xcb_poll_for_event(c);
        if (!ev) {
            poll(&pfd, 1, 50);
            continue;
        }
        if ((ev->response_type & 0x7f) == XCB_MAP_NOTIFY) {
            const double t = elapsedMs();
            auto *map = reinterpret_cast<xcb_map_notify_event_t *>(ev);
            xcb_get_geometry_reply_t *g = xcb_get_geometry_reply(c, xcb_get_geometry(c, map->window), nullptr);
            std::printf("map %.1f %dx%d\n", t, g ? g->width : 0, g ? g->height : 0);
            std::fflush(stdout);
            free(g);
            ++seen;
        }
        free(ev);
    }
    kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
    xcb_disconnect(c);
    return seen == maps ? 0 : 1;
}
