// The three news requests against a local server: the request bytes, and
// every kind of reply.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <mutex>

#include "news/LocalServer.h"
#include "news/NewsMessages.h"
#include "news/NewsProtocol.h"

namespace varnolt {
namespace {

using test::HttpRequest;
using test::HttpResponse;
using test::LocalServer;
using namespace std::chrono;

class NewsServiceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        setenv("TZ", "UTC0", 1);
        tzset();
    }

    void Reply(const std::string& target, std::string body, int status = 200) {
        std::lock_guard<std::mutex> lock(mutex_);
        HttpResponse res;
        res.status = status;
        res.body = std::move(body);
        replies_[target] = res;
    }

    NewsRequest Request(const std::string& base = "/news") {
        NewsRequest req;
        req.publisherId = "pub 1";
        req.branderCode = "CODE\xE9";
        req.tierCode = "BG";
        req.baseUrl = server_.Url(base);
        // 7 March 2026, 21:05:09.042
        req.clock = [] {
            return sys_days{year{2026} / 3 / 7} + hours{21} + minutes{5} + seconds{9} +
                   milliseconds{42};
        };
        return req;
    }

    std::mutex mutex_;
    std::map<std::string, HttpResponse> replies_;
    LocalServer server_{[this](const HttpRequest& req) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = replies_.find(req.target);
        if (it != replies_.end())
            return it->second;
        HttpResponse missing;
        missing.status = 404;
        return missing;
    }};
    HttpClient http_;
};

constexpr const char* kBoundary = "--------030726210509042";

TEST_F(NewsServiceTest, NewsListRequestIsTheExactForm) {
    Reply("/news/getlastnews.php", "OK");
    std::vector<std::string> list;
    std::string warning;
    ASSERT_TRUE(FetchNewsList(http_, Request(), list, &warning));

    const auto requests = server_.Requests();
    ASSERT_EQ(requests.size(), 1u);
    const HttpRequest& r = requests[0];
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.version, "HTTP/1.0");
    EXPECT_EQ(r.target, "/news/getlastnews.php");
    EXPECT_EQ(r.Header("User-Agent"), "Mozilla/4.0 (compatible; MSIE 5.5; Windows NT 4.0)");
    EXPECT_EQ(r.Header("Accept"), "text/html, */*");
    EXPECT_EQ(r.Header("Content-Type"), std::string("multipart/form-data; boundary=") + kBoundary);
    EXPECT_EQ(r.body,
              "----------030726210509042\r\n"
              "Content-Disposition: form-data; name=\"memusername\"\r\n\r\npub 1\r\n"
              "----------030726210509042\r\n"
              "Content-Disposition: form-data; name=\"prodcode\"\r\n\r\nCODE\xE9\r\n"
              "----------030726210509042\r\n"
              "Content-Disposition: form-data; name=\"prodtype\"\r\n\r\nBG\r\n"
              "----------030726210509042\r\n"
              "Content-Disposition: form-data; name=\"conttype\"\r\n\r\nall\r\n"
              "----------030726210509042\r\n"
              "Content-Disposition: form-data; name=\"newstarget\"\r\n\r\nUA\r\n"
              "----------030726210509042\r\n"
              "Content-Disposition: form-data; name=\"something\"\r\n\r\n\r\n"
              "\r\n----------030726210509042--\r\n");

    // What a form parser on the server makes of it.
    const auto fields = test::ParseMultipart(r.body, kBoundary);
    ASSERT_EQ(fields.size(), 6u);
    EXPECT_EQ(fields[0], (std::pair<std::string, std::string>("memusername", "pub 1")));
    EXPECT_EQ(fields[3], (std::pair<std::string, std::string>("conttype", "all")));
    EXPECT_EQ(fields[4], (std::pair<std::string, std::string>("newstarget", "UA")));
    EXPECT_EQ(fields[5].first, "something");
}

TEST_F(NewsServiceTest, LatestAndDetailsRequestsCarryTheirOwnFields) {
    Reply("/n/getlastnews.php", "OK");
    Reply("/n/getnewsdetails.php", "x\xAFOK");
    std::string id, title, body, warning;
    ASSERT_TRUE(FetchLatestNews(http_, Request("/n/"), id, title));
    ASSERT_TRUE(FetchNewsDetails(http_, Request("/n"), "12", body, &warning));

    const auto requests = server_.Requests();
    ASSERT_EQ(requests.size(), 2u);
    const auto latest = test::ParseMultipart(requests[0].body, kBoundary);
    ASSERT_EQ(latest.size(), 6u);
    EXPECT_EQ(latest[3], (std::pair<std::string, std::string>("conttype", "lastcode")));
    EXPECT_EQ(requests[1].target, "/n/getnewsdetails.php");
    const auto details = test::ParseMultipart(requests[1].body, kBoundary);
    ASSERT_EQ(details.size(), 6u);
    EXPECT_EQ(details[2], (std::pair<std::string, std::string>("prodtype", "BG")));
    EXPECT_EQ(details[3], (std::pair<std::string, std::string>("newsid", "12")));
}

TEST_F(NewsServiceTest, BoundaryFollowsTheClock) {
    Reply("/news/getlastnews.php", "OK");
    NewsRequest req = Request();
    req.clock = [] {
        return sys_days{year{2031} / 12 / 31} + hours{23} + minutes{59} + seconds{58} +
               milliseconds{7};
    };
    std::vector<std::string> list;
    ASSERT_TRUE(FetchNewsList(http_, req, list, nullptr));
    EXPECT_EQ(server_.Requests().at(0).Header("Content-Type"),
              "multipart/form-data; boundary=--------123131235958007");
}

