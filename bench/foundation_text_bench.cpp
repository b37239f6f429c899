// Text containers and formatting against the standard library, measured side
// by side in the same iterations. The "ratio" counter is our time divided by
// the reference's: below 1 means faster.

#include "foundation/containers/LStringMap.h"
#include "foundation/text/LPrintf.h"
#include "foundation/text/LStringLong.h"
#include "foundation/text/LTextBuffer.h"

#include "BenchSupport.h"

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::string> MakeKeys(std::size_t n)
{
    std::mt19937 rng(42);
    std::vector<std::string> keys;
    keys.reserve(n);
    char buf[64];
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof buf, "Section%u/Key%08x", static_cast<unsigned>(rng() % 50),
                      static_cast<unsigned>(rng()));
        keys.emplace_back(buf);
    }
    return keys;
}

// Both sides in microseconds: each iteration is a short burst of work.
template <typename Ours, typename Reference>
void Compare(benchmark::State& state, Ours ours, Reference reference)
{
    bench::CompareWithReference(state, ours, reference, {"ref", true});
}

void BM_StringMapInsert_vs_StdMap(benchmark::State& state)
{
    auto keys = MakeKeys(static_cast<std::size_t>(state.range(0)));
    Compare(
        state,
        [&] {
            LStringMap map;
            for (const auto& k : keys)
                map.Set(k.c_str(), "value text");
            benchmark::DoNotOptimize(map.root);
        },
        [&] {
            std::map<std::string, std::string> map;
            for (const auto& k : keys)
                map[k] = "value text";
            benchmark::DoNotOptimize(map.size());
        });
}
BENCHMARK(BM_StringMapInsert_vs_StdMap)->Arg(100)->Arg(10000)->UseManualTime();

void BM_StringMapLookup_vs_StdMap(benchmark::State& state)
{
    auto keys = MakeKeys(static_cast<std::size_t>(state.range(0)));
    LStringMap ours;
    std::map<std::string, std::string> reference;
    for (const auto& k : keys) {
        ours.Set(k.c_str(), "value text");
        reference[k] = "value text";
    }
    // Look up with separate key objects, as callers do with texts they built.
    std::vector<std::string> probes(keys.begin(), keys.end());
    std::shuffle(probes.begin(), probes.end(), std::mt19937(7));
    for (std::size_t i = 0; i < probes.size(); i += 4)
        probes[i] += "-missing";
    Compare(
        state,
        [&] {
            std::size_t found = 0;
            for (const auto& p : probes)
                found += ours.Get(p.c_str(), nullptr) != nullptr;
            benchmark::DoNotOptimize(found);
        },
        [&] {
            std::size_t found = 0;
            for (const auto& p : probes)
                found += reference.find(p) != reference.end();
            benchmark::DoNotOptimize(found);
        });
}
BENCHMARK(BM_StringMapLookup_vs_StdMap)->Arg(100)->Arg(10000)->UseManualTime();

constexpr int kFormatRounds = 1000;

void BM_StringFormat_vs_Snprintf(benchmark::State& state)
{
    LStringLong text;
    std::string reference;
    char buf[kTextBufferSize];
    Compare(
        state,
        [&] {
            for (int i = 0; i < kFormatRounds; ++i) {
                text.Format("%s_SPLIT_%02d %5.2f%% %lld bytes", "Side A", i % 100, i * 0.37,
                            static_cast<long long>(i) * 4096);
                benchmark::DoNotOptimize(text.data);
            }
        },
        [&] {
            for (int i = 0; i < kFormatRounds; ++i) {
                int n = std::snprintf(buf, sizeof buf, "%s_SPLIT_%02d %5.2f%% %lld bytes", "Side A", i % 100,
                                      i * 0.37, static_cast<long long>(i) * 4096);
                reference.assign(buf, static_cast<std::size_t>(n));
                benchmark::DoNotOptimize(reference.data());
            }
        });
}
BENCHMARK(BM_StringFormat_vs_Snprintf)->UseManualTime();

void BM_StringAppendFormat_vs_Snprintf(benchmark::State& state)
{
    char buf[kTextBufferSize];
    Compare(
        state,
        [&] {
            LStringLong text;
            for (int i = 0; i < kFormatRounds; ++i)
                text.AppendFormat("<item id=\"%d\" name=\"%s\"/>\n", i, "entry");
            benchmark::DoNotOptimize(text.data);
        },
        [&] {
            std::string text;
            for (int i = 0; i < kFormatRounds; ++i) {
                int n = std::snprintf(buf, sizeof buf, "<item id=\"%d\" name=\"%s\"/>\n", i, "entry");
                text.append(buf, static_cast<std::size_t>(n));
            }
            benchmark::DoNotOptimize(text.data());
        });
}
BENCHMARK(BM_StringAppendFormat_vs_Snprintf)->UseManualTime();

void BM_Sprintf_vs_Snprintf(benchmark::State& state)
{
    char ours[kTextBufferSize];
    char theirs[kTextBufferSize];
    Compare(
        state,
        [&] {
            for (int i = 0; i < kFormatRounds; ++i) {
                LSprintf(ours, "%s - %02d:%02d:%02d", "Track", i / 3600, (i / 60) % 60, i % 60);
                benchmark::DoNotOptimize(ours);
            }
        },
        [&] {
            for (int i = 0; i < kFormatRounds; ++i) {
                std::snprintf(theirs, sizeof theirs, "%s - %02d:%02d:%02d", "Track", i / 3600, (i / 60) % 60,
                              i % 60);
                benchmark::DoNotOptimize(theirs);
            }
        });
}
BENCHMARK(BM_Sprintf_vs_Snprintf)->UseManualTime();

} // namespace

BENCHMARK_MAIN();
