// The settings-file routines on disk: DecryptFile, EncryptFile and the
// in-memory forms, with the crash safety of the encrypted file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <set>
#include <string>

#include "CryptoTestUtil.h"
#include "crypto/AesLib.h"
#include "support/Files.h"
#include "support/TempFolder.h"
#include "util/FileError.h"

namespace varnolt {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

std::set<std::string> Names(const fs::path& folder) {
    return test::FolderNames(folder);
}

class SettingsFileTest : public ::testing::Test {
protected:
    test::TempFolder folder_{"crypto"};
    const fs::path dir = folder_.folder();
};

const std::string kPlain = "ApplicationName^Keyword Wizard\r\nBranderType^Platinum\r\n";

TEST_F(SettingsFileTest, EncryptThenDecryptFiles) {
    WriteFile(dir / "dbsettings.sim", kPlain);
    EncryptFile((dir / "dbsettings.sim").string(), (dir / "dbsettings.dat").string());
    const std::string file = ReadFile(dir / "dbsettings.dat");
    EXPECT_EQ(file.size(), kPlain.size() + 20);
    fs::remove(dir / "dbsettings.sim");
    DecryptFile((dir / "dbsettings.dat").string(), (dir / "dbsettings.sim").string());
    EXPECT_EQ(ReadFile(dir / "dbsettings.sim"), kPlain);
    // Nothing else is left in the folder.
    EXPECT_EQ(Names(dir), (std::set<std::string>{"dbsettings.dat", "dbsettings.sim"}));
    // Encrypting again replaces the file with a different one.
    EncryptFile((dir / "dbsettings.sim").string(), (dir / "dbsettings.dat").string());
    EXPECT_NE(ReadFile(dir / "dbsettings.dat"), file);
}

TEST_F(SettingsFileTest, DecryptFileWithWrongPasswordOrDamageLeavesWhatTheRulesSay) {
    // Encrypted under another password: the verifier (almost surely) differs
    // and the target exists, empty.
    TEncryption other("another password", 4096);
    TMemorySource source(kPlain);
    std::string foreign;
    TStringTarget target(foreign);
    ASSERT_TRUE(other.EncryptStream(source, target));
    WriteFile(dir / "foreign.dat", foreign);
    WriteFile(dir / "out.sim", "old contents");
    DecryptFile((dir / "foreign.dat").string(), (dir / "out.sim").string());
    EXPECT_EQ(ReadFile(dir / "out.sim"), "");

    // Too short to hold salt, verifier and tag.
    WriteFile(dir / "short.dat", "0123456789");
    DecryptFile((dir / "short.dat").string(), (dir / "short.sim").string());
    EXPECT_TRUE(fs::exists(dir / "short.sim"));
    EXPECT_EQ(ReadFile(dir / "short.sim"), "");

    // The routine itself reports nothing, the in-memory form does.
    std::string plain = "stale";
    std::string error;
    EXPECT_EQ(DecryptFileToMemory((dir / "foreign.dat").string(), plain, &error),
              DecryptResult::Damaged);
    EXPECT_EQ(plain, "");
    EXPECT_EQ(DecryptFileToMemory((dir / "short.dat").string(), plain), DecryptResult::Damaged);
}

TEST_F(SettingsFileTest, OpenAndCreateFailuresCarryTheMessages) {
    const std::string missing = (dir / "missing.dat").string();
    try {
        DecryptFile(missing, (dir / "x.sim").string());
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()), CannotOpenMessage(missing, ENOENT));
    }
    EXPECT_FALSE(fs::exists(dir / "x.sim"));  // the source is opened first

    WriteFile(dir / "good.dat", EncryptBytes(kPlain));
    const std::string badTarget = (dir / "no-folder" / "x.sim").string();
    try {
        DecryptFile((dir / "good.dat").string(), badTarget);
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()), CannotCreateMessage(badTarget, ENOENT));
    }

    std::string plain = "stale";
    std::string error;
    EXPECT_EQ(DecryptFileToMemory(missing, plain, &error), DecryptResult::CannotOpen);
    EXPECT_EQ(error, CannotOpenMessage(missing, ENOENT));
    EXPECT_EQ(plain, "");
    EXPECT_EQ(DecryptFileToMemory(dir.string(), plain, &error), DecryptResult::CannotOpen);

    // A relative path is shown expanded.
    const fs::path cwd = fs::current_path();
    fs::current_path(dir);
    try {
        DecryptFile("sub/../missing.dat", "y.sim");
        ADD_FAILURE() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()), CannotOpenMessage(missing, ENOENT));
    }
    fs::current_path(cwd);
}

TEST_F(SettingsFileTest, EncryptFileWithMissingSourceLeavesTheTarget) {
    const std::string target = (dir / "dbsettings.dat").string();
    WriteFile(target, "the old settings file");
    const std::string missing = (dir / "dbsettings.sim").string();
    try {
        EncryptFile(missing, target);
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()), CannotOpenMessage(missing, ENOENT));
    }
    EXPECT_EQ(ReadFile(target), "the old settings file");
    EXPECT_EQ(Names(dir), std::set<std::string>{"dbsettings.dat"});
}

