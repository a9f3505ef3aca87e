// The news requests as an independent HTTP server and form parser see them.
#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "news/HttpClient.h"
#include "news/NewsProtocol.h"

namespace varnolt {
namespace {

class CrossCheck : public ::testing::Test {
protected:
    void SetUp() override {
        port = server.bind_to_any_port("127.0.0.1");
        ASSERT_GT(port, 0);
        thread = std::thread([this] { server.listen_after_bind(); });
        for (int i = 0; i < 200 && !server.is_running(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ASSERT_TRUE(server.is_running());
    }
    void TearDown() override {
        server.stop();
        thread.join();
    }
    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port) + path;
    }
    NewsRequest Request(const std::string& base) const {
        NewsRequest r;
        r.publisherId = "pub 1";
        r.branderCode = "K\xE9-7";  // 8-bit text goes out unencoded
        r.tierCode = "BP";
        r.baseUrl = base;
        return r;
    }

    httplib::Server server;
    std::thread thread;
    int port = 0;
    std::mutex mutex;
};

TEST_F(CrossCheck, LatestNewsFormReadsBackFieldByField) {
    httplib::Request seen;
    server.Post("/svc/getlastnews.php", [&](const httplib::Request& req, httplib::Response& res) {
        std::lock_guard<std::mutex> lock(mutex);
        seen = req;
        res.set_content("  7^Hello there\xAFOK\r\n", "text/html");
    });
    HttpClient http;
    std::string id, title;
    ASSERT_TRUE(FetchLatestNews(http, Request(Url("/svc")), id, title));
    EXPECT_EQ(id, "7");
    EXPECT_EQ(title, "Hello there");

    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_EQ(seen.method, "POST");
    EXPECT_EQ(seen.version, "HTTP/1.0");
    EXPECT_EQ(seen.get_header_value("User-Agent"),
              "Mozilla/4.0 (compatible; MSIE 5.5; Windows NT 4.0)");
    EXPECT_EQ(seen.get_header_value("Accept"), "text/html, */*");
    const std::string type = seen.get_header_value("Content-Type");
    ASSERT_EQ(type.rfind("multipart/form-data; boundary=", 0), 0u) << type;
    const std::string boundary = type.substr(std::string("multipart/form-data; boundary=").size());
    ASSERT_EQ(boundary.size(), 23u);
    EXPECT_EQ(boundary.substr(0, 8), "--------");
    EXPECT_EQ(boundary.find_first_not_of("0123456789", 8), std::string::npos);
    ASSERT_TRUE(seen.is_multipart_form_data());
    const std::pair<const char*, const char*> fields[] = {
        {"memusername", "pub 1"}, {"prodcode", "K\xE9-7"}, {"prodtype", "BP"},
        {"conttype", "lastcode"}, {"newstarget", "UA"},
    };
    for (const auto& [name, value] : fields) {
        ASSERT_TRUE(seen.has_file(name)) << name;
        EXPECT_EQ(seen.get_file_value(name).content, value) << name;
        EXPECT_TRUE(seen.get_file_value(name).content_type.empty()) << name;
    }
    ASSERT_TRUE(seen.has_file("something"));
    // The form closes with CR LF before the final boundary, which a parser
    // reads as the content of the last, otherwise empty field.
    EXPECT_EQ(seen.get_file_value("something").content, "\r\n");
}

TEST_F(CrossCheck, RedirectsAndCookiesAcrossRequests) {
    int hops = 0;
    // Like a browser, the client follows a 302 after a POST with a GET.
    auto hop = [&](const httplib::Request& req, httplib::Response& res) {
        const int n = std::stoi(req.matches[1]);
        ++hops;
        if (n > 0) {
            res.set_redirect("/hop/" + std::to_string(n - 1) + "/getlastnews.php", 302);
            res.set_header("Set-Cookie", "session=abc; Path=/");
        } else {
            res.set_content("OK", "text/html");
        }
    };
    server.Post(R"(/hop/(\d+)/getlastnews.php)", hop);
    server.Get(R"(/hop/(\d+)/getlastnews.php)", hop);
    std::string cookieOnDetails;
    server.Post("/hop/0/getnewsdetails.php",
                [&](const httplib::Request& req, httplib::Response& res) {
                    std::lock_guard<std::mutex> lock(mutex);
                    cookieOnDetails = req.get_header_value("Cookie");
                    res.set_content("body\xAFOK", "text/html");
                });
    HttpClient http;
    std::string id, title;
    EXPECT_TRUE(FetchLatestNews(http, Request(Url("/hop/15/")), id, title))
        << "15 redirects are followed";
    EXPECT_EQ(hops, 16);
    std::string body, warning;
    EXPECT_TRUE(FetchNewsDetails(http, Request(Url("/hop/0")), "3", body, &warning));
    EXPECT_EQ(body, "body");
    {
        std::lock_guard<std::mutex> lock(mutex);
        EXPECT_EQ(cookieOnDetails, "session=abc");
    }
    hops = 0;
    EXPECT_FALSE(FetchLatestNews(http, Request(Url("/hop/16/")), id, title))
        << "the 16th is one too many";
}

}  // namespace
}  // namespace varnolt
