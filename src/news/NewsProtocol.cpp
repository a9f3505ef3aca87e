#include "news/NewsProtocol.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "news/NewsMessages.h"
#include "util/UUtils.h"

namespace varnolt {

namespace {

constexpr char kEndByte = static_cast<char>(0xAF);
constexpr std::string_view kEndMarker = "\xAFOK";
constexpr std::string_view kListScript = "getlastnews.php";
constexpr std::string_view kDetailsScript = "getnewsdetails.php";

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The first fields of every form: who asks, for which product and tier.
std::vector<FormField> CommonFields(const NewsRequest& req) {
    return {{"memusername", req.publisherId},
            {"prodcode", req.branderCode},
            {"prodtype", req.tierCode}};
}

}  // namespace

std::optional<NewsRequest> ChooseNewsTier(const BrandSettings& s) {
    struct Row {
        const char* type;
        const char* code;
        const std::string& publisherId;
        const std::string& baseUrl;
    };
    const Row rows[] = {{"Master", "BM", s.MasterPublID, s.MasterNewsBaseURL},
                        {"Platinum", "BP", s.PlatinumPublID, s.PlatinumNewsBaseURL},
                        {"Gold", "BG", s.GoldPublID, s.GoldNewsBaseURL}};
    for (const Row& row : rows) {
        if (s.BranderType == row.type && !row.publisherId.empty()) {
            NewsRequest req;
            req.publisherId = row.publisherId;
            req.branderCode = s.BranderCode;
            req.tierCode = row.code;
            req.baseUrl = row.baseUrl;
            return req;
        }
    }
    return std::nullopt;
}

std::string NewsBaseUrlForTier(const BrandSettings& s, std::string_view tierCode) {
    if (tierCode == "BM")
        return s.MasterNewsBaseURL;
    if (tierCode == "BP")
        return s.PlatinumNewsBaseURL;
    if (tierCode == "BG")
        return s.GoldNewsBaseURL;
    return {};
}

std::string JoinNewsAddress(std::string_view baseUrl, std::string_view script) {
    std::string address(baseUrl);
    if (address.empty() || address.back() != '/')
        address += '/';
    address += script;
    return address;
}

std::string MakeFormBoundary(const std::tm& local, int milliseconds) {
    char text[32];
    std::snprintf(text, sizeof text, "--------%02d%02d%02d%02d%02d%02d%03d",
                  (local.tm_mon + 1) % 100, local.tm_mday % 100, local.tm_year % 100,
                  local.tm_hour % 100, local.tm_min % 100, local.tm_sec % 100, milliseconds % 1000);
    return text;
}

std::string MakeFormBoundary(std::chrono::system_clock::time_point when) {
    const auto sinceEpoch = when.time_since_epoch();
    const auto secs = std::chrono::floor<std::chrono::seconds>(sinceEpoch);
    const int millis = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch - secs).count());
    const std::time_t t = static_cast<std::time_t>(secs.count());
    std::tm local{};
    localtime_r(&t, &local);
    return MakeFormBoundary(local, millis);
}

std::string BuildMultipartBody(std::string_view boundary, const std::vector<FormField>& fields) {
    std::string body;
    for (const auto& [name, value] : fields) {
        body += "--";
        body += boundary;
        body += "\r\nContent-Disposition: form-data; name=\"";
        body += name;
        body += "\"\r\n\r\n";
        body += value;
        body += "\r\n";
    }
    body += "\r\n--";
    body += boundary;
    body += "--\r\n";
    return body;
}

std::string_view TrimReply(std::string_view reply) {
    auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
    while (!reply.empty() && isBlank(reply.front()))
        reply.remove_prefix(1);
    while (!reply.empty() && isBlank(reply.back()))
        reply.remove_suffix(1);
    return reply;
}

bool IsSuccessReply(std::string_view trimmed) {
    return trimmed.find("OK") != std::string_view::npos;
}

std::string RemoveEndMarkers(std::string_view reply) {
    std::string out;
    out.reserve(reply.size());
    std::size_t pos = 0;
    for (;;) {
        const std::size_t hit = reply.find(kEndMarker, pos);
        if (hit == std::string_view::npos)
            break;
        out.append(reply.substr(pos, hit - pos));
        pos = hit + kEndMarker.size();
    }
    out.append(reply.substr(pos));
    return out;
}

std::string NewsErrorMessage(std::string_view trimmed, bool detailsRequest) {
    if (trimmed.empty())
        return kMsgNewsSiteTrouble;
    if (trimmed == "CONNECTIONFAIL")
        return kMsgNewsSettingsTrouble;
    if (trimmed == "INVALIDUSER")
        return kMsgNewsPublisherTrouble;
    if (trimmed == "INVALIDPRODUCT")
        return kMsgNewsProductTrouble;
    if (detailsRequest && trimmed == "INVALIDNEWS")
        return kMsgNewsItemTrouble;
    return {};
}