struct ListCase {
    std::string reply;
    int status;
    bool ok;
    std::vector<std::string> lines;
    std::string warning;
};

TEST_F(NewsServiceTest, NewsListReplies) {
    const ListCase cases[] = {
        {"12^Spring offer^1 March\xAF"
         "11^Welcome^1 February\xAFOK",
         200,
         true,
         {"12^Spring offer^1 March", "11^Welcome^1 February"},
         ""},
        {"\r\n  OK \r\n", 200, true, {}, ""},
        {"a\xAF\xAF"
         "b\xAFOK",
         200,
         true,
         {"a", "b"},
         ""},
        {"\xAF\xAFOK", 200, true, {}, ""},
        {"the OK inside", 200, true, {"the OK inside"}, ""},
        {"", 200, false, {}, kMsgNewsSiteTrouble},
        {"OK", 500, false, {}, kMsgNewsSiteTrouble},
        {" CONNECTIONFAIL\r\n", 200, false, {}, kMsgNewsSettingsTrouble},
        {"\tINVALIDUSER\n", 200, false, {}, kMsgNewsPublisherTrouble},
        {"INVALIDPRODUCT", 200, false, {}, kMsgNewsProductTrouble},
        {"INVALIDNEWS", 200, false, {}, ""},
        {"invaliduser", 200, false, {}, ""},
        {"Server error", 200, false, {}, ""},
    };
    for (const ListCase& c : cases) {
        SCOPED_TRACE(c.reply);
        Reply("/news/getlastnews.php", c.reply, c.status);
        std::vector<std::string> list{"kept"};
        std::string warning = "stale";
        EXPECT_EQ(FetchNewsList(http_, Request(), list, &warning), c.ok);
        std::vector<std::string> expected{"kept"};
        expected.insert(expected.end(), c.lines.begin(), c.lines.end());
        EXPECT_EQ(list, expected);
        EXPECT_EQ(warning, c.warning);
    }
}

TEST_F(NewsServiceTest, LatestNewsReplies) {
    std::string id = "x", title = "y";
    Reply("/news/getlastnews.php", "12^Spring offer\xAFOK\r\n");
    EXPECT_TRUE(FetchLatestNews(http_, Request(), id, title));
    EXPECT_EQ(id, "12");
    EXPECT_EQ(title, "Spring offer");

    Reply("/news/getlastnews.php", "OK");
    EXPECT_TRUE(FetchLatestNews(http_, Request(), id, title));
    EXPECT_EQ(id, "");
    EXPECT_EQ(title, "");

    Reply("/news/getlastnews.php", "13\xAFOK");  // no title
    EXPECT_TRUE(FetchLatestNews(http_, Request(), id, title));
    EXPECT_EQ(id, "13");
    EXPECT_EQ(title, "");

    Reply("/news/getlastnews.php", "INVALIDUSER");
    EXPECT_FALSE(FetchLatestNews(http_, Request(), id, title));
    EXPECT_EQ(id, "");
    Reply("/news/getlastnews.php", "OK", 404);
    EXPECT_FALSE(FetchLatestNews(http_, Request(), id, title));
}

TEST_F(NewsServiceTest, NewsDetailsReplies) {
    std::string body, warning;
    Reply("/news/getnewsdetails.php", "$3Cb$3EHello$3C/b$3E\xAFOK");
    EXPECT_TRUE(FetchNewsDetails(http_, Request(), "12", body, &warning));
    EXPECT_EQ(body, "<b>Hello</b>");
    EXPECT_EQ(warning, "");

    Reply("/news/getnewsdetails.php", "abc$\xAFOK");
    EXPECT_TRUE(FetchNewsDetails(http_, Request(), "12", body, &warning));
    EXPECT_EQ(body, "");

    Reply("/news/getnewsdetails.php", "\r\nINVALIDNEWS \r\n");
    body = "old";
    EXPECT_FALSE(FetchNewsDetails(http_, Request(), "12", body, &warning));
    EXPECT_EQ(body, "");
    EXPECT_EQ(warning, kMsgNewsItemTrouble);

    Reply("/news/getnewsdetails.php", "INVALIDPRODUCT");
    EXPECT_FALSE(FetchNewsDetails(http_, Request(), "12", body, &warning));
    EXPECT_EQ(warning, kMsgNewsProductTrouble);

    Reply("/news/getnewsdetails.php", "", 404);
    EXPECT_FALSE(FetchNewsDetails(http_, Request(), "12", body, &warning));
    EXPECT_EQ(warning, kMsgNewsSiteTrouble);
}

TEST_F(NewsServiceTest, AnAddressWithoutHostFailsAsNoConnection) {
    NewsRequest req = Request();
    req.baseUrl = "";  // the address becomes "/getlastnews.php"
    std::vector<std::string> list;
    std::string warning;
    EXPECT_FALSE(FetchNewsList(http_, req, list, &warning));
    EXPECT_EQ(warning, kMsgNewsSiteTrouble);
    EXPECT_TRUE(server_.Requests().empty());
}

TEST_F(NewsServiceTest, OversizeReplyIsAFailedRequest) {
    Reply("/news/getlastnews.php", std::string(kMaxNewsReply + 1, 'O'));
    std::vector<std::string> list;
    std::string warning;
    EXPECT_FALSE(FetchNewsList(http_, Request(), list, &warning));
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(warning, kMsgNewsSiteTrouble);
}

}  // namespace
}  // namespace varnolt