TEST_F(SettingsFileTest, EncryptFileIntoAMissingFolderFailsCleanly) {
    WriteFile(dir / "plain.sim", kPlain);
    const std::string target = (dir / "absent" / "dbsettings.dat").string();
    try {
        EncryptFile((dir / "plain.sim").string(), target);
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()), CannotCreateMessage(target, ENOENT));
    }
    std::string error;
    EXPECT_FALSE(EncryptMemoryToFile(kPlain, target, &error));
    EXPECT_EQ(error, CannotCreateMessage(target, ENOENT));
    EXPECT_EQ(Names(dir), std::set<std::string>{"plain.sim"});
}

TEST_F(SettingsFileTest, EncryptOverADirectoryFailsAndLeavesNoTemporaryFile) {
    fs::create_directory(dir / "dbsettings.dat");
    std::string error;
    EXPECT_FALSE(EncryptMemoryToFile(kPlain, (dir / "dbsettings.dat").string(), &error));
    EXPECT_NE(error.find("Cannot create file"), std::string::npos) << error;
    EXPECT_TRUE(fs::is_directory(dir / "dbsettings.dat"));
    EXPECT_EQ(Names(dir), std::set<std::string>{"dbsettings.dat"});
}

TEST_F(SettingsFileTest, EncryptIntoAReadOnlyFolderKeepsTheOldFile) {
    const std::string target = (dir / "dbsettings.dat").string();
    WriteFile(target, "old");
    WriteFile(dir / "plain.sim", kPlain);
    if (!test::LockFolder(dir, true))
        GTEST_SKIP() << "cannot make a folder read-only here";
    std::string error;
    const bool written = EncryptMemoryToFile(kPlain, target, &error);
    std::string thrown;
    try {
        EncryptFile((dir / "plain.sim").string(), target);
    } catch (const FileError& e) {
        thrown = e.what();
    }
    test::LockFolder(dir, false);
    EXPECT_FALSE(written);
    EXPECT_EQ(error.rfind("Cannot create file \"" + target + "\". ", 0), 0u) << error;
    EXPECT_EQ(thrown, error);
    EXPECT_EQ(ReadFile(target), "old");
    EXPECT_EQ(Names(dir), (std::set<std::string>{"dbsettings.dat", "plain.sim"}));
}

// A write that fails half-way (here: the file size limit of the process)
// leaves the old file whole and no temporary file behind.
TEST_F(SettingsFileTest, FailedWriteKeepsTheOldFile) {
    const std::string target = (dir / "dbsettings.dat").string();
    const std::string old = EncryptBytes(kPlain);
    WriteFile(target, old);
    WriteFile(dir / "big.sim", test::Pattern(600000, 4));
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{300000, 300000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        int status = 0;
        try {
            EncryptFile((dir / "big.sim").string(), target);
            status = 10;  // must not succeed
        } catch (const FileError& e) {
            status = std::string(e.what()).find("Cannot write file") == 0 ? 0 : 11;
        }
        std::string error;
        if (EncryptMemoryToFile(test::Pattern(600000, 5), target, &error))
            status = 12;
        if (error.find("Cannot write file") != 0)
            status = 13;
        ::_exit(status);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadFile(target), old);
    EXPECT_EQ(Names(dir), (std::set<std::string>{"big.sim", "dbsettings.dat"}));
}

TEST_F(SettingsFileTest, MemoryFormsRoundTripAndKeepPermissions) {
    const std::string target = (dir / "dbsettings.dat").string();
    std::string error;
    ASSERT_TRUE(EncryptMemoryToFile(kPlain, target, &error)) << error;
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(EncryptMemoryToFile(kPlain + "LastNewsId^17\r\n", target, &error)) << error;
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    std::string plain;
    EXPECT_EQ(DecryptFileToMemory(target, plain, &error), DecryptResult::Ok);
    EXPECT_EQ(plain, kPlain + "LastNewsId^17\r\n");
    // The file written from memory is what DecryptFile reads.
    DecryptFile(target, (dir / "dbsettings.sim").string());
    EXPECT_EQ(ReadFile(dir / "dbsettings.sim"), plain);
    EXPECT_EQ(Names(dir), (std::set<std::string>{"dbsettings.dat", "dbsettings.sim"}));
    // A relative target in the current folder works too.
    const fs::path cwd = fs::current_path();
    fs::current_path(dir);
    EXPECT_TRUE(EncryptMemoryToFile("x", "relative.dat", &error)) << error;
    fs::current_path(cwd);
    EXPECT_EQ(DecryptFileToMemory((dir / "relative.dat").string(), plain), DecryptResult::Ok);
    EXPECT_EQ(plain, "x");
}

}  // namespace
}  // namespace varnolt
