// varnolt-kw run as a separate process: output bytes, exit status, messages.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "keywords/Keywords.h"
#include "support/Files.h"
#include "support/Process.h"
#include "support/TempFolder.h"
#include "util/KeywordFile.h"

namespace varnolt {
namespace {

using Result = test::ProcessResult;

class KwTool : public testing::Test {
protected:
    std::string Path(const std::string& name) const { return folder_.File(name); }
    std::string Write(const std::string& name, const std::string& bytes) const {
        test::WriteFile(Path(name), bytes);
        return Path(name);
    }
    static std::string Read(const std::string& path) { return test::ReadFile(path); }

    // Runs varnolt-kw with `args`, `input` on standard input, in the test folder.
    Result Kw(const std::vector<std::string>& args, const std::string& input = "") {
        return test::RunProcess(VARNOLT_KW_EXE, args, input, folder_.path());
    }

    test::TempFolder folder_{"kwtool"};
};

std::string CrLf(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines)
        text += l + "\r\n";
    return text;
}

TEST_F(KwTool, TyposWritesTheWindowsLinesWithCrLf) {
    const Result r =
        Kw({"typos", "--skip-letter", "--double-letters", "--reverse-letters", "--skip-spaces"},
           "book\nnew york\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              CrLf({"ook",       "bok",       "bok",       "boo",       "bbook",     "boook",
                    "boook",     "bookk",     "obok",      "book",      "boko",      "ew york",
                    "nw york",   "ne york",   "newyork",   "new ork",   "new yrk",   "new yok",
                    "new yor",   "nnew york", "neew york", "neww york", "new  york", "new yyork",
                    "new yoork", "new yorrk", "new yorkk", "enw york",  "nwe york",  "ne wyork",
                    "newy ork",  "new oyrk",  "new yrok",  "new yokr",  "newyork"}));

    const Result keys = Kw({"typos", "--missed-keys", "--inserted-keys", "-"}, "A1");
    EXPECT_EQ(keys.status, 0);
    EXPECT_EQ(keys.out, CrLf({"q1", "w1", "s1", "x1", "z1", "qa1", "wa1", "sa1", "xa1", "za1"}));
}

TEST_F(KwTool, AllKindsMatchTheCoreForAFileOfManyKeywords) {
    // Enough output to pass through the write buffer several times.
    std::string input;
    for (int i = 0; i < 3000; ++i) {
        input += "Keyword " + std::to_string(i) + (i % 7 ? " shoes\r\n" : "\n");
    }
    const std::string file = Write("in.txt", input);
    const Result r = Kw({"typos", "--all", file});
    ASSERT_EQ(r.status, 0);
    const std::string text = LoadKeywordFile(file);
    TextSink want("\r\n");
    GenerateTypos(KeywordLines(text), TypoKinds::All(), want);
    ASSERT_GT(want.Text().size(), std::size_t{4} << 20);
    EXPECT_TRUE(r.out == want.Text())
        << "outputs differ; sizes " << r.out.size() << " and " << want.Text().size();
}

