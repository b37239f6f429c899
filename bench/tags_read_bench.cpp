// Reading the tags of 1,000 tagged MP3 files against mutagen-inspect reading
// the same files in one run. The "ratio" counter is our time divided by
// mutagen's: below 1 means faster. Two sets: plain text tags, and the same
// with a cover picture, which our reader saves as a file for the record
// (mutagen only parses it), so that set also measures the file system.

#include "tags/LAudioFileTags.h"

#include "BenchSupport.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using bench::RunToolOk;

constexpr int kFiles = 1000;

// 1,000 copies of a short MP3, each tagged differently by mutagen (ID3v2.4
// with a cover picture, plus ID3v1), made once.
class Material
{
public:
    static Material& Get()
    {
        static Material material;
        return material;
    }
    bool ok = false;
    bench::ScratchFolder folder{"tags"};
    std::vector<std::string> plain;
    std::vector<std::string> withCover;

private:
    Material()
    {
        const std::string wav = folder.Path("tone.wav");
        const std::string mp3 = folder.Path("tone.mp3");
        const std::string script = folder.Path("tag.py");
        FILE* f = std::fopen(script.c_str(), "w");
        if (!f)
            return;
        std::fputs("import sys, shutil\n"
                   "import mutagen.id3 as m\n"
                   "src, folder, count = sys.argv[1], sys.argv[2], int(sys.argv[3])\n"
                   "prefix = sys.argv[4]\n"
                   "cover = bytes([0x89]) + b'PNG\\r\\n\\x1a\\n' + bytes(2000)\n"
                   "for i in range(count):\n"
                   "    path = '%s/%s%04d.mp3' % (folder, prefix, i)\n"
                   "    shutil.copy(src, path)\n"
                   "    t = m.ID3()\n"
                   "    t.add(m.TIT2(encoding=3, text='Track %d title' % i))\n"
                   "    t.add(m.TPE1(encoding=1, text='Artist \\u00e9 %d' % (i % 17)))\n"
                   "    t.add(m.TALB(encoding=3, text='Album %d' % (i % 50)))\n"
                   "    t.add(m.TRCK(encoding=3, text='%d/20' % (i % 20 + 1)))\n"
                   "    t.add(m.TCON(encoding=3, text='Rock'))\n"
                   "    t.add(m.TDRC(encoding=3, text='1999-12-25'))\n"
                   "    t.add(m.COMM(encoding=3, lang='eng', desc='', text='Comment %d' % i))\n"
                   "    if prefix == 'cover':\n"
                   "        t.add(m.APIC(encoding=0, mime='image/png', type=3, desc='', data=cover))\n"
                   "    t.save(path, v1=2)\n",
                   f);
        std::fclose(f);
        // Artwork read from a tag is kept as a file in the caches folder: put
        // it on the file system the tagged files are on, as the user's would be.
        setenv("XDG_CACHE_HOME", folder.Path("cache").c_str(), 1);
        ok = folder.Exists() &&
             RunToolOk({"sox", "-n", "-r", "44100", "-c", "2", wav, "synth", "2", "sine", "440"}) &&
             RunToolOk({"lame", "--quiet", "-b", "128", wav, mp3}) &&
             RunToolOk({"/usr/bin/python3", script, mp3, folder.Path(), std::to_string(kFiles), "plain"}) &&
             RunToolOk({"/usr/bin/python3", script, mp3, folder.Path(), std::to_string(kFiles), "cover"});
        for (int i = 0; ok && i < kFiles; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "plain%04d.mp3", i);
            plain.push_back(folder.Path(name));
            std::snprintf(name, sizeof name, "cover%04d.mp3", i);
            withCover.push_back(folder.Path(name));
        }
    }
};

void CompareReading(benchmark::State& state, bool cover)
{
    Material& m = Material::Get();
    if (!m.ok) {
        state.SkipWithError(
            "sox, lame and python3-mutagen are needed to make the files and as the reference");
        return;
    }
    const std::vector<std::string>& files = cover ? m.withCover : m.plain;
    std::vector<std::string> inspect{"mutagen-inspect"};
    inspect.insert(inspect.end(), files.begin(), files.end());
    bench::CompareWithReference(
        state,
        [&] {
            size_t keys = 0;
            for (const std::string& file : files) {
                LAudioTagMap tags;
                if (!ReadAudioFileTags(&tags, file.c_str()))
                    return false;
                keys += tags.fields.Count();
            }
            benchmark::DoNotOptimize(keys);
            return keys >= static_cast<size_t>(kFiles) * 7;
        },
        [&] { return RunToolOk(inspect); }, {"mutagen_inspect"});
}

void BM_ReadTagsOf1000Mp3s_vs_MutagenInspect(benchmark::State& state)
{
    CompareReading(state, false);
}
BENCHMARK(BM_ReadTagsOf1000Mp3s_vs_MutagenInspect)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

void BM_ReadTagsOf1000Mp3sWithCovers_vs_MutagenInspect(benchmark::State& state)
{
    CompareReading(state, true);
}
BENCHMARK(BM_ReadTagsOf1000Mp3sWithCovers_vs_MutagenInspect)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace

BENCHMARK_MAIN();
