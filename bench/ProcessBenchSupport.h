#pragma once
// Whole processes against whole processes: our command-line tool and the
// reference tool each start, read the same file, do the same work and write
// their result, as a user would run them, so that start-up, file reading and
// writing count on both sides. Every iteration runs both once, one after the
// other (which one goes first alternates); the ratio reported is the median
// of the per-pair ratios, so that a busy moment of the machine spoils one
// pair rather than the figure.

#include "BenchSupport.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <string>
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
};

namespace detail {

inline double TimedRun(const ProcessRun& run, bool& ok)
{
    const auto start = Clock::now();
    ok = RunToolOk(run.args, run.output.c_str()) && ok;
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace detail

// Runs ours and the reference once per iteration, in alternating order.
// Counters: "ours_s" and "<reference>_s" (mean seconds a run), "ratio" (the
// median of ours / reference over the pairs: below 1 means faster). A process
// that fails skips the benchmark with an error.
inline void ComparePaired(benchmark::State& state, const ProcessRun& ours, const ProcessRun& reference,
                          const PairOptions& options = {})
{
    std::vector<double> ratios;
    double oursTotal = 0;
    double referenceTotal = 0;
    bool ok = true;
    bool oursFirst = true;
    for (auto _ : state) {
        double a;
        double b;
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
        oursTotal += a;
        referenceTotal += b;
        ratios.push_back(b > 0 ? a / b : 0);
        state.SetIterationTime(a);
    }
    if (ratios.empty())
        return;
    std::sort(ratios.begin(), ratios.end());
    const double runs = static_cast<double>(ratios.size());
    state.counters["ours_s"] = oursTotal / runs;
    state.counters[std::string(options.reference) + "_s"] = referenceTotal / runs;
    const size_t middle = ratios.size() / 2;
    state.counters["ratio"] =
        ratios.size() % 2 == 1 ? ratios[middle] : (ratios[middle - 1] + ratios[middle]) / 2;
    if (options.audioSeconds > 0)
        state.counters["x_realtime"] = oursTotal > 0 ? options.audioSeconds * runs / oursTotal : 0;
}

// The length every whole-process benchmark measures on: ten minutes.
constexpr int kProcessBenchSeconds = 600;

} // namespace bench
