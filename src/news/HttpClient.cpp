#include "news/HttpClient.h"

#include <curl/curl.h>

#include <algorithm>
#include <mutex>

namespace varnolt {

namespace {

void GlobalInitOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct ShareDeleter {
    void operator()(CURLSH* share) const { curl_share_cleanup(share); }
};

}  // namespace

struct HttpClient::State {
    std::shared_ptr<CURLSH> share;
    Pump pump;
    Limits limits;
    bool shutDown = false;
    std::vector<Transfer*> active;
};

struct HttpClient::Transfer {
    std::string* text = nullptr;  // reply kept in memory, or
    std::FILE* file = nullptr;    // reply written to a file
    std::size_t limit = 0;
    std::size_t received = 0;
    bool overflow = false;
    bool aborted = false;
    const bool* cancel = nullptr;
    // Bytes moved either way, as the progress callback last saw them.
    curl_off_t moved = 0;
};

namespace {

size_t WriteBody(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<HttpClient::Transfer*>(user);
    const size_t len = size * count;
    if (t->aborted)
        return 0;
    if (len > t->limit - t->received) {
        t->overflow = true;
        return 0;  // anything but `len` ends the transfer with an error
    }
    if (t->text != nullptr) {
        t->text->append(data, len);
    } else if (t->file != nullptr) {
        if (std::fwrite(data, 1, len, t->file) != len)
            return 0;
    }
    t->received += len;
    return len;
}

int CountProgress(void* user, curl_off_t, curl_off_t dlnow, curl_off_t, curl_off_t ulnow) {
    static_cast<HttpClient::Transfer*>(user)->moved = dlnow + ulnow;
    return 0;
}

long Millis(std::chrono::milliseconds ms) {
    return static_cast<long>(std::max<std::chrono::milliseconds::rep>(ms.count(), 1));
}

// Settings every request of the program carries.
CURL* NewEasy(const std::string& url, CURLSH* share, const HttpClient::Limits& limits,
              HttpClient::Transfer& t) {
    CURL* easy = curl_easy_init();
    if (easy == nullptr)
        return nullptr;
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(easy, CURLOPT_USERAGENT, HttpClient::kUserAgent);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, static_cast<long>(HttpClient::kMaxRedirects));
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(easy, CURLOPT_SHARE, share);
    curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");  // cookie engine on, nothing read
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(t.limit));
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &WriteBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &CountProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &t);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, Millis(limits.connect));
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, Millis(limits.total));
    // A server may promise to keep a connection open and close it anyway; a
    // connection is never kept for the next request or redirect.
    curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, 1L);
    return easy;
}

bool Perform(const std::shared_ptr<HttpClient::State>& state, CURL* easy, HttpClient::Transfer& t) {
    CURLM* multi = curl_multi_init();
    if (multi == nullptr)
        return false;
    if (curl_multi_add_handle(multi, easy) != CURLM_OK) {
        curl_multi_cleanup(multi);
        return false;
    }
    // Keep a reference: the pump may destroy the client while we wait.
    std::shared_ptr<HttpClient::State> keep = state;
    keep->active.push_back(&t);

    using Clock = std::chrono::steady_clock;
    const std::chrono::milliseconds stallLimit = keep->limits.stall;
    curl_off_t lastMoved = 0;
    Clock::time_point lastMove = Clock::now();

    bool finished = false;
    CURLcode result = CURLE_OK;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK)
            break;
        // The transfer's own progress is read after curl had its chance to
        // move bytes, so time spent in the pump alone never counts as a stall.
        const Clock::time_point now = Clock::now();
        if (t.moved != lastMoved) {
            lastMoved = t.moved;
            lastMove = now;
        } else if (now - lastMove >= stallLimit) {
            break;
        }
        int queued = 0;
        while (CURLMsg* msg = curl_multi_info_read(multi, &queued)) {
            if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy) {
                finished = true;
                result = msg->data.result;
            }
        }
        if (finished || running == 0)
            break;
        curl_multi_poll(multi, nullptr, 0, HttpClient::kPumpIntervalMs, nullptr);
        if (keep->pump) {
            HttpClient::Pump pump = keep->pump;  // the pump may replace itself
            pump();
        }
        if (t.aborted || keep->shutDown || (t.cancel != nullptr && *t.cancel))
            break;
    }

    auto& active = keep->active;
    active.erase(std::remove(active.begin(), active.end(), &t), active.end());
    curl_multi_remove_handle(multi, easy);
    curl_multi_cleanup(multi);

    if (!finished || result != CURLE_OK || t.overflow || t.aborted)
        return false;
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    return status > 0 && status < 400;
}

}  // namespace

