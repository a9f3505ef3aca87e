// Duplicates removed: case folding and the first occurrence kept in place.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VectorSink.h"
#include "keywords/Keywords.h"
#include "keywords/UniqueSink.h"

namespace varnolt {
namespace {

using test::Lines;
using test::VectorSink;

// Pairs from the simple case folding (C and S mappings of CaseFolding.txt).
TEST(FoldCase, CoveredBlocks) {
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
    };
    for (const auto& c : cases)
        EXPECT_EQ(FoldCase(c.text), c.folded) << c.text;
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
}

}  // namespace
}  // namespace varnolt
