#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>

#include "news/NewsProtocol.h"

namespace varnolt {
namespace {

TEST(DecodeDollarHex, DecodesEscapesAndRejectsBrokenOnes) {
    EXPECT_EQ(DecodeDollarHex("$3Cb$3EHello$3C/b$3E"), "<b>Hello</b>");
    EXPECT_EQ(DecodeDollarHex("100$25"), "100%");
    EXPECT_EQ(DecodeDollarHex("a$4"), std::string("a\x04"));
    EXPECT_EQ(DecodeDollarHex("$24 and $e9t$E9"), "$ and \xE9t\xE9");
    EXPECT_EQ(DecodeDollarHex("$00x"), std::string("\0x", 2));
    EXPECT_EQ(DecodeDollarHex("abc$"), "");
    EXPECT_EQ(DecodeDollarHex("$zz"), "");
    EXPECT_EQ(DecodeDollarHex("good text $4g"), "");
    EXPECT_EQ(DecodeDollarHex("plain"), "plain");
    EXPECT_EQ(DecodeDollarHex(""), "");
}

TEST(NewsAddress, JoinsBaseUrlAndScript) {
    EXPECT_EQ(JoinNewsAddress("http://n.example/news", "getlastnews.php"),
              "http://n.example/news/getlastnews.php");
    EXPECT_EQ(JoinNewsAddress("http://n.example/news/", "getlastnews.php"),
              "http://n.example/news/getlastnews.php");
    EXPECT_EQ(JoinNewsAddress("http://n.example/news//", "getnewsdetails.php"),
              "http://n.example/news//getnewsdetails.php");
    EXPECT_EQ(JoinNewsAddress("", "getlastnews.php"), "/getlastnews.php");
}

TEST(NewsForm, BoundaryIsDateAndTimeInTwentyThreeCharacters) {
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 2;  // March
    t.tm_mday = 7;
    t.tm_hour = 21;
    t.tm_min = 5;
    t.tm_sec = 9;
    const std::string b = MakeFormBoundary(t, 42);
    EXPECT_EQ(b, "--------030726210509042");
    EXPECT_EQ(b.size(), 23u);
    t.tm_year = 1999 - 1900;
    t.tm_mon = 11;
    EXPECT_EQ(MakeFormBoundary(t, 999), "--------120799210509999");
}

TEST(NewsForm, BoundaryIsTheLocalTimeOfTheZoneInForce) {
    using namespace std::chrono;
    const char* saved = std::getenv("TZ");
    const std::string before = saved ? saved : "";
    struct Case {
        const char* zone;
        sys_time<milliseconds> when;
        const char* boundary;
    };
    const auto newYearsEve =
        sys_days{year{2031} / 12 / 31} + hours{23} + minutes{59} + seconds{58} + milliseconds{7};
    const Case cases[] = {
        {"UTC0", newYearsEve, "--------123131235958007"},
        // Five and a half hours ahead: the next day, month and year.
        {"IST-5:30", newYearsEve, "--------010132052958007"},
        // Behind UTC, with summer time: four hours in July, five in January.
        {"EST5EDT,M3.2.0,M11.1.0",
         sys_days{year{2026} / 7 / 4} + hours{3} + minutes{2} + seconds{1} + milliseconds{999},
         "--------070326230201999"},
        {"EST5EDT,M3.2.0,M11.1.0", sys_days{year{2026} / 1 / 15} + hours{12},
         "--------011526070000000"},
    };
    for (const Case& c : cases) {
        setenv("TZ", c.zone, 1);
        tzset();
        EXPECT_EQ(MakeFormBoundary(c.when), c.boundary) << c.zone;
    }
    if (saved)
        setenv("TZ", before.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

TEST(NewsForm, BodyLayoutIsExact) {
    const std::string body =
        BuildMultipartBody("--------B", {{"a", "1"}, {"prodcode", "x\xE9y"}, {"something", ""}});
    EXPECT_EQ(body,
              "----------B\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n1\r\n"
              "----------B\r\nContent-Disposition: form-data; name=\"prodcode\"\r\n\r\nx\xE9y\r\n"
              "----------B\r\nContent-Disposition: form-data; name=\"something\"\r\n\r\n\r\n"
              "\r\n----------B--\r\n");
}

TEST(NewsReply, TrimSuccessAndErrorWords) {
    EXPECT_EQ(TrimReply(std::string("\x00\x01 \t\r\nOK\x1F \n", 11)), "OK");
    EXPECT_EQ(TrimReply("\xAF"
                        "OK"),
              "\xAF"
              "OK");  // 0xAF is not a blank
    EXPECT_EQ(TrimReply(" \r\n "), "");
    EXPECT_TRUE(IsSuccessReply("some OK text"));
    EXPECT_FALSE(IsSuccessReply("ok"));
    EXPECT_FALSE(IsSuccessReply(""));

    EXPECT_EQ(NewsErrorMessage("", false),
              "There is a trouble accessing the news site. Contact your provider.");
    EXPECT_EQ(NewsErrorMessage("CONNECTIONFAIL", false),
              "There is a trouble in the settings file on the news site.");
    EXPECT_EQ(NewsErrorMessage("INVALIDUSER", true),
              "There is a trouble with the Publisher Id. Contact your provider.");
    EXPECT_EQ(NewsErrorMessage("INVALIDPRODUCT", false),
              "There is a trouble with the product validation. Contact your provider.");
    EXPECT_EQ(NewsErrorMessage("INVALIDNEWS", true),
              "There is a trouble with this news. Contact your provider.");
    EXPECT_EQ(NewsErrorMessage("INVALIDNEWS", false), "");
    EXPECT_EQ(NewsErrorMessage("invaliduser", false), "");
    EXPECT_EQ(NewsErrorMessage("SOMETHING ELSE", true), "");

    EXPECT_EQ(RemoveEndMarkers("12^a\xAFOK\xAFOK"), "12^a");
    EXPECT_EQ(RemoveEndMarkers("\xAF\xAFOKOK"), "\xAFOK");  // one pass only
    EXPECT_EQ(RemoveEndMarkers("\xAFok"), "\xAFok");
}

TEST(NewsIds, ConvertToSigned32BitOrZero) {
    EXPECT_EQ(NewsIdToInt("12"), 12);
    EXPECT_EQ(NewsIdToInt("-7"), -7);
    EXPECT_EQ(NewsIdToInt("+7"), 7);
    EXPECT_EQ(NewsIdToInt("2147483647"), 2147483647);
    EXPECT_EQ(NewsIdToInt("-2147483648"), INT32_MIN);
    EXPECT_EQ(NewsIdToInt("2147483648"), 0);
    EXPECT_EQ(NewsIdToInt(""), 0);
    EXPECT_EQ(NewsIdToInt("12a"), 0);
    EXPECT_EQ(NewsIdToInt("abc"), 0);
    EXPECT_EQ(NewsIdToInt("+-3"), 0);
}

TEST(NewsHint, ShownOnlyForANewerId) {
    EXPECT_EQ(NewsHintText("5", "Spring offer", ""), "You've Got A Message!\r\nSpring offer");
    EXPECT_FALSE(NewsHintText("5", "Spring offer", "5").has_value());
    EXPECT_FALSE(NewsHintText("5", "Spring offer", "7").has_value());
    EXPECT_FALSE(NewsHintText("", "", "0").has_value());
    EXPECT_TRUE(NewsHintText("1", "", "junk").has_value());
}

TEST(NewsTier, ChosenByExactTypeWithAPublisherId) {
    BrandSettings s;
    s.BranderCode = "CODE";
    s.MasterPublID = "m";
    s.MasterNewsBaseURL = "http://m/";
    s.PlatinumPublID = "p";
    s.PlatinumNewsBaseURL = "http://p/";
    s.GoldPublID = "g";
    s.GoldNewsBaseURL = "http://g/";

    s.BranderType = "Platinum";
    auto req = ChooseNewsTier(s);
    ASSERT_TRUE(req);
    EXPECT_EQ(req->publisherId, "p");
    EXPECT_EQ(req->branderCode, "CODE");
    EXPECT_EQ(req->tierCode, "BP");
    EXPECT_EQ(req->newsTarget, "UA");
    EXPECT_EQ(req->baseUrl, "http://p/");

    s.BranderType = "Gold";
    EXPECT_EQ(ChooseNewsTier(s)->tierCode, "BG");
    s.BranderType = "Master";
    EXPECT_EQ(ChooseNewsTier(s)->tierCode, "BM");
    s.MasterPublID.clear();
    EXPECT_FALSE(ChooseNewsTier(s));
    s.BranderType = "gold";
    EXPECT_FALSE(ChooseNewsTier(s));
    s.BranderType = "Free";
    EXPECT_FALSE(ChooseNewsTier(s));
    EXPECT_EQ(NewsBaseUrlForTier(s, "BG"), "http://g/");
    EXPECT_EQ(NewsBaseUrlForTier(s, "XX"), "");
}

}  // namespace
}  // namespace varnolt
