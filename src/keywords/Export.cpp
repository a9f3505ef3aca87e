#include "keywords/Export.h"

#include <deque>
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
// `field` as CsvField writes it, into `dst`; returns the field.
std::string_view CsvFieldInto(std::string& dst, std::string_view field) {
    std::size_t i = 0;
    while (i < field.size() && field[i] != ',' && field[i] != '"' && field[i] != '\r' &&
           field[i] != '\n')
        ++i;
    if (i == field.size())
        return field;
    dst.assign(1, '"');
    for (char c : field) {
        if (c == '"')
            dst += '"';
        dst += c;
    }
    dst += '"';
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

ExportResult WriteExport(const std::vector<std::string_view>& lines, const ExportOptions& o,
                         LineSink& sink) {
    const bool google = o.format == ExportFormat::GoogleAds;
    if (google) {
        sink.AddLine("Campaign,Ad group,Keyword,Criterion Type");
    } else {
        sink.AddLine(
            "Type,Status,Id,Parent Id,Campaign,Ad Group,Client Id,Modified Time,Keyword,Match "
            "Type,Bid,Name");
        sink.AddLine("Format Version,,,,,,,,,,,6.0");
    }

    // The keywords that go in, and the count of those that are too long.
    // No string a keyword: views into the input, or into one lower-cased copy.
    ExportResult result;
    std::vector<std::string_view> keywords;
    keywords.reserve(lines.size());
    for (std::size_t n = 0; n < lines.size(); ++n) {
        std::string_view kw = TrimSpaces(lines[n]);
        if (kw.empty())
            continue;
        if (TooLong(o.format, kw)) {
            if (result.leftOut++ == 0)
                result.firstLine = n + 1;
            continue;
        }
        keywords.push_back(kw);
    }
    // Equal rows are equal keywords (case ignored) of one match type: the
    // repeats are the same for every type, so they go once, here.
    {
        struct Discard : LineSink {
            void AddLine(std::string_view) override {}
        } none;
        UniqueSink seen(none);
        const std::size_t kept = seen.KeepNew(keywords);
        keywords.resize(kept);
    }
    std::string lowered;
    if (o.lowercase) {
        std::size_t size = 0;
        for (std::string_view kw : keywords)
            size += kw.size();
        lowered.reserve(size);
        for (std::string_view kw : keywords)
            lowered.append(kw);
        for (char& c : lowered) {
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        }
        std::size_t at = 0;
        for (std::string_view& kw : keywords) {
            kw = std::string_view(lowered).substr(at, kw.size());
            at += kw.size();
        }
    }

    const std::string campaign = CsvField(o.campaign), adGroup = CsvField(o.adGroup);
    // Each keyword as its CSV field, once for every match type; the few
    // that need quotes keep their quoted copy here.
    std::deque<std::string> quoted;
    for (std::string_view& kw : keywords) {
        std::string q;
        if (const std::string_view field = CsvFieldInto(q, kw); field.data() != kw.data())
            kw = quoted.emplace_back(std::move(q));
    }
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
            for (std::string_view kw : keywords)
                EmitDirect(*direct, h, kw, t);
        } else {
            for (std::string_view kw : keywords) {
                const std::string_view pieces[] = {h, kw, t};
                sink.AddJoined(pieces);
            }
        }
    }
    return result;
}

std::string LeftOutMessage(const ExportResult& r) {
    return std::to_string(r.leftOut) + (r.leftOut == 1 ? " keyword was" : " keywords were") +
           " left out: longer than the platform allows (first: line " +
           std::to_string(r.firstLine) + ").";
}

}  // namespace varnolt
