#include "keywords/Export.h"

#include <iterator>

#include "keywords/UniqueSink.h"
#include "util/TextCodec.h"
#include "util/UUtils.h"

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

bool TooLong(ExportFormat format, std::string_view keyword) {
    if (format == ExportFormat::GoogleAds)
        return CharacterCount(keyword) > 80 || WordCount(keyword) > 10;
    return CharacterCount(keyword) > 100;
}

bool NeedsAdGroup(const ExportOptions& o, const ExportTypeRow& row) {
    return !row.negative || !o.campaignNegatives;
}

}  // namespace

std::span<const ExportTypeRow> ExportTypeTable() {
    return kExportTypes;
}

std::string CsvField(std::string_view field) {
    if (field.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(field);
    std::string quoted = "\"";
    for (char c : field) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
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
    ExportResult result;
    std::vector<std::string> keywords;
    for (std::size_t n = 0; n < lines.size(); ++n) {
        std::string_view kw = TrimSpaces(lines[n]);
        if (kw.empty())
            continue;
        if (TooLong(o.format, kw)) {
            if (result.leftOut++ == 0)
                result.firstLine = n + 1;
            continue;
        }
        keywords.push_back(o.lowercase ? AsciiLower(kw) : std::string(kw));
    }

    const std::string campaign = CsvField(o.campaign), adGroup = CsvField(o.adGroup);
    // The campaign, ad group and type are the same along one type, so equal
    // rows are equal keywords of one match type.
    UniqueSink unique(sink);
    std::string field;
    for (std::size_t i = 0; i < std::size(kExportTypes); ++i) {
        if (!o.types[i])
            continue;
        const ExportTypeRow& row = kExportTypes[i];
        const bool campaignLevel = row.negative && o.campaignNegatives;
        const std::string_view group = campaignLevel ? std::string_view() : adGroup;
        std::string_view type, kind;
        std::string googleType;
        if (google) {
            googleType = campaignLevel ? "Campaign " + std::string(row.googleType)
                                       : std::string(row.googleType);
            type = googleType;
        } else {
            kind = !row.negative   ? "Keyword,Active,,,"
                   : campaignLevel ? "Campaign Negative Keyword,Active,,,"
                                   : "Ad Group Negative Keyword,Active,,,";
            type = row.matchType;
        }
        for (const std::string& kw : keywords) {
            field = CsvField(kw);
            if (google) {
                const std::string_view pieces[] = {campaign, ",", group, ",", field, ",", type};
                unique.AddJoined(pieces);
            } else {
                const std::string_view pieces[] = {kind,  campaign, ",",  group, ",,,",
                                                   field, ",",      type, ",,"};
                unique.AddJoined(pieces);
            }
        }
        unique.Finish();
    }
    return result;
}

std::string LeftOutMessage(const ExportResult& r) {
    return std::to_string(r.leftOut) + (r.leftOut == 1 ? " keyword was" : " keywords were") +
           " left out: longer than the platform allows (first: line " +
           std::to_string(r.firstLine) + ").";
}

}  // namespace varnolt
