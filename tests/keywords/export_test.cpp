// Upload files for the ad platforms, byte for byte.
#include <gtest/gtest.h>

#include <span>
#include <string>
#include <vector>

#include "keywords/Export.h"

namespace varnolt {
namespace {

ExportOptions Options(ExportFormat format, std::vector<const char*> types) {
    ExportOptions o;
    o.format = format;
    o.campaign = "Spring, \"26\"";
    o.adGroup = "Shoes";
    for (const char* t : types) {
        for (std::size_t i = 0; i < ExportTypeTable().size(); ++i) {
            if (ExportTypeTable()[i].option == t)
                o.types[i] = true;
        }
    }
    return o;
}

// A comma, a quotation mark, a blank line, spaces to trim, a repeat in
// another case, a keyword of 81 characters (too long for Google only), one
// of 11 words and one of 101 characters (too long for both).
const std::string k81(81, 'k'), k101(101, 'm');
const std::vector<std::string_view> kLines = {"  red shoes ",
                                              "Shoes, cheap",
                                              "",
                                              "the \"best\" boots",
                                              "RED SHOES",
                                              k81,
                                              "a b c d e f g h i j k",
                                              k101};

std::string Export(const ExportOptions& o, ExportResult* result = nullptr) {
    TextSink sink("\r\n");
    const ExportResult r = WriteExport(kLines, o, sink);
    if (result)
        *result = r;
    return sink.Text();
}

TEST(Export, GoogleAdsBytes) {
    ExportResult r;
    ExportOptions o = Options(ExportFormat::GoogleAds, {"--negative-exact", "--phrase"});
    EXPECT_EQ(CheckExportOptions(o), "");
    EXPECT_EQ(Export(o, &r),
              "Campaign,Ad group,Keyword,Criterion Type\r\n"
              "\"Spring, \"\"26\"\"\",Shoes,red shoes,Phrase\r\n"
              "\"Spring, \"\"26\"\"\",Shoes,\"Shoes, cheap\",Phrase\r\n"
              "\"Spring, \"\"26\"\"\",Shoes,\"the \"\"best\"\" boots\",Phrase\r\n"
              "\"Spring, \"\"26\"\"\",Shoes,red shoes,Negative Exact\r\n"
              "\"Spring, \"\"26\"\"\",Shoes,\"Shoes, cheap\",Negative Exact\r\n"
              "\"Spring, \"\"26\"\"\",Shoes,\"the \"\"best\"\" boots\",Negative Exact\r\n");
    EXPECT_EQ(r.leftOut, 3u);
    EXPECT_EQ(LeftOutMessage(r),
              "3 keywords were left out: longer than the platform allows (first: line 6).");
    o = Options(ExportFormat::GoogleAds, {"--negative-broad"});
    o.campaign.assign(1, 'S');  // (a literal assignment trips g++ 12's -Wrestrict)
    o.adGroup.clear();
    o.campaignNegatives = true;
    o.lowercase = true;
    EXPECT_EQ(CheckExportOptions(o), "");
    EXPECT_EQ(Export(o),
              "Campaign,Ad group,Keyword,Criterion Type\r\n"
              "S,,red shoes,Campaign Negative Broad\r\n"
              "S,,\"shoes, cheap\",Campaign Negative Broad\r\n"
              "S,,\"the \"\"best\"\" boots\",Campaign Negative Broad\r\n");
}

TEST(Export, MicrosoftAdsBytes) {
    ExportResult r;
    ExportOptions o =
        Options(ExportFormat::MicrosoftAds, {"--exact", "--negative-phrase", "--broad"});
    std::string want =
        "Type,Status,Id,Parent Id,Campaign,Ad Group,Client Id,Modified Time,Keyword,"
        "Match Type,Bid,Name\r\nFormat Version,,,,,,,,,,,6.0\r\n";
    const std::string fields[] = {"red shoes", "\"Shoes, cheap\"", "\"the \"\"best\"\" boots\"",
                                  k81, "a b c d e f g h i j k"};
    for (const char* type : {"Broad", "Exact", "Phrase"}) {
        for (const std::string& field : fields) {
            want.append(std::string_view(type) == "Phrase" ? "Ad Group Negative Keyword"
                                                           : "Keyword");
            want.append(",Active,,,\"Spring, \"\"26\"\"\",Shoes,,,").append(field);
            want.append(",").append(type).append(",,\r\n");
        }
    }
    EXPECT_EQ(Export(o, &r), want);
    EXPECT_EQ(r.leftOut, 1u);
    EXPECT_EQ(r.firstLine, 8u);
    EXPECT_EQ(LeftOutMessage(r),
              "1 keyword was left out: longer than the platform allows (first: line 8).");
    o = Options(ExportFormat::MicrosoftAds, {"--negative-exact"});
    o.adGroup.clear();
    o.campaignNegatives = true;
    const std::string text = Export(o);
    const std::string first =
        "Campaign Negative Keyword,Active,,,\"Spring, \"\"26\"\"\",,,,red shoes,Exact,,\r\n";
    EXPECT_EQ(text.substr(text.find("6.0\r\n") + 5, first.size()), first);
}

// Taken in runs, the lines give the file and the count of one run: a repeat
// in a later run still goes, line numbers go on, and Clear starts anew.
TEST(Export, LinesTakenInRuns) {
    ExportOptions o = Options(ExportFormat::GoogleAds, {"--phrase", "--negative-exact"});
    o.lowercase = true;
    ExportResult whole;
    const std::string want = Export(o, &whole);
    const std::span<const std::string_view> all(kLines);
    for (std::size_t cut = 0; cut <= all.size(); ++cut) {
        ExportKeywords keywords(o);
        keywords.Add(all);
        keywords.Clear();
        keywords.Add(all.first(cut));
        keywords.Add(all.subspan(cut));
        TextSink sink("\r\n");
        const ExportResult r = keywords.Write(sink);
        EXPECT_EQ(sink.Text(), want) << cut;
        EXPECT_EQ(r.leftOut, whole.leftOut) << cut;
        EXPECT_EQ(r.firstLine, whole.firstLine) << cut;
    }
}

TEST(Export, Refusals) {
    EXPECT_EQ(CheckExportOptions(Options(ExportFormat::MicrosoftAds, {"--negative-broad"})),
              kMsgMicrosoftNegativeBroad);
    EXPECT_EQ(CheckExportOptions(Options(ExportFormat::GoogleAds, {})).substr(0, 22),
              "no match type chosen: ");
    ExportOptions o = Options(ExportFormat::GoogleAds, {"--negative-phrase", "--exact"});
    o.adGroup.clear();
    EXPECT_EQ(CheckExportOptions(o), "--ad-group NAME is needed for --exact");
    o.types[2] = false;
    EXPECT_EQ(CheckExportOptions(o),
              "--ad-group NAME is needed for --negative-phrase (or give --campaign-negatives)");
    o.campaignNegatives = true;
    EXPECT_EQ(CheckExportOptions(o), "");
    EXPECT_EQ(CsvField("a\nb"), "\"a\nb\"");
    EXPECT_EQ(CsvField("plain text"), "plain text");
}

}  // namespace
}  // namespace varnolt
