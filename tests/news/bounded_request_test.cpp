// Every request kind against servers that never answer, answer a byte at a
// time, or never accept: each gives up at its limit and takes the same path
// as a refused connection. Also: connections are never reused, even when a
// server promises to keep them open, and a shut-down client asks nothing.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fcntl.h>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <future>
#include <set>
#include <string>

#include "news/HttpClient.h"
#include "news/LiveUpdate.h"
#include "news/LocalServer.h"
#include "news/NewsProtocol.h"

namespace varnolt {
namespace {

using test::HttpRequest;
using test::HttpResponse;
using test::LocalServer;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A port on 127.0.0.1 that refuses connections.
int RefusingPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}

// A listening socket whose backlog is full and that never accepts: the
// system drops further connection attempts, so a connect never completes.
class FullBacklog {
public:
    FullBacklog() {
        listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::listen(listen_, 0);
        socklen_t len = sizeof addr;
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        for (int& fd : fillers_) {
            fd = ::socket(AF_INET, SOCK_STREAM, 0);
            ::fcntl(fd, F_SETFL, O_NONBLOCK);
            ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        }
        ::usleep(50'000);
    }
    ~FullBacklog() {
        for (int fd : fillers_)
            ::close(fd);
        ::close(listen_);
    }
    int port() const { return port_; }

private:
    int listen_ = -1;
    int port_ = 0;
    int fillers_[4] = {};
};

struct Outcome {
    bool ok = false;
    std::string warning;
    milliseconds took{0};
    int pumps = 0;
};

class BoundedRequestTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/varnolt-bounded-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
    }
    void TearDown() override {
        server_.Release();
        std::system(("rm -rf '" + folder_ + "'").c_str());
    }

    // One request of the given kind against `base` (".../" of a server).
    Outcome Run(const std::string& kind, const std::string& base, HttpClient::Limits limits) {
        HttpClient http(limits);
        Outcome out;
        http.SetPump([&] { ++out.pumps; });
        NewsRequest req;
        req.publisherId = "pub";
        req.branderCode = "code";
        req.tierCode = "BG";
        req.baseUrl = base;
        const auto start = Clock::now();
        if (kind == "news list") {
            std::vector<std::string> list;
            out.ok = FetchNewsList(http, req, list, &out.warning);
        } else if (kind == "latest news") {
            std::string id, title;
            out.ok = FetchLatestNews(http, req, id, title);
        } else if (kind == "news details") {
            std::string body;
            out.ok = FetchNewsDetails(http, req, "1", body, &out.warning);
        } else if (kind == "update check") {
            out.ok = CheckUpdateAvailable(http, base, folder_).available;
            out.warning = FileExists(folder_ + "/" + kUpdateInfoFile) ? "file left" : "";
        } else {
            const std::string path = folder_ + "/download.bin";
            out.ok = DownloadFile(http, base + "download.bin", path);
            out.warning = FileExists(path) ? "file left" : "";
        }
        out.took = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
        return out;
    }
    static bool FileExists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

    std::string folder_;
    LocalServer server_{[](const HttpRequest& req) {
        HttpResponse res;
        if (req.target.rfind("/silent/", 0) == 0) {
            res.hang = true;
        } else if (req.target == "/slow/short") {
            res.body = "0123456789";
            res.trickle = milliseconds(40);
        } else {
            // A whole reply, but one byte every 40 ms.
            res.body = "7^Title\xAFOK[Update]\r\nVersion=99\r\n" + std::string(200, ' ');
            res.trickle = milliseconds(40);
        }
        return res;
    }};
};

