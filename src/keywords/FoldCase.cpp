// Case folding for comparing lines with letter case ignored.
#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>

#include "keywords/CaseFoldingTable.h"
#include "keywords/UniqueSink.h"
#include "util/TextCodec.h"

namespace varnolt {

namespace {

// Code points below this fold through a flat table made from the runs at
// compile time (every alphabet of Europe, Armenian, Georgian, Cherokee and
// Vietnamese among them); the rest by a search of the runs.
constexpr char32_t kFlat = 0x2000;

constexpr std::array<std::uint16_t, kFlat> kFlatFolds = [] {
    std::array<std::uint16_t, kFlat> folds{};
    for (char32_t c = 0; c < kFlat; ++c)
        folds[c] = static_cast<std::uint16_t>(c);
    for (const FoldRun& r : kFoldRuns) {
        for (char32_t c = r.first; c <= r.last && c < kFlat; c += r.stride)
            folds[c] = static_cast<std::uint16_t>(static_cast<std::int32_t>(c) + r.delta);
    }
    return folds;
}();

// The simple case folding of one code point.
char32_t FoldCodePoint(char32_t c) {
    if (c < kFlat)
        return kFlatFolds[c];
    const FoldRun* const end = std::end(kFoldRuns);
    const FoldRun* r =
        std::upper_bound(std::begin(kFoldRuns), end, c,
                         [](char32_t v, const FoldRun& run) { return v < run.first; });
    if (r == std::begin(kFoldRuns))
        return c;
    --r;
    if (c > r->last || (c - r->first) % r->stride != 0)
        return c;
    return static_cast<char32_t>(static_cast<std::int32_t>(c) + r->delta);
}

void AppendUtf8(std::string& dst, char32_t c) {
    if (c < 0x80) {
        dst.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        dst.push_back(static_cast<char>(0xC0 | (c >> 6)));
        dst.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        dst.push_back(static_cast<char>(0xE0 | (c >> 12)));
        dst.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        dst.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        dst.push_back(static_cast<char>(0xF0 | (c >> 18)));
        dst.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        dst.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        dst.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// Appends `text` folded to `dst`. ASCII goes through a byte loop into room
// made once; the first byte above 0x7F switches to the decoding loop.
void AppendFolded(std::string& dst, std::string_view text) {
    const std::size_t at = dst.size();
    dst.resize(at + text.size());
    char* out = dst.data() + at;
    std::size_t i = 0;
    for (; i < text.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        if (b >= 0x80)
            break;
        out[i] = static_cast<char>(static_cast<unsigned>(b - 'A') < 26u ? b + 32 : b);
    }
    if (i == text.size())
        return;
    dst.resize(at + i);
    while (i < text.size()) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            dst.push_back(static_cast<char>(static_cast<unsigned>(b - 'A') < 26u ? b + 32 : b));
            ++i;
            continue;
        }
        const std::size_t n = Utf8SequenceLength(text, i);
        if (n >= 2) {
            AppendUtf8(dst, FoldCodePoint(Utf8CodePoint(text, i, n)));
        } else {
            dst.append(text.substr(i, n ? n : 1));
        }
        i += n ? n : 1;
    }
}

}  // namespace

void FoldCaseInto(std::string& dst, std::string_view text) {
    dst.clear();
    AppendFolded(dst, text);
}

std::string FoldCase(std::string_view text) {
    std::string folded;
    AppendFolded(folded, text);
    return folded;
}

}  // namespace varnolt
