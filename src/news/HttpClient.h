#pragma once
// The program's HTTP client. Every request blocks its caller, but while it
// waits the client keeps calling a pump callback (the window processes its
// events there), at least every 20 ms. Each request runs as its own transfer,
// so another request may start from inside the pump; all of them share one
// in-memory cookie store for the life of the client.
//
// Every request is bounded: it fails when the connection is not made within
// kConnectTimeout, when no byte moves either way for kStallTimeout, or when it
// has taken kTotalTimeout in all. Each request, and each redirect it follows,
// uses a connection of its own that is closed when it ends, as an HTTP/1.0
// client does. A client is used from one thread only.
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

namespace varnolt {

class HttpClient {
public:
    using Pump = std::function<void()>;

    static constexpr const char* kUserAgent = "Mozilla/4.0 (compatible; MSIE 5.5; Windows NT 4.0)";
    static constexpr const char* kAccept = "text/html, */*";
    static constexpr int kMaxRedirects = 15;
    static constexpr int kPumpIntervalMs = 20;

    // The three limits of every request.
    static constexpr std::chrono::milliseconds kConnectTimeout{15'000};
    static constexpr std::chrono::milliseconds kStallTimeout{30'000};
    static constexpr std::chrono::milliseconds kTotalTimeout{120'000};

    struct Limits {
        std::chrono::milliseconds connect = kConnectTimeout;
        std::chrono::milliseconds stall = kStallTimeout;
        std::chrono::milliseconds total = kTotalTimeout;
    };

    HttpClient();
    explicit HttpClient(Limits limits);
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // Called while a request waits; may start further requests or call AbortAll.
    void SetPump(Pump pump);

    // The limits of the requests started from now on (tests use small ones).
    void SetLimits(Limits limits);
    Limits GetLimits() const;

    // POSTs `body` with the given content type. True and the reply body in
    // `reply` when the server answered with a status below 400; false (and an
    // empty `reply`) on any failure, including a reply longer than `maxReply`
    // bytes and an abort. `cancel`, when given, ends this request alone once
    // it becomes true (checked after every pump call).
    bool Post(const std::string& url, const std::string& contentType, const std::string& body,
              std::string& reply, std::size_t maxReply, const bool* cancel = nullptr);

    // GETs `url` and writes the reply body to `out`. Same failures as Post;
    // on failure part of the body may already have been written.
    bool GetToFile(const std::string& url, std::FILE* out, std::size_t maxBytes,
                   const bool* cancel = nullptr);

    // GETs `url` into `reply`. Same results and failures as Post.
    bool Get(const std::string& url, std::string& reply, std::size_t maxReply,
             const bool* cancel = nullptr);

    // Ends every transfer in flight; their callers return false promptly.
    // Destroying the client does the same.
    void AbortAll();

    // Ends every transfer in flight, and every request started afterwards
    // fails at once without reaching the network. For good.
    void Shutdown();
    bool IsShutDown() const;

    // Runs the pump once (the client's "process pending events").
    void PumpOnce();

    struct Transfer;
    struct State;

private:
    bool RunGet(const std::string& url, Transfer& t);

    // Shared with every request in flight, so a client destroyed from inside
    // the pump leaves its waiting requests a valid state to fail on.
    std::shared_ptr<State> state_;
};

}  // namespace varnolt
