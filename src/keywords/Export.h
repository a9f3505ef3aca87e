#pragma once
// Upload files for the ad platforms: one campaign and one ad group, written
// beside the match-type formatter so the window and varnolt-kw export write
// the same bytes. Each row is one line of the sink (which ends it by CR LF);
// fields are quoted as RFC 4180 says.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "keywords/Keywords.h"

namespace varnolt {

enum class ExportFormat { GoogleAds, MicrosoftAds };

// One match type of an upload file. The table order is the order of the rows.
struct ExportTypeRow {
    std::string_view option;      // varnolt-kw export option, "--negative-phrase"
    std::string_view googleType;  // criterion type, "Negative Phrase"
    std::string_view matchType;   // "Broad", "Phrase" or "Exact"
    bool negative;
};
std::span<const ExportTypeRow> ExportTypeTable();

struct ExportOptions {
    ExportFormat format = ExportFormat::GoogleAds;
    std::string campaign;
    std::string adGroup;  // "" : none given
    std::vector<bool> types = std::vector<bool>(ExportTypeTable().size(), false);
    bool campaignNegatives = false;
    bool lowercase = false;
};

inline constexpr const char* kMsgMicrosoftNegativeBroad =
    "Microsoft Advertising takes negative keywords as phrase or exact match only.";

// "" when the options make an upload file, else what is wrong with them.
std::string CheckExportOptions(const ExportOptions& options);

struct ExportResult {
    std::size_t leftOut = 0;    // keywords longer than the platform allows
    std::size_t firstLine = 0;  // the input line (from 1) of the first of them
};

class UniqueSink;

// The keywords of an upload file, taken from the input lines a run at a time
// (the views need not outlive Add): spaces around them removed, blank lines
// skipped, those too long counted, a repeat (case ignored) kept once. Write
// then writes the file, as WriteExport does.
class ExportKeywords {
public:
    explicit ExportKeywords(const ExportOptions& options);
    ~ExportKeywords();
    ExportKeywords(const ExportKeywords&) = delete;
    ExportKeywords& operator=(const ExportKeywords&) = delete;
    // The next input lines; line numbers go on from the last run.
    void Add(std::span<const std::string_view> lines);
    // Forgets every line, to take them again from the first.
    void Clear();
    // Makes room for about `keywords` keywords (a hint).
    void Expect(std::uint64_t keywords);
    ExportResult Write(LineSink& out) const;

private:
    struct Discard : LineSink {
        void AddLine(std::string_view) override {}
    };
    ExportOptions options_;
    Discard discard_;
    std::unique_ptr<UniqueSink> seen_;  // holds the fields, in input order
    ExportResult result_;
    std::size_t lines_ = 0;
    std::vector<std::string_view> batch_;
    std::string fields_;
};

// Writes the header rows and one row per keyword and chosen match type:
// match type by match type, keywords in input order, leading and trailing
// spaces removed, blank lines skipped, a row equal to an earlier one (case
// ignored) written once. `lines` are the input lines, blank ones included.
ExportResult WriteExport(const std::vector<std::string_view>& lines, const ExportOptions& options,
                         LineSink& out);

// "2 keywords were left out: longer than the platform allows (first: line 17)."
std::string LeftOutMessage(const ExportResult& result);

// `field` as one CSV field: quoted, its quotation marks doubled, only when it
// holds a comma, a quotation mark or a line break.
std::string CsvField(std::string_view field);

}  // namespace varnolt
