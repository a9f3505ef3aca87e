#include "keywords/Export.h"

#include <cstdint>
#include <cstring>
#include <iterator>

#include "keywords/ChunkSink.h"
#include "keywords/UniqueSink.h"
#include "util/TextCodec.h"

namespace varnolt {

namespace {

constexpr ExportTypeRow kExportTypes[] = {
    {"--broad", "Broad", "Broad", false},
    {"--phrase", "Phrase", "Phrase", false},
    {"--exact", "Exact", "Exact", false},
    {"--negative-broad", "Negative Broad", "Broad", true},
    {"--negative-phrase", "Negative Phrase", "Phrase", true},
    {"--negative-exact", "Negative Exact", "Exact", true},
};

std::string_view TrimSpaces(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

std::size_t CharacterCount(std::string_view s) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < s.size(); ++count) {
        const std::size_t n = Utf8SequenceLength(s, i);
        i += n ? n : 1;
    }
    return count;
}

std::size_t WordCount(std::string_view s) {
    std::size_t words = 0;
    bool inWord = false;
    for (char c : s) {
        if (c != ' ' && !inWord)
            ++words;
        inWord = c != ' ';
    }
    return words;
}

// Characters are counted only when the bytes could be too many, and words
// only when there is room for eleven (eleven letters and ten spaces).
bool TooLong(ExportFormat format, std::string_view keyword) {
    const std::size_t limit = format == ExportFormat::GoogleAds ? 80 : 100;
    if (keyword.size() > limit && CharacterCount(keyword) > limit)
        return true;
    return format == ExportFormat::GoogleAds && keyword.size() >= 21 && WordCount(keyword) > 10;
}

bool NeedsAdGroup(const ExportOptions& o, const ExportTypeRow& row) {
    return !row.negative || !o.campaignNegatives;
}

}  // namespace

std::span<const ExportTypeRow> ExportTypeTable() {
    return kExportTypes;
}

namespace {
// Appends `field` to `dst` quoted: in quotation marks, its own doubled.
void AppendQuoted(std::string& dst, std::string_view field) {
    dst += '"';
    for (char c : field) {
        if (c == '"')
            dst += '"';
        dst += c;
    }
    dst += '"';
}

// `field` as CsvField writes it, into `dst`; returns the field.
std::string_view CsvFieldInto(std::string& dst, std::string_view field) {
    std::size_t i = 0;
    while (i < field.size() && field[i] != ',' && field[i] != '"' && field[i] != '\r' &&
           field[i] != '\n')
        ++i;
    if (i == field.size())
        return field;
    dst.clear();
    AppendQuoted(dst, field);
    return dst;
}
}  // namespace

std::string CsvField(std::string_view field) {
    std::string quoted;
    return std::string(CsvFieldInto(quoted, field));
}

std::string CheckExportOptions(const ExportOptions& o) {
    if (o.campaign.empty())
        return "--campaign NAME is needed";
    bool any = false;
    for (std::size_t i = 0; i < std::size(kExportTypes); ++i) {
        if (!o.types[i])
            continue;
        any = true;
        if (o.format == ExportFormat::MicrosoftAds && kExportTypes[i].negative &&
            kExportTypes[i].matchType == "Broad")
            return kMsgMicrosoftNegativeBroad;
        if (o.adGroup.empty() && NeedsAdGroup(o, kExportTypes[i])) {
            return "--ad-group NAME is needed for " + std::string(kExportTypes[i].option) +
                   (kExportTypes[i].negative ? " (or give --campaign-negatives)" : "");
        }
    }
    if (!any) {
        std::string all;
        for (const ExportTypeRow& row : kExportTypes)
            all += (all.empty() ? "" : ", ") + std::string(row.option);
        return "no match type chosen: give one or more of " + all;
    }
    return {};
}

namespace {
bool HasUpper(std::string_view s) {
    for (char c : s) {
        if (c >= 'A' && c <= 'Z')
            return true;
    }
    return false;
}

// True when a byte of `w` is `b`.
inline bool HasByte(std::uint64_t w, char b) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    const std::uint64_t x = w ^ (kOnes * static_cast<unsigned char>(b));
    return ((x - kOnes) & ~x & (kOnes << 7)) != 0;
}

inline bool HasQuoteOrComma(std::uint64_t w) {
    return HasByte(w, ',') | HasByte(w, '"');
}

// True when `s` holds a comma or a quotation mark (line breaks it cannot
// hold), looked for eight bytes at a time: words that overlap, or shorter
// loads into a word of zeros, cover the bytes that are left.
bool NeedsQuotes(std::string_view s) {
    const char* p = s.data();
    const std::size_t n = s.size();
    std::uint64_t w = 0;
    if (n >= 8) {
        for (std::size_t i = 0; i + 8 < n; i += 8) {
            std::memcpy(&w, p + i, 8);
            if (HasQuoteOrComma(w))
                return true;
        }
        std::memcpy(&w, p + n - 8, 8);
        return HasQuoteOrComma(w);
    }
    if (n >= 4) {
        std::uint32_t a, b;
        std::memcpy(&a, p, 4);
        std::memcpy(&b, p + n - 4, 4);
        return HasQuoteOrComma(a | (std::uint64_t{b} << 32));
    }
    for (std::size_t i = 0; i < n; ++i)
        w |= std::uint64_t{static_cast<unsigned char>(p[i])} << (8 * i);
    return n > 0 && HasQuoteOrComma(w);
}
}  // namespace