HttpClient::HttpClient() : HttpClient(Limits{}) {}

HttpClient::HttpClient(Limits limits) : state_(std::make_shared<State>()) {
    state_->limits = limits;
    GlobalInitOnce();
    CURLSH* share = curl_share_init();
    if (share != nullptr) {
        curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
        state_->share.reset(share, ShareDeleter{});
    }
}

HttpClient::~HttpClient() {
    AbortAll();
    state_->pump = nullptr;
}

void HttpClient::SetPump(Pump pump) {
    state_->pump = std::move(pump);
}

void HttpClient::SetLimits(Limits limits) {
    state_->limits = limits;
}

HttpClient::Limits HttpClient::GetLimits() const {
    return state_->limits;
}

void HttpClient::Shutdown() {
    state_->shutDown = true;
    AbortAll();
}

bool HttpClient::IsShutDown() const {
    return state_->shutDown;
}

void HttpClient::PumpOnce() {
    if (state_->pump) {
        Pump pump = state_->pump;
        pump();
    }
}

void HttpClient::AbortAll() {
    for (Transfer* t : state_->active)
        t->aborted = true;
}

bool HttpClient::Post(const std::string& url, const std::string& contentType,
                      const std::string& body, std::string& reply, std::size_t maxReply,
                      const bool* cancel) {
    reply.clear();
    if (!state_->share || state_->shutDown)
        return false;
    // Each transfer holds the cookie store as long as it lives.
    std::shared_ptr<CURLSH> share = state_->share;
    Transfer t;
    t.text = &reply;
    t.limit = maxReply;
    t.cancel = cancel;
    CURL* easy = NewEasy(url, share.get(), state_->limits, t);
    if (easy == nullptr)
        return false;

    const std::string typeHeader = "Content-Type: " + contentType;
    const std::string acceptHeader = std::string("Accept: ") + kAccept;
    curl_slist* headers = nullptr;
    headers = curl_slist_append(headers, typeHeader.c_str());
    headers = curl_slist_append(headers, acceptHeader.c_str());
    headers = curl_slist_append(headers, "Expect:");
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(easy, CURLOPT_POST, 1L);
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));

    const bool ok = Perform(state_, easy, t);
    curl_easy_cleanup(easy);
    curl_slist_free_all(headers);
    if (!ok)
        reply.clear();
    return ok;
}

bool HttpClient::GetToFile(const std::string& url, std::FILE* out, std::size_t maxBytes,
                           const bool* cancel) {
    if (out == nullptr)
        return false;
    Transfer t;
    t.file = out;
    t.limit = maxBytes;
    t.cancel = cancel;
    return RunGet(url, t);
}

bool HttpClient::Get(const std::string& url, std::string& reply, std::size_t maxReply,
                     const bool* cancel) {
    reply.clear();
    Transfer t;
    t.text = &reply;
    t.limit = maxReply;
    t.cancel = cancel;
    const bool ok = RunGet(url, t);
    if (!ok)
        reply.clear();
    return ok;
}

bool HttpClient::RunGet(const std::string& url, Transfer& t) {
    if (!state_->share || state_->shutDown)
        return false;
    std::shared_ptr<CURLSH> share = state_->share;
    CURL* easy = NewEasy(url, share.get(), state_->limits, t);
    if (easy == nullptr)
        return false;

    const std::string acceptHeader = std::string("Accept: ") + kAccept;
    curl_slist* headers = curl_slist_append(nullptr, acceptHeader.c_str());
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);

    const bool ok = Perform(state_, easy, t);
    curl_easy_cleanup(easy);
    curl_slist_free_all(headers);
    return ok;
}

}  // namespace varnolt
