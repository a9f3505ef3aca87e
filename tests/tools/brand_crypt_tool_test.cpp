// varnolt-brand encrypt / decrypt / verify, run as a process.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "crypto/AesLib.h"
#include "support/Files.h"
#include "support/Process.h"
#include "support/TempFolder.h"
#include "util/FileError.h"

namespace varnolt {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

using Result = test::ProcessResult;

class BrandToolTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directory(dir / "work"); }

    // Runs varnolt-brand in dir/work with `input` on standard input.
    Result Run(const std::vector<std::string>& args, std::string_view input = "") {
        return test::RunProcess(VARNOLT_BRAND_EXE, args, input, (dir / "work").string());
    }

    std::set<std::string> WorkFiles() { return test::FolderNames(dir / "work"); }

    fs::path W(const char* name) { return dir / "work" / name; }

    test::TempFolder folder_{"brandtool"};
    const fs::path dir = folder_.folder();
};

const std::string kPlain = "ApplicationName^Keyword Wizard\r\nWelcomeText^<b>Hi</b>\r\n";
const std::string kDamaged = "wrong password or damaged settings file\n";

TEST_F(BrandToolTest, EncryptDecryptVerifyFiles) {
    WriteFile(W("plain.txt"), kPlain);
    Result r = Run({"encrypt", "plain.txt", "dbsettings.dat"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::string dat = ReadFile(W("dbsettings.dat"));
    EXPECT_EQ(dat.size(), kPlain.size() + 20);
    // The program's own routine reads what the tool wrote.
    std::string plain;
    EXPECT_EQ(DecryptBytes(dat, plain), DecryptResult::Ok);
    EXPECT_EQ(plain, kPlain);

    r = Run({"verify", "dbsettings.dat"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out + r.err, "");

    r = Run({"decrypt", "dbsettings.dat", "back.txt"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(W("back.txt")), kPlain);
    EXPECT_EQ(WorkFiles(), (std::set<std::string>{"back.txt", "dbsettings.dat", "plain.txt"}));
}

TEST_F(BrandToolTest, StandardInputAndOutput) {
    Result r = Run({"encrypt", "-", "-"}, kPlain);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.size(), kPlain.size() + 20);
    const std::string dat = r.out;

    r = Run({"decrypt", "-", "-"}, dat);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, kPlain);

    r = Run({"verify", "-"}, dat);
    EXPECT_EQ(r.status, 0) << r.err;

    WriteFile(W("s.dat"), dat);
    r = Run({"decrypt", "s.dat", "-"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, kPlain);

    r = Run({"encrypt", "-", "piped.dat"}, "");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(W("piped.dat")).size(), 20u);
}

TEST_F(BrandToolTest, DamagedFileIsReportedAndLeavesNoPlainFile) {
    std::string dat = EncryptBytes(kPlain);
    // A changed ciphertext byte (verifier intact, tag fails), a changed tag
    // byte, a foreign password, and a file too short.
    std::string cipherByte = dat;
    cipherByte[15] ^= 1;
    std::string tagByte = dat;
    tagByte.back() ^= 1;
    TEncryption other("not the settings password", 4096);
    TMemorySource source(kPlain);
    std::string foreign;
    TStringTarget target(foreign);
    ASSERT_TRUE(other.EncryptStream(source, target));
    for (const std::string& bad : {cipherByte, tagByte, foreign, dat.substr(0, 12)}) {
        WriteFile(W("bad.dat"), bad);
        Result r = Run({"decrypt", "bad.dat", "plain.txt"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, kDamaged);
        EXPECT_EQ(WorkFiles(), std::set<std::string>{"bad.dat"});

        r = Run({"decrypt", "bad.dat", "-"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");  // no plain text reaches the output either
        EXPECT_EQ(r.err, kDamaged);

        r = Run({"decrypt", "-", "-"}, bad);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");

        r = Run({"verify", "bad.dat"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, kDamaged);
    }
}

TEST_F(BrandToolTest, FilesThatCannotBeOpened) {
    const std::string missing = (dir / "work" / "nothing.dat").string();
    for (const auto& args :
         std::vector<std::vector<std::string>>{{"verify", "nothing.dat"},
                                               {"decrypt", "nothing.dat", "out.txt"},
                                               {"encrypt", "nothing.dat", "out.dat"}}) {
        Result r = Run(args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, CannotOpenMessage(missing, ENOENT) + "\n");
    }
    EXPECT_EQ(WorkFiles(), std::set<std::string>{});

    // A target that cannot be created: no file appears and the old one stays.
    WriteFile(W("plain.txt"), kPlain);
    Result r = Run({"encrypt", "plain.txt", "no-folder/x.dat"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              CannotCreateMessage((dir / "work" / "no-folder" / "x.dat").string(), ENOENT) + "\n");
}

TEST_F(BrandToolTest, UsageAndHelp) {
    Result r = Run({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* line : {"encrypt PLAIN DAT", "decrypt DAT PLAIN", "verify DAT",
                             "\"-\" stands for standard input or output"}) {
        EXPECT_NE(r.out.find(line), std::string::npos) << line;
    }
    r = Run({});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Usage"), std::string::npos);
    r = Run({"encrypt", "only-one"});
    EXPECT_EQ(r.status, 2);
    r = Run({"scramble", "a", "b"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("unknown command"), std::string::npos);
}

}  // namespace
}  // namespace varnolt