ExportKeywords::ExportKeywords(const ExportOptions& options)
    : options_(options), seen_(std::make_unique<UniqueSink>(discard_)) {}

ExportKeywords::~ExportKeywords() = default;

void ExportKeywords::Clear() {
    seen_ = std::make_unique<UniqueSink>(discard_);
    result_ = {};
    lines_ = 0;
}

void ExportKeywords::Expect(std::uint64_t keywords) {
    seen_->Expect(keywords);
}

void ExportKeywords::Add(std::span<const std::string_view> lines) {
    batch_.clear();
    std::size_t bytes = 0;
    for (std::string_view line : lines) {
        ++lines_;
        const std::string_view kw = TrimSpaces(line);
        if (kw.empty())
            continue;
        if (TooLong(options_.format, kw)) {
            if (result_.leftOut++ == 0)
                result_.firstLine = lines_;
            continue;
        }
        batch_.push_back(kw);
        bytes += kw.size();
    }
    // Each keyword is kept as the field its rows carry: lowered and quoted
    // as need be. Both keep keywords that are equal with case ignored equal,
    // and others apart, so the fields are what is compared.
    fields_.clear();
    fields_.reserve(3 * bytes + 2 * batch_.size());  // lowered, then quoted
    for (std::string_view& kw : batch_) {
        const bool lower = options_.lowercase && HasUpper(kw);
        std::string_view field = kw;
        if (lower) {
            const std::size_t at = fields_.size();
            for (char c : kw)
                fields_ += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
            field = std::string_view(fields_).substr(at);
        }
        if (NeedsQuotes(field)) {
            const std::size_t at = fields_.size();
            AppendQuoted(fields_, field);
            field = std::string_view(fields_).substr(at);
        }
        kw = field;
    }
    seen_->KeepNew(batch_);
}

ExportResult ExportKeywords::Write(LineSink& sink) const {
    const ExportOptions& o = options_;
    const bool google = o.format == ExportFormat::GoogleAds;
    if (google) {
        sink.AddLine("Campaign,Ad group,Keyword,Criterion Type");
    } else {
        sink.AddLine(
            "Type,Status,Id,Parent Id,Campaign,Ad Group,Client Id,Modified Time,Keyword,Match "
            "Type,Bid,Name");
        sink.AddLine("Format Version,,,,,,,,,,,6.0");
    }
    const std::string campaign = CsvField(o.campaign), adGroup = CsvField(o.adGroup);
    ChunkSink* const direct = sink.Direct();
    for (std::size_t i = 0; i < std::size(kExportTypes); ++i) {
        if (!o.types[i])
            continue;
        const ExportTypeRow& row = kExportTypes[i];
        const bool campaignLevel = row.negative && o.campaignNegatives;
        const std::string_view group = campaignLevel ? std::string_view() : adGroup;
        // Every row of one match type is `head`, the keyword, `tail`.
        std::string head, tail;
        if (google) {
            head = campaign + "," + std::string(group) + ",";
            tail =
                std::string(",") + (campaignLevel ? "Campaign " : "") + std::string(row.googleType);
        } else {
            head = !row.negative   ? "Keyword,Active,,,"
                   : campaignLevel ? "Campaign Negative Keyword,Active,,,"
                                   : "Ad Group Negative Keyword,Active,,,";
            head += campaign + "," + std::string(group) + ",,,";
            tail = "," + std::string(row.matchType) + ",,";
        }
        const std::string_view h = head, t = tail;
        if (direct != nullptr) {
            seen_->ForEachKept([&](std::string_view kw) { EmitDirect(*direct, h, kw, t); });
        } else {
            seen_->ForEachKept([&](std::string_view kw) {
                const std::string_view pieces[] = {h, kw, t};
                sink.AddJoined(pieces);
            });
        }
    }
    return result_;
}

ExportResult WriteExport(const std::vector<std::string_view>& lines, const ExportOptions& o,
                         LineSink& sink) {
    ExportKeywords keywords(o);
    keywords.Expect(lines.size());
    keywords.Add(lines);
    return keywords.Write(sink);
}

std::string LeftOutMessage(const ExportResult& r) {
    return std::to_string(r.leftOut) + (r.leftOut == 1 ? " keyword was" : " keywords were") +
           " left out: longer than the platform allows (first: line " +
           std::to_string(r.firstLine) + ").";
}

}  // namespace varnolt
