// The settings file on disk: loading, the LastNewsId record, the banner file,
// and folders that cannot be written.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "brand/BrandFile.h"
#include "crypto/AesLib.h"
#include "support/Files.h"
#include "support/TempFolder.h"
#include "util/FileTestUtil.h"

namespace varnolt {
namespace {

using test::ReadFile;
using test::TempFolder;
using test::WriteFile;

std::string PlainOf(const std::string& path) {
    std::string plain;
    EXPECT_EQ(DecryptFileToMemory(path, plain), DecryptResult::Ok);
    return plain;
}

// While alive, no file of this process may grow beyond 0 bytes: every write
// fails as on a full disk, for root as well.
class NoFileWrites {
public:
    NoFileWrites() {
        getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit zero = saved_;
        zero.rlim_cur = 0;
        setrlimit(RLIMIT_FSIZE, &zero);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    }
    ~NoFileWrites() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit saved_{};
    void (*oldHandler_)(int) = nullptr;
};

TEST(LoadBrandFile, MissingDamagedAndGoodFiles) {
    TempFolder dir;
    EXPECT_FALSE(LoadBrandFile(dir.path(), 1).has_value());

    // A file that fails its authentication reads as all empty.
    std::string image = EncryptBytes("<%%ApplicationName%%>Shop<%%/ApplicationName%%>");
    image[image.size() / 2] ^= 1;
    WriteFile(dir.path() + "dbsettings.dat", image);
    auto damaged = LoadBrandFile(dir.path(), 1);
    ASSERT_TRUE(damaged.has_value());
    EXPECT_TRUE(damaged->damaged);
    EXPECT_EQ(damaged->settings.ApplicationName, "");

    ASSERT_TRUE(
        EncryptMemoryToFile("<%%ApplicationName%%>Shop<%%/ApplicationName%%>\r\n"
                            "<%%Welcome1%%><b>hi</b><%%/Welcome1%%>\r\n",
                            dir.path() + "dbsettings.dat"));
    auto good = LoadBrandFile(dir.path(), 1);
    ASSERT_TRUE(good.has_value());
    EXPECT_FALSE(good->damaged);
    EXPECT_EQ(good->settings.ApplicationName, "Shop");
    EXPECT_EQ(good->settings.WelcomeText, "<b>hi</b>");
    EXPECT_EQ(dir.Names(), std::set<std::string>{"dbsettings.dat"});  // no plain copy left behind
}

TEST(LoadBrandFile, ReadsWithoutWritingAnything) {
    TempFolder dir;
    ASSERT_TRUE(
        EncryptMemoryToFile("<%%ApplicationName%%>Shop<%%/ApplicationName%%>\r\n"
                            "<%%LastNewsId%%>12<%%/LastNewsId%%>\r\n",
                            dir.path() + "dbsettings.dat"));
    NoFileWrites guard;
    auto read = LoadBrandFile(dir.path(), 1);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->settings.ApplicationName, "Shop");
    EXPECT_EQ(ReadLastNewsId(dir.path()), "12");
}

TEST(LastNewsId, AppendedThenReplacedAndReadInAnyCase) {
    TempFolder dir;
    const std::string dat = dir.path() + "dbsettings.dat";
    EXPECT_EQ(ReadLastNewsId(dir.path()), "");
    EXPECT_FALSE(WriteLastNewsId(dir.path(), "5"));  // no settings file: nothing stored
    EXPECT_TRUE(dir.Names().empty());

    ASSERT_TRUE(EncryptMemoryToFile("<%%ApplicationName%%>Shop<%%/ApplicationName%%>\nlast", dat));
    EXPECT_EQ(ReadLastNewsId(dir.path()), "");
    ASSERT_TRUE(WriteLastNewsId(dir.path(), "5"));
    EXPECT_EQ(PlainOf(dat),
              "<%%ApplicationName%%>Shop<%%/ApplicationName%%>\r\nlast\r\n"
              "<%%LastNewsId%%>5<%%/LastNewsId%%>\r\n");
    ASSERT_TRUE(WriteLastNewsId(dir.path(), "9"));
    EXPECT_EQ(PlainOf(dat),
              "<%%ApplicationName%%>Shop<%%/ApplicationName%%>\r\nlast\r\n"
              "<%%LastNewsId%%>9<%%/LastNewsId%%>\r\n");
    EXPECT_EQ(ReadLastNewsId(dir.path()), "9");
    EXPECT_EQ(dir.Names(), std::set<std::string>{"dbsettings.dat"});

    // A record written in lower case is read, but not found for writing.
    ASSERT_TRUE(EncryptMemoryToFile("<%%lastnewsid%%>7<%%/lastnewsid%%>\r\n", dat));
    EXPECT_EQ(ReadLastNewsId(dir.path()), "7");
    ASSERT_TRUE(WriteLastNewsId(dir.path(), "8"));
    EXPECT_EQ(PlainOf(dat),
              "<%%lastnewsid%%>7<%%/lastnewsid%%>\r\n<%%LastNewsId%%>8<%%/LastNewsId%%>\r\n");
    EXPECT_EQ(ReadLastNewsId(dir.path()), "7");
}

TEST(LastNewsId, TextSharingTheLineIsKept) {
    TempFolder dir;
    const std::string dat = dir.path() + "dbsettings.dat";
    ASSERT_TRUE(EncryptMemoryToFile(
        "<%%AboutText%%>x<%%/AboutText%%> <%%LastNewsId%%>3<%%/lastnewsid%%> note\r\n"
        "<%%LastNewsId%%>4<%%/LastNewsId%%>\r\n",
        dat));
    ASSERT_TRUE(WriteLastNewsId(dir.path(), "10"));
    EXPECT_EQ(PlainOf(dat),
              "<%%AboutText%%>x<%%/AboutText%%> <%%LastNewsId%%>10<%%/LastNewsId%%> note\r\n"
              "<%%LastNewsId%%>4<%%/LastNewsId%%>\r\n");
    EXPECT_EQ(ReadLastNewsId(dir.path()), "10");
    EXPECT_EQ(ReadBrandText(PlainOf(dat), 0).settings.AboutText, "x");
}

TEST(LastNewsId, IdsThatWouldBreakTheRecordAreRefused) {
    TempFolder dir;
    const std::string dat = dir.path() + "dbsettings.dat";
    ASSERT_TRUE(EncryptMemoryToFile("<%%LastNewsId%%>1<%%/LastNewsId%%>\r\n", dat));
    const std::string before = ReadFile(dat);
    EXPECT_FALSE(WriteLastNewsId(dir.path(), "2\r\n<%%ApplicationName%%>x"));
    EXPECT_FALSE(WriteLastNewsId(dir.path(), "2<%%/LASTNEWSID%%>3"));
    EXPECT_FALSE(WriteLastNewsId(dir.path(), std::string("2\0", 2)));
    EXPECT_EQ(ReadFile(dat), before);
}

TEST(LastNewsId, FileThatFailsToDecryptIsNeverReplaced) {
    TempFolder dir;
    const std::string dat = dir.path() + "dbsettings.dat";
    std::string image = EncryptBytes("<%%LastNewsId%%>1<%%/LastNewsId%%>\r\n");
    image.back() ^= 0x40;  // a damaged tag
    WriteFile(dat, image);
    EXPECT_EQ(ReadLastNewsId(dir.path()), "");
    EXPECT_FALSE(WriteLastNewsId(dir.path(), "2"));
    EXPECT_EQ(ReadFile(dat), image);
    EXPECT_EQ(dir.Names(), std::set<std::string>{"dbsettings.dat"});

    WriteFile(dat, "short");
    EXPECT_FALSE(WriteLastNewsId(dir.path(), "2"));
    EXPECT_EQ(ReadFile(dat), "short");
}

TEST(LastNewsId, FailedWriteLeavesTheFileWhole) {
    TempFolder dir;
    const std::string dat = dir.path() + "dbsettings.dat";
    ASSERT_TRUE(
        EncryptMemoryToFile("<%%ApplicationName%%>Shop<%%/ApplicationName%%>\r\n"
                            "<%%LastNewsId%%>1<%%/LastNewsId%%>\r\n",
                            dat));
    const std::string before = ReadFile(dat);
    {
        NoFileWrites guard;  // as on a full disk
        EXPECT_FALSE(WriteLastNewsId(dir.path(), "2"));
    }
    EXPECT_EQ(ReadFile(dat), before);
    EXPECT_EQ(dir.Names(), std::set<std::string>{"dbsettings.dat"});
    EXPECT_EQ(ReadLastNewsId(dir.path()), "1");
}

TEST(LastNewsId, UnreachableProgramFolderStoresNothing) {
    TempFolder dir;
    WriteFile(dir.path() + "plainfile", "x");
    const std::string beyond = dir.path() + "plainfile/app/";
    EXPECT_FALSE(WriteLastNewsId(beyond, "2"));
    EXPECT_EQ(ReadLastNewsId(beyond), "");
    EXPECT_FALSE(LoadBrandFile(beyond, 0).has_value());
}

// A read-only program folder (an installed copy) keeps the id in the user's
// state folder, one file per program folder, read back first; a writable one
// stores it in the settings file as before and drops the kept copy.
TEST(LastNewsId, ReadOnlyProgramFolderKeepsTheIdInTheStateFolder) {
    TempFolder dir;
    TempFolder state;
    struct StateHome {
        explicit StateHome(const std::string& path) {
            if (const char* old = std::getenv("XDG_STATE_HOME"))
                saved = old;
            setenv("XDG_STATE_HOME", path.c_str(), 1);
        }
        ~StateHome() {
            if (saved)
                setenv("XDG_STATE_HOME", saved->c_str(), 1);
            else
                unsetenv("XDG_STATE_HOME");
        }
        std::optional<std::string> saved;
    } home(state.path() + "st");
    const std::string dat = dir.path() + "dbsettings.dat";
    ASSERT_TRUE(EncryptMemoryToFile("<%%ApplicationName%%>Shop<%%/ApplicationName%%>\r\n", dat));
    const std::string before = ReadFile(dat);
    const std::string kept = LastNewsIdStateFile(dir.path());
    EXPECT_EQ(kept.rfind(state.path() + "st/varnolt/lastnewsid-", 0), 0u) << kept;
    EXPECT_EQ(kept.size(), (state.path() + "st/varnolt/lastnewsid-").size() + 16);
    EXPECT_NE(LastNewsIdStateFile(dir.path() + "other/"), kept);

    if (!test::LockFolder(dir.path(), true)) {
        GTEST_SKIP() << "cannot make a folder read-only here";
    }
    auto read = LoadBrandFile(dir.path(), 0);
    EXPECT_TRUE(read && read->settings.ApplicationName == "Shop");
    EXPECT_EQ(ReadLastNewsId(dir.path()), "");
    EXPECT_TRUE(WriteLastNewsId(dir.path(), "7"));
    EXPECT_EQ(ReadLastNewsId(dir.path()), "7");
    EXPECT_TRUE(WriteLastNewsId(dir.path(), "12"));
    EXPECT_EQ(ReadLastNewsId(dir.path()), "12");
    EXPECT_EQ(ReadFile(kept), dir.path() + "\n12\n");
    EXPECT_EQ(ReadFile(dat), before);  // the settings file is untouched
    EXPECT_EQ(dir.Names(), std::set<std::string>{"dbsettings.dat"});
    // A kept id of another folder is never taken for this one's.
    WriteFile(kept, dir.path() + "x/\n99\n");
    EXPECT_EQ(ReadLastNewsId(dir.path()), "");
    WriteFile(kept, dir.path() + "\n12\n");
    test::LockFolder(dir.path(), false);

    // Writable again: the settings file takes the id and the kept copy goes.
    EXPECT_EQ(ReadLastNewsId(dir.path()), "12");
    EXPECT_TRUE(WriteLastNewsId(dir.path(), "13"));
    EXPECT_FALSE(std::filesystem::exists(kept));
    EXPECT_EQ(ReadLastNewsId(dir.path()), "13");
    std::string plain;
    ASSERT_EQ(DecryptFileToMemory(dat, plain), DecryptResult::Ok);
    EXPECT_NE(plain.find("<%%LastNewsId%%>13<%%/LastNewsId%%>"), std::string::npos);
}

TEST(FindBannerPicture, ReadsTheNumberedFileUnderItsOwnName) {
    TempFolder dir;
    BrandSettings s;
    s.BannerFile = "images\\promo.GIF";
    s.BannerNumber = 3;
    EXPECT_FALSE(FindBannerPicture(dir.path(), s).has_value());  // banner3.dat missing
    WriteFile(dir.path() + "banner3.dat", "GIF89a");
    auto picture = FindBannerPicture(dir.path(), s);
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->path, dir.path() + "banner3.dat");
    EXPECT_EQ(picture->format, "gif");
    EXPECT_EQ(dir.Names(), std::set<std::string>{"banner3.dat"});

    s.BannerFile = "promo.xyz";
    EXPECT_FALSE(FindBannerPicture(dir.path(), s).has_value());
    s.BannerFile = "";
    EXPECT_FALSE(FindBannerPicture(dir.path(), s).has_value());
}

}  // namespace
}  // namespace varnolt