TEST_F(KwTool, AdwordsAndOutputFile) {
    const std::string in = Write("in.txt", "Red Shoes\r\nBoots");
    Result r = Kw({"adwords", "--minus", "--exact", "--broad", "in.txt", "-o", "out.txt"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(Read(Path("out.txt")),
              CrLf({"Red Shoes", "Boots", "[Red Shoes]", "[Boots]", "-Red Shoes", "-Boots"}));

    r = Kw({"adwords", "--lowercase", "--phrase", "--output=out.txt"}, "Red Shoes\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(Read(Path("out.txt")), "\"red shoes\"\r\n");  // replaced, not appended

    // Lowercase alone: a valid choice with nothing to write.
    r = Kw({"adwords", "--lowercase"}, "Boots\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
}

// --unique: repeats with case ignored are written once, first in place; typos
// also leave out lines equal to an input keyword ("Book" reversed is "Book").
TEST_F(KwTool, Unique) {
    Result r = Kw({"typos", "--reverse-letters", "--unique", "--skip-letter", "--double-letters"},
                  "Book\r\nbook\r\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, CrLf({"ook", "Bok", "Boo", "BBook", "Boook", "Bookk", "oBok", "Boko"}));
    r = Kw({"adwords", "--exact", "--broad", "--unique"}, "Cat\r\ncat\r\nCAT dog\r\nCat\r\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, CrLf({"Cat", "CAT dog", "[Cat]", "[CAT dog]"}));
    // Without --unique every line stays.
    r = Kw({"adwords", "--broad"}, "Cat\r\ncat\r\n");
    EXPECT_EQ(r.out, CrLf({"Cat", "cat"}));
    r = Kw({"typos", "--layout=azerty", "--missed-keys"}, "cat\n");
    EXPECT_EQ(r.out, CrLf({"xat", "dat", "fat", "vat", "czt", "cqt", "car", "cay", "cag", "caf"}));
}

// export: the file on standard output or in OUTPUT; refusals write nothing
// and leave an existing OUTPUT as it was.
TEST_F(KwTool, ExportAndItsRefusals) {
    const std::string list = "red shoes\r\n\r\n" + std::string(101, 'x') + "\r\n";
    Result r = Kw({"export", "--format", "microsoft-ads", "--campaign", "C", "--ad-group", "G",
                   "--negative-phrase", "-o", "up.csv"},
                  list);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "1 keyword was left out: longer than the platform allows (first: line 3).\n");
    const std::string csv = Read(Path("up.csv"));
    EXPECT_EQ(csv.substr(csv.find("6.0\r\n") + 5),
              "Ad Group Negative Keyword,Active,,,C,G,,,red shoes,Phrase,,\r\n");
    r = Kw({"export", "--format", "google-ads", "--campaign", "C", "--ad-group", "G", "--exact"},
           "Cat\ncat\n");
    EXPECT_EQ(r.out, "Campaign,Ad group,Keyword,Criterion Type\r\nC,G,Cat,Exact\r\n");

    const struct {
        std::vector<std::string> args;
        const char* err;  // the start of standard error
    } refusals[] = {
        {{"--format", "microsoft-ads", "--campaign", "C", "--ad-group", "G", "--negative-broad"},
         "Microsoft Advertising takes negative keywords as phrase or exact match only.\n"},
        {{"--format", "google-ads", "--campaign", "C", "--ad-group", "G"},
         "varnolt-kw: no match type chosen"},
        {{"--format", "google-ads", "--campaign", "C", "--broad"},
         "varnolt-kw: --ad-group NAME is needed for --broad"},
        {{"--format", "google-ads", "--campaign", "C", "--negative-exact"},
         "varnolt-kw: --ad-group NAME is needed for --negative-exact (or give"},
        {{"--campaign", "C", "--ad-group", "G", "--exact"}, "varnolt-kw: --format"},
        {{"--format", "csv", "--campaign", "C", "--ad-group", "G", "--exact"},
         "varnolt-kw: unknown format 'csv'"},
        {{"--format", "google-ads", "--ad-group", "G", "--exact"}, "varnolt-kw: --campaign"},
    };
    for (const auto& refusal : refusals) {
        std::vector<std::string> args = {"export"};
        args.insert(args.end(), refusal.args.begin(), refusal.args.end());
        args.insert(args.end(), {"-o", "up.csv"});
        r = Kw(args, list);
        EXPECT_EQ(r.status, 2) << refusal.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.substr(0, std::string(refusal.err).size()), refusal.err);
        EXPECT_EQ(Read(Path("up.csv")), csv) << refusal.err;
    }
}

TEST_F(KwTool, InputRules) {
    // One empty line is input; it is formatted, and gives no typos.
    Result r = Kw({"adwords", "--broad", "--exact"}, "\r\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "\r\n[]\r\n");
    r = Kw({"typos", "--all"}, "\n \n");
    EXPECT_EQ(r.status, 0);
    // The blank line gives nothing; the space gives "" (skip letter), two
    // spaces (double letters) and "" (skip spaces).
    EXPECT_EQ(r.out, "\r\n  \r\n\r\n");
    // Windows-1252 input comes out as UTF-8; a BOM is dropped; lone CRs break lines.
    r = Kw({"adwords", "--phrase"},
           "\xEF\xBB\xBF"
           "caf\xC3\xA9\rstra\xC3\x9F"
           "e");
    EXPECT_EQ(r.out,
              "\"caf\xC3\xA9\"\r\n\"stra\xC3\x9F"
              "e\"\r\n");
    r = Kw({"adwords", "--broad"},
           "Caf\xE9\n\x80"
           "5");
    EXPECT_EQ(r.out,
              "Caf\xC3\xA9\r\n\xE2\x82\xAC"
              "5\r\n");
    // Multi-byte characters pass whole through every kind.
    r = Kw({"typos", "--reverse-letters"}, "\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(r.out, "\xE2\x82\xAC\xC3\xA9\r\n");
}

TEST_F(KwTool, NoInputAndNoActionMessages) {
    const std::string noInput = std::string(kMsgNoInput) + "\n";
    const std::string noAction = std::string(kMsgNoAction) + "\n";
    EXPECT_EQ(noInput, "Please enter the input keywords to process.\n");
    EXPECT_EQ(noAction, "Please select at least one action to do with your input keywords.\n");

    Result r = Kw({"typos", "--all"}, "");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, noInput);
    EXPECT_EQ(r.out, "");
    // Empty input is reported first, even with no action chosen.
    r = Kw({"typos"}, "");
    EXPECT_EQ(r.err, noInput);
    r = Kw({"adwords", Write("bom.txt", "\xEF\xBB\xBF")}, "");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, noInput);

    r = Kw({"typos"}, "book");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, noAction);
    EXPECT_EQ(r.out, "");
    r = Kw({"adwords", "-o", "never.txt"}, "book");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, noAction);
    EXPECT_FALSE(std::filesystem::exists(Path("never.txt")));  // no output file made
}

TEST_F(KwTool, FileErrors) {
    Result r = Kw({"typos", "--all", "missing.txt"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "Cannot open file \"" + Path("missing.txt") + "\". No such file or directory\n");
    EXPECT_EQ(r.out, "");

    r = Kw({"adwords", "--broad", "-o", "no/such/out.txt"}, "book");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Cannot create file \"" + Path("no/such/out.txt") +
                         "\". No such file or directory\n");

    // A full disk fails the run instead of passing for success. The tool is
    // handed a link in the test folder, never the device itself.
    std::filesystem::create_symlink("/dev/full", Path("full"));
    r = Kw({"adwords", "--broad", "-o", "full"}, "book");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Cannot write file \"" + Path("full") + "\". No space left on device\n");
}

