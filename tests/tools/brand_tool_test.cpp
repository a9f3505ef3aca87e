// varnolt-brand show and pack-skin, run as a process; the example brand.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "brand/BrandFile.h"
#include "crypto/AesLib.h"
#include "support/Files.h"
#include "support/Process.h"
#include "support/TempFolder.h"

namespace varnolt {
namespace {

using test::ReadFile;
using test::TempFolder;
using test::WriteFile;

using Result = test::ProcessResult;

// Runs varnolt-brand in the test's current folder.
Result RunTool(const std::vector<std::string>& args, std::string_view input = {}) {
    return test::RunProcess(VARNOLT_BRAND_EXE, args, input);
}

std::string Tag(const std::string& name, const std::string& value) {
    return "<%%" + name + "%%>" + value + "<%%/" + name + "%%>\r\n";
}

TEST(BrandShow, JsonHoldsEveryValueDecodedAndEscaped) {
    TempFolder dir;
    const std::string dat = dir.path() + "dbsettings.dat";
    ASSERT_TRUE(EncryptMemoryToFile(
        Tag("ApplicationName", "Caf\xe9 \"Q\" \\ x") + Tag("BranderCode", "C1") +
            Tag("BranderType", "Free") + Tag("AffiliateURL", "http://a/?%%AFFILIATEID%%") +
            Tag("AffiliateTYPE", "t") + Tag("AffiliateID", "id7") +
            Tag("MasterNewsBaseURL", "http://m/") + Tag("PlatinumNewsBaseURL", "") +
            Tag("GoldNewsBaseURL", "http://g/") + Tag("MasterPublID", "M") +
            Tag("PlatinumPublID", "P") + Tag("GoldPublID", "G") + Tag("AppHelpURL", "http://h/") +
            Tag("CopyrightYears", "2006-2008") + Tag("CopyrightCompany", "Example Ltd") +
            Tag("AboutText", "a\nb\tc\x01 \xe2\x82\xac") + Tag("Welcome1", "<p>w</p>") +
            Tag("Banner1", "b.png^http://b/") + Tag("Link1", "L^http://l/") +
            Tag("Link2", "K^http://k/") + Tag("LastNewsId", "31"),
        dat));
    WriteFile(dir.path() + "banner1.dat", "png");

    Result r = RunTool({"show", "--json", dat});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(
        r.out,
        "{\"ApplicationName\":\"Caf\xc3\xa9 \\\"Q\\\" \\\\ x\",\"BranderCode\":\"C1\","
        "\"BranderType\":\"Free\",\"AffiliateURL\":\"http://a/?id7\",\"AffiliateTYPE\":\"t\","
        "\"AffiliateID\":\"id7\",\"MasterNewsBaseURL\":\"http://m/\",\"PlatinumNewsBaseURL\":\"\","
        "\"GoldNewsBaseURL\":\"http://g/\",\"MasterPublID\":\"M\",\"PlatinumPublID\":\"P\","
        "\"GoldPublID\":\"G\",\"MakeMoneyButton\":\"\",\"AppHelpURL\":\"http://h/\","
        "\"CopyrightYears\":\"2006-2008\",\"CopyrightCompany\":\"Example Ltd\","
        "\"AboutText\":\"a\\r\\nb\\tc\\u0001 \xe2\x82\xac\",\"Welcome\":[\"<p>w</p>\"],"
        "\"Banner\":[\"b.png^http://b/\"],\"Link\":[\"L^http://l/\",\"K^http://k/\"],"
        "\"LastNewsId\":\"31\",\"NewsButton\":true,\"warnings\":[]}\n");

    Result text = RunTool({"show", dat});
    EXPECT_EQ(text.status, 0);
    EXPECT_NE(text.out.find("ApplicationName: Caf\xc3\xa9 \"Q\" \\ x\n"), std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("AboutText: a\\r\\nb\\tc\\x01 \xe2\x82\xac\n"), std::string::npos);
    EXPECT_NE(text.out.find("Link2: K^http://k/\n"), std::string::npos);
    EXPECT_NE(text.out.find("NewsButton: shown\n"), std::string::npos);
    EXPECT_EQ(text.err, "");
}

TEST(BrandShow, WarnsAboutWhatTheProgramIgnores) {
    TempFolder dir;
    const std::string dat = dir.path() + "dbsettings.dat";
    std::string plain = Tag("BranderCode", "early") + Tag("ApplicationName", "N") +
                        Tag("BranderType", "gold") + "<%%AffiliateURL%%>never closed\r\n";
    for (int n = 1; n <= 17; ++n)
        plain += Tag("Welcome" + std::to_string(n), "w");
    plain += Tag("Banner1", "pic.gif") + Tag("Banner2", "x.tiff^http://x/") +
             Tag("Banner3", "logo.EMF^http://x/");
    plain += Tag("Link1", "a^u") + Tag("Link3", "c^u");
    ASSERT_TRUE(EncryptMemoryToFile(plain, dat));
    WriteFile(dir.path() + "banner2.dat", "tiff");
    WriteFile(dir.path() + "banner3.dat", "emf");

    Result r = RunTool({"show", "--json", dat});
    EXPECT_EQ(r.status, 0) << r.err;
    const char* expected[] = {
        "<%%BranderCode%%> stands before",
        "<%%AffiliateURL%%> has no closing marker",
        "BranderType \\\"gold\\\" is none of Master, Platinum, Gold, Free",
        "Welcome has more than 16 entries; ignored: Welcome17",
        "Link stops at Link2 (missing); ignored: Link3",
        "Banner1 has no caret",
        "Banner1: banner1.dat is missing",
        "Banner2: \\\"x.tiff\\\" has no known picture extension",
        "Banner3: \\\"logo.EMF\\\" is a Windows metafile, which is not shown on this platform; "
        "use gif, png, jpg, bmp or ico",
    };
    for (const char* warning : expected)
        EXPECT_NE(r.out.find(warning), std::string::npos) << warning << "\n" << r.out;
    EXPECT_EQ(r.out.find("banner2.dat is missing"), std::string::npos);
    EXPECT_NE(r.out.find("\"BranderCode\":\"\""), std::string::npos);
    EXPECT_NE(r.out.find("\"NewsButton\":false"), std::string::npos);

    Result text = RunTool({"show", dat});
    EXPECT_EQ(text.status, 0);
    EXPECT_NE(text.err.find("warning: Welcome has more than 16 entries"), std::string::npos)
        << text.err;
    EXPECT_NE(text.out.find("Welcome16: w\n"), std::string::npos);
    EXPECT_EQ(text.out.find("Welcome17"), std::string::npos);
}

TEST(BrandShow, DamagedOrMissingFileFails) {
    TempFolder dir;
    const std::string dat = dir.path() + "dbsettings.dat";
    std::string image = EncryptBytes(Tag("ApplicationName", "N"));
    image[3] ^= 0x10;  // the salt: the verifier no longer matches
    WriteFile(dat, image);
    Result r = RunTool({"show", "--json", dat});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "wrong password or damaged settings file\n");
    EXPECT_EQ(r.out, "");

