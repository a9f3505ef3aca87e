// Keywords apart: which keywords are more than two edits from all others,
// and the typos of such a keyword written without repeats by rule.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <stdexcept>
#include <string>
#include <unordered_set>
#include <vector>

#include "VectorSink.h"
#include "keywords/Keywords.h"
#include "keywords/KeywordsApart.h"
#include "keywords/Layouts.h"
#include "keywords/UniqueSink.h"
#include "util/UUtils.h"

namespace varnolt {
namespace {

using test::Lines;
using test::VectorSink;

struct Random {
    std::uint64_t x;
    std::uint64_t operator()() {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        return x;
    }
};

// Every text one edit from `s` (a character left out, added from
// `alphabet`, replaced by one of it, or exchanged with its neighbour).
std::set<std::u32string> OneEdit(const std::u32string& s, const std::u32string& alphabet) {
    std::set<std::u32string> out;
    for (std::size_t i = 0; i <= s.size(); ++i) {
        for (char32_t c : alphabet) {
            out.insert(s.substr(0, i) + c + s.substr(i));
            if (i < s.size())
                out.insert(s.substr(0, i) + c + s.substr(i + 1));
        }
        if (i < s.size())
            out.insert(s.substr(0, i) + s.substr(i + 1));
        if (i + 1 < s.size())
            out.insert(s.substr(0, i) + s[i + 1] + s[i] + s.substr(i + 2));
    }
    return out;
}

// The fewest edits from a to b, when at most 2, else 3: by trying them all.
unsigned EditsByTrying(const std::u32string& a, const std::u32string& b,
                       const std::u32string& alphabet) {
    if (a == b)
        return 0;
    const std::set<std::u32string> one = OneEdit(a, alphabet);
    if (one.count(b))
        return 1;
    for (const std::u32string& s : one) {
        if (OneEdit(s, alphabet).count(b))
            return 2;
    }
    return 3;
}

std::u32string Wide(const std::string& s) {
    return std::u32string(s.begin(), s.end());
}

// The distance against every sequence of two edits, on random texts of a
// small alphabet (so that exchanges, repeats and runs are common), and on
// pairs whose distance the shortcuts of a banded distance get wrong.
TEST(KeywordsApart, EditsUpToTwoAgainstEveryTwoEdits) {
    const std::u32string alphabet = U"abc";
    Random next{0x1234567};
    for (int round = 0; round < 4000; ++round) {
        std::u32string a, b;
        for (auto n = next() % 7; n > 0; --n)
            a += alphabet[next() % alphabet.size()];
        b = a;
        // Mostly a few edits of a, so that near pairs are common.
        for (auto edits = next() % 4; edits > 0 && !b.empty(); --edits) {
            const std::size_t at = next() % b.size();
            switch (next() % 3) {
                case 0:
                    b.erase(at, 1);
                    break;
                case 1:
                    b.insert(at, 1, alphabet[next() % alphabet.size()]);
                    break;
                default:
                    b[at] = alphabet[next() % alphabet.size()];
            }
        }
        ASSERT_EQ(EditsUpToTwo(a, b), EditsByTrying(a, b, alphabet))
            << std::string(a.begin(), a.end()) << " / " << std::string(b.begin(), b.end());
    }
    const struct {
        const char32_t *a, *b;
        unsigned edits;
    } pairs[] = {
        {U"ca", U"abc", 2},         // exchanged, then one put between
        {U"abc", U"ca", 2},         //
        {U"abcdef", U"badcfe", 3},  // three exchanges
        {U"abcdefgh", U"abcdefgh", 0},
        {U"abcdefgh", U"abcdfegh", 1},
        {U"abcdefgh", U"abcdefghijk", 3},  // lengths three apart
        {U"", U"ab", 2},
    };
    for (const auto& p : pairs)
        EXPECT_EQ(EditsUpToTwo(p.a, p.b), p.edits) << std::u32string_view(p.a).size();
}

// On random lists small enough that no search is cut short, a keyword is
// apart exactly when it is ASCII, seven characters or more, and more than
// two edits (case ignored, measured as above) from every other keyword; with a small worth the
// search may stop early but never calls a near keyword apart.
TEST(KeywordsApart, ApartExactlyWhenFarFromEveryOther) {
    const std::string letters = "abcAB";
    Random next{0xABCDEF};
    for (int round = 0; round < 300; ++round) {
        std::vector<std::string> list;
        std::set<std::string> folded;
        while (list.size() < 40) {
            std::string kw;
            for (auto n = 5 + next() % 6; n > 0; --n)
                kw += letters[next() % letters.size()];
            if (folded.insert(AsciiLower(kw)).second)
                list.push_back(kw);
        }
        const std::vector<std::string_view> views(list.begin(), list.end());
        const std::vector<bool> apart = KeywordsApart(views);
        const std::vector<bool> cut = KeywordsApart(views, 2);
        for (std::size_t k = 0; k < list.size(); ++k) {
            const std::string a = AsciiLower(list[k]);
            bool far = a.size() >= 7;
            for (std::size_t o = 0; o < list.size() && far; ++o) {
                far = o == k || EditsUpToTwo(Wide(a), Wide(AsciiLower(list[o]))) > 2;
            }
            ASSERT_EQ(apart[k], far) << list[k] << " in round " << round;
            ASSERT_TRUE(!cut[k] || far) << list[k] << " in round " << round;
        }
    }
}

// A keyword that is not ASCII is never apart, nor one near another only
// once folded (the long s folds to s, the Kelvin sign to k); a list holding text that is not
// UTF-8 has none apart.
TEST(KeywordsApart, CaseFoldingAndTextThatIsNotUtf8) {
    const std::vector<std::string_view> list = {
        "mississippi river",   "MI\xC5\xBF\xC5\xBFI\xC5\xBF\xC5\xBFIPPI RIVERS",
        "caf\xC3\xA9 latte",   "mountain bike",
        "lighthouse",          "kilometres",
        "\xE2\x84\xAAILOMETER"};
    EXPECT_EQ(KeywordsApart(list),
              (std::vector<bool>{false, false, false, true, true, false, false}));
    std::vector<std::string_view> broken = list;
    broken.push_back("bad \xC3 byte");
    EXPECT_EQ(KeywordsApart(broken), std::vector<bool>(broken.size(), false));
}

// A search of a long list asks now and then whether to go on.
TEST(KeywordsApart, PollStopsALongSearch) {
    Lines list;
    for (int i = 0; i < 20000; ++i)
        list.push_back("keyword number " + std::to_string(i));
    const std::vector<std::string_view> views(list.begin(), list.end());
    int calls = 0;
    EXPECT_THROW(KeywordsApart(views, SIZE_MAX,
                               [&] {
                                   if (++calls == 3)
                                       throw std::runtime_error("stopped");
                               }),
                 std::runtime_error);
    EXPECT_EQ(calls, 3);
}

// Asks for every ASCII keyword's typos without repeats.
class DistinctSink : public VectorSink {
public:
    bool BeginTyposOf(std::string_view keyword) override {
        for (char c : keyword) {
            if (static_cast<unsigned char>(c) >= 0x80)
                return false;
        }
        return true;
    }
};

const Lines kKeywords = {"cat",         "Book", "bookkeeper", "new york", "new  york",
                         "Mississippi", "aaa",  "a b",        "queue",    "caf\xC3\xA9",
                         "keyboard",    "Zoo",  "eerie",      "ABBA",     "  leading"};

// Without repeats asked for, each kind subset on each keyboard writes the
// lines it writes otherwise, less those equal (A-Z case ignored) to the
// keyword or to an earlier line of the same keyword.
TEST(KeywordsApart, TyposWithoutRepeatsByRule) {
    const std::vector<std::string_view> keywords(kKeywords.begin(), kKeywords.end());
    for (const KeyboardLayout& l : KeyboardLayouts()) {
        const KeyboardLayout* const layout = &l;
        ASSERT_TRUE(TyposAreSingleEdits(layout));
        for (std::uint32_t bits = 1; bits < 128; ++bits) {
            TypoKinds kinds;
            for (std::size_t row = 0; row < 7; ++row)
                kinds.Set(row, (bits >> row) & 1u);
            for (std::string_view keyword : keywords) {
                DistinctSink distinct;
                GenerateTypos({keyword}, kinds, distinct, layout);
                VectorSink plain;
                GenerateTypos({keyword}, kinds, plain, layout);
                Lines want;
                std::unordered_set<std::string> seen = {AsciiLower(keyword)};
                const bool ascii = std::all_of(keyword.begin(), keyword.end(), [](char c) {
                    return static_cast<unsigned char>(c) < 0x80;
                });
                for (const std::string& line : plain.lines) {
                    if (!ascii || seen.insert(AsciiLower(line)).second)
                        want.push_back(line);
                }
                ASSERT_EQ(distinct.lines, want)
                    << keyword << ", kinds " << bits << ", layout " << layout->name;
            }
        }
    }
}

// The whole road with duplicates removed: keywords apart and near ones
// mixed, on each keyboard, into a buffer on one thread or two and into a
// plain sink, writes what a set of every folded line would.
TEST(KeywordsApart, UniqueTyposAsAFoldedSet) {
    Lines list = kKeywords;
    Random next{77};
    const std::string letters = "abcdefghijklmnopqrstuvwxyz";
    for (int i = 0; i < 300; ++i) {
        std::string kw;
        for (auto n = 7 + next() % 8; n > 0; --n)
            kw += letters[next() % letters.size()];
        list.push_back(kw);
        // Now and then one a typo or two away, or the same in capitals.
        if (next() % 4 == 0) {
            std::string near = kw;
            near[next() % near.size()] = 'q';
            if (next() % 2)
                near.erase(next() % near.size(), 1);
            list.push_back(next() % 3 ? near : AsciiUpper(kw));
        }
    }
    const std::vector<std::string_view> keywords(list.begin(), list.end());
    const TypoKinds kinds = TypoKinds::All();
    std::size_t apart = 0;
    for (bool a : KeywordsApart(WithoutRepeats(keywords)))
        apart += a;
    ASSERT_GT(apart, 200u);
    for (const KeyboardLayout& l : KeyboardLayouts()) {
        const KeyboardLayout* const layout = &l;
        VectorSink plain;
        GenerateTypos(keywords, kinds, plain, layout);
        std::unordered_set<std::string> seen;
        for (const std::string& kw : list)
            seen.insert(FoldCase(kw));
        std::string want;
        std::size_t wantLines = 0;
        for (const std::string& l : plain.lines) {
            if (seen.insert(FoldCase(l)).second) {
                want += l + "\n";
                ++wantLines;
            }
        }
        for (unsigned threads : {1u, 2u, 0u}) {
            std::string got;
            if (threads == 0) {
                VectorSink lines;
                UniqueSink unique(lines);
                GenerateTypos(ReadyForTypos(unique, keywords, kinds, layout), kinds, unique,
                              layout);
                unique.Finish();
                for (const std::string& l : lines.lines)
                    got += l + "\n";
            } else {
                struct Text : ChunkSink {
                    Text() : ChunkSink("\n", 4096) {}
                    std::string text;
                    void Drain(const char* data, std::size_t size) override {
                        text.append(data, size);
                    }
                } text;
                UniqueSink unique(text, threads);
                GenerateTypos(ReadyForTypos(unique, keywords, kinds, layout), kinds, unique,
                              layout);
                unique.Finish();
                text.Flush();
                got = text.text;
            }
            // Long texts: only where they part is shown.
            const std::size_t at = static_cast<std::size_t>(
                std::mismatch(got.begin(), got.end(), want.begin(), want.end()).first -
                got.begin());
            ASSERT_TRUE(got == want)
                << "from byte " << at << ": " << got.substr(at, 60)
                << "\nwanted: " << want.substr(at, 60) << "\nthreads " << threads << " layout "
                << layout->name << ", " << wantLines << " lines wanted";
        }
    }
}

}  // namespace
}  // namespace varnolt
