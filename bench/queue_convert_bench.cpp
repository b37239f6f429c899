// A recording converted to MP3 through the job queue, the way the program
// does it (qd-queue adds the job and its worker runs it: whole processes,
// queue file, restoration check, encoding, tags and placing the result),
// against lame alone encoding the same file with the same settings, in the
// same iterations. The "ratio" is our time over lame's: the queue should add
// next to nothing to the encoding itself.

#include "BenchSupport.h"

#include <climits>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

using bench::RunToolOk;

// qd-queue of the build tree this benchmark belongs to.
std::string QdQueuePath()
{
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return std::string();
    std::string path(self, static_cast<size_t>(n));
    for (int up = 0; up < 2; ++up)
        path = path.substr(0, path.rfind('/'));
    return path + "/tools/qd-queue/qd-queue";
}

// Ten minutes of busy stereo material, and a home of its own so that the
// queue, the settings and the log never touch the user's.
class Material
{
public:
    static Material& Get()
    {
        static Material material;
        return material;
    }
    bool ok = false;
    bench::ScratchFolder folder{"queue"};
    std::string tool = QdQueuePath();
    std::string Path(const char* name) const { return folder.Path(name); }

private:
    Material()
    {
        if (!folder.Exists() || access(tool.c_str(), X_OK) != 0)
            return;
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
            setenv(name, folder.Path(name).c_str(), 1);
        ok = RunToolOk(
            {"sox",     "-n",  "-r",   "44100",   "-c",   "2",   "-b",    "16",        Path("side.wav"),
             "synth",   "600", "sine", "80-6000", "sine", "330", "synth", "pinknoise", "mix",
             "tremolo", "5",   "60",   "gain",    "-3"});
    }
};

void BM_QueueWavToMp3_vs_Lame(benchmark::State& state)
{
    Material& m = Material::Get();
    if (!m.ok) {
        state.SkipWithError("sox and a built qd-queue are needed");
        return;
    }
    const std::string in = m.Path("side.wav"), out = m.Path("out");
    bench::CompareWithReference(
        state,
        [&] {
            return RunToolOk({m.tool, "add", in, out, ".mp3"}) && RunToolOk({m.tool, "run"});
        },
        // The encoder settings the queue uses by default: 192 kbps CBR, quality 2.
        [&] {
            return RunToolOk({"lame", "--quiet", "-b", "192", "-q", "2", in, m.Path("lame.mp3")});
        },
        {"lame", false, 600});
}
BENCHMARK(BM_QueueWavToMp3_vs_Lame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
