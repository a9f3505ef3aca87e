// Duplicates removed: case folding and the first occurrence kept in place.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "VectorSink.h"
#include "keywords/Keywords.h"
#include "keywords/UniqueSink.h"

namespace varnolt {
namespace {

using test::Lines;
using test::VectorSink;

// Keeps the bytes it is handed.
class StringChunk : public ChunkSink {
public:
    explicit StringChunk(std::size_t capacity) : ChunkSink("\n", capacity) {}
    std::string text;

protected:
    void Drain(const char* data, std::size_t size) override { text.append(data, size); }
};

// Pairs from the simple case folding (C and S mappings of CaseFolding.txt),
// in every length of UTF-8 sequence.
TEST(FoldCase, SimpleFoldingPairs) {
    const struct {
        const char* text;
        const char* folded;
    } cases[] = {
        {"New York 4K", "new york 4k"},
        {"\xC3\x89T\xC3\x89 \xC3\x9F", "\xC3\xA9t\xC3\xA9 \xC3\x9F"},  // ÉTÉ ß -> été ß
        {"\xC5\xB8\xC5\xBF\xC2\xB5", "\xC3\xBFs\xCE\xBC"},             // Ÿſµ -> ÿsμ
        {"\xC4\xB0\xC4\xB1", "\xC4\xB0\xC4\xB1"},                      // İı: no simple folding
        {"\xC5\x81\xC3\xB3"
         "d\xC5\xBA",
         "\xC5\x82\xC3\xB3"
         "d\xC5\xBA"},                                             // Łódź
        {"\xCE\xA3\xCE\x91\xCF\x82", "\xCF\x83\xCE\xB1\xCF\x83"},  // ΣΑς -> σασ
        {"\xCE\x86\xCE\x8F", "\xCE\xAC\xCF\x8E"},                  // Ώ
        {"\xD0\x9F\xD0\x81\xD2\x90", "\xD0\xBF\xD1\x91\xD2\x91"},  // ПЁҐ -> пёґ
        {"\xE1\xBA\xA0\xE1\xBA\x9E", "\xE1\xBA\xA1\xC3\x9F"},      // Ạẞ -> ạß
        {"\xE2\x82\xAC\xFF\xC3", "\xE2\x82\xAC\xFF\xC3"},          // € and stray bytes kept
        {"\xE2\x84\xAA\xE2\x84\xAB", "k\xC3\xA5"},                 // Kelvin and Ångström signs
        {"\xC7\x84\xC7\x85\xCD\x85", "\xC7\x86\xC7\x86\xCE\xB9"},  // Ǆǅ and the iota below
        {"\xD4\xB1\xE1\x82\xA0", "\xD5\xA1\xE2\xB4\x80"},          // Armenian, Georgian
        {"\xEA\xAD\xB0\xE1\x8F\xB8", "\xE1\x8E\xA0\xE1\x8F\xB0"},  // Cherokee folds to capitals
        {"\xE1\xBE\xBC\xE2\x85\xA0", "\xE1\xBE\xB3\xE2\x85\xB0"},  // ᾼ Ⅰ
        {"\xEF\xBC\xA1\xEF\xBD\x81", "\xEF\xBD\x81\xEF\xBD\x81"},  // fullwidth Ａａ
        {"\xF0\x90\x90\x80\xF0\x9E\xA4\x80", "\xF0\x90\x90\xA8\xF0\x9E\xA4\xA2"},  // Deseret, Adlam
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},                                  // an emoji kept
    };
    for (const auto& c : cases)
        EXPECT_EQ(FoldCase(c.text), c.folded) << c.text;
    // Folding is a comparison key: folding once more changes nothing, for
    // every code point.
    for (char32_t c = 0x80; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        std::string utf8;
        if (c < 0x800) {
            utf8 = {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
        } else if (c < 0x10000) {
            utf8 = {static_cast<char>(0xE0 | (c >> 12)),
                    static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                    static_cast<char>(0x80 | (c & 0x3F))};
        } else {
            utf8 = {
                static_cast<char>(0xF0 | (c >> 18)), static_cast<char>(0x80 | ((c >> 12) & 0x3F)),
                static_cast<char>(0x80 | ((c >> 6) & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
        }
        const std::string once = FoldCase(utf8);
        ASSERT_EQ(FoldCase(once), once) << std::hex << static_cast<std::uint32_t>(c);
    }
}

// Repeats with any case go; the first stays where it was; an excluded line
// is never written. Enough lines to grow the table several times.
TEST(UniqueSink, FirstOccurrenceKept) {
    VectorSink got;
    UniqueSink unique(got);
    unique.Exclude("Book");
    const Lines in = {
        "cat", "CAT", "book", "Cat", "dog", "\xC3\x89t\xC3\xA9", "cAt", "", "\xC3\xA9T\xC3\x89",
        "",    "dog "};
    for (const std::string& l : in)
        unique.AddLine(l);
    const std::string_view pieces[] = {"D", "og"};
    unique.AddJoined(pieces);
    auto key = [](int i) {
        std::string k = "k";
        k.append(std::to_string(i));
        return k;
    };
    for (int i = 0; i < 20000; ++i)
        unique.AddLine(key(i % 15000));
    unique.Finish();
    Lines want = {"cat", "dog", "\xC3\x89t\xC3\xA9", "", "dog "};
    for (int i = 0; i < 15000; ++i)
        want.push_back(key(i));
    EXPECT_EQ(got.lines, want);
    EXPECT_EQ(unique.Dropped(), 7u + 5000u);
    // Lines longer than a block of the set's memory, among short ones: the
    // set still gives back every line it holds in order.
    const std::string big(5u << 20, 'x'), bigUpper(5u << 20, 'X');
    for (const std::string* l : {&big, &bigUpper, &big})
        unique.AddLine(*l);
    unique.AddLine("last");
    unique.Finish();
    Lines kept;
    unique.ForEachKept([&](std::string_view line) { kept.emplace_back(line); });
    want.insert(want.begin(), "Book");
    want.insert(want.end(), {big, "last"});
    EXPECT_EQ(kept, want);
}

// Random lines of letters that fold alike (A/a, S/s/\u017F, \u00C9/\u00E9,
// \u0398/\u03B8) and of lengths on both sides of a word: whatever the sink
// behind it, a buffer's size and the route (line by line, into the buffer,
// KeepNew, with or without room made ahead), the lines kept are those whose
// folded text is new, and the set gives them back as they came; excluding
// them all at once remembers each; and the keywords' own repeats go by A-Z
// lowering alone.
TEST(UniqueSink, RandomLinesAsAFoldedSet) {
    const std::vector<std::string> pieces = {"a",        "A",        "s",        "S",
                                             "\xC5\xBF", "\xC3\x89", "\xC3\xA9", "\xCE\x98",
                                             "\xCE\xB8", "b",        " ",        "-"};
    struct Case {
        std::uint64_t seed;
        int lines, longest;
        std::size_t buffer;
        std::uint64_t hashMask;  // few bits: most lines share a slot's tag
    };
    for (const Case c : {Case{1, 5000, 4, 64, ~0ull}, Case{2, 20000, 9, 1000, ~0ull},
                         Case{3, 3000, 20, 1 << 16, 0xF000000000000000ull},
                         Case{4, 4000, 6, 256, 0xC000000000000003ull}}) {
        std::uint64_t x = c.seed * 0x9E3779B97F4A7C15ull;
        auto next = [&] {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            return x;
        };
        Lines in;
        for (int i = 0; i < c.lines; ++i) {
            std::string line;
            for (int n = static_cast<int>(next() % static_cast<std::uint64_t>(c.longest)); n > 0;
                 --n)
                line += pieces[next() % pieces.size()];
            in.push_back(line);
        }
        Lines want;
        std::unordered_set<std::string> seen;
        for (const std::string& l : in) {
            if (seen.insert(FoldCase(l)).second)
                want.push_back(l);
        }
        VectorSink byLine;
        // Two threads, with a buffer that holds every line: one batch split
        // between them.
        StringChunk buffered(c.buffer), split(1u << 20);
        for (LineSink* out : {static_cast<LineSink*>(&byLine), static_cast<LineSink*>(&buffered),
                              static_cast<LineSink*>(&split)}) {
            UniqueSink unique(*out, out == &split ? 2 : 1);
            unique.SetHashMask(c.hashMask);
            if (out != &byLine)
                unique.Expect(in.size());
            for (const std::string& l : in)
                unique.AddLine(l);
            unique.Finish();
            EXPECT_EQ(unique.Dropped(), in.size() - want.size()) << c.seed;
        }
        buffered.Flush();
        EXPECT_EQ(byLine.lines, want) << c.seed;
        std::string joined;
        for (const std::string& l : want)
            joined += l + "\n";
        EXPECT_EQ(buffered.text, joined) << c.seed;
        split.Flush();
        EXPECT_EQ(split.text, joined) << c.seed;
        VectorSink none;
        UniqueSink batch(none);
        batch.SetHashMask(c.hashMask);
        std::vector<std::string_view> views(in.begin(), in.end());
        views.resize(batch.KeepNew(views));
        EXPECT_EQ(Lines(views.begin(), views.end()), want) << c.seed;
        Lines kept;
        batch.ForEachKept([&](std::string_view line) { kept.emplace_back(line); });
        EXPECT_EQ(kept, want) << c.seed;

        // Excluded all at once, every line is remembered.
        UniqueSink excluded(none);
        excluded.SetHashMask(c.hashMask);
        const std::vector<std::string_view> all(in.begin(), in.end());
        excluded.Exclude(all);
        std::vector<std::string_view> again = all;
        EXPECT_EQ(excluded.KeepNew(again), 0u) << c.seed;

        // The keywords' own repeats are those equal with A-Z alone lowered.
        Lines firstByAscii;
        std::unordered_set<std::string> lowered;
        for (const std::string& l : in) {
            std::string low = l;
            for (char& ch : low)
                ch = (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch + 32) : ch;
            if (lowered.insert(low).second)
                firstByAscii.push_back(l);
        }
        const std::vector<std::string_view> distinct = WithoutRepeats(all);
        EXPECT_EQ(Lines(distinct.begin(), distinct.end()), firstByAscii) << c.seed;
    }
}

}  // namespace
}  // namespace varnolt
