// Building a data-disc image of a folder of mixed files (about 2 GB; set
// QUORIN_DISC_BENCH_MB for another size), as whole processes: qd-disc
// against xorriso -as mkisofs -J for ISO 9660 with Joliet, and against
// genisoimage -J -udf for the ISO/UDF bridge. Both sides read the same files
// from a warm cache and write to the same disk; "MB_per_s" is our image
// bytes over our time.

#include "BenchSupport.h"

#include <cstdio>
#include <cstdlib>
#include <limits.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::string QdDisc()
{
    char self[PATH_MAX] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string dir = n > 0 ? std::string(self, static_cast<std::size_t>(n)) : std::string();
    dir = dir.substr(0, dir.rfind('/'));
    return dir + "/../tools/qd-disc/qd-disc";
}

bool WriteFile(const std::string& path, std::size_t size, unsigned seed)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    std::vector<unsigned char> block(1 << 20);
    unsigned state = seed * 2654435761u + 1;
    for (unsigned char& byte : block) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<unsigned char>(state >> 24);
    }
    std::size_t left = size;
    bool ok = true;
    while (left > 0 && ok) {
        const std::size_t piece = left < block.size() ? left : block.size();
        block[0] = static_cast<unsigned char>(left); // no two blocks alike
        ok = std::fwrite(block.data(), 1, piece, file) == piece;
        left -= piece;
    }
    return std::fclose(file) == 0 && ok;
}

// A quarter in large files, half in medium ones, a quarter in small ones in
// nested folders.
bool MakeTree(const std::string& root, std::size_t megabytes)
{
    const std::size_t total = megabytes << 20;
    unsigned seed = 1;
    bool ok = mkdir((root + "/large").c_str(), 0755) == 0 && mkdir((root + "/medium").c_str(), 0755) == 0 &&
              mkdir((root + "/small").c_str(), 0755) == 0;
    for (std::size_t done = 0; ok && done < total / 4; done += 128 << 20, ++seed)
        ok = WriteFile(root + "/large/take" + std::to_string(seed) + ".wav", 128 << 20, seed);
    for (std::size_t done = 0; ok && done < total / 2; done += 3 << 20, ++seed)
        ok = WriteFile(root + "/medium/track" + std::to_string(seed) + ".mp3", 3 << 20, seed);
    for (std::size_t done = 0, i = 0; ok && done < total / 4; done += 40000, ++i, ++seed) {
        const std::string folder = root + "/small/set" + std::to_string(i / 100);
        if (i % 100 == 0)
            ok = mkdir(folder.c_str(), 0755) == 0;
        if (ok)
            ok = WriteFile(folder + "/note" + std::to_string(i) + ".txt", 40000, seed);
    }
    return ok;
}

struct Dataset
{
    bench::ScratchFolder folder{"disc-image"};
    bool ready = false;
    std::size_t megabytes = 0;

    static Dataset& Get()
    {
        static Dataset data;
        return data;
    }

private:
    Dataset()
    {
        const char* size = std::getenv("QUORIN_DISC_BENCH_MB");
        megabytes = size ? std::strtoul(size, nullptr, 10) : 2048;
        if (!folder.Exists() || megabytes == 0)
            return;
        const std::string tree = folder.Path("tree");
        ready = mkdir(tree.c_str(), 0755) == 0 && MakeTree(tree, megabytes);
        // Warm the cache for both sides alike.
        ready = ready && bench::RunToolOk({"sh", "-c", "cat $(find " + tree + " -type f) > /dev/null"});
    }
};

void CompareImage(benchmark::State& state, const char* code, std::vector<std::string> reference,
                  const char* referenceName)
{
    Dataset& data = Dataset::Get();
    const std::string qd = QdDisc();
    if (!data.ready || access(qd.c_str(), X_OK) != 0 ||
        !bench::RunToolOk({"sh", "-c", "command -v " + reference[0]})) {
        state.SkipWithError("no data set, qd-disc or reference tool");
        return;
    }
    const std::string tree = data.folder.Path("tree");
    const std::string ours = data.folder.Path("ours.iso");
    const std::string theirs = data.folder.Path("theirs.iso");
    reference.push_back("-o");
    reference.push_back(theirs);
    reference.push_back(tree);
    bench::CompareOptions options;
    options.reference = referenceName;
    bench::CompareWithReference(
        state,
        [&] {
            const bool ok = bench::RunToolOk({qd, "image", ours, "--fs", code, "--label", "Bench",
                                              tree + "/large", tree + "/medium", tree + "/small"});
            unlink(ours.c_str());
            return ok;
        },
        [&] {
            const bool ok = bench::RunToolOk(reference);
            unlink(theirs.c_str());
            return ok;
        },
        options);
    const double seconds = state.counters["ours_ms"] / 1000.0;
    state.counters["MB_per_s"] = benchmark::Counter(seconds > 0 ? data.megabytes / seconds : 0);
}

// Writing over an existing image of the same size against writing a new
// one: the replaced image must cost nothing of its own ("ratio" near 1).
void BM_IsoJolietOverExisting(benchmark::State& state)
{
    Dataset& data = Dataset::Get();
    const std::string qd = QdDisc();
    if (!data.ready || access(qd.c_str(), X_OK) != 0) {
        state.SkipWithError("no data set or qd-disc");
        return;
    }
    const std::string tree = data.folder.Path("tree");
    const std::string image = data.folder.Path("over.iso");
    auto write = [&] {
        return bench::RunToolOk({qd, "image", image, "--fs", "2", "--label", "Bench", tree + "/large",
                                 tree + "/medium", tree + "/small"});
    };
    if (!write()) {
        state.SkipWithError("qd-disc image failed");
        return;
    }
    bench::CompareOptions options;
    options.reference = "new_image";
    bench::CompareWithReference(
        state, [&] { return write(); },
        [&] {
            unlink(image.c_str());
            return write();
        },
        options);
    unlink(image.c_str());
}

void BM_IsoJoliet(benchmark::State& state)
{
    CompareImage(state, "2", {"xorriso", "-as", "mkisofs", "-quiet", "-J"}, "xorriso");
}

void BM_Bridge(benchmark::State& state)
{
    CompareImage(state, "5", {"genisoimage", "-quiet", "-J", "-udf"}, "genisoimage");
}

BENCHMARK(BM_IsoJoliet)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bridge)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IsoJolietOverExisting)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
