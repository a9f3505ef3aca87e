#pragma once
// A small HTTP/1.x server on 127.0.0.1 for the tests: one thread accepts, one
// thread per connection answers through a handler, then closes. Requests are
// recorded. Every wait is bounded, so a broken test cannot hang the run.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace varnolt::test {

struct HttpRequest {
    std::string method, target, version;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    int connection = 0;  // connections are numbered from 1 in the order accepted

    std::string Header(const std::string& name) const {
        for (const auto& [k, v] : headers) {
            if (Lower(k) == Lower(name))
                return v;
        }
        return {};
    }
    static std::string Lower(std::string s) {
        for (char& c : s) {
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        }
        return s;
    }
};

struct HttpResponse {
    int status = 200;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    bool hang = false;       // never answer (until the server is released)
    bool sendLength = true;  // without it the body ends when the connection closes
    // Sends the body one byte at a time, this far apart (a slow server).
    std::chrono::milliseconds trickle{0};
    // Answers "Connection: Keep-Alive", then reads (and records) one more
    // request on the connection if the client sends it, and closes without
    // answering it: a server that breaks its promise.
    bool keepAlive = false;
};

class LocalServer {
public:
    using Handler = std::function<HttpResponse(const HttpRequest&)>;

    explicit LocalServer(Handler handler) : handler_(std::move(handler)) {
        listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
        int one = 1;
        ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        ::bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::listen(listen_, 16);
        socklen_t len = sizeof addr;
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        acceptor_ = std::thread([this] { AcceptLoop(); });
    }

    ~LocalServer() {
        Release();
        stop_ = true;
        acceptor_.join();
        std::vector<std::thread> workers;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            workers.swap(workers_);
        }
        for (auto& w : workers)
            w.join();
        ::close(listen_);
    }

    int port() const { return port_; }
    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

    // Lets every hanging answer finish.
    void Release() {
        std::lock_guard<std::mutex> lock(mutex_);
        released_ = true;
        cv_.notify_all();
    }

    std::vector<HttpRequest> Requests() {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }

