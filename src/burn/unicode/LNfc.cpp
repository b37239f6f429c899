#include "burn/unicode/LNfc.h"

#include "burn/unicode/LNfcTables.h"
#include "foundation/text/LUtf8.h"

#include <algorithm>

namespace {

constexpr char32_t kHangulSBase = 0xAC00, kHangulLBase = 0x1100, kHangulVBase = 0x1161, kHangulTBase = 0x11A7;
constexpr int kHangulLCount = 19, kHangulVCount = 21, kHangulTCount = 28;
constexpr int kHangulNCount = kHangulVCount * kHangulTCount, kHangulSCount = kHangulLCount * kHangulNCount;

int CombiningClass(char32_t code)
{
    const LNfcCombiningClass* end = kNfcCombiningClasses + kNfcCombiningClassCount;
    const LNfcCombiningClass* it =
        std::lower_bound(kNfcCombiningClasses, end, code,
                         [](const LNfcCombiningClass& entry, char32_t c) { return entry.code < c; });
    return (it != end && it->code == code) ? it->combiningClass : 0;
}

void Decompose(char32_t code, std::u32string& out)
{
    if (code >= kHangulSBase && code < kHangulSBase + kHangulSCount) {
        const char32_t index = code - kHangulSBase;
        out.push_back(kHangulLBase + index / kHangulNCount);
        out.push_back(kHangulVBase + (index % kHangulNCount) / kHangulTCount);
        if (index % kHangulTCount != 0)
            out.push_back(kHangulTBase + index % kHangulTCount);
        return;
    }
    const LNfcDecomposition* end = kNfcDecompositions + kNfcDecompositionCount;
    const LNfcDecomposition* it =
        std::lower_bound(kNfcDecompositions, end, code,
                         [](const LNfcDecomposition& entry, char32_t c) { return entry.code < c; });
    if (it == end || it->code != code) {
        out.push_back(code);
        return;
    }
    Decompose(it->first, out);
    if (it->second != 0)
        Decompose(it->second, out);
}

char32_t ComposePair(char32_t first, char32_t second)
{
    if (first >= kHangulLBase && first < kHangulLBase + kHangulLCount && second >= kHangulVBase &&
        second < kHangulVBase + kHangulVCount)
        return kHangulSBase +
               ((first - kHangulLBase) * kHangulVCount + (second - kHangulVBase)) * kHangulTCount;
    if (first >= kHangulSBase && first < kHangulSBase + kHangulSCount &&
        (first - kHangulSBase) % kHangulTCount == 0 && second > kHangulTBase &&
        second < kHangulTBase + kHangulTCount)
        return first + (second - kHangulTBase);
    const LNfcComposition* end = kNfcCompositions + kNfcCompositionCount;
    const LNfcComposition* it = std::lower_bound(
        kNfcCompositions, end, std::make_pair(first, second),
        [](const LNfcComposition& entry, const std::pair<char32_t, char32_t>& key) {
            return entry.first != key.first ? entry.first < key.first : entry.second < key.second;
        });
    return (it != end && it->first == first && it->second == second) ? it->composite : 0;
}

} // namespace

std::u32string LNfcCompose(const std::u32string& text)
{
    std::u32string decomposed;
    decomposed.reserve(text.size() + 8);
    for (char32_t code : text)
        Decompose(code, decomposed);

    // Canonical order: a stable sort of each run of non-starters by class.
    for (std::size_t i = 0; i < decomposed.size();) {
        if (CombiningClass(decomposed[i]) == 0) {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < decomposed.size() && CombiningClass(decomposed[j]) != 0)
            ++j;
        std::stable_sort(decomposed.begin() + i, decomposed.begin() + j,
                         [](char32_t a, char32_t b) { return CombiningClass(a) < CombiningClass(b); });
        i = j;
    }

    std::u32string out;
    out.reserve(decomposed.size());
    std::size_t starter = std::u32string::npos; // index in out
    int lastClass = -1;
    for (char32_t code : decomposed) {
        const int cls = CombiningClass(code);
        if (starter != std::u32string::npos) {
            // Blocked when a character in between has a class of zero or at
            // least this one's.
            const bool blocked = lastClass != -1 && (lastClass == 0 || lastClass >= cls);
            if (!blocked) {
                const char32_t composite = ComposePair(out[starter], code);
                if (composite != 0) {
                    out[starter] = composite;
                    continue;
                }
            }
        }
        if (cls == 0) {
            starter = out.size();
            lastClass = -1;
        } else {
            lastClass = cls;
        }
        out.push_back(code);
    }
    return out;
}

std::u32string LUtf8ToCodePointString(const std::string& text)
{
    std::u32string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        char32_t code = 0;
        const int length = LUtf8DecodeOne(text.data() + i, text.size() - i, &code);
        if (length <= 0) {
            out.push_back(kUnicodeReplacement);
            ++i;
        } else {
            out.push_back(code);
            i += static_cast<std::size_t>(length);
        }
    }
    return out;
}

std::string LCodePointStringToUtf8(const std::u32string& text)
{
    std::string out;
    out.reserve(text.size());
    char bytes[4];
    for (char32_t code : text)
        out.append(bytes, static_cast<std::size_t>(LUtf8EncodeOne(code, bytes)));
    return out;
}

std::string LNfcComposeUtf8(const std::string& text)
{
    return LCodePointStringToUtf8(LNfcCompose(LUtf8ToCodePointString(text)));
}
