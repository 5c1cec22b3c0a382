// Whole-process figures of the real program, under an X server of its own
// whose root window is black (Xvfb -br; scripts/bench.sh starts one):
//   - start-up: from fork() until the program's window is mapped, and until
//     the window first holds a non-black pixel, i.e. its first frame is on the
//     screen; polled every millisecond with XGetImage, over several launches;
//   - idle CPU: utime + stime from /proc/PID/stat (all threads) over a span
//     with no input, when only the tail timer draws, in per cent of one core;
//   - peak resident memory: VmHWM from /proc/PID/status at the end.
// Usage: process_probe PROGRAM [launches] [idle-seconds]
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "window_title.h"

namespace {

using Clock = std::chrono::steady_clock;

int ignoreXErrors(Display*, XErrorEvent*)
{
    return 0; // the window may go away between two requests
}

double msSince(Clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

Window findWindow(Display* display)
{
    Window root = DefaultRootWindow(display), parent = 0, *children = nullptr, found = 0;
    unsigned count = 0;
    if (!XQueryTree(display, root, &root, &parent, &children, &count))
        return 0;
    for (unsigned i = 0; i < count && !found; ++i) {
        char* name = nullptr;
        if (XFetchName(display, children[i], &name) && name != nullptr) {
            if (std::strcmp(name, kWindowTitle) == 0)
                found = children[i];
            XFree(name);
        }
    }
    if (children != nullptr)
        XFree(children);
    return found;
}

bool anyNonBlack(Display* display, Drawable d, int x, int y, unsigned w, unsigned h)
{
    XImage* image = XGetImage(display, d, x, y, w, h, AllPlanes, ZPixmap);
    if (image == nullptr)
        return false;
    bool lit = false;
    for (unsigned row = 0; row < h && !lit; ++row)
        for (unsigned col = 0; col < w && !lit; ++col)
            lit = (XGetPixel(image, int(col), int(row)) & 0xFFFFFF) != 0;
    XDestroyImage(image);
    return lit;
}

struct Launch {
    pid_t pid = -1;
    double mappedMs = -1, firstFrameMs = -1;
};

Launch launch(Display* display, const char* program)
{
    Launch l;
    const auto t0 = Clock::now();
    l.pid = fork();
    if (l.pid == 0) {
        execl(program, program, static_cast<char*>(nullptr));
        std::perror("process_probe: exec");
        _exit(127);
    }
    while (msSince(t0) < 30000) {
        int status = 0;
        if (waitpid(l.pid, &status, WNOHANG) == l.pid) {
            std::fprintf(stderr, "process_probe: the program ended early\n");
            l.pid = -1;
            return l;
        }
        if (const Window w = findWindow(display)) {
            XWindowAttributes a;
            if (XGetWindowAttributes(display, w, &a) && a.map_state == IsViewable) {
                if (l.mappedMs < 0)
                    l.mappedMs = msSince(t0);
                if (anyNonBlack(display, w, 0, 0, unsigned(a.width), unsigned(a.height))) {
                    l.firstFrameMs = msSince(t0);
                    return l;
                }
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return l;
}

void stop(pid_t pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
}

// utime + stime of the whole process, in clock ticks.
long long cpuTicks(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')'); // the command name may hold spaces
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string f;
    long long utime = 0, stime = 0;
    // Fields from 3 (state) on; utime is field 14, stime 15.
    for (int i = 3; i <= 15 && (fields >> f); ++i) {
        if (i == 14)
            utime = std::atoll(f.c_str());
        if (i == 15)
            stime = std::atoll(f.c_str());
    }
    return utime + stime;
}

std::string statusField(pid_t pid, const char* key)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0)
            return line.substr(line.find(':') + 1);
    return "?";
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PROGRAM [launches] [idle-seconds]\n", argv[0]);
        return 2;
    }
    const char* program = argv[1];
    const int launches = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const int idleSeconds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 10;

    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "process_probe: cannot open the display\n");
        return 1;
    }
    XSetErrorHandler(ignoreXErrors);
    if (findWindow(display) != 0) {
        std::fprintf(stderr, "process_probe: a window of the program is already open\n");
        return 1;
    }
    // A mapped window shows the root below it until it draws: it must be black.
    if (anyNonBlack(display, DefaultRootWindow(display), 0, 0, 800, 500)) {
        std::fprintf(stderr, "process_probe: the root window is not black (start Xvfb -br)\n");
        return 1;
    }

    std::vector<double> mapped, first;
    Launch last;
    for (int i = 0; i < launches; ++i) {
        Launch l = launch(display, program);
        if (l.pid < 0 || l.firstFrameMs < 0) {
            std::fprintf(stderr, "process_probe: no first frame within 30 s\n");
            stop(l.pid);
            return 1;
        }
        std::printf("launch %d: window mapped after %.0f ms, first frame on screen after %.0f ms\n",
                    i + 1, l.mappedMs, l.firstFrameMs);
        mapped.push_back(l.mappedMs);
        first.push_back(l.firstFrameMs);
        if (i + 1 < launches) {
            stop(l.pid);
            // Let the window go before the next launch looks for one.
            while (findWindow(display) != 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        } else {
            last = l;
        }
    }
    std::printf("start-up (median of %d launches): window mapped %.0f ms, first frame %.0f ms "
                "(min %.0f ms)\n",
                launches, median(mapped), median(first),
                *std::min_element(first.begin(), first.end()));

    // Idle: no input, the tail timer alone redraws every 50 ms.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const long ticksPerSecond = sysconf(_SC_CLK_TCK);
    const long long c0 = cpuTicks(last.pid);
    const auto t0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
    const long long c1 = cpuTicks(last.pid);
    const double seconds = msSince(t0) / 1000.0;
    const double percent = 100.0 * double(c1 - c0) / double(ticksPerSecond) / seconds;
    std::printf("idle CPU over %.1f s (tail timer only, 640x360): %.1f %% of one core\n", seconds,
                percent);
    std::printf("peak resident memory (VmHWM):%s; threads:%s\n",
                statusField(last.pid, "VmHWM").c_str(), statusField(last.pid, "Threads").c_str());
    stop(last.pid);
    XCloseDisplay(display);
    return 0;
}