    r = RunTool({"show", dir.path() + "absent.dat"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Cannot open file"), std::string::npos) << r.err;

    EXPECT_EQ(RunTool({"show"}).status, 2);
    EXPECT_EQ(RunTool({"show", "--json"}).status, 2);
}

// zlib's uncompress, looked up at run time so that the tests need not link zlib.
using UncompressFn = int (*)(unsigned char*, unsigned long*, const unsigned char*, unsigned long);

TEST(BrandPackSkin, WritesQtCompressedStyleSheet) {
    void* zlib = dlopen("libz.so.1", RTLD_NOW);
    if (!zlib)
        GTEST_SKIP() << "libz.so.1 not found";
    auto uncompress = reinterpret_cast<UncompressFn>(dlsym(zlib, "uncompress"));
    ASSERT_NE(uncompress, nullptr);

    TempFolder dir;
    const std::string sheet =
        ReadFile(std::string(VARNOLT_SOURCE_DIR) + "/examples/brand/skin.qss");
    ASSERT_GT(sheet.size(), 100u);
    const std::string skin = dir.path() + "mainskin.dat";
    Result r =
        RunTool({"pack-skin", std::string(VARNOLT_SOURCE_DIR) + "/examples/brand/skin.qss", skin});
    ASSERT_EQ(r.status, 0) << r.err;

    const std::string packed = ReadFile(skin);
    ASSERT_GT(packed.size(), 6u);
    const auto* bytes = reinterpret_cast<const unsigned char*>(packed.data());
    unsigned long length = (bytes[0] << 24) | (bytes[1] << 16) | (bytes[2] << 8) | bytes[3];
    EXPECT_EQ(length, sheet.size());
    std::string unpacked(length, '\0');
    unsigned long got = length;
    ASSERT_EQ(uncompress(reinterpret_cast<unsigned char*>(unpacked.data()), &got, bytes + 4,
                         packed.size() - 4),
              0);
    EXPECT_EQ(got, length);
    EXPECT_EQ(unpacked, sheet);
    dlclose(zlib);

    EXPECT_EQ(RunTool({"pack-skin", dir.path() + "missing.qss", skin}).status, 1);
    EXPECT_EQ(ReadFile(skin), packed);  // a failed run leaves the old skin
}

TEST(ExampleBrand, UsesEveryTagWithoutWarnings) {
    const std::string source = VARNOLT_SOURCE_DIR;
    const std::string plain = ReadFile(source + "/examples/brand/settings.txt");
    BrandRead r = ReadBrandText(plain, 1);
    EXPECT_TRUE(r.warnings.empty()) << r.warnings.front();
    const BrandSettings& s = r.settings;
    for (const std::string* v : std::initializer_list<const std::string*>{
             &s.ApplicationName, &s.BranderCode, &s.BranderType, &s.AffiliateURL, &s.AffiliateTYPE,
             &s.AffiliateID, &s.MasterNewsBaseURL, &s.PlatinumNewsBaseURL, &s.GoldNewsBaseURL,
             &s.MasterPublID, &s.PlatinumPublID, &s.GoldPublID, &r.MakeMoneyButton, &s.AppHelpURL,
             &s.CopyrightYears, &s.CopyrightCompany, &s.AboutText})
        EXPECT_FALSE(v->empty());
    EXPECT_EQ(s.AffiliateURL.find("%%"), std::string::npos);
    EXPECT_GE(r.Welcome.size(), 2u);
    EXPECT_GE(r.Link.size(), 3u);
    ASSERT_EQ(r.Banner.size(), 1u);
    EXPECT_TRUE(NewsButtonRule(s));
    EXPECT_NE(plain.find("<%%LastNewsId%%>"), std::string::npos);

    // Built into a brand folder, the program finds its banner picture.
    TempFolder dir;
    std::filesystem::copy_file(source + "/examples/brand/" + s.BannerFile,
                               dir.path() + "banner1.dat");
    ASSERT_TRUE(EncryptMemoryToFile(plain, dir.path() + "dbsettings.dat"));
    auto banner = FindBannerPicture(dir.path(), LoadBrandFile(dir.path(), 1)->settings);
    ASSERT_TRUE(banner.has_value());
    EXPECT_EQ(banner->format, "gif");
    Result shown = RunTool({"show", "--json", dir.path() + "dbsettings.dat"});
    EXPECT_EQ(shown.status, 0);
    EXPECT_NE(shown.out.find("\"warnings\":[]"), std::string::npos) << shown.out;
}

}  // namespace
}  // namespace varnolt

namespace varnolt {
namespace {

TEST(BrandShow, ReadsTheSettingsFileFromStandardInput) {
    TempFolder dir;
    const std::string dat = dir.path() + "dbsettings.dat";
    ASSERT_TRUE(
        EncryptMemoryToFile(Tag("ApplicationName", "Piped") + Tag("BranderType", "Gold"), dat));
    Result r = RunTool({"show", "--json", "-"}, ReadFile(dat));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(
        r.out.rfind("{\"ApplicationName\":\"Piped\",\"BranderCode\":\"\",\"BranderType\":\"Gold\"",
                    0),
        0u)
        << r.out;
    // Something that is not a settings file is refused.
    r = RunTool({"show", "-"}, "nonsense\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
}

}  // namespace
}  // namespace varnolt
