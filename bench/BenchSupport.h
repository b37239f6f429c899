#pragma once
// What the benchmarks share: running a reference tool the way a user would,
// a scratch folder for the files both sides read and write, and the
// side-by-side timing that reports our time against the reference's
// measured in the same iterations.

#include <benchmark/benchmark.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <type_traits>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace bench {

using Clock = std::chrono::steady_clock;

// Runs a program (found through PATH) with an argument vector, its standard
// output into outPath (created or emptied) and its standard error into
// /dev/null. The exit status, or -1 when it could not start or was killed.
inline int RunTool(const std::vector<std::string>& args, const char* outPath = "/dev/null")
{
    if (args.empty())
        return -1;
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath, O_WRONLY | O_CREAT | O_TRUNC, 0666);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    const int started = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0)
        return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// True when the tool ran and exited with status 0.
inline bool RunToolOk(const std::vector<std::string>& args, const char* outPath = "/dev/null")
{
    return RunTool(args, outPath) == 0;
}

// A fresh folder under /tmp named after the benchmark, removed with
// everything in it at the end.
class ScratchFolder
{
public:
    explicit ScratchFolder(const char* name)
    {
        std::string pattern = std::string("/tmp/quorin-") + name + "-bench-XXXXXX";
        if (mkdtemp(pattern.data()))
            path_ = pattern;
    }
    ~ScratchFolder()
    {
        if (!path_.empty())
            RunTool({"rm", "-rf", path_});
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    bool Exists() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }
    std::string Path(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

struct CompareOptions
{
    // Names the reference's time counter: "<reference>_ms" (or "_us").
    const char* reference = "ref";
    // Times in microseconds rather than milliseconds, for short operations.
    bool microseconds = false;
    // Seconds of audio one iteration handles; when set, "x_realtime" says
    // how many times faster than real time our side runs.
    double audioSeconds = 0;
};

namespace detail {

// Runs one side; a side that returns bool reports failure with false.
template <typename Side> bool RunSide(Side& side)
{
    if constexpr (std::is_same_v<decltype(side()), bool>) {
        return side();
    } else {
        side();
        return true;
    }
}

} // namespace detail

// Runs `ours` and then `reference` once per iteration, reports our time as
// the iteration time (use UseManualTime) and the per-iteration times of both
// sides with their "ratio" (ours / reference: below 1 means faster). A side
// that fails skips the benchmark with an error naming it.
template <typename Ours, typename Reference>
void CompareWithReference(benchmark::State& state, Ours ours, Reference reference,
                          const CompareOptions& options = {})
{
    double oursTotal = 0, referenceTotal = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        if (!detail::RunSide(ours)) {
            state.SkipWithError("our side failed");
            return;
        }
        const auto t1 = Clock::now();
        if (!detail::RunSide(reference)) {
            state.SkipWithError((std::string(options.reference) + " failed").c_str());
            return;
        }
        const auto t2 = Clock::now();
        const double o = std::chrono::duration<double>(t1 - t0).count();
        oursTotal += o;
        referenceTotal += std::chrono::duration<double>(t2 - t1).count();
        state.SetIterationTime(o);
    }
    const double scale = options.microseconds ? 1e6 : 1e3;
    const char* unit = options.microseconds ? "_us" : "_ms";
    const double iterations = static_cast<double>(state.iterations());
    state.counters[std::string("ours") + unit] = benchmark::Counter(oursTotal * scale / iterations);
    state.counters[std::string(options.reference) + unit] =
        benchmark::Counter(referenceTotal * scale / iterations);
    state.counters["ratio"] = benchmark::Counter(referenceTotal > 0 ? oursTotal / referenceTotal : 0);
    if (options.audioSeconds > 0)
        state.counters["x_realtime"] =
            benchmark::Counter(oursTotal > 0 ? options.audioSeconds * iterations / oursTotal : 0);
}

} // namespace bench
