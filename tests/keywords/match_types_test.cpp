#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "keywords/Keywords.h"

namespace varnolt {
namespace {

using Lines = std::vector<std::string>;

class VectorSink : public LineSink {
public:
    void AddLine(std::string_view line) override { lines.emplace_back(line); }
    Lines lines;
};

Lines Format(const std::vector<std::string_view>& words, const MatchTypes& types) {
    VectorSink sink;
    FormatMatchTypes(words, types, sink);
    return sink.lines;
}

TEST(MatchTypes, RedShoesAndBoots) {
    MatchTypes t;
    t.broad = t.exact = t.minus = true;
    EXPECT_EQ(Format({"Red Shoes", "Boots"}, t),
              (Lines{"Red Shoes", "Boots", "[Red Shoes]", "[Boots]", "-Red Shoes", "-Boots"}));
    t.lowercase = true;
    EXPECT_EQ(Format({"Red Shoes", "Boots"}, t),
              (Lines{"red shoes", "boots", "[red shoes]", "[boots]", "-red shoes", "-boots"}));
}

TEST(MatchTypes, EachNotationAndTheirOrder) {
    const MatchTypes all{true, true, true, true, false};
    EXPECT_EQ(Format({"a b", "C"}, all),
              (Lines{"a b", "C", "\"a b\"", "\"C\"", "[a b]", "[C]", "-a b", "-C"}));
    MatchTypes phrase;
    phrase.phrase = true;
    EXPECT_EQ(Format({"x"}, phrase), Lines{"\"x\""});
    // Lower-casing leaves everything but A-Z alone.
    MatchTypes lowerExact;
    lowerExact.exact = lowerExact.lowercase = true;
    EXPECT_EQ(Format({"\xC3\x89T\xC3\x89 SALE"}, lowerExact), Lines{"[\xC3\x89t\xC3\x89 sale]"});
}

TEST(MatchTypes, EdgeCases) {
    const MatchTypes all{true, true, true, true, false};
    // A blank line is formatted like any other.
    EXPECT_EQ(Format({""}, all), (Lines{"", "\"\"", "[]", "-"}));
    // Spaces stay inside the marks; marks already present get marks again.
    EXPECT_EQ(
        Format({" shoes ", "-x", "[y]", "\"z\""}, all),
        (Lines{" shoes ", "-x", "[y]", "\"z\"", "\" shoes \"", "\"-x\"", "\"[y]\"", "\"\"z\"\"",
               "[ shoes ]", "[-x]", "[[y]]", "[\"z\"]", "- shoes ", "--x", "-[y]", "-\"z\""}));
    // Lowercase alone is a choice with nothing to write.
    MatchTypes lowerOnly;
    lowerOnly.lowercase = true;
    EXPECT_TRUE(lowerOnly.Any());
    EXPECT_EQ(Format({"Boots"}, lowerOnly), Lines{});
    EXPECT_FALSE(MatchTypes{}.Any());
}

}  // namespace
}  // namespace varnolt
