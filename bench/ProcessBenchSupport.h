#pragma once
// Whole processes against whole processes: our command-line tool and the
// reference tool each start, read the same file, do the same work and write
// their result, as a user would run them, so that start-up, file reading and
// writing count on both sides. Every iteration runs both once, one after the
// other (which one goes first alternates); the ratio reported is the median
// of the per-pair ratios, so that a busy moment of the machine spoils one
// pair rather than the figure. Both the wall time and the CPU time (user and
// system, every thread of the process) of each run are taken; a pair can be
// pinned to one core, where CPU time shows the whole cost of the work
// (helper threads included) and wall time unpinned shows what a user waits.

#include "BenchSupport.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <sched.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace bench {

// A program of the build folder this benchmark belongs to:
// build/tools/<name>/<name>.
inline std::string BuildTool(const char* name)
{
    char self[PATH_MAX] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string folder = n > 0 ? std::string(self, static_cast<size_t>(n)) : std::string();
    folder = folder.substr(0, folder.rfind('/')); // build/bench
    folder = folder.substr(0, folder.rfind('/')); // build
    return folder + "/tools/" + name + "/" + name;
}

inline std::string QdAudio()
{
    return BuildTool("qd-audio");
}

// One side of a pair: the command and where its standard output goes.
struct ProcessRun
{
    std::vector<std::string> args;
    std::string output = "/dev/null";
};

struct PairOptions
{
    // Names the reference's time counter, "<reference>_s".
    const char* reference = "ref";
    // Seconds of audio one run handles; when set, "x_realtime" says how many
    // times faster than real time our process runs.
    double audioSeconds = 0;
    // Both processes run on one core (the first this benchmark may use).
    bool pinToOneCore = false;
};

namespace detail {

struct RunTimes
{
    double wall = 0;
    double cpu = 0; // user + system of the process and all its threads
};

inline double Seconds(const timeval& t)
{
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
}

// As RunTool, also taking the child's own resource use from wait4.
inline RunTimes TimedRun(const ProcessRun& run, bool& ok)
{
    RunTimes times;
    std::vector<char*> argv;
    for (const std::string& arg : run.args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, run.output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = Clock::now();
    pid_t pid;
    const int started = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0) {
        ok = false;
        return times;
    }
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            ok = false;
            return times;
        }
    }
    times.wall = std::chrono::duration<double>(Clock::now() - start).count();
    times.cpu = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    ok = ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return times;
}

inline double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Pins this process (and so the children it starts) to the first core it
// may use, and gives the old set back when it goes.
class OneCorePin
{
public:
    explicit OneCorePin(bool pin)
    {
        if (!pin || sched_getaffinity(0, sizeof saved_, &saved_) != 0)
            return;
        for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
            if (CPU_ISSET(cpu, &saved_)) {
                cpu_set_t one;
                CPU_ZERO(&one);
                CPU_SET(cpu, &one);
                pinned_ = sched_setaffinity(0, sizeof one, &one) == 0;
                break;
            }
        }
    }
    ~OneCorePin()
    {
        if (pinned_)
            sched_setaffinity(0, sizeof saved_, &saved_);
    }
    OneCorePin(const OneCorePin&) = delete;
    OneCorePin& operator=(const OneCorePin&) = delete;

private:
    cpu_set_t saved_{};
    bool pinned_ = false;
};

} // namespace detail

// Runs ours and the reference once per iteration, in alternating order.
// Counters: "ours_s" and "<reference>_s" (mean wall seconds a run),
// "ours_cpu_s" and "<reference>_cpu_s" (mean CPU seconds a run), "ratio"
// (the median of the wall-time ratios ours / reference over the pairs: below
// 1 means faster) and "cpu_ratio" (the same of the CPU times). A process
// that fails skips the benchmark with an error.
inline void ComparePaired(benchmark::State& state, const ProcessRun& ours, const ProcessRun& reference,
                          const PairOptions& options = {})
{
    detail::OneCorePin pin(options.pinToOneCore);
    std::vector<double> wallRatios, cpuRatios;
    detail::RunTimes oursTotal, referenceTotal;
    bool ok = true;
    bool oursFirst = true;
    for (auto _ : state) {
        detail::RunTimes a;
        detail::RunTimes b;
        if (oursFirst) {
            a = detail::TimedRun(ours, ok);
            b = detail::TimedRun(reference, ok);
        } else {
            b = detail::TimedRun(reference, ok);
            a = detail::TimedRun(ours, ok);
        }
        oursFirst = !oursFirst;
        if (!ok) {
            state.SkipWithError(
                ("a process failed: " + ours.args.front() + " or " + reference.args.front()).c_str());
            return;
        }
        oursTotal.wall += a.wall;
        oursTotal.cpu += a.cpu;
        referenceTotal.wall += b.wall;
        referenceTotal.cpu += b.cpu;
        wallRatios.push_back(b.wall > 0 ? a.wall / b.wall : 0);
        cpuRatios.push_back(b.cpu > 0 ? a.cpu / b.cpu : 0);
        state.SetIterationTime(a.wall);
    }
    if (wallRatios.empty())
        return;
    const double runs = static_cast<double>(wallRatios.size());
    const std::string name = options.reference;
    state.counters["ours_s"] = oursTotal.wall / runs;
    state.counters[name + "_s"] = referenceTotal.wall / runs;
    state.counters["ours_cpu_s"] = oursTotal.cpu / runs;
    state.counters[name + "_cpu_s"] = referenceTotal.cpu / runs;
    state.counters["ratio"] = detail::Median(wallRatios);
    state.counters["cpu_ratio"] = detail::Median(cpuRatios);
    if (options.audioSeconds > 0)
        state.counters["x_realtime"] = oursTotal.wall > 0 ? options.audioSeconds * runs / oursTotal.wall : 0;
}

// The length every whole-process benchmark measures on: ten minutes.
constexpr int kProcessBenchSeconds = 600;

} // namespace bench
