// Start-up of the program as a user meets it: from the start of the process
// to its single-instance socket, the moment a second start is handed over
// and the main window is on its way. Measured against a bare Qt Widgets
// program that opens the same kind of socket (startup_floor), each in a
// fresh home and runtime folder, offscreen. "ours_ms" is the figure the
// program keeps under 100 ms; "ratio" is ours over the floor.

#include "BenchSupport.h"
#include "ProcessBenchSupport.h"

#include <csignal>
#include <string>
#include <sys/stat.h>
#include <thread>

namespace {

std::string BuildFile(const char* relative)
{
    char self[PATH_MAX] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string folder = n > 0 ? std::string(self, static_cast<size_t>(n)) : std::string();
    folder = folder.substr(0, folder.rfind('/')); // build/bench
    folder = folder.substr(0, folder.rfind('/')); // build
    return folder + "/" + relative;
}

// Seconds from the spawn of the program until the socket shows in its
// runtime folder, or a negative value when it never did. The program is
// then stopped and waited for.
double SecondsToSocket(const std::string& program, const bench::ScratchFolder& scratch, int run)
{
    const std::string home = scratch.Path() + "/home" + std::to_string(run);
    const std::string runtime = home + "/run";
    if (mkdir(home.c_str(), 0700) != 0 || mkdir(runtime.c_str(), 0700) != 0)
        return -1;
    const std::string socket = runtime + "/quorin.socket";
    std::vector<std::string> env = {"HOME=" + home,
                                    "XDG_RUNTIME_DIR=" + runtime,
                                    "XDG_CONFIG_HOME=" + home + "/config",
                                    "XDG_CACHE_HOME=" + home + "/cache",
                                    "XDG_DATA_HOME=" + home + "/data",
                                    "XDG_STATE_HOME=" + home + "/state",
                                    "QT_QPA_PLATFORM=offscreen",
                                    "PATH=/usr/bin:/bin"};
    std::vector<char*> envp;
    for (std::string& entry : env)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::string path = program;
    char* argv[] = {path.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = bench::Clock::now();
    pid_t pid;
    const int started = posix_spawn(&pid, argv[0], &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0)
        return -1;
    double seconds = -1;
    struct stat info;
    while (std::chrono::duration<double>(bench::Clock::now() - start).count() < 10) {
        if (lstat(socket.c_str(), &info) == 0) {
            seconds = std::chrono::duration<double>(bench::Clock::now() - start).count();
            break;
        }
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return -1; // ended without a socket
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    kill(pid, SIGKILL);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return seconds;
}

void BM_StartUpToSingleInstanceSocket(benchmark::State& state)
{
    const std::string ours = BuildFile("src/app/quorin");
    const std::string floor = BuildFile("bench/startup_floor");
    bench::ScratchFolder scratch("startup");
    std::vector<double> oursRuns, floorRuns, ratios;
    int run = 0;
    bool oursFirst = true;
    for (auto _ : state) {
        double a, b;
        if (oursFirst) {
            a = SecondsToSocket(ours, scratch, run++);
            b = SecondsToSocket(floor, scratch, run++);
        } else {
            b = SecondsToSocket(floor, scratch, run++);
            a = SecondsToSocket(ours, scratch, run++);
        }
        oursFirst = !oursFirst;
        if (a < 0 || b < 0) {
            state.SkipWithError(("no socket from " + (a < 0 ? ours : floor)).c_str());
            return;
        }
        oursRuns.push_back(a);
        floorRuns.push_back(b);
        ratios.push_back(a / b);
        state.SetIterationTime(a);
    }
    if (ratios.empty())
        return;
    state.counters["ours_ms"] = bench::detail::Median(oursRuns) * 1000;
    state.counters["floor_ms"] = bench::detail::Median(floorRuns) * 1000;
    state.counters["ratio"] = bench::detail::Median(ratios);
    state.counters["target_ms"] = 100;
}
BENCHMARK(BM_StartUpToSingleInstanceSocket)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
