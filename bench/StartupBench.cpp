// Process start to first window on screen, on a real X display: the windowed client (its login
// dialog) beside BareDialog (a Qt dialog and nothing else), each started kRuns times in turn on a
// private Xvfb, timed from just before the fork to the X server's MapNotify of the program's first
// top-level window (no window manager runs, so mapped is visible). Prints the medians and their
// ratio, and beside them the CPU time each program had used by then (all its threads, from the
// scheduler's count), which a loaded machine disturbs less than the wall-clock time. The client runs with empty
// settings and data folders of its own, made once, so every run after the first finds them as a returning user does.
//   StartupBench [runs]   (15 when not given)

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>

namespace {

using Clock = std::chrono::steady_clock;

// Starts Xvfb on a free display it picks itself (-displayfd); the display's name, empty on failure.
std::string StartXvfb(pid_t& server)
{
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    server = fork();
    if (server == 0) {
        close(fds[0]);
        // Xvfb reports every display it finds taken on its way to a free one: not for the figures.
        int quiet = open("/dev/null", O_WRONLY);
        if (quiet >= 0)
            dup2(quiet, STDERR_FILENO);
        std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1600x1000x24", "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    return number.empty() ? std::string() : ":" + number;
}

// Milliseconds of CPU the process has run on, over its live threads (/proc/PID/task/*/schedstat,
// nanoseconds); -1 when it cannot be read.
double CpuMs(pid_t pid)
{
    std::string folder = "/proc/" + std::to_string(pid) + "/task";
    DIR* tasks = opendir(folder.c_str());
    if (tasks == nullptr)
        return -1;
    double nanoseconds = 0;
    while (dirent* task = readdir(tasks)) {
        if (task->d_name[0] == '.')
            continue;
        std::ifstream stat(folder + "/" + task->d_name + "/schedstat");
        double running = 0;
        if (stat >> running)
            nanoseconds += running;
    }
    closedir(tasks);
    return nanoseconds / 1e6;
}

// Milliseconds from the fork to the first top-level window the program maps; -1 when none comes
// within 20 s. cpuMs gets the CPU time the program had used when its window was mapped. The program
// is killed afterwards.
double TimeToFirstWindow(xcb_connection_t* connection, double& cpuMs, const std::string& program,
                         const char* option = nullptr)
{
    cpuMs = -1;
    // Events of earlier runs are dropped.
    while (xcb_generic_event_t* stale = xcb_poll_for_event(connection))
        std::free(stale);
    Clock::time_point start = Clock::now();
    pid_t child = fork();
    if (child == 0) {
        execl(program.c_str(), program.c_str(), option, static_cast<char*>(nullptr));
        _exit(127);
    }
    double ms = -1;
    int fd = xcb_get_file_descriptor(connection);
    while (ms < 0 && Clock::now() - start < std::chrono::seconds(20)) {
        xcb_generic_event_t* event = xcb_poll_for_event(connection);
        if (event == nullptr) {
            fd_set read;
            FD_ZERO(&read);
            FD_SET(fd, &read);
            timeval wait{0, 100000};
            select(fd + 1, &read, nullptr, nullptr, &wait);
            if (xcb_connection_has_error(connection))
                break;
            continue;
        }
        if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY &&
            !reinterpret_cast<xcb_map_notify_event_t*>(event)->override_redirect) {
            ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            cpuMs = CpuMs(child);
        }
        std::free(event);
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    return ms;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n == 0 ? 0 : (n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2);
}

} // namespace

int main(int argc, char** argv)
{
    // A first argument that is not a number (bench/run passes its benchmark options) is ignored.
    int runs = 15;
    if (argc > 1 && argv[1][0] >= '1' && argv[1][0] <= '9')
        runs = std::max(1, std::atoi(argv[1]));
    pid_t server = -1;
    std::string display = StartXvfb(server);
    if (display.empty()) {
        std::printf("start-up: Xvfb did not start\n");
        return 1;
    }
    char folder[] = "/tmp/kh-startup-XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        std::printf("start-up: no temporary folder\n");
        kill(server, SIGTERM);
        return 1;
    }
    setenv("DISPLAY", display.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    setenv("XDG_CONFIG_HOME", (std::string(folder) + "/config").c_str(), 1);
    setenv("XDG_DATA_HOME", (std::string(folder) + "/data").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", folder, 1);

    xcb_connection_t* connection = xcb_connect(display.c_str(), nullptr);
    int status = 0;
    if (xcb_connection_has_error(connection)) {
        std::printf("start-up: cannot reach %s\n", display.c_str());
        status = 1;
    } else {
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
        uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection, screen->root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(connection);

        std::vector<double> client;
        std::vector<double> bare;
        std::vector<double> bareCjk;
        // One run of each first, unmeasured: the libraries and fonts come into the page cache.
        double cpu[3];
        TimeToFirstWindow(connection, cpu[0], KH_BORVANKH_PATH);
        TimeToFirstWindow(connection, cpu[1], KH_BARE_DIALOG_PATH);
        TimeToFirstWindow(connection, cpu[2], KH_BARE_DIALOG_PATH, "--cjk");
        std::vector<double> clientCpu;
        std::vector<double> bareCpu;
        std::vector<double> bareCjkCpu;
        for (int run = 0; run < runs; ++run) {
            double c = TimeToFirstWindow(connection, cpu[0], KH_BORVANKH_PATH);
            double b = TimeToFirstWindow(connection, cpu[1], KH_BARE_DIALOG_PATH);
            double k = TimeToFirstWindow(connection, cpu[2], KH_BARE_DIALOG_PATH, "--cjk");
            if (c < 0 || b < 0 || k < 0) {
                std::printf("start-up: run %d showed no window (client %.0f ms, bare dialogs %.0f and %.0f ms)\n", run,
                            c, b, k);
                status = 1;
                break;
            }
            client.push_back(c);
            bare.push_back(b);
            bareCjk.push_back(k);
            clientCpu.push_back(cpu[0]);
            bareCpu.push_back(cpu[1]);
            bareCjkCpu.push_back(cpu[2]);
        }
        if (!client.empty()) {
            double c = Median(client);
            double b = Median(bare);
            double k = Median(bareCjk);
            std::printf("process start to first window mapped, median of %zu runs on Xvfb: borvankh login dialog "
                        "%.1f ms, bare Qt dialog %.1f ms, bare Qt dialog with a Chinese line in the client's font "
                        "%.1f ms\n",
                        client.size(), c, b, k);
            std::printf("ratio login dialog / bare Qt dialog: %.2f (goal: under 1.10)\n", c / b);
            std::printf("ratio login dialog / bare Qt dialog in the client's font: %.2f\n", c / k);
            double cc = Median(clientCpu);
            double cb = Median(bareCpu);
            double ck = Median(bareCjkCpu);
            std::printf("CPU used by then, all threads, medians: borvankh %.1f ms, bare Qt dialog %.1f ms, with a "
                        "Chinese line %.1f ms; ratios %.2f and %.2f\n",
                        cc, cb, ck, cc / cb, cc / ck);
        }
    }
    xcb_disconnect(connection);
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
    std::string remove = std::string("rm -rf ") + folder;
    return std::system(remove.c_str()) == 0 ? status : 1;
}
