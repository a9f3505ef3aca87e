// Reading rules of the plain settings text: markers, order, families, picks.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "brand/BrandFile.h"

namespace varnolt {
namespace {

std::string Tag(const std::string& name, const std::string& value) {
    return "<%%" + name + "%%>" + value + "<%%/" + name + "%%>\r\n";
}

bool HasWarning(const BrandRead& r, const std::string& part) {
    for (const auto& w : r.warnings)
        if (w.find(part) != std::string::npos)
            return true;
    return false;
}

TEST(ExtractTaggedValue, FindsMarkersInAnyCaseAndShortensTheWorkingText) {
    std::string w = "xx<%%applicationname%%>Shop Tool<%%/APPLICATIONNAME%%>tail";
    EXPECT_EQ(ExtractTaggedValue(w, "<%%ApplicationName%%>", "<%%/ApplicationName%%>"),
              "Shop Tool");
    EXPECT_EQ(w, "<%%/APPLICATIONNAME%%>tail");  // the closing marker stays at the head

    std::string missing = "abc<%%Other%%>v<%%/Other%%>";
    EXPECT_EQ(ExtractTaggedValue(missing, "<%%Name%%>", "<%%/Name%%>"), "");
    EXPECT_EQ(missing, "abc<%%Other%%>v<%%/Other%%>");  // a missing tag takes nothing away

    std::string unclosed = "a<%%Name%%>value<%%Next%%>n<%%/Next%%>";
    EXPECT_EQ(ExtractTaggedValue(unclosed, "<%%Name%%>", "<%%/Name%%>"), "");
    EXPECT_EQ(unclosed, "value<%%Next%%>n<%%/Next%%>");
    EXPECT_EQ(ExtractTaggedValue(unclosed, "<%%Next%%>", "<%%/Next%%>"), "n");
}

TEST(JoinSettingsLines, EveryLineEndBecomesCrLfAndNulEndsTheText) {
    EXPECT_EQ(JoinSettingsLines(""), "");
    EXPECT_EQ(JoinSettingsLines("a"), "a\r\n");
    EXPECT_EQ(JoinSettingsLines("a\r\n"), "a\r\n");
    EXPECT_EQ(JoinSettingsLines("a\rb\nc\r\n\r\nd"), "a\r\nb\r\nc\r\n\r\nd\r\n");
    EXPECT_EQ(JoinSettingsLines(std::string("a\nb\0c\nd", 7)), "a\r\nb\r\n");
}

TEST(ReadBrandText, ReadsEveryRowInOrderVerbatim) {
    std::string text =
        Tag("ApplicationName", "Shop Tool") + Tag("BranderCode", "SC-1") +
        Tag("BranderType", "Gold") + Tag("AffiliateURL", "http://a/?id=%%AFFILIATEID%%") +
        Tag("AffiliateTYPE", "cb") + Tag("AffiliateID", "joe") +
        Tag("MasterNewsBaseURL", "http://m/") + Tag("PlatinumNewsBaseURL", "http://p/") +
        Tag("GoldNewsBaseURL", "http://g/") + Tag("MasterPublID", "M1") +
        Tag("PlatinumPublID", "P1") + Tag("GoldPublID", "G1") +
        Tag("MakeMoneyButton", "Earn Cash") + Tag("AppHelpURL", "http://h/") +
        Tag("CopyrightYears", "2006-2008") + Tag("CopyrightCompany", "Example Ltd") +
        Tag("AboutText", " line one\r\nline two ");
    BrandRead r = ReadBrandText(text, 1);
    const BrandSettings& s = r.settings;
    EXPECT_EQ(s.ApplicationName, "Shop Tool");
    EXPECT_EQ(s.BranderCode, "SC-1");
    EXPECT_EQ(s.BranderType, "Gold");
    EXPECT_EQ(s.AffiliateURL, "http://a/?id=joe");
    EXPECT_EQ(s.AffiliateTYPE, "cb");
    EXPECT_EQ(s.AffiliateID, "joe");
    EXPECT_EQ(s.MasterNewsBaseURL, "http://m/");
    EXPECT_EQ(s.PlatinumNewsBaseURL, "http://p/");
    EXPECT_EQ(s.GoldNewsBaseURL, "http://g/");
    EXPECT_EQ(s.MasterPublID, "M1");
    EXPECT_EQ(s.PlatinumPublID, "P1");
    EXPECT_EQ(s.GoldPublID, "G1");
    EXPECT_EQ(r.MakeMoneyButton, "Earn Cash");
    EXPECT_EQ(MakeMoneyCaption(r), "Earn Cash");
    EXPECT_EQ(s.AppHelpURL, "http://h/");
    EXPECT_EQ(s.CopyrightYears, "2006-2008");
    EXPECT_EQ(s.CopyrightCompany, "Example Ltd");
    EXPECT_EQ(s.AboutText, " line one\r\nline two ");
    EXPECT_TRUE(r.warnings.empty());
    EXPECT_TRUE(NewsButtonRule(s));

    BrandRead none = ReadBrandText("", 1);
    EXPECT_EQ(MakeMoneyCaption(none), "Make Money");
    EXPECT_EQ(none.settings.ApplicationName, "");
    EXPECT_EQ(none.settings.BannerNumber, 0);
}

TEST(ReadBrandText, TagsOutOfOrderOrUnclosedReadEmpty) {
    // BranderCode before ApplicationName: the name is read, the code is gone.
    BrandRead r = ReadBrandText(Tag("BranderCode", "C") + Tag("ApplicationName", "N"), 0);
    EXPECT_EQ(r.settings.ApplicationName, "N");
    EXPECT_EQ(r.settings.BranderCode, "");
    EXPECT_TRUE(HasWarning(r, "<%%BranderCode%%> stands before"));

    // An opening marker without its closing marker: empty, and later tags still read.
    r = ReadBrandText("<%%ApplicationName%%>Shop\r\n" + Tag("BranderCode", "SC"), 0);
    EXPECT_EQ(r.settings.ApplicationName, "");
    EXPECT_EQ(r.settings.BranderCode, "SC");
    EXPECT_TRUE(HasWarning(r, "<%%ApplicationName%%> has no closing marker"));
}

TEST(ReadBrandText, ValuesSpanLinesWithCrLfWhateverTheLineEnds) {
    BrandRead r = ReadBrandText(
        "<%%BranderType%%>\nGold\r<%%/BranderType%%>\n"
        "<%%MasterPublID%%>1<%%/MasterPublID%%>",
        0);
    EXPECT_EQ(r.settings.BranderType, "\r\nGold\r\n");
    r.settings.GoldPublID = "1";
    r.settings.GoldNewsBaseURL = "http://g/";
    EXPECT_FALSE(NewsButtonRule(r.settings));  // written so, it matches no tier
    EXPECT_TRUE(HasWarning(r, "is none of Master, Platinum, Gold, Free"));
    EXPECT_EQ(r.settings.MasterPublID, "1");
}

TEST(ReadBrandText, AffiliateIdReplacesEveryPlaceholderInTheAffiliateUrlOnly) {
    std::string base =
        Tag("AffiliateURL", "http://x/%%AFFILIATEID%%/y?a=%%AFFILIATEID%%&b=%%affiliateid%%");
    BrandRead r = ReadBrandText(
        base + Tag("AffiliateID", "42") + Tag("AppHelpURL", "http://h/%%AFFILIATEID%%"), 0);
    EXPECT_EQ(r.settings.AffiliateURL, "http://x/42/y?a=42&b=%%affiliateid%%");
    EXPECT_EQ(r.settings.AppHelpURL, "http://h/%%AFFILIATEID%%");

    r = ReadBrandText(base, 0);
    EXPECT_EQ(r.settings.AffiliateURL, "http://x//y?a=&b=%%affiliateid%%");

    // An id holding the placeholder itself is not expanded again.
    r = ReadBrandText(
        Tag("AffiliateURL", "%%AFFILIATEID%%") + Tag("AffiliateID", "%%AFFILIATEID%%x"), 0);
    EXPECT_EQ(r.settings.AffiliateURL, "%%AFFILIATEID%%x");
}

TEST(ReadBrandText, FamiliesAreTheUnbrokenRunFromOneUpToSixteen) {
    BrandRead r =
        ReadBrandText(Tag("Welcome1", "a") + Tag("Welcome2", "b") + Tag("Welcome4", "d"), 0);
    EXPECT_EQ(r.Welcome, (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(HasWarning(r, "Welcome stops at Welcome3 (missing); ignored: Welcome4"));

    std::string many;
    for (int n = 1; n <= 17; ++n)
        many += Tag("Welcome" + std::to_string(n), "w" + std::to_string(n));
    r = ReadBrandText(many, 0);
    ASSERT_EQ(r.Welcome.size(), 16u);
    EXPECT_EQ(r.Welcome.back(), "w16");
    EXPECT_TRUE(HasWarning(r, "Welcome has more than 16 entries; ignored: Welcome17"));
    std::set<std::string> chosen;
    for (std::uint32_t seed = 0; seed < 2000; ++seed)
        chosen.insert(ReadBrandText(many, seed).settings.WelcomeText);
    EXPECT_EQ(chosen.size(), 16u);       // every candidate is picked sometimes...
    EXPECT_EQ(chosen.count("w17"), 0u);  // ...and Welcome17 never

    // An empty Welcome1 means no welcome page even with Welcome2 filled.
    r = ReadBrandText(Tag("Welcome1", "") + Tag("Welcome2", "b"), 3);
    EXPECT_TRUE(r.Welcome.empty());
    EXPECT_EQ(r.settings.WelcomeText, "");
    EXPECT_TRUE(HasWarning(r, "Welcome stops at Welcome1 (empty); ignored: Welcome2"));

    // Leading zeros name no entry.
    r = ReadBrandText(Tag("Link01", "a^b"), 3);
    EXPECT_TRUE(r.Link.empty());
    EXPECT_TRUE(HasWarning(r, "ignored: Link01"));

    // Families are read in the order Welcome, Banner, Link.
    r = ReadBrandText(Tag("Link1", "c^u") + Tag("Welcome1", "w") + Tag("Banner1", "b.gif^u"), 0);
    EXPECT_EQ(r.Welcome.size(), 1u);
    EXPECT_EQ(r.Banner.size(), 1u);
    EXPECT_TRUE(r.Link.empty());
    EXPECT_TRUE(HasWarning(r, "<%%Link1%%> stands before"));
}

TEST(ReadBrandText, BannerPickUsesTheFirstTwoPartsAndItsNumber) {
    std::string text = Tag("Banner1", "one.gif^http://1/") +
                       Tag("Banner2", "two.jpg^http://2/^extra") +
                       Tag("Banner3", "three.png^http://3/");
    std::set<int> numbers;
    for (std::uint32_t seed = 0; seed < 200; ++seed) {
        BrandRead r = ReadBrandText(text, seed);
        const BrandSettings& s = r.settings;
        numbers.insert(s.BannerNumber);
        ASSERT_GE(s.BannerNumber, 1);
        ASSERT_LE(s.BannerNumber, 3);
        const char* files[] = {"one.gif", "two.jpg", "three.png"};
        EXPECT_EQ(s.BannerFile, files[s.BannerNumber - 1]);
        EXPECT_EQ(s.BannerURL, "http://" + std::to_string(s.BannerNumber) + "/");
    }
    EXPECT_EQ(numbers.size(), 3u);
    // The same seed gives the same picks.
    EXPECT_EQ(ReadBrandText(text, 77).settings.BannerNumber,
              ReadBrandText(text, 77).settings.BannerNumber);
}

TEST(ReadBrandText, TwoLinksAreTwoDifferentEntries) {
    std::string text =
        Tag("Link1", "A^http://a/") + Tag("Link2", "B^http://b/") + Tag("Link3", "C^http://c/");
    std::set<std::string> pairs;
    for (std::uint32_t seed = 0; seed < 300; ++seed) {
        const BrandSettings s = ReadBrandText(text, seed).settings;
        ASSERT_NE(s.Link1Caption, s.Link2Caption);
        ASSERT_FALSE(s.Link2Caption.empty());
        EXPECT_EQ(s.Link1URL,
                  "http://" + std::string(1, static_cast<char>(s.Link1Caption[0] + 32)) + "/");
        EXPECT_EQ(s.Link2URL,
                  "http://" + std::string(1, static_cast<char>(s.Link2Caption[0] + 32)) + "/");
        pairs.insert(s.Link1Caption + s.Link2Caption);
    }
    EXPECT_EQ(pairs.size(), 6u);  // all ordered pairs occur

    BrandSettings one = ReadBrandText(Tag("Link1", "^http://only/"), 5).settings;
    EXPECT_EQ(one.Link1Caption, "");
    EXPECT_EQ(one.Link1URL, "http://only/");
    EXPECT_EQ(one.Link2Caption, "");
    EXPECT_EQ(one.Link2URL, "");
}

TEST(ReadBrandText, EntryWithoutSecondPartKeepsItsFirstPartAndTheRestIsRead) {
    BrandRead r = ReadBrandText(Tag("ApplicationName", "N") + Tag("Banner1", "pic.gif") +
                                    Tag("Link1", "Home^") + Tag("Link2", "Shop^^http://s/"),
                                0);
    EXPECT_EQ(r.settings.ApplicationName, "N");
    EXPECT_EQ(r.settings.BannerFile, "pic.gif");
    EXPECT_EQ(r.settings.BannerURL, "");
    EXPECT_EQ(r.settings.BannerNumber, 1);
    EXPECT_EQ(r.Link.size(), 2u);
    EXPECT_TRUE(HasWarning(r, "Banner1 has no caret"));
    EXPECT_TRUE(HasWarning(r, "Link1 has nothing after its caret"));
    EXPECT_TRUE(HasWarning(r, "Link2 has nothing after its caret"));
}

TEST(NewsButtonRule, TierNeedsItsPublisherIdAndBaseUrl) {
    BrandSettings s;
    s.MasterPublID = "m";
    s.MasterNewsBaseURL = "http://m/";
    s.BranderType = "Free";
    EXPECT_TRUE(NewsButtonRule(s));
    s.BranderType = "free";
    EXPECT_FALSE(NewsButtonRule(s));
    s.BranderType = "Master";
    EXPECT_TRUE(NewsButtonRule(s));
    s.BranderType = "Gold";
    EXPECT_FALSE(NewsButtonRule(s));
    s.GoldPublID = "g";
    EXPECT_FALSE(NewsButtonRule(s));
    s.GoldNewsBaseURL = "http://g/";
    EXPECT_TRUE(NewsButtonRule(s));
    s.BranderType = "Platinum";
    s.PlatinumNewsBaseURL = "http://p/";
    EXPECT_FALSE(NewsButtonRule(s));
    s.PlatinumPublID = "p";
    EXPECT_TRUE(NewsButtonRule(s));
    s.BranderType = "";
    EXPECT_FALSE(NewsButtonRule(s));
}

TEST(BannerFormatOf, TheExtensionOfTheFileNamePartNamesTheFormat) {
    EXPECT_EQ(BannerFormatOf("promo.GIF"), "gif");
    EXPECT_EQ(BannerFormatOf("images\\top.jpg"), "jpg");
    EXPECT_EQ(BannerFormatOf("c:pic.Jpeg"), "jpeg");
    EXPECT_EQ(BannerFormatOf("dir/a.b.bmp"), "bmp");
    EXPECT_EQ(BannerFormatOf("x.ico"), "ico");
    EXPECT_EQ(BannerFormatOf("x.wmf"), "wmf");
    EXPECT_EQ(BannerFormatOf("x.emf"), "emf");
    EXPECT_EQ(BannerFormatOf("x.png"), "png");
    EXPECT_EQ(BannerFormatOf("gif"), "");
    EXPECT_EQ(BannerFormatOf("x.gif\\noext"), "");
    EXPECT_EQ(BannerFormatOf("x.txt"), "");
    EXPECT_EQ(BannerFormatOf(""), "");
}

}  // namespace
}  // namespace varnolt
