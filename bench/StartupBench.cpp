// How long Moxel takes to start, and how much memory it then holds, with its
// window and without one, against an empty Qt Widgets window of the same
// size, in the same run: they start in turn, each RUNS times, and the medians
// are compared. Moxel starts as on stage: a JACK server runs (private, dummy
// driver) and its setting.ini names two devices that are there. For the
// window: exec to the window mapped on the display, and to the first note
// relayed between the devices; without a window (--headless): exec to the
// first note relayed.
// The memory is the resident set a second after the start.
//
// usage: moxel_startup_bench --moxel PATH --empty PATH [--headless PATH] [--runs N]
//   PATH of the built moxel, of bench/moxel_empty_window and of the moxel run
//   without a window (default: the same; a build without the window's
//   toolkit can be given). Needs an X display without a window manager
//   (bench/startup.sh gives it one).

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
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

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Waits until what the keyboard plays reaches the synth through Moxel: a
// note-off every few milliseconds until one arrives.
std::optional<double> waitForRelay(Clock::time_point start, moxel::test::JackPeer& keys,
                                   moxel::test::JackPeer& synth) {
    synth.clearReceived();
    while (Clock::now() - start < std::chrono::seconds(10)) {
        keys.send({0x80, 60, 0});
        if (synth.waitForReceived(1, std::chrono::milliseconds(2))) {
            return msSince(start);
        }
    }
    return std::nullopt;
}

// A process's resident memory in MB: its own (anonymous) pages, the pages of
// files it maps (the program and its libraries), and shared memory (JACK's
// segments, which the server and every client map too).
struct Resident {
    double own = 0, files = 0, shared = 0;
};
Resident residentMb(pid_t pid) {
    Resident mb;
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        const double value = std::atof(line.c_str() + line.find(':') + 1) / 1024.0;
        if (line.starts_with("RssAnon:")) {
            mb.own = value;
        } else if (line.starts_with("RssFile:")) {
            mb.files = value;
        } else if (line.starts_with("RssShmem:")) {
            mb.shared = value;
        }
    }
    return mb;
}

struct Start {
    Mapped mapped;      // the window's (none without one)
    double devices = 0; // ms from exec to the first message relayed
    Resident rss;
};

struct Peers {
    std::string server;
    moxel::test::JackPeer& keys;
    moxel::test::JackPeer& synth;
};