TEST_F(KwTool, UsageAndHelp) {
    Result r = Kw({"typos", "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("varnolt-kw typos"), std::string::npos);
    EXPECT_NE(r.out.find("varnolt-kw adwords"), std::string::npos);
    EXPECT_EQ(r.err, "");

    for (const std::vector<std::string>& bad : {std::vector<std::string>{"typos", "--bogus"},
                                                {"typos", "--broad"},
                                                {"adwords", "--all"},
                                                {"typos", "--all", "a.txt", "b.txt"},
                                                {"typos", "--all", "-o"},
                                                {"typos", "--all", "--layout", "colemak"},
                                                {"typos", "--all", "--layout"},
                                                {"adwords", "--broad", "--layout=qwerty"},
                                                {"spell", "--all"},
                                                {}}) {
        r = Kw(bad, "book");
        EXPECT_EQ(r.status, 2) << testing::PrintToString(bad);
        EXPECT_EQ(r.out, "") << testing::PrintToString(bad);
        EXPECT_NE(r.err.find("Usage:"), std::string::npos) << testing::PrintToString(bad);
    }
}

TEST_F(KwTool, LineLongerThanTheWriteBuffer) {
    const std::string longKeyword(3u << 20, 'k');
    const Result r = Kw({"adwords", "--exact", "--broad"}, longKeyword + "\nshort");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out == longKeyword + "\r\nshort\r\n[" + longKeyword + "]\r\n[short]\r\n");
}

}  // namespace
}  // namespace varnolt
