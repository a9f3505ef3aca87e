#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

#include <string>
#include <vector>

#include "VectorSink.h"
#include "keywords/Keywords.h"

namespace varnolt {
namespace {

using test::Lines;
using test::VectorSink;

Lines Format(const std::vector<std::string_view>& words, const MatchTypes& types) {
    VectorSink sink;
    FormatMatchTypes(words, types, sink);
    return sink.lines;
}

TEST(MatchTypes, RedShoesAndBoots) {
    MatchTypes t = MatchTypes::Of({"--broad", "--exact", "--minus"});
    EXPECT_EQ(Format({"Red Shoes", "Boots"}, t),
              (Lines{"Red Shoes", "Boots", "[Red Shoes]", "[Boots]", "-Red Shoes", "-Boots"}));
    t.Set(FindMatchOption("--lowercase"));
    EXPECT_EQ(Format({"Red Shoes", "Boots"}, t),
              (Lines{"red shoes", "boots", "[red shoes]", "[boots]", "-red shoes", "-boots"}));
}

// The four notations of the first Ad Words page, whose bytes stay as they were.
MatchTypes FirstFour() {
    return MatchTypes::Of({"--broad", "--phrase", "--exact", "--minus"});
}

TEST(MatchTypes, EachNotationAndTheirOrder) {
    const MatchTypes all = FirstFour();
    EXPECT_EQ(Format({"a b", "C"}, all),
              (Lines{"a b", "C", "\"a b\"", "\"C\"", "[a b]", "[C]", "-a b", "-C"}));
    EXPECT_EQ(Format({"x"}, MatchTypes::Of({"--phrase"})), Lines{"\"x\""});
    // Lower-casing leaves everything but A-Z alone.
    const MatchTypes lowerExact = MatchTypes::Of({"--exact", "--lowercase"});
    EXPECT_EQ(Format({"\xC3\x89T\xC3\x89 SALE"}, lowerExact), Lines{"[\xC3\x89t\xC3\x89 sale]"});
}

TEST(MatchTypes, EdgeCases) {
    const MatchTypes all = FirstFour();
    // A blank line is formatted like any other.
    EXPECT_EQ(Format({""}, all), (Lines{"", "\"\"", "[]", "-"}));
    // Spaces stay inside the marks; marks already present get marks again.
    EXPECT_EQ(
        Format({" shoes ", "-x", "[y]", "\"z\""}, all),
        (Lines{" shoes ", "-x", "[y]", "\"z\"", "\" shoes \"", "\"-x\"", "\"[y]\"", "\"\"z\"\"",
               "[ shoes ]", "[-x]", "[[y]]", "[\"z\"]", "- shoes ", "--x", "-[y]", "-\"z\""}));
    // Lowercase alone is a choice with nothing to write.
    const MatchTypes lowerOnly = MatchTypes::Of({"--lowercase"});
    EXPECT_TRUE(lowerOnly.Any());
    EXPECT_EQ(Format({"Boots"}, lowerOnly), Lines{});
    EXPECT_FALSE(MatchTypes{}.Any());
}

// The negatives after Minus Sign: -"k" and -[k], grouped in table order,
// lower-cased (A-Z only) by Lowercase like the others.
TEST(MatchTypes, NegativePhraseAndExact) {
    const std::vector<std::string_view> words = {"cat", "Book", "new york", "Caf\xC3\xA9"};
    EXPECT_EQ(Format(words, MatchTypes::Of({"--negative-exact", "--negative-phrase"})),
              (Lines{"-\"cat\"", "-\"Book\"", "-\"new york\"", "-\"Caf\xC3\xA9\"", "-[cat]",
                     "-[Book]", "-[new york]", "-[Caf\xC3\xA9]"}));
    EXPECT_EQ(Format({"Book"}, MatchTypes::Of({"--negative-exact", "--lowercase"})),
              Lines{"-[book]"});
    Lines all = Format({"Book"}, MatchTypes::AllNotations());
    EXPECT_EQ(all, (Lines{"Book", "\"Book\"", "[Book]", "-Book", "-\"Book\"", "-[Book]"}));
    std::vector<std::string_view> captions;
    for (const MatchOptionRow& row : MatchOptionTable())
        captions.push_back(row.caption);
    EXPECT_EQ(captions,
              (std::vector<std::string_view>{"Broad", "Phrase Match", "Exact Match", "Lowercase",
                                             "Minus Sign", "Negative Phrase", "Negative Exact"}));
    EXPECT_EQ(MatchOptionTable()[FindMatchOption("--negative-phrase")].objectName,
              "chkNegativePhrase");
    EXPECT_EQ(MatchOptionTable()[FindMatchOption("--negative-exact")].objectName,
              "chkNegativeExact");
}

// Every row of both tables carries what its consumers need: a unique
// varnolt-kw option, a caption and a unique check box name, and a routine.
TEST(KindTables, EveryRowIsComplete) {
    std::set<std::string_view> options, names;
    auto check = [&](std::string_view option, std::string_view caption, std::string_view name) {
        EXPECT_TRUE(option.starts_with("--") && option.size() > 2) << option;
        EXPECT_FALSE(caption.empty()) << option;
        EXPECT_TRUE(name.starts_with("chk")) << option;
        EXPECT_TRUE(options.insert(option).second) << "option twice: " << option;
        EXPECT_TRUE(names.insert(name).second) << "check box twice: " << name;
    };
    for (std::size_t i = 0; i < TypoKindTable().size(); ++i) {
        const TypoKindRow& row = TypoKindTable()[i];
        check(row.option, row.caption, row.objectName);
        EXPECT_NE(row.generate, nullptr) << row.option;
        EXPECT_EQ(FindTypoKind(row.option), static_cast<int>(i));
        EXPECT_TRUE(TypoKinds::All().Has(i));
    }
    std::size_t modifiers = 0;
    for (std::size_t i = 0; i < MatchOptionTable().size(); ++i) {
        const MatchOptionRow& row = MatchOptionTable()[i];
        check(row.option, row.caption, row.objectName);
        EXPECT_EQ(FindMatchOption(row.option), static_cast<int>(i));
        EXPECT_EQ(MatchTypes::AllNotations().Has(i), row.add != nullptr) << row.option;
        modifiers += row.add == nullptr;
    }
    EXPECT_EQ(modifiers, 1u) << "Lowercase is the one option that is not a notation";
    EXPECT_EQ(FindTypoKind("--all"), -1);
    EXPECT_THROW(TypoKinds::Of({"--no-such-kind"}), std::invalid_argument);
}

}  // namespace
}  // namespace varnolt