TEST_F(BoundedRequestTest, EveryKindGivesUpAtItsLimitLikeARefusedConnection) {
    const HttpClient::Limits limits{milliseconds(250), milliseconds(300), milliseconds(700)};
    const std::string refused = "http://127.0.0.1:" + std::to_string(RefusingPort()) + "/";
    FullBacklog backlog;
    const std::string unreachable = "http://127.0.0.1:" + std::to_string(backlog.port()) + "/";
    struct Case {
        std::string base;
        milliseconds limit;
    };
    const Case cases[] = {
        {server_.Url("/silent/"), limits.stall},  // no byte ever comes back
        {server_.Url("/slow/"), limits.total},    // bytes keep coming, too slowly
        {unreachable, limits.connect},            // the connection is never made
    };
    // The kinds run side by side, each with a client of its own.
    std::vector<std::future<void>> runs;
    for (const char* kind :
         {"news list", "latest news", "news details", "update check", "download"}) {
        runs.push_back(std::async(std::launch::async, [=, this] {
            const Outcome expected = Run(kind, refused, limits);
            EXPECT_FALSE(expected.ok) << kind;
            for (const Case& c : cases) {
                const Outcome got = Run(kind, c.base, limits);
                EXPECT_FALSE(got.ok) << kind << " " << c.base;
                EXPECT_EQ(got.warning, expected.warning) << kind << " " << c.base;
                EXPECT_GE(got.took, c.limit - milliseconds(30)) << kind << " " << c.base;
                EXPECT_LT(got.took, c.limit + milliseconds(400)) << kind << " " << c.base;
                // The window went on handling its events all along.
                EXPECT_GE(got.pumps, static_cast<int>(c.limit / milliseconds(60))) << kind;
            }
        }));
    }
    for (auto& run : runs)
        run.get();
    // The slow server's reply does arrive whole under the default limits.
    HttpClient http;
    std::string reply;
    ASSERT_TRUE(http.Get(server_.Url("/slow/short"), reply, 1000));
    EXPECT_EQ(reply, "0123456789");
}

TEST_F(BoundedRequestTest, DefaultLimits) {
    const HttpClient::Limits limits;
    EXPECT_EQ(limits.connect, milliseconds(15'000));
    EXPECT_EQ(limits.stall, milliseconds(30'000));
    EXPECT_EQ(limits.total, milliseconds(120'000));
    EXPECT_EQ(HttpClient().GetLimits().total, milliseconds(120'000));
}

// A server that says "Keep-Alive" on every answer and closes the connection
// when the client sends a second request on it: redirects, cookies and
// further requests must each go over a connection of their own.
TEST(ConnectionReuse, EveryRequestAndRedirectHasItsOwnConnection) {
    LocalServer server([](const HttpRequest& req) {
        HttpResponse res;
        res.keepAlive = true;
        const std::string& t = req.target;
        if (t.rfind("/hop/", 0) == 0 && t != "/hop/0") {
            res.status = 302;
            res.headers.emplace_back("Location",
                                     "/hop/" + std::to_string(std::stoi(t.substr(5)) - 1));
            res.headers.emplace_back("Set-Cookie", "session=abc; Path=/");
        } else {
            res.body = "cookie:" + req.Header("Cookie");
        }
        return res;
    });
    HttpClient http;
    for (int round = 0; round < 5; ++round) {
        std::string reply;
        ASSERT_TRUE(http.Post(server.Url("/hop/5"), "text/plain", "x", reply, 100)) << round;
        EXPECT_EQ(reply, "cookie:session=abc");
        ASSERT_TRUE(http.Get(server.Url("/again"), reply, 100)) << round;
        EXPECT_EQ(reply, "cookie:session=abc");
    }
    const std::vector<HttpRequest> seen = server.Requests();
    EXPECT_EQ(seen.size(), 5u * 7u);
    std::set<int> connections;
    for (const HttpRequest& r : seen)
        connections.insert(r.connection);
    EXPECT_EQ(connections.size(), seen.size()) << "a connection carried two requests";
}

TEST(Shutdown, InFlightRequestEndsAndLaterOnesNeverStart) {
    LocalServer server([](const HttpRequest&) {
        HttpResponse res;
        res.hang = true;
        return res;
    });
    HttpClient http;
    int pumps = 0;
    std::string inner = "untouched";
    bool innerOk = true;
    http.SetPump([&] {
        if (++pumps == 3) {
            http.Shutdown();
            innerOk = http.Post(server.Url("/b"), "text/plain", "", inner, 100);
        }
        if (pumps > 1000)
            http.AbortAll();
    });
    std::string reply;
    const auto start = Clock::now();
    EXPECT_FALSE(http.Post(server.Url("/a"), "text/plain", "", reply, 100));
    EXPECT_LT(Clock::now() - start, milliseconds(500));
    EXPECT_EQ(pumps, 3);
    EXPECT_TRUE(http.IsShutDown());
    EXPECT_FALSE(innerOk);
    EXPECT_EQ(inner, "");
    std::FILE* f = std::tmpfile();
    EXPECT_FALSE(http.GetToFile(server.Url("/c"), f, 100));
    std::fclose(f);
    EXPECT_FALSE(http.Get(server.Url("/d"), reply, 100));
    server.Release();
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].target, "/a");
}

}  // namespace
}  // namespace varnolt
