#include "util/UUtils.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace varnolt {
namespace {

using Pieces = std::vector<std::string>;

Pieces Split(char sep, std::string_view text) {
    Pieces list{"left over"};  // must be emptied first
    SplitByChar(sep, text, list);
    return list;
}

TEST(SplitByChar, SeparatorRules) {
    EXPECT_EQ(Split('^', "a^^b"), (Pieces{"a", "", "b"}));
    EXPECT_EQ(Split('^', "a^b^"), (Pieces{"a", "b"}));
    EXPECT_EQ(Split('^', "^a"), (Pieces{"", "a"}));
    EXPECT_EQ(Split('^', ""), Pieces{});
    EXPECT_EQ(Split('^', "abc"), Pieces{"abc"});
    EXPECT_EQ(Split('^', "^"), Pieces{""});
    EXPECT_EQ(Split('^', "a^^"), (Pieces{"a", ""}));
    EXPECT_EQ(Split('^', "^^"), (Pieces{"", ""}));
}

TEST(SplitByChar, CommaRowsAndHighByteSeparator) {
    EXPECT_EQ(Split(',', "w,3,4,r,f,d,s"), (Pieces{"w", "3", "4", "r", "f", "d", "s"}));
    // 0xAF separates fields; other high bytes are ordinary piece bytes.
    EXPECT_EQ(Split('\xAF', "12\xAFT\xE9tle\xAF\xAF"), (Pieces{"12", "T\xE9tle", ""}));
    // Works byte by byte: 0xAF inside a UTF-8 sequence (U+00AF is C2 AF) still cuts.
    EXPECT_EQ(Split('\xAF', "a\xC2\xAF"), (Pieces{"a\xC2"}));
}

TEST(AsciiCase, OnlyAsciiLettersChange) {
    EXPECT_EQ(AsciiLower("Red SHOES 42 [X]"), "red shoes 42 [x]");
    EXPECT_EQ(AsciiUpper("Red shoes 42 {x}"), "RED SHOES 42 {X}");
    // Accented letters in UTF-8 and single high bytes are left alone.
    EXPECT_EQ(AsciiLower("\xC3\x84pfel \xC4"), "\xC3\x84pfel \xC4");
    EXPECT_EQ(AsciiUpper("\xC3\xA4pfel \xE4"), "\xC3\xA4PFEL \xE4");
    EXPECT_EQ(AsciiLower("@[`{"), "@[`{");  // neighbours of the letter ranges
    EXPECT_EQ(AsciiUpper("@[`{"), "@[`{");
}

TEST(AppFolder, IsTheFolderOfTheRunningProgram) {
    const std::string folder = AppFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.front(), '/');
    EXPECT_EQ(folder.back(), '/');
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(n, 0);
    const std::string exe(self, static_cast<std::size_t>(n));
    EXPECT_EQ(exe.substr(0, folder.size()), folder);
    EXPECT_EQ(exe.find('/', folder.size()), std::string::npos);
}

}  // namespace
}  // namespace varnolt
