// Preparing a full audio CD against sox, as whole processes: 74 minutes of
// 44.1 kHz WAVs become the raw track data a drive receives, through
// `qd-disc audio-cd --dry-run OUT.raw` (conversion to the burner's AIFF
// files, then every track's data read as the drive reads it) and through
// `sox TRACKS... -L -t cdr OUT.raw`. The "ratio" counter is our time
// divided by sox's: below 1 means faster.

#include "BenchSupport.h"

#include <climits>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using bench::RunToolOk;

constexpr int kTracks = 14;
constexpr int kTrackSeconds = 317; // 14 tracks: 73 min 58 s

std::string QdDisc()
{
    char self[PATH_MAX] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return "qd-disc";
    std::string path(self, static_cast<size_t>(n));
    path = path.substr(0, path.rfind('/'));
    return path.substr(0, path.rfind('/')) + "/tools/qd-disc/qd-disc";
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
    bench::ScratchFolder folder{"audio-cd"};
    std::vector<std::string> tracks;

private:
    Material()
    {
        ok = folder.Exists();
        for (int n = 0; ok && n < kTracks; ++n) {
            const std::string path = folder.Path("track" + std::to_string(n) + ".wav");
            // sox joins its inputs only when their channel counts agree: all stereo.
            ok = RunToolOk({"sox", "-D", "-n", "-r", "44100", "-c", "2", "-b", "16", path, "synth",
                            std::to_string(kTrackSeconds), "pinknoise", "sine", std::to_string(220 + n * 40),
                            "gain", "-6"});
            tracks.push_back(path);
        }
    }
};

void BM_AudioCdRawVsSox(benchmark::State& state)
{
    Material& m = Material::Get();
    if (!m.ok) {
        state.SkipWithError("sox could not make the material");
        return;
    }
    const std::string tool = QdDisc();
    if (access(tool.c_str(), X_OK) != 0) {
        state.SkipWithError("qd-disc is not built");
        return;
    }
    // Our temporary AIFFs go to the scratch folder, not the user's caches.
    setenv("XDG_CACHE_HOME", m.folder.Path("cache").c_str(), 1);
    std::vector<std::string> ours = {tool,      "audio-cd", "--drive",   "none",
                                     "--pause", "0",        "--dry-run", m.folder.Path("ours.raw")};
    std::vector<std::string> sox = {"sox"};
    for (const std::string& track : m.tracks) {
        ours.push_back(track);
        sox.push_back(track);
    }
    for (const char* arg : {"-L", "-t", "cdr"})
        sox.push_back(arg);
    sox.push_back(m.folder.Path("sox.raw"));
    bench::CompareOptions options;
    options.reference = "sox";
    options.audioSeconds = kTracks * kTrackSeconds;
    bench::CompareWithReference(
        state, [&] { return RunToolOk(ours); }, [&] { return RunToolOk(sox); }, options);
}

BENCHMARK(BM_AudioCdRawVsSox)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
