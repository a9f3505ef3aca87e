#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "VectorSink.h"
#include "keywords/Keywords.h"
#include "util/TextCodec.h"
#include "util/UUtils.h"

namespace varnolt {
namespace {

using test::Lines;
using test::VectorSink;

template <class Op>
Lines Variants(Op op, std::string_view keyword) {
    VectorSink sink;
    op(keyword, sink);
    return sink.lines;
}

// ␣ in the tables is a plain space here.
TEST(SkipLetter, Examples) {
    EXPECT_EQ(Variants(AddSkippedLetters, "book"), (Lines{"ook", "bok", "bok", "boo"}));
    EXPECT_EQ(Variants(AddSkippedLetters, "new york"),
              (Lines{"ew york", "nw york", "ne york", "newyork", "new ork", "new yrk", "new yok",
                     "new yor"}));
    EXPECT_EQ(Variants(AddSkippedLetters, "x"), Lines{""});
    EXPECT_EQ(Variants(AddSkippedLetters, ""), Lines{});
    EXPECT_EQ(Variants(AddSkippedLetters, " a "), (Lines{"a ", "  ", " a"}));
    EXPECT_EQ(Variants(AddSkippedLetters, "AB"), (Lines{"B", "A"}));  // case kept
}

TEST(DoubleLetters, Examples) {
    EXPECT_EQ(Variants(AddDoubledLetters, "book"), (Lines{"bbook", "boook", "boook", "bookk"}));
    EXPECT_EQ(Variants(AddDoubledLetters, "new york"),
              (Lines{"nnew york", "neew york", "neww york", "new  york", "new yyork", "new yoork",
                     "new yorrk", "new yorkk"}));
    EXPECT_EQ(Variants(AddDoubledLetters, "x"), Lines{"xx"});
    EXPECT_EQ(Variants(AddDoubledLetters, ""), Lines{});
    EXPECT_EQ(Variants(AddDoubledLetters, "Ab"), (Lines{"AAb", "Abb"}));
}

TEST(ReverseLetters, Examples) {
    EXPECT_EQ(Variants(AddReversedLetters, "book"), (Lines{"obok", "book", "boko"}));
    // The last pair of new york swapped is "new yokr".
    EXPECT_EQ(Variants(AddReversedLetters, "new york"),
              (Lines{"enw york", "nwe york", "ne wyork", "newy ork", "new oyrk", "new yrok",
                     "new yokr"}));
    EXPECT_EQ(Variants(AddReversedLetters, "x"), Lines{});
    EXPECT_EQ(Variants(AddReversedLetters, ""), Lines{});
    EXPECT_EQ(Variants(AddReversedLetters, "aa"), Lines{"aa"});  // equal pair still appended
}

TEST(SkipSpaces, Examples) {
    EXPECT_EQ(Variants(AddSkippedSpaces, "book"), Lines{});
    EXPECT_EQ(Variants(AddSkippedSpaces, "new york"), Lines{"newyork"});
    EXPECT_EQ(Variants(AddSkippedSpaces, " a  b "), (Lines{"a  b ", " a b ", " a b ", " a  b"}));
    EXPECT_EQ(Variants(AddSkippedSpaces,
                       "a\tb\xC2\xA0"
                       "c"),
              Lines{});  // tab and NBSP are not spaces
    EXPECT_EQ(Variants(AddSkippedSpaces, ""), Lines{});
}

TEST(MissedKeys, Examples) {
    const Lines cat{"xat", "dat", "fat", "vat", "cqt", "cwt", "cst", "cxt",
                    "czt", "car", "ca5", "ca6", "cay", "cah", "cag", "caf"};
    EXPECT_EQ(Variants(AddMissedKeys, "cat"), cat);
    EXPECT_EQ(Variants(AddMissedKeys, "Cat"), cat);
    EXPECT_EQ(Variants(AddMissedKeys, "CAT"), cat);
    EXPECT_EQ(Variants(AddMissedKeys, "A1"), (Lines{"q1", "w1", "s1", "x1", "z1"}));
    EXPECT_EQ(Variants(AddMissedKeys, "a"), (Lines{"q", "w", "s", "x", "z"}));
    EXPECT_EQ(Variants(AddMissedKeys, "12 -!"), Lines{});
    EXPECT_EQ(Variants(AddMissedKeys, ""), Lines{});
    // Each occurrence of a repeated letter varies alone; the whole line is lower case.
    EXPECT_EQ(Variants(AddMissedKeys, "ZZ"), (Lines{"az", "sz", "xz", "za", "zs", "zx"}));
}

TEST(InsertedKeys, Examples) {
    const Lines cat{"xcat", "dcat", "fcat", "vcat", "cqat", "cwat", "csat", "cxat",
                    "czat", "cart", "ca5t", "ca6t", "cayt", "caht", "cagt", "caft"};
    EXPECT_EQ(Variants(AddInsertedKeys, "cat"), cat);
    EXPECT_EQ(Variants(AddInsertedKeys, "Cat"), cat);
    EXPECT_EQ(Variants(AddInsertedKeys, "A1"), (Lines{"qa1", "wa1", "sa1", "xa1", "za1"}));
    EXPECT_EQ(Variants(AddInsertedKeys, "a"), (Lines{"qa", "wa", "sa", "xa", "za"}));
    EXPECT_EQ(Variants(AddInsertedKeys, "9."), Lines{});
    EXPECT_EQ(Variants(AddInsertedKeys, "M M"),
              (Lines{"nm m", "jm m", "km m", "m nm", "m jm", "m km"}));
}

// Vowel swap: the lower-cased keyword (A-Z only), each vowel in turn replaced
// by each other one in the order a, e, i, o, u; the last kind of --all.
TEST(VowelSwap, Examples) {
    const std::string e = "\xC3\xA9";  // é, not a vowel of the kind
    const struct {
        std::string keyword;
        Lines lines;
    } cases[] = {
        {"cat", {"cet", "cit", "cot", "cut"}},
        {"Book", {"baok", "beok", "biok", "buok", "boak", "boek", "boik", "bouk"}},
        {"new york",
         {"naw york", "niw york", "now york", "nuw york", "new yark", "new yerk", "new yirk",
          "new yurk"}},
        {"Caf" + e, {"cef" + e, "cif" + e, "cof" + e, "cuf" + e}},
        {"XYZ " + e, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Variants(AddVowelSwaps, c.keyword), c.lines) << c.keyword;
    const TypoKindRow& last = TypoKindTable().back();
    EXPECT_EQ(last.option, "--vowel-swap");
    EXPECT_EQ(last.caption, "Vowel swap");
    EXPECT_EQ(last.objectName, "chkVowelSwap");
}

TEST(KeyNeighbours, Table) {
    EXPECT_EQ(GetKeyNeighbours('a'), "q,w,s,x,z");
    EXPECT_EQ(GetKeyNeighbours('m'), "n,j,k");
    EXPECT_EQ(GetKeyNeighbours('z'), "a,s,x");
    for (char c : std::string("AZ09 ,.-`{\xE9"))
        EXPECT_EQ(GetKeyNeighbours(c), "") << c;
    const int counts[26] = {5, 4, 4, 6, 7, 6, 7, 6, 7, 6, 5, 3, 3,
                            4, 6, 3, 5, 7, 6, 7, 7, 4, 7, 4, 7, 3};
    for (int k = 0; k < 26; ++k) {
        const char key = static_cast<char>('a' + k);
        std::vector<std::string> row;
        SplitByChar(',', GetKeyNeighbours(key), row);
        EXPECT_EQ(static_cast<int>(row.size()), counts[k]) << key;
        for (const std::string& n : row) {
            ASSERT_EQ(n.size(), 1u) << key;
            EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(n[0])) && !std::isupper(n[0]));
            EXPECT_NE(n[0], key);  // no row holds its own key
        }
    }
}

// Letters outside A-Z are neither lower-cased nor varied, and no variant of
// any kind cuts a multi-byte character.
TEST(MultiByte, CharactersAreWholeSequences) {
    const std::string e = "\xC3\xA9";              // é
    const std::string E = "\xC3\x89";              // É
    const std::string euro = "\xE2\x82\xAC";       // €
    const std::string smile = "\xF0\x9F\x98\x80";  // U+1F600
    EXPECT_EQ(Variants(AddSkippedLetters, "a" + e + "b"), (Lines{e + "b", "ab", "a" + e}));
    EXPECT_EQ(Variants(AddDoubledLetters, e + euro), (Lines{e + e + euro, e + euro + euro}));
    EXPECT_EQ(Variants(AddReversedLetters, "a" + smile + e),
              (Lines{smile + "a" + e, "a" + e + smile}));
    EXPECT_EQ(Variants(AddSkippedSpaces, e + " " + e), Lines{e + e});
    EXPECT_EQ(Variants(AddMissedKeys, E + "L"), (Lines{E + "k", E + "o", E + "p"}));
    EXPECT_EQ(Variants(AddInsertedKeys, E + "L"), (Lines{E + "kl", E + "ol", E + "pl"}));
    EXPECT_EQ(Variants(AddMissedKeys, e + euro + smile), Lines{});
}

TEST(MultiByte, InvalidBytesCountOneEach) {
    EXPECT_EQ(Variants(AddSkippedLetters,
                       "a\xFF"
                       "b"),
              (Lines{"\xFF"
                     "b",
                     "ab", "a\xFF"}));
    // A cut-off sequence is two separate bytes, swapped as such.
    EXPECT_EQ(Variants(AddReversedLetters, "\xE2\x82"), Lines{"\x82\xE2"});
    EXPECT_EQ(Variants(AddDoubledLetters, "\xC3"), Lines{"\xC3\xC3"});
}

TEST(GenerateTypos, GroupedByKeywordInKindOrder) {
    const std::vector<std::string_view> input{"book", "new york"};
    const TypoKinds four =
        TypoKinds::Of({"--skip-letter", "--double-letters", "--reverse-letters", "--skip-spaces"});
    TextSink sink("\r\n");
    GenerateTypos(input, four, sink);
    const Lines expected{
        "ook",       "bok",       "bok",       "boo",       "bbook",     "boook",     "boook",
        "bookk",     "obok",      "book",      "boko",      "ew york",   "nw york",   "ne york",
        "newyork",   "new ork",   "new yrk",   "new yok",   "new yor",   "nnew york", "neew york",
        "neww york", "new  york", "new yyork", "new yoork", "new yorrk", "new yorkk", "enw york",
        "nwe york",  "ne wyork",  "newy ork",  "new oyrk",  "new yrok",  "new yokr",  "newyork"};
    ASSERT_EQ(expected.size(), 35u);
    std::string text;
    for (const std::string& l : expected)
        text += l + "\r\n";
    EXPECT_EQ(sink.Text(), text);
    EXPECT_EQ(sink.Count(), 35u);

    // Every kind: each keyword's lines are those of the single operations, in order.
    const TypoKinds all = TypoKinds::All();
    VectorSink got;
    const std::vector<std::string_view> words{"Cat", "", "new york", "Cat"};
    GenerateTypos(words, all, got);
    Lines want;
    for (std::string_view w : words) {
        for (auto op : {AddSkippedLetters, AddDoubledLetters, AddReversedLetters, AddSkippedSpaces,
                        AddMissedKeys, AddInsertedKeys, AddVowelSwaps}) {
            Lines part = Variants(op, w);
            want.insert(want.end(), part.begin(), part.end());
        }
    }
    EXPECT_EQ(got.lines, want);

    VectorSink onlySpaces;
    GenerateTypos({"book", "cat"}, TypoKinds::Of({"--skip-spaces"}), onlySpaces);
    EXPECT_TRUE(onlySpaces.lines.empty());
}

// Line counts per kind follow the formulas for random ASCII keywords, and a
// variant keeps or loses exactly the characters its kind says.
TEST(Property, LineCountsMatchFormulas) {
    std::mt19937 rng(20240611);
    const std::string alphabet =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 -.'&";
    const int rows[26] = {5, 4, 4, 6, 7, 6, 7, 6, 7, 6, 5, 3, 3,
                          4, 6, 3, 5, 7, 6, 7, 7, 4, 7, 4, 7, 3};
    for (int round = 0; round < 500; ++round) {
        std::string kw;
        const int n = static_cast<int>(rng() % 20);
        for (int i = 0; i < n; ++i)
            kw += alphabet[rng() % alphabet.size()];
        std::size_t spaces = 0, neighbours = 0;
        for (char c : AsciiLower(kw)) {
            spaces += c == ' ';
            if (c >= 'a' && c <= 'z')
                neighbours += rows[c - 'a'];
        }
        const std::size_t un = kw.size();
        const Lines skip = Variants(AddSkippedLetters, kw);
        const Lines dbl = Variants(AddDoubledLetters, kw);
        ASSERT_EQ(skip.size(), un) << kw;
        ASSERT_EQ(dbl.size(), un) << kw;
        ASSERT_EQ(Variants(AddReversedLetters, kw).size(), un < 2 ? 0 : un - 1) << kw;
        ASSERT_EQ(Variants(AddSkippedSpaces, kw).size(), spaces) << kw;
        const Lines missed = Variants(AddMissedKeys, kw);
        const Lines inserted = Variants(AddInsertedKeys, kw);
        ASSERT_EQ(missed.size(), neighbours) << kw;
        ASSERT_EQ(inserted.size(), neighbours) << kw;
        for (const std::string& l : skip)
            ASSERT_EQ(l.size() + 1, un);
        for (const std::string& l : dbl)
            ASSERT_EQ(l.size(), un + 1);
        for (const std::string& l : missed) {
            ASSERT_EQ(l.size(), un);
            ASSERT_EQ(l, AsciiLower(l));
        }
        for (const std::string& l : inserted)
            ASSERT_EQ(l.size(), un + 1);
    }
}

// Random mixes of one- to four-byte characters and stray bytes: every variant
// of every kind is valid UTF-8 when the keyword is, and counts go by character.
TEST(Property, MultiByteKeywordsStayWellFormed) {
    std::mt19937 rng(7);
    const std::vector<std::string> chars{"a",
                                         "Q",
                                         " ",
                                         "7",
                                         "\xC3\xA9",
                                         "\xD0\x96",
                                         "\xE2\x82\xAC",
                                         "\xE6\x97\xA5",
                                         "\xF0\x9F\x98\x80"};
    const TypoKinds all = TypoKinds::All();
    for (int round = 0; round < 300; ++round) {
        std::string kw;
        std::size_t n = rng() % 8;
        for (std::size_t i = 0; i < n; ++i)
            kw += chars[rng() % chars.size()];
        VectorSink sink;
        GenerateTypos({kw}, all, sink);
        for (const std::string& l : sink.lines)
            ASSERT_TRUE(IsValidUtf8(l)) << kw << " -> " << l;
        ASSERT_EQ(Variants(AddSkippedLetters, kw).size(), n);
        ASSERT_EQ(Variants(AddReversedLetters, kw).size(), n < 2 ? 0 : n - 1);
    }
}

}  // namespace
}  // namespace varnolt
