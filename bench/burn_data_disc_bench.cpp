// Burning an existing 700 MB ISO image onto a blank DVD+R, as whole
// processes: qd-disc burn onto the emulated drive (its disc lives in a file)
// against xorriso -as cdrecord writing the same image to a stdio: file
// target. Both sides read the same image from a warm cache and write to the
// same disk; "MB_per_s" is the image's size over our time. Set
// QUORIN_BURN_BENCH_MB for another size.

#include "BenchSupport.h"

#include <cstdio>
#include <cstdlib>
#include <limits.h>
#include <string>
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

// An image of whole 2048-byte sectors of varied bytes.
bool WriteImage(const std::string& path, std::size_t megabytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    std::vector<unsigned char> block(1 << 20);
    unsigned state = 2654435761u;
    for (unsigned char& byte : block) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<unsigned char>(state >> 24);
    }
    bool ok = true;
    for (std::size_t i = 0; i < megabytes && ok; ++i) {
        block[0] = static_cast<unsigned char>(i); // no two blocks alike
        ok = std::fwrite(block.data(), 1, block.size(), file) == block.size();
    }
    return std::fclose(file) == 0 && ok;
}

struct Dataset
{
    bench::ScratchFolder folder{"burn-data-disc"};
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
        const char* size = std::getenv("QUORIN_BURN_BENCH_MB");
        megabytes = size ? std::strtoul(size, nullptr, 10) : 700;
        if (!folder.Exists() || megabytes == 0)
            return;
        const std::string image = folder.Path("source.iso");
        ready = WriteImage(image, megabytes) && bench::RunToolOk({"cat", image});
    }
};

void BM_BurnImageToDvdPlusR(benchmark::State& state)
{
    Dataset& data = Dataset::Get();
    const std::string qd = QdDisc();
    if (!data.ready || access(qd.c_str(), X_OK) != 0 ||
        !bench::RunToolOk({"sh", "-c", "command -v xorriso"})) {
        state.SkipWithError("no image, qd-disc or xorriso");
        return;
    }
    const std::string source = data.folder.Path("source.iso");
    const std::string ours = data.folder.Path("ours.img");
    const std::string theirs = data.folder.Path("theirs.img");
    bench::CompareOptions options;
    options.reference = "xorriso";
    bench::CompareWithReference(
        state,
        [&] {
            const bool ok = bench::RunToolOk(
                {qd, "burn", "--drive", "emulated:" + ours + ",profile=dvd+r", "--image", source});
            unlink(ours.c_str());
            unlink((ours + ".state").c_str());
            return ok;
        },
        [&] {
            const bool ok =
                bench::RunToolOk({"xorriso", "-as", "cdrecord", "-v", "dev=stdio:" + theirs, "-dao", source});
            unlink(theirs.c_str());
            return ok;
        },
        options);
    const double seconds = state.counters["ours_ms"] / 1000.0;
    state.counters["MB_per_s"] = benchmark::Counter(seconds > 0 ? data.megabytes / seconds : 0);
}

BENCHMARK(BM_BurnImageToDvdPlusR)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
