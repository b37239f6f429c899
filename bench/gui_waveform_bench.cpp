// The waveform overview of an hour of 16-bit stereo: `qd-gui waveform` with
// 2048 columns as a whole process against `sox big.wav -n stat`, which reads
// the same file once to find its peaks. "ratio" is our time over sox's;
// MB_per_s is the file size over our time.

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using bench::RunToolOk;

std::string QdGui()
{
    char self[PATH_MAX] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return "qd-gui";
    std::string path(self, static_cast<size_t>(n));
    path = path.substr(0, path.rfind('/'));
    return path.substr(0, path.rfind('/')) + "/tools/qd-gui/qd-gui";
}

class Material
{
public:
    static Material& Get()
    {
        static Material material;
        return material;
    }
    bool ok = false;
    double megabytes = 0;
    bench::ScratchFolder folder{"waveform"};
    std::string Path(const std::string& name) const { return folder.Path(name); }

private:
    Material()
    {
        ok = folder.Exists() &&
             RunToolOk({"sox", "-D", "-n", "-r", "44100", "-c", "2", "-b", "16", Path("big.wav"), "synth",
                        "3600", "pinknoise", "sine", "440", "gain", "-6"});
        struct stat st
        {
        };
        if (ok && stat(Path("big.wav").c_str(), &st) == 0)
            megabytes = static_cast<double>(st.st_size) / 1e6;
    }
};

void BM_WaveformHour(benchmark::State& state)
{
    auto& material = Material::Get();
    const std::string tool = QdGui();
    if (!material.ok || access(tool.c_str(), X_OK) != 0) {
        state.SkipWithError("sox or qd-gui is missing");
        return;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const std::string in = material.Path("big.wav"), out = material.Path("w.png");
    bench::CompareOptions options;
    options.reference = "sox";
    options.audioSeconds = 3600;
    bench::CompareWithReference(
        state,
        [&] {
            return RunToolOk({tool, "waveform", in, out, "--width", "2048", "--height", "120"});
        },
        [&] {
            return RunToolOk({"sox", in, "-n", "stat"});
        },
        options);
    const double ours = state.counters["ours_ms"];
    state.counters["MB_per_s"] = benchmark::Counter(ours > 0 ? material.megabytes / (ours / 1000) : 0);
}

BENCHMARK(BM_WaveformHour)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
