#pragma once
// The reseller's news service: three POST requests with a multipart form and
// their text replies. A reply is an error word alone, or a payload followed by
// the end marker, the byte 0xAF and "OK".
#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "brand/BrandSettings.h"
#include "news/HttpClient.h"

namespace varnolt {

// Where and as whom the news service is asked.
struct NewsRequest {
    std::string publisherId;  // form field memusername
    std::string branderCode;  // form field prodcode
    std::string tierCode;     // form field prodtype: "BM", "BP" or "BG"
    std::string newsTarget = "UA";
    std::string baseUrl;  // the tier's news base URL
    // The clock the form boundary is taken from; the system clock when empty.
    std::function<std::chrono::system_clock::time_point()> clock;
};

// The tier rows are tried in the order Master, Platinum, Gold; a row is used
// when BranderType equals its name exactly and its publisher id is not empty.
// Nothing for "Free" or any other tier.
std::optional<NewsRequest> ChooseNewsTier(const BrandSettings& settings);
// The news base URL for a tier code ("BM", "BP", "BG"); empty for others.
std::string NewsBaseUrlForTier(const BrandSettings& settings, std::string_view tierCode);

// The base URL followed by the script, with a "/" between them unless the
// base URL already ends in one.
std::string JoinNewsAddress(std::string_view baseUrl, std::string_view script);

// "--------" and the local time as MMDDYYHHMMSSmmm: 23 characters.
std::string MakeFormBoundary(const std::tm& local, int milliseconds);
std::string MakeFormBoundary(std::chrono::system_clock::time_point when);

using FormField = std::pair<std::string, std::string>;
// The multipart body: every field as "--boundary", its Content-Disposition
// line, an empty line and the raw value, then a final CR LF and the closing
// boundary line.
std::string BuildMultipartBody(std::string_view boundary, const std::vector<FormField>& fields);

// The reply without its leading and trailing bytes 0x00 to 0x20.
std::string_view TrimReply(std::string_view reply);
// A trimmed reply is a success when it holds "OK" anywhere.
bool IsSuccessReply(std::string_view trimmed);
// The reply with every 0xAF "OK" removed (one pass, left to right).
std::string RemoveEndMarkers(std::string_view reply);
// The warning for a failed reply; empty when the reply calls for none.
// "INVALIDNEWS" has a message only for the details request.
std::string NewsErrorMessage(std::string_view trimmed, bool detailsRequest);

// Decodes "$hh" escapes. A "$" not followed by hexadecimal digits (one digit
// is enough at the very end) makes the whole result empty.
std::string DecodeDollarHex(std::string_view text);

// A news id as a signed 32-bit number; anything that does not convert is 0.
std::int32_t NewsIdToInt(std::string_view id);

// Largest reply the news service may send.
inline constexpr std::size_t kMaxNewsReply = 16u << 20;

// Sends one news form and gives back the trimmed reply ("" on any failure).
std::string PostNewsForm(HttpClient& http, const NewsRequest& req, std::string_view script,
                         const std::vector<FormField>& fields, const bool* cancel = nullptr);

// The current news records, appended to `newsList` in the order received.
// On failure `*warning` is the message to show (empty for none).
bool FetchNewsList(HttpClient& http, const NewsRequest& req, std::vector<std::string>& newsList,
                   std::string* warning);
// The id and title of the newest message, both empty when there is none.
// Never has a message to show.
bool FetchLatestNews(HttpClient& http, const NewsRequest& req, std::string& id, std::string& title);
// The decoded body of one message. On failure `*warning` is the message to
// show (empty for none). `cancel` ends the request early when it turns true.
bool FetchNewsDetails(HttpClient& http, const NewsRequest& req, const std::string& newsId,
                      std::string& body, std::string* warning, const bool* cancel = nullptr);

// The balloon text for the newest message, or nothing when `latestId` is not
// greater than the stored last news id.
std::optional<std::string> NewsHintText(std::string_view latestId, std::string_view title,
                                        std::string_view storedLastId);

}  // namespace varnolt
