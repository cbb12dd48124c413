// How long Moxel takes from exec to its window being mapped on the display,
// against an empty Qt Widgets window of the same size, in the same run: the
// two start in turn, each RUNS times, and the medians are compared. Moxel
// starts as on stage: a JACK server runs (private, dummy driver) and its
// setting.ini names two devices that are there, which it opens before the
// window shows.
//
// usage: moxel_startup_bench --moxel PATH --empty PATH [--runs N]
//   PATH of the built moxel and of bench/moxel_empty_window. Needs an X
//   display without a window manager (bench/startup.sh gives it one).

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <xcb/xcb.h>

#include "midi/backends/jack/JackBackend.h"
#include "peer/JackPeer.h"
#include "peer/JackServer.h"
#include "peer/MoxelProcess.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Mapped {
    double ms = 0;
    int width = 0;
    int height = 0;
};

// Watches the display for the first top-level window mapped after start.
class MapWatch {
  public:
    MapWatch() : connection_(xcb_connect(nullptr, nullptr)) {
        if (xcb_connection_has_error(connection_) != 0) {
            std::fprintf(stderr, "startup: no X display\n");
            std::exit(1);
        }
        root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
        const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(connection_);
    }
    ~MapWatch() { xcb_disconnect(connection_); }
    MapWatch(const MapWatch&) = delete;
    MapWatch& operator=(const MapWatch&) = delete;

    // Drops what happened before.
    void clear() {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
            std::free(event);
        }
    }

    std::optional<Mapped> waitForMap(Clock::time_point start, std::chrono::seconds limit) {
        const auto deadline = start + limit;
        while (Clock::now() < deadline) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
                const bool map = (event->response_type & 0x7F) == XCB_MAP_NOTIFY;
                const xcb_window_t window =
                    reinterpret_cast<xcb_map_notify_event_t*>(event)->window;
                std::free(event);
                if (map) {
                    const double ms =
                        std::chrono::duration<double, std::milli>(Clock::now() - start).count();
                    return Mapped{ms, geometry(window).first, geometry(window).second};
                }
            }
            pollfd fd{xcb_get_file_descriptor(connection_), POLLIN, 0};
            ::poll(&fd, 1, 100);
        }
        return std::nullopt;
    }

  private:
    std::pair<int, int> geometry(xcb_window_t window) {
        std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> reply(
            xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, window), nullptr),
            &std::free);
        return reply ? std::pair<int, int>{reply->width, reply->height} : std::pair<int, int>{0, 0};
    }

    xcb_connection_t* connection_;
    xcb_window_t root_ = 0;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0 : (n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2);
}

std::optional<Mapped> startMoxel(const std::string& path, const std::string& server,
                                 MapWatch& watch) {
    moxel::test::MoxelProcess moxel(path);
    moxel.setPlatform("xcb");
    moxel.writeSettings("[Moxel Settings.]\nDefaultMidiIn=keys:out\nDefaultMidiOut=synth:in\n");
    watch.clear();
    const auto start = Clock::now();
    moxel.start(server);
    return watch.waitForMap(start, std::chrono::seconds(10));
} // the process is stopped here, and waited for

std::optional<Mapped> startEmpty(const std::string& path, const Mapped& size, MapWatch& watch) {
    const std::string width = std::to_string(size.width), height = std::to_string(size.height);
    watch.clear();
    const auto start = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        ::execl(path.c_str(), path.c_str(), width.c_str(), height.c_str(), nullptr);
        ::_exit(127);
    }
    const std::optional<Mapped> mapped = watch.waitForMap(start, std::chrono::seconds(10));
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    return mapped;
}

} // namespace

int main(int argc, char** argv) {
    std::string moxelPath, emptyPath;
    int runs = 10;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--moxel") {
            moxelPath = argv[i + 1];
        } else if (arg == "--empty") {
            emptyPath = argv[i + 1];
        } else if (arg == "--runs") {
            runs = std::atoi(argv[i + 1]);
        }
    }
    if (moxelPath.empty() || emptyPath.empty() || runs <= 0) {
        std::fprintf(stderr, "usage: %s --moxel PATH --empty PATH [--runs N]\n", argv[0]);
        return 2;
    }
    moxel::JackBackend::quietLibraryMessages();
    moxel::test::JackServer server;
    if (!server.running()) {
        std::fprintf(stderr, "no JACK server: %s\n", server.error().c_str());
        return 1;
    }
    moxel::test::JackPeer keys("keys"), synth("synth");
    MapWatch watch;

    // One start of each first, not counted: the files in the page cache.
    const std::optional<Mapped> size = startMoxel(moxelPath, server.name(), watch);
    if (!size || !startEmpty(emptyPath, *size, watch)) {
        std::fprintf(stderr, "a window did not show within 10 s\n");
        return 1;
    }
    std::vector<double> moxel, empty;
    for (int i = 0; i < runs; ++i) {
        const std::optional<Mapped> m = startMoxel(moxelPath, server.name(), watch);
        const std::optional<Mapped> e = startEmpty(emptyPath, *size, watch);
        if (!m || !e) {
            std::fprintf(stderr, "a window did not show within 10 s\n");
            return 1;
        }
        moxel.push_back(m->ms);
        empty.push_back(e->ms);
    }
    std::printf("exec to window mapped, %dx%d, median of %d starts each:\n", size->width,
                size->height, runs);
    std::printf("  empty Qt window  %7.1f ms (min %.1f, max %.1f)\n", median(empty),
                *std::min_element(empty.begin(), empty.end()),
                *std::max_element(empty.begin(), empty.end()));
    std::printf("  moxel            %7.1f ms (min %.1f, max %.1f)\n", median(moxel),
                *std::min_element(moxel.begin(), moxel.end()),
                *std::max_element(moxel.begin(), moxel.end()));
    std::printf("  moxel / empty    %7.2f\n", median(moxel) / median(empty));
    return 0;
}
