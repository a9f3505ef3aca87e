// The HTTP client against a local server: redirects, cookies, limits,
// protocols, and waiting with the pump.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>

#include "news/HttpClient.h"
#include "news/LocalServer.h"

namespace varnolt {
namespace {

using test::HttpRequest;
using test::HttpResponse;
using test::LocalServer;
using Clock = std::chrono::steady_clock;

HttpResponse Route(const HttpRequest& req) {
    HttpResponse res;
    const std::string& t = req.target;
    if (t.rfind("/r/", 0) == 0) {  // /r/N redirects N times before answering
        const int n = std::stoi(t.substr(3));
        if (n == 0) {
            res.body = "arrived";
        } else {
            res.status = 302;
            res.headers.emplace_back("Location", "/r/" + std::to_string(n - 1));
        }
    } else if (t == "/set-cookie") {
        res.headers.emplace_back("Set-Cookie", "sid=abc123; Path=/");
        res.body = "set";
    } else if (t == "/echo-cookie") {
        res.body = "cookie:" + req.Header("Cookie");
    } else if (t == "/to-file") {
        res.status = 302;
        res.headers.emplace_back("Location", "file:///etc/hostname");
    } else if (t == "/hang") {
        res.hang = true;
    } else if (t == "/fast") {
        res.body = "fast";
    } else if (t.rfind("/size/", 0) == 0) {  // /size/N, or /size-nolength/N
        res.body.assign(std::stoul(t.substr(6)), 'x');
    } else if (t.rfind("/size-nolength/", 0) == 0) {
        res.body.assign(std::stoul(t.substr(15)), 'x');
        res.sendLength = false;
    } else if (t == "/error") {
        res.status = 500;
        res.body = "OK but broken";
    } else {
        res.status = 404;
    }
    return res;
}

class HttpClientTest : public ::testing::Test {
protected:
    bool Post(HttpClient& http, const std::string& path, std::string& reply,
              std::size_t limit = 1 << 20) {
        return http.Post(server_.Url(path), "text/plain", "body", reply, limit);
    }

    LocalServer server_{&Route};
    HttpClient http_;
};

TEST_F(HttpClientTest, FollowsUpToFifteenRedirects) {
    std::string reply;
    EXPECT_TRUE(Post(http_, "/r/15", reply));
    EXPECT_EQ(reply, "arrived");
    EXPECT_FALSE(Post(http_, "/r/16", reply));
    EXPECT_EQ(reply, "");

    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(http_.GetToFile(server_.Url("/r/3"), f, 100));
    EXPECT_EQ(std::ftell(f), 7);
    std::fclose(f);
}

TEST_F(HttpClientTest, CookiesLastForTheLifeOfTheClient) {
    std::string reply;
    ASSERT_TRUE(Post(http_, "/set-cookie", reply));
    ASSERT_TRUE(Post(http_, "/echo-cookie", reply));
    EXPECT_EQ(reply, "cookie:sid=abc123");
    // A download of the same client sends it too.
    std::FILE* f = std::tmpfile();
    ASSERT_TRUE(http_.GetToFile(server_.Url("/echo-cookie"), f, 100));
    std::rewind(f);
    char text[64] = {};
    std::fread(text, 1, sizeof text - 1, f);
    std::fclose(f);
    EXPECT_STREQ(text, "cookie:sid=abc123");

    HttpClient other;
    ASSERT_TRUE(Post(other, "/echo-cookie", reply));
    EXPECT_EQ(reply, "cookie:");
}

TEST_F(HttpClientTest, ErrorStatusesOversizeAndOtherProtocolsFail) {
    std::string reply;
    EXPECT_FALSE(Post(http_, "/error", reply));
    EXPECT_EQ(reply, "");
    EXPECT_FALSE(Post(http_, "/missing", reply));

    EXPECT_TRUE(Post(http_, "/size/1000", reply, 1000));
    EXPECT_EQ(reply.size(), 1000u);
    EXPECT_FALSE(Post(http_, "/size/1001", reply, 1000));
    EXPECT_TRUE(Post(http_, "/size-nolength/1000", reply, 1000));
    EXPECT_FALSE(Post(http_, "/size-nolength/1001", reply, 1000));
    EXPECT_EQ(reply, "");

    EXPECT_FALSE(http_.Post("file:///etc/hostname", "text/plain", "", reply, 1000));
    EXPECT_FALSE(Post(http_, "/to-file", reply));
    EXPECT_FALSE(http_.Post("ftp://127.0.0.1:" + std::to_string(server_.port()) + "/", "text/plain",
                            "", reply, 1000));
    EXPECT_FALSE(http_.Post("/no-host.php", "text/plain", "", reply, 1000));
}

TEST_F(HttpClientTest, PumpRunsWhileWaitingAndAbortAllEndsTheWait) {
    std::vector<Clock::time_point> calls;
    http_.SetPump([&] {
        calls.push_back(Clock::now());
        if (calls.size() == 15)
            http_.AbortAll();
        if (calls.size() >= 1000)
            http_.AbortAll();  // bounded even if the first abort fails
    });
    std::string reply;
    const auto start = Clock::now();
    EXPECT_FALSE(Post(http_, "/hang", reply));
    const auto took = Clock::now() - start;
    ASSERT_EQ(calls.size(), 15u);
    // The client sleeps in between (no busy loop) but never longer than 20 ms
    // at a time; a loaded machine may stretch a gap, so the bound is loose.
    EXPECT_GE(took, std::chrono::milliseconds(10 * 15));
    for (std::size_t i = 1; i < calls.size(); ++i) {
        EXPECT_LT(calls[i] - calls[i - 1], std::chrono::milliseconds(250)) << i;
    }
    // 15 calls at most 20 ms apart; generous for a busy machine.
    EXPECT_LT(took, std::chrono::milliseconds(15 * 20 * 5));
    EXPECT_EQ(reply, "");
}

TEST_F(HttpClientTest, ARequestStartedInsideThePumpCompletes) {
    std::string inner;
    bool innerOk = false;
    int calls = 0;
    http_.SetPump([&] {
        ++calls;
        if (calls == 2) {
            innerOk = Post(http_, "/fast", inner);
            http_.AbortAll();
        }
        if (calls > 1000)
            http_.AbortAll();
    });
    std::string outer;
    EXPECT_FALSE(Post(http_, "/hang", outer));
    EXPECT_TRUE(innerOk);
    EXPECT_EQ(inner, "fast");
}

TEST_F(HttpClientTest, CancelFlagEndsOneRequest) {
    bool cancel = false;
    int calls = 0;
    http_.SetPump([&] {
        if (++calls == 3)
            cancel = true;
        if (calls > 1000)
            http_.AbortAll();
    });
    std::string reply;
    EXPECT_FALSE(http_.Post(server_.Url("/hang"), "text/plain", "", reply, 100, &cancel));
    EXPECT_EQ(calls, 3);
}

TEST_F(HttpClientTest, DestroyingTheClientInsideThePumpFailsTheWaitingRequest) {
    auto http = std::make_unique<HttpClient>();
    HttpClient* raw = http.get();
    int calls = 0;
    bool destroyed = false;
    raw->SetPump([&] {
        ++calls;
        if (calls == 2) {
            destroyed = true;
            http.reset();
        }
    });
    std::string reply;
    EXPECT_FALSE(raw->Post(server_.Url("/hang"), "text/plain", "", reply, 100));
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace varnolt
