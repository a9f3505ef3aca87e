// The update check: download of the description file, reading it, and the
// version comparison.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>

#include "news/LiveUpdate.h"
#include "news/LocalServer.h"
#include "news/NewsMessages.h"
#include "support/Files.h"
#include "support/TempFolder.h"
#include "util/FileTestUtil.h"

namespace varnolt {
namespace {

namespace fs = std::filesystem;
using test::HttpRequest;
using test::HttpResponse;
using test::LocalServer;

class LiveUpdateTest : public ::testing::Test {
protected:
    void Serve(std::string body, int status = 200) {
        std::lock_guard<std::mutex> lock(mutex_);
        body_ = std::move(body);
        status_ = status;
    }
    std::string UpdateUrl() const { return server_.Url("/liveupdate/varnolt/"); }
    std::string InfoPath() const { return folder_ + "mainappupdate.inf"; }
    static std::string Read(const std::string& path) { return test::ReadFile(path); }
    static void Write(const std::string& path, const std::string& text) {
        test::WriteFile(path, text);
    }

    test::TempFolder temp_{"update"};
    const std::string folder_ = temp_.path();
    std::mutex mutex_;
    std::string body_;
    int status_ = 200;
    LocalServer server_{[this](const HttpRequest& req) {
        std::lock_guard<std::mutex> lock(mutex_);
        HttpResponse res;
        if (req.target != "/liveupdate/varnolt/mainappupdate.inf" || req.method != "GET" ||
            req.version != "HTTP/1.0" ||
            req.Header("User-Agent") != "Mozilla/4.0 (compatible; MSIE 5.5; Windows NT 4.0)" ||
            req.Header("Accept") != "text/html, */*") {
            res.status = 400;
            return res;
        }
        res.status = status_;
        res.body = body_;
        return res;
    }};
    HttpClient http_;
};

TEST_F(LiveUpdateTest, DownloadWritesTheFileAndReplacesAnOldOne) {
    Write(InfoPath(), "old and longer content");
    Serve("[APPLICATION]\r\nVersion=2.1\r\n");
    int pumped = 0;
    http_.SetPump([&] { ++pumped; });
    EXPECT_TRUE(DownloadFile(http_, UpdateUrl() + "mainappupdate.inf", InfoPath()));
    EXPECT_EQ(Read(InfoPath()), "[APPLICATION]\r\nVersion=2.1\r\n");
    EXPECT_GE(pumped, 1);
}

TEST_F(LiveUpdateTest, FailedDownloadLeavesNoFile) {
    Write(InfoPath(), "[APPLICATION]\r\nVersion=9\r\n");
    Serve("not here", 404);
    EXPECT_FALSE(DownloadFile(http_, UpdateUrl() + "mainappupdate.inf", InfoPath()));
    EXPECT_FALSE(fs::exists(InfoPath()));

    Serve(std::string(kMaxUpdateInfo + 1, ';'));
    EXPECT_FALSE(DownloadFile(http_, UpdateUrl() + "mainappupdate.inf", InfoPath()));
    EXPECT_FALSE(fs::exists(InfoPath()));
    Serve(std::string(kMaxUpdateInfo, ';'));
    EXPECT_TRUE(DownloadFile(http_, UpdateUrl() + "mainappupdate.inf", InfoPath()));
    EXPECT_EQ(fs::file_size(InfoPath()), kMaxUpdateInfo);
}

// A program folder that cannot be written (an installed copy) still gets
// its updates offered: the description goes to the user's cache folder. A
// writable folder keeps it beside the program, as before.
TEST_F(LiveUpdateTest, AReadOnlyProgramFolderUsesTheCacheFolder) {
    Serve("[APPLICATION]\r\nVersion=3.0\r\n");
    const std::string cacheHome = folder_ + "cache";
    const char* old = std::getenv("XDG_CACHE_HOME");
    const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
    setenv("XDG_CACHE_HOME", cacheHome.c_str(), 1);
    const std::string cached = cacheHome + "/varnolt/mainappupdate.inf";

    UpdateCheck check = CheckUpdateAvailable(http_, UpdateUrl(), folder_);
    EXPECT_TRUE(check.available);
    EXPECT_TRUE(fs::exists(InfoPath()));
    EXPECT_FALSE(fs::exists(cached));

    const std::string program = folder_ + "program/";
    fs::create_directory(program);
    const bool locked = test::LockFolder(program, true);
    if (locked) {
        check = CheckUpdateAvailable(http_, UpdateUrl(), program);
        test::LockFolder(program, false);
        EXPECT_TRUE(check.available);
        EXPECT_EQ(check.versionText, "3.0");
        EXPECT_EQ(Read(cached), "[APPLICATION]\r\nVersion=3.0\r\n");
        EXPECT_TRUE(fs::is_empty(program));
    }
    // A folder that does not exist counts the same; with no cache folder
    // either, no request is made and no update offered.
    fs::remove(cached);
    EXPECT_TRUE(CheckUpdateAvailable(http_, UpdateUrl(), folder_ + "missing/").available);
    EXPECT_TRUE(fs::exists(cached));
    const std::size_t requests = server_.Requests().size();
    setenv("XDG_CACHE_HOME", (InfoPath() + "/under-a-file").c_str(), 1);
    EXPECT_FALSE(CheckUpdateAvailable(http_, UpdateUrl(), folder_ + "missing/").available);
    EXPECT_EQ(server_.Requests().size(), requests);
    if (saved)
        setenv("XDG_CACHE_HOME", saved->c_str(), 1);
    else
        unsetenv("XDG_CACHE_HOME");
    if (!locked)
        GTEST_SKIP() << "cannot make a folder read-only here";
}

TEST_F(LiveUpdateTest, OffersOnlyAGreaterVersion) {
    struct Case {
        std::string file;
        bool available;
        std::string text;
    };
    const Case cases[] = {
        {"[APPLICATION]\r\nName=Varnolt\r\nVersion=2.0\r\n", false, "2.0"},
        {"[APPLICATION]\r\nVersion=2.01\r\n", true, "2.01"},
        {"[APPLICATION]\r\nVersion=1.9\r\n", false, "1.9"},
        {"[APPLICATION]\r\nVersion=abc\r\n", false, "abc"},
        {"[APPLICATION]\r\nName=Varnolt\r\n", false, ""},
        {"[APPLICATION]\r\nVersion=2,1\r\n", false, "2,1"},
        {"[APPLICATION]\r\nVersion=inf\r\n", false, "inf"},
        {"[APPLICATION]\r\nVersion=nan\r\n", false, "nan"},
        {"[OTHER]\r\nVersion=5\r\n[APPLICATION]\r\nVersion=2\r\n", false, "2"},
        {"; comment\n[application]\nversion = 2.5 \n", true, "2.5"},
        {"\xEF\xBB\xBF[Application]\r\nVERSION=\"3\"\r\n", true, "3"},
        {"Version=9\r\n", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Serve(c.file);
        const UpdateCheck check = CheckUpdateAvailable(http_, UpdateUrl(), folder_);
        EXPECT_EQ(check.available, c.available);
        EXPECT_EQ(check.versionText, c.text);
        EXPECT_EQ(Read(InfoPath()), c.file);  // the file stays after the check
    }

    Serve("[APPLICATION]\r\nVersion=3\r\n", 404);
    const UpdateCheck missing = CheckUpdateAvailable(http_, UpdateUrl(), folder_);
    EXPECT_FALSE(missing.available);
    EXPECT_FALSE(fs::exists(InfoPath()));
}

TEST_F(LiveUpdateTest, UpdaterIsLookedForInTheProgramFolder) {
    EXPECT_FALSE(UpdaterExists(folder_));
    fs::create_directory(folder_ + "Updater.exe");  // a folder is not the program
    EXPECT_FALSE(UpdaterExists(folder_));
    fs::remove(folder_ + "Updater.exe");
    Write(folder_ + "Updater.exe", "#!/bin/sh\n");
    EXPECT_TRUE(UpdaterExists(folder_));
    EXPECT_EQ(UpdaterPath(folder_), folder_ + "Updater.exe");
}

TEST(VersionNumber, ReadsAPointWhateverTheLocale) {
    EXPECT_FLOAT_EQ(VersionNumber("2.01"), 2.01f);
    EXPECT_FLOAT_EQ(VersionNumber(" 2.5 "), 2.5f);
    EXPECT_EQ(VersionNumber("1e40"), 0.0f);
    EXPECT_EQ(VersionNumber(""), 0.0f);
    EXPECT_EQ(VersionNumber("2.1x"), 0.0f);
    // The file's number is a 32-bit float: 2.00000001 is 2 and offers nothing.
    EXPECT_FALSE(IsNewerVersion("2.00000001", "2.0"));
    EXPECT_TRUE(IsNewerVersion("2.0001", "2.0"));

    const char* locales[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE"};
    const char* chosen = nullptr;
    for (const char* name : locales) {
        if (std::setlocale(LC_ALL, name) != nullptr) {
            chosen = name;
            break;
        }
    }
    if (chosen == nullptr)
        GTEST_SKIP() << "no locale with a decimal comma installed";
    EXPECT_TRUE(IsNewerVersion("2.1", "2.0"));
    EXPECT_FALSE(IsNewerVersion("2.0", "2.0"));
    EXPECT_FLOAT_EQ(VersionNumber("2.1"), 2.1f);
    std::setlocale(LC_ALL, "C");
}

TEST(VersionNumber, NeverReadsPastTheEndOfTheText) {
    // Each text ends right where an unreadable page begins, so a read of the
    // byte after it stops the test.
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    char* area = static_cast<char*>(
        mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(area, MAP_FAILED);
    ASSERT_EQ(mprotect(area + page, page, PROT_NONE), 0);
    auto atEnd = [&](std::string_view text) {
        char* at = area + page - text.size();
        std::memcpy(at, text.data(), text.size());
        return std::string_view(at, text.size());
    };
    struct Case {
        std::string_view text;
        float number;     // VersionNumber
        bool newerThan2;  // offered against the program's 2.0
        bool newerAsApp;  // 2.1 offered to a program of this version
    };
    const Case cases[] = {
        {"-", 0, false, true},        {"inf", 0, false, true},    {"nan", 0, false, true},
        {"infinity", 0, false, true}, {"nan(1)", 0, false, true}, {"1e", 0, false, true},
        {"2.5", 2.5f, true, false},   {"+3", 3, true, false},     {" 1e1 ", 10, true, false},
        {"2", 2, false, true},        {"", 0, false, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(VersionNumber(atEnd(c.text)), c.number) << c.text;
        EXPECT_EQ(IsNewerVersion(atEnd(c.text), "2.0"), c.newerThan2) << c.text;
        EXPECT_EQ(IsNewerVersion("2.1", atEnd(c.text)), c.newerAsApp) << c.text;
    }
    munmap(area, 2 * page);
}

TEST(UpdateTexts, QuestionsAndUpdaterStart) {
    EXPECT_EQ(NewUpdateQuestion("2.1"),
              "There is a new update: (version 2.1) available for your application!. Do you "
              "want download this update now?");
    EXPECT_EQ(std::string(kMsgUpdateWillClose),
              "To update your software the application will close to\n\rreplace some files. Do "
              "you want to update now?");
    EXPECT_EQ(UpdaterPath("/opt/varnolt/"), "/opt/varnolt/Updater.exe");
    EXPECT_EQ(UpdaterArguments("http://u.example/liveupdate/varnolt/"),
              (std::vector<std::string>{"http://u.example/liveupdate/varnolt/", "2.0", "A"}));
}

}  // namespace
}  // namespace varnolt