std::string DecodeDollarHex(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '$') {
            out += text[i++];
            continue;
        }
        const std::size_t digits = std::min<std::size_t>(2, text.size() - i - 1);
        if (digits == 0)
            return {};
        int value = 0;
        for (std::size_t k = 1; k <= digits; ++k) {
            const int v = HexValue(text[i + k]);
            if (v < 0)
                return {};
            value = value * 16 + v;
        }
        out += static_cast<char>(value);
        i += 1 + digits;
    }
    return out;
}

std::int32_t NewsIdToInt(std::string_view id) {
    const bool plus = !id.empty() && id.front() == '+';
    if (plus)
        id.remove_prefix(1);
    if (id.empty() || (plus && (id.front() == '-' || id.front() == '+')))
        return 0;
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(id.data(), id.data() + id.size(), value, 10);
    if (ec != std::errc() || end != id.data() + id.size())
        return 0;
    return value;
}

std::string PostNewsForm(HttpClient& http, const NewsRequest& req, std::string_view script,
                         const std::vector<FormField>& fields, const bool* cancel) {
    const auto now = req.clock ? req.clock() : std::chrono::system_clock::now();
    const std::string boundary = MakeFormBoundary(now);
    const std::string body = BuildMultipartBody(boundary, fields);
    const std::string address = JoinNewsAddress(req.baseUrl, script);
    std::string reply;
    if (!http.Post(address, "multipart/form-data; boundary=" + boundary, body, reply, kMaxNewsReply,
                   cancel)) {
        return {};  // every transport failure reads as an empty reply
    }
    return std::string(TrimReply(reply));
}

bool FetchNewsList(HttpClient& http, const NewsRequest& req, std::vector<std::string>& newsList,
                   std::string* warning) {
    if (warning != nullptr)
        warning->clear();
    auto fields = CommonFields(req);
    fields.emplace_back("conttype", "all");
    fields.emplace_back("newstarget", req.newsTarget);
    fields.emplace_back("something", "");
    const std::string reply = PostNewsForm(http, req, kListScript, fields);
    if (!IsSuccessReply(reply)) {
        if (warning != nullptr)
            *warning = NewsErrorMessage(reply, false);
        return false;
    }
    // The end marker is split off as the piece "OK", which is skipped.
    std::vector<std::string> pieces;
    SplitByChar(kEndByte, reply, pieces);
    for (auto& piece : pieces) {
        if (!piece.empty() && piece != "OK")
            newsList.push_back(std::move(piece));
    }
    return true;
}

bool FetchLatestNews(HttpClient& http, const NewsRequest& req, std::string& id,
                     std::string& title) {
    id.clear();
    title.clear();
    auto fields = CommonFields(req);
    fields.emplace_back("conttype", "lastcode");
    fields.emplace_back("newstarget", req.newsTarget);
    fields.emplace_back("something", "");
    const std::string reply = PostNewsForm(http, req, kListScript, fields);
    if (!IsSuccessReply(reply))
        return false;
    const std::string rest = RemoveEndMarkers(reply);
    if (rest == "OK")
        return true;  // no news
    std::vector<std::string> pieces;
    SplitByChar('^', rest, pieces);
    // A record without a title gives the id alone.
    if (pieces.size() > 0)
        id = pieces[0];
    if (pieces.size() > 1)
        title = pieces[1];
    return true;
}

bool FetchNewsDetails(HttpClient& http, const NewsRequest& req, const std::string& newsId,
                      std::string& body, std::string* warning, const bool* cancel) {
    body.clear();
    if (warning != nullptr)
        warning->clear();
    auto fields = CommonFields(req);
    fields.emplace_back("newsid", newsId);
    fields.emplace_back("newstarget", req.newsTarget);
    fields.emplace_back("something", "");
    const std::string reply = PostNewsForm(http, req, kDetailsScript, fields, cancel);
    if (!IsSuccessReply(reply)) {
        if (warning != nullptr)
            *warning = NewsErrorMessage(reply, true);
        return false;
    }
    body = DecodeDollarHex(RemoveEndMarkers(reply));
    return true;
}

std::optional<std::string> NewsHintText(std::string_view latestId, std::string_view title,
                                        std::string_view storedLastId) {
    if (NewsIdToInt(latestId) <= NewsIdToInt(storedLastId))
        return std::nullopt;
    std::string text = kNewsHintHeading;
    text += title;
    return text;
}

}  // namespace varnolt
