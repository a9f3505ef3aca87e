#include "util/TextCodec.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace varnolt {
namespace {

// Cases from Markus Kuhn's UTF-8 decoder capability and stress test.
TEST(Utf8, WellFormedSequences) {
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_TRUE(IsValidUtf8("\xCE\xBA\xE1\xBD\xB9\xCF\x83\xCE\xBC\xCE\xB5"));  // kosme
    EXPECT_TRUE(IsValidUtf8(std::string("a\0b", 3)));                          // U+0000
    EXPECT_TRUE(IsValidUtf8("\x7F"));
    EXPECT_TRUE(IsValidUtf8("\xC2\x80"));          // U+0080
    EXPECT_TRUE(IsValidUtf8("\xDF\xBF"));          // U+07FF
    EXPECT_TRUE(IsValidUtf8("\xE0\xA0\x80"));      // U+0800
    EXPECT_TRUE(IsValidUtf8("\xED\x9F\xBF"));      // U+D7FF
    EXPECT_TRUE(IsValidUtf8("\xEE\x80\x80"));      // U+E000
    EXPECT_TRUE(IsValidUtf8("\xEF\xBF\xBD"));      // U+FFFD
    EXPECT_TRUE(IsValidUtf8("\xEF\xBF\xBF"));      // U+FFFF (noncharacter, well formed)
    EXPECT_TRUE(IsValidUtf8("\xF0\x90\x80\x80"));  // U+10000
    EXPECT_TRUE(IsValidUtf8("\xF4\x8F\xBF\xBF"));  // U+10FFFF
    EXPECT_TRUE(IsValidUtf8("plain ascii text, long enough for the word loop \xC3\xA9!"));
}

TEST(Utf8, MalformedSequences) {
    const char* bad[] = {
        "\x80",  // lone continuation bytes
        "\xBF",
        "\x80\xBF\x80",
        "\xC0\xAF",  // overlong '/'
        "\xE0\x80\xAF",
        "\xF0\x80\x80\xAF",
        "\xC1\xBF",          // largest overlong two-byte
        "\xE0\x9F\xBF",      // largest overlong three-byte
        "\xF0\x8F\xBF\xBF",  // largest overlong four-byte
        "\xED\xA0\x80",      // U+D800, a surrogate
        "\xED\xBF\xBF",      // U+DFFF
        "\xF4\x90\x80\x80",  // U+110000
        "\xF5\x80\x80\x80",
        "\xF8\x88\x80\x80\x80",  // five-byte form
        "\xFE",
        "\xFF",
        "\xC2",  // cut off at the end
        "\xE0\xA0",
        "\xF0\x90\x80",
        "\xC2"
        "a",  // lead byte followed by ASCII
        "\xE2\x82"
        "x",
        "Caf\xE9",  // Windows-1252 text
        "0123456789abcdef\xE9 late in a long ASCII run",
    };
    for (const char* s : bad)
        EXPECT_FALSE(IsValidUtf8(s)) << testing::PrintToString(s);
}

TEST(Utf8, SequenceLengthAtEachPosition) {
    const std::string s = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xFF";
    EXPECT_EQ(Utf8SequenceLength(s, 0), 1u);
    EXPECT_EQ(Utf8SequenceLength(s, 1), 2u);
    EXPECT_EQ(Utf8SequenceLength(s, 2), 0u);  // a continuation byte starts nothing
    EXPECT_EQ(Utf8SequenceLength(s, 3), 3u);
    EXPECT_EQ(Utf8SequenceLength(s, 6), 4u);
    EXPECT_EQ(Utf8SequenceLength(s, 10), 0u);
    // A sequence cut short by the end of the text is not counted as whole.
    EXPECT_EQ(Utf8SequenceLength(std::string_view(s).substr(0, 5), 3), 0u);
}

TEST(Cp1252, MapsEveryByte) {
    EXPECT_EQ(Cp1252ToUtf8("Caf\xE9 \x80"
                           "5"),
              "Caf\xC3\xA9 \xE2\x82\xAC"
              "5");
    EXPECT_EQ(Cp1252ToUtf8("\x93quoted\x94"), "\xE2\x80\x9Cquoted\xE2\x80\x9D");
    EXPECT_EQ(Cp1252ToUtf8("\x8A\x9F\x83\x99"), "\xC5\xA0\xC5\xB8\xC6\x92\xE2\x84\xA2");
    EXPECT_EQ(Cp1252ToUtf8("\x81\x8D\x8F\x90\x9D"),
              "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");  // unassigned: C1 controls
    EXPECT_EQ(Cp1252ToUtf8("\xA0\xFF"), "\xC2\xA0\xC3\xBF");

    // Each of the 256 bytes becomes one well-formed character, all different.
    std::set<std::string> seen;
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        const std::string u = Cp1252ToUtf8(one);
        ASSERT_TRUE(IsValidUtf8(u)) << b;
        ASSERT_EQ(Utf8SequenceLength(u, 0), u.size()) << b;
        if (b < 0x80) {
            EXPECT_EQ(u, one);
        }
        seen.insert(u);
    }
    EXPECT_EQ(seen.size(), 256u);
}

TEST(DecodeForDisplay, Utf8KeptBomDroppedElseWindows1252) {
    EXPECT_EQ(DecodeForDisplay("Caf\xC3\xA9"), "Caf\xC3\xA9");
    EXPECT_EQ(DecodeForDisplay("\xEF\xBB\xBF"
                               "Caf\xC3\xA9"),
              "Caf\xC3\xA9");
    EXPECT_EQ(DecodeForDisplay("Caf\xE9"), "Caf\xC3\xA9");
    EXPECT_EQ(DecodeForDisplay("\xEF\xBB\xBF"), "");
    EXPECT_EQ(DecodeForDisplay("x\xEF\xBB\xBF"), "x\xEF\xBB\xBF");  // only a leading mark goes
    EXPECT_EQ(DropUtf8Bom("\xEF\xBB"), "\xEF\xBB");
}

}  // namespace
}  // namespace varnolt