std::optional<Start> startMoxel(const std::string& path, const Peers& peers, MapWatch& watch,
                                bool headless) {
    moxel::test::MoxelProcess moxel(path);
    moxel.setPlatform("xcb");
    if (headless) {
        moxel.setArguments({"--headless"});
        moxel.setErrorOutput(moxel.folder() / "said.txt");
    }
    moxel.writeSettings("[Moxel Settings.]\nDefaultMidiIn=keys:out\nDefaultMidiOut=synth:in\n");
    watch.clear();
    const auto start = Clock::now();
    const pid_t pid = moxel.start(peers.server);
    Start result;
    if (!headless) {
        const std::optional<Mapped> mapped = watch.waitForMap(start, std::chrono::seconds(10));
        if (!mapped) {
            std::fprintf(stderr, "startup: the window did not show within 10 s\n");
            return std::nullopt;
        }
        result.mapped = *mapped;
    }
    const std::optional<double> devices = waitForRelay(start, peers.keys, peers.synth);
    if (!devices) {
        std::fprintf(stderr, "startup: moxel%s relayed nothing within 10 s\n",
                     headless ? " --headless" : "");
        return std::nullopt;
    }
    result.devices = *devices;
    std::this_thread::sleep_for(std::chrono::seconds(1) - (Clock::now() - start));
    result.rss = residentMb(pid);
    return result;
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

void print(const char* what, const std::vector<double>& values, const char* unit) {
    std::printf("  %-38s %7.1f %s (min %.1f, max %.1f)\n", what, median(values), unit,
                *std::min_element(values.begin(), values.end()),
                *std::max_element(values.begin(), values.end()));
}

int main(int argc, char** argv) {
    std::string moxelPath, emptyPath, headlessPath;
    int runs = 10;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--moxel") {
            moxelPath = argv[i + 1];
        } else if (arg == "--empty") {
            emptyPath = argv[i + 1];
        } else if (arg == "--headless") {
            headlessPath = argv[i + 1];
        } else if (arg == "--runs") {
            runs = std::atoi(argv[i + 1]);
        }
    }
    if (moxelPath.empty() || emptyPath.empty() || runs <= 0) {
        std::fprintf(stderr, "usage: %s --moxel PATH --empty PATH [--headless PATH] [--runs N]\n",
                     argv[0]);
        return 2;
    }
    if (headlessPath.empty()) {
        headlessPath = moxelPath;
    }
    moxel::midi::JackBackend::quietLibraryMessages();
    moxel::test::JackServer server;
    if (!server.running()) {
        std::fprintf(stderr, "no JACK server: %s\n", server.error().c_str());
        return 1;
    }
    moxel::test::JackPeer keys("keys"), synth("synth");
    const Peers peers{server.name(), keys, synth};
    MapWatch watch;

    // One start of each first, not counted: the files in the page cache.
    const std::optional<Start> first = startMoxel(moxelPath, peers, watch, false);
    if (!first || !startEmpty(emptyPath, first->mapped, watch) ||
        !startMoxel(headlessPath, peers, watch, true)) {
        std::fprintf(stderr, "a window or the devices did not show within 10 s\n");
        return 1;
    }
    std::vector<double> mapped, empty, windowDevices, headlessDevices;
    std::vector<double> windowOwn, headlessOwn, windowFiles, headlessFiles, windowShared,
        headlessShared;
    for (int i = 0; i < runs; ++i) {
        const std::optional<Start> w = startMoxel(moxelPath, peers, watch, false);
        const std::optional<Mapped> e = startEmpty(emptyPath, first->mapped, watch);
        const std::optional<Start> h = startMoxel(headlessPath, peers, watch, true);
        if (!w || !e || !h) {
            std::fprintf(stderr, "a window or the devices did not show within 10 s\n");
            return 1;
        }
        mapped.push_back(w->mapped.ms);
        empty.push_back(e->ms);
        windowDevices.push_back(w->devices);
        headlessDevices.push_back(h->devices);
        windowOwn.push_back(w->rss.own);
        headlessOwn.push_back(h->rss.own);
        windowFiles.push_back(w->rss.files);
        headlessFiles.push_back(h->rss.files);
        windowShared.push_back(w->rss.shared);
        headlessShared.push_back(h->rss.shared);
    }
    std::printf("median of %d starts each (window %dx%d):\n", runs, first->mapped.width,
                first->mapped.height);
    print("empty Qt window: exec to mapped", empty, "ms");
    print("moxel: exec to window mapped", mapped, "ms");
    print("moxel: exec to first note relayed", windowDevices, "ms");
    print("headless: exec to first note relayed", headlessDevices, "ms");
    print("moxel: resident, its own", windowOwn, "MB");
    print("headless: resident, its own", headlessOwn, "MB");
    print("moxel: resident, mapped files", windowFiles, "MB");
    print("headless: resident, mapped files", headlessFiles, "MB");
    print("moxel: resident, JACK's shared", windowShared, "MB");
    print("headless: resident, JACK's shared", headlessShared, "MB");
    std::printf("  moxel mapped / empty window       %7.2f\n", median(mapped) / median(empty));
    std::printf("  headless / moxel, first note             %7.2f\n",
                median(headlessDevices) / median(windowDevices));
    std::printf("  headless / moxel, own + files            %7.2f\n",
                (median(headlessOwn) + median(headlessFiles)) /
                    (median(windowOwn) + median(windowFiles)));
    return 0;
}