private:
    void AcceptLoop() {
        while (!stop_) {
            pollfd p{listen_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0)
                continue;
            const int fd = ::accept(listen_, nullptr, nullptr);
            if (fd < 0)
                continue;
            std::lock_guard<std::mutex> lock(mutex_);
            const int connection = ++connections_;
            workers_.emplace_back([this, fd, connection] {
                Serve(fd, connection);
                ::close(fd);
            });
        }
    }

    // Reads until `done` says the data is complete, at most 10 s.
    bool ReadUntil(int fd, std::string& data, const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        char buf[65536];
        while (!done()) {
            if (stop_ || std::chrono::steady_clock::now() > deadline)
                return false;
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0)
                continue;
            const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0)
                return false;
            data.append(buf, static_cast<std::size_t>(n));
        }
        return true;
    }

    // Reads one request into `req`; false when none comes.
    bool ReadRequest(int fd, int connection, HttpRequest& req) {
        std::string data;
        if (!ReadUntil(fd, data, [&] { return data.find("\r\n\r\n") != std::string::npos; })) {
            return false;
        }
        const std::size_t headEnd = data.find("\r\n\r\n");
        req.connection = connection;
        std::size_t lineStart = 0;
        bool firstLine = true;
        while (lineStart < headEnd) {
            std::size_t lineEnd = data.find("\r\n", lineStart);
            const std::string line = data.substr(lineStart, lineEnd - lineStart);
            lineStart = lineEnd + 2;
            if (firstLine) {
                const std::size_t a = line.find(' ');
                const std::size_t b = line.rfind(' ');
                req.method = line.substr(0, a);
                req.target = line.substr(a + 1, b - a - 1);
                req.version = line.substr(b + 1);
                firstLine = false;
                continue;
            }
            const std::size_t colon = line.find(':');
            std::string value = line.substr(colon + 1);
            while (!value.empty() && value.front() == ' ')
                value.erase(0, 1);
            req.headers.emplace_back(line.substr(0, colon), value);
        }
        const std::string lengthText = req.Header("Content-Length");
        const std::size_t length = lengthText.empty() ? 0 : std::stoul(lengthText);
        const std::size_t bodyStart = headEnd + 4;
        if (!ReadUntil(fd, data, [&] { return data.size() >= bodyStart + length; }))
            return false;
        req.body = data.substr(bodyStart, length);
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(req);
        return true;
    }

    bool Send(int fd, const char* data, std::size_t size) {
        std::size_t sent = 0;
        while (sent < size && !stop_) {
            const ssize_t n = ::send(fd, data + sent, size - sent, MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            sent += static_cast<std::size_t>(n);
        }
        return sent == size;
    }

    void Serve(int fd, int connection) {
        HttpRequest req;
        if (!ReadRequest(fd, connection, req))
            return;
        HttpResponse res = handler_(req);
        if (res.hang) {
            std::unique_lock<std::mutex> lock(mutex_);
            cv_.wait_for(lock, std::chrono::seconds(10), [this] { return released_; });
            return;
        }
        std::string out = "HTTP/1.0 " + std::to_string(res.status) + " Status\r\n";
        for (const auto& [k, v] : res.headers)
            out += k + ": " + v + "\r\n";
        if (res.sendLength)
            out += "Content-Length: " + std::to_string(res.body.size()) + "\r\n";
        out += res.keepAlive ? "Connection: Keep-Alive\r\n\r\n" : "Connection: close\r\n\r\n";
        if (res.trickle.count() == 0) {
            out += res.body;
            Send(fd, out.data(), out.size());
        } else if (Send(fd, out.data(), out.size())) {
            for (char c : res.body) {
                std::unique_lock<std::mutex> lock(mutex_);
                if (cv_.wait_for(lock, res.trickle, [this] { return released_; }))
                    break;
                lock.unlock();
                if (!Send(fd, &c, 1))
                    break;
            }
        }
        if (res.keepAlive) {
            HttpRequest next;
            ReadRequest(fd, connection, next);
            return;
        }
        ::shutdown(fd, SHUT_WR);
    }

    Handler handler_;
    int listen_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread acceptor_;
    std::mutex mutex_;
    std::condition_variable cv_;
    bool released_ = false;
    int connections_ = 0;
    std::vector<std::thread> workers_;
    std::vector<HttpRequest> requests_;
};

// Reads a multipart/form-data body the way a server does: parts are separated
// by CR LF "--" boundary; each part has headers, an empty line and its value.
inline std::vector<std::pair<std::string, std::string>> ParseMultipart(
    const std::string& body, const std::string& boundary) {
    std::vector<std::pair<std::string, std::string>> fields;
    const std::string first = "--" + boundary + "\r\n";
    const std::string delimiter = "\r\n--" + boundary;
    if (body.compare(0, first.size(), first) != 0)
        return fields;
    std::size_t pos = first.size();
    for (;;) {
        const std::size_t headEnd = body.find("\r\n\r\n", pos);
        const std::size_t next = body.find(delimiter, headEnd == std::string::npos ? pos : headEnd);
        if (headEnd == std::string::npos || next == std::string::npos)
            return {};
        const std::string head = body.substr(pos, headEnd - pos);
        const std::size_t name = head.find("name=\"");
        if (name == std::string::npos)
            return {};
        const std::size_t nameEnd = head.find('"', name + 6);
        fields.emplace_back(head.substr(name + 6, nameEnd - name - 6),
                            body.substr(headEnd + 4, next - headEnd - 4));
        pos = next + delimiter.size();
        if (body.compare(pos, 4, "--\r\n") == 0 && pos + 4 == body.size())
            return fields;
        if (body.compare(pos, 2, "\r\n") != 0)
            return {};
        pos += 2;
    }
}

}  // namespace varnolt::test
