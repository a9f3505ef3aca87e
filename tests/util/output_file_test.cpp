// The file layer: every kind of output target, failed writes and killed
// writers, with unnamed (O_TMPFILE) and with named temporaries.
#include "util/OutputFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <set>
#include <string>

#include "util/FileError.h"
#include "util/FileTestUtil.h"
#include "util/KeywordFile.h"

namespace varnolt {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::ScratchFolder;
using test::WriteBytes;

// Hidden names in the folder: what a write could leave behind.
std::set<std::string> Hidden(const ScratchFolder& dir) {
    std::set<std::string> names;
    for (const std::string& name : dir.Names())
        if (name[0] == '.')
            names.insert(name);
    return names;
}

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

ino_t InodeOf(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// Everything a descriptor opened without blocking holds now.
std::string Drain(int fd) {
    std::string got;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0)
        got.append(buf, static_cast<std::size_t>(n));
    return got;
}

// Each test runs once with unnamed temporaries and once with named ones.
class OutputFileTest : public testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        UseUnnamedTemporaries(GetParam());
        oldMask_ = ::umask(027);
    }
    void TearDown() override {
        UseUnnamedTemporaries(true);
        ::umask(oldMask_);
    }
    mode_t oldMask_ = 0;
};

TEST_P(OutputFileTest, EveryKindOfTarget) {
    const std::string bytes = "new bytes";
    struct Case {
        const char* name;
        bool inPlace;
        // Makes the target in `dir` and returns the path to write.
        std::function<std::string(ScratchFolder& dir, int& reader)> make;
        // Checks what `dir` holds afterwards; `got` is what the target received.
        std::function<void(ScratchFolder& dir, const std::string& got)> check;
    };
    ino_t oldInode = 0;
    int pipeEnd = -1;
    const Case cases[] = {
        {"a new file takes 0666 less the umask", false,
         [](ScratchFolder& dir, int&) { return dir / "new.txt"; },
         [](ScratchFolder& dir, const std::string&) { EXPECT_EQ(ModeOf(dir / "new.txt"), 0640u); }},
        {"a regular file is replaced whole and keeps its bits", false,
         [&](ScratchFolder& dir, int&) {
             WriteBytes(dir / "old.txt", "an older and much longer content");
             ::chmod((dir / "old.txt").c_str(), 0604);
             oldInode = InodeOf(dir / "old.txt");
             return dir / "old.txt";
         },
         [&](ScratchFolder& dir, const std::string&) {
             EXPECT_EQ(ModeOf(dir / "old.txt"), 0604u);
             EXPECT_NE(InodeOf(dir / "old.txt"), oldInode);  // renamed over, not truncated
         }},
        {"a link stays a link and its file is replaced", false,
         [](ScratchFolder& dir, int&) {
             WriteBytes(dir / "real.txt", "old");
             ::chmod((dir / "real.txt").c_str(), 0600);
             fs::create_symlink("real.txt", dir / "link.txt");
             return dir / "link.txt";
         },
         [](ScratchFolder& dir, const std::string&) {
             EXPECT_TRUE(fs::is_symlink(dir / "link.txt"));
             EXPECT_EQ(fs::read_symlink(dir / "link.txt"), "real.txt");
             EXPECT_EQ(ModeOf(dir / "real.txt"), 0600u);
         }},
        {"a chain of links ending nowhere creates the file it names", false,
         [](ScratchFolder& dir, int&) {
             fs::create_directory(dir / "sub");
             fs::create_symlink("../made.txt", dir / "sub/second");
             fs::create_symlink(dir / "sub/second", dir / "first");
             return dir / "first";
         },
         [](ScratchFolder& dir, const std::string&) {
             EXPECT_TRUE(fs::is_symlink(dir / "first"));
             EXPECT_TRUE(fs::is_symlink(dir / "sub/second"));
             EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir / "made.txt")));
         }},
        {"a FIFO is written in place", true,
         [](ScratchFolder& dir, int& reader) {
             EXPECT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
             reader = ::open((dir / "fifo").c_str(), O_RDONLY | O_NONBLOCK);
             return dir / "fifo";
         },
         [](ScratchFolder& dir, const std::string&) {
             EXPECT_TRUE(fs::is_fifo(fs::symlink_status(dir / "fifo")));
         }},
        {"a terminal behind a link is written in place", true,
         [](ScratchFolder& dir, int& reader) {
             reader = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
             if (reader < 0 || ::grantpt(reader) != 0 || ::unlockpt(reader) != 0)
                 return std::string();
             fs::create_symlink(::ptsname(reader), dir / "tty");
             return dir / "tty";
         },
         [](ScratchFolder& dir, const std::string&) {
             EXPECT_TRUE(fs::is_symlink(dir / "tty"));
             EXPECT_TRUE(fs::is_character_file(dir / "tty"));
         }},
        {"an open descriptor (as /dev/stdout names it) is written in place", true,
         [&](ScratchFolder& dir, int& reader) {
             int fds[2];
             EXPECT_EQ(::pipe2(fds, O_NONBLOCK | O_CLOEXEC), 0);
             reader = fds[0];
             pipeEnd = fds[1];
             fs::create_symlink("/proc/self/fd/" + std::to_string(fds[1]), dir / "out");
             return dir / "out";
         },
         [](ScratchFolder& dir, const std::string&) { EXPECT_TRUE(fs::is_symlink(dir / "out")); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder dir;
        int reader = -1;
        const std::string path = c.make(dir, reader);
        if (path.empty()) {
            ::close(reader);
            continue;  // no terminal here
        }
        std::string error;
        OutputFile out;
        ASSERT_TRUE(out.Open(path, "shown", &error)) << error;
        EXPECT_EQ(out.InPlace(), c.inPlace);
        EXPECT_EQ(WriteAll(out.Fd(), bytes.data(), bytes.size()), 0);
        ASSERT_TRUE(out.Commit(&error)) << error;
        if (pipeEnd >= 0)
            ::close(pipeEnd);  // the reader sees the end once both writers are gone
        pipeEnd = -1;
        const std::string got = reader >= 0 ? Drain(reader) : ReadBytes(path);
        EXPECT_EQ(got, bytes);
        c.check(dir, got);
        if (reader >= 0)
            ::close(reader);
        EXPECT_EQ(Hidden(dir), std::set<std::string>{});
    }
}

TEST_P(OutputFileTest, FailuresKeepTheOldFileWhole) {
    const std::string old = "the previous content\r\n";
    const std::string big(200000, 'k');
    struct Case {
        const char* name;
        const char* target;   // in the folder
        std::string message;  // the error text, up to its system part or whole
        bool sizeLimit = false;
    };
    const Case cases[] = {
        {"a file-size limit hit half-way", "list.txt",
         "Cannot write file \"shown\". File too large", true},
        {"a directory", "folder", CannotCreateMessage("shown", EISDIR)},
        {"a missing folder", "absent/list.txt", CannotCreateMessage("shown", ENOENT)},
        {"a read-only folder", "list.txt", "Cannot create file \"shown\". "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder dir;
        const std::string path = dir / c.target;
        fs::create_directory(dir / "folder");
        WriteBytes(dir / "list.txt", old);
        const bool locked = std::string(c.name) == "a read-only folder";
        if (locked && !test::LockFolder(dir.path(), true))
            continue;
        if (c.sizeLimit) {
            // The limit applies to a child; the file layer and keyword Save
            // both report the failed write.
            const pid_t pid = ::fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) {
                std::signal(SIGXFSZ, SIG_IGN);
                const rlimit limit{65536, 65536};
                ::setrlimit(RLIMIT_FSIZE, &limit);
                std::string error;
                int status = WriteWholeFile(path, big, "shown", &error) ? 10 : 0;
                if (error != c.message)
                    status = 11;
                try {
                    SaveKeywordFile(path, big);
                    status = 12;
                } catch (const FileError& e) {
                    if (std::string(e.what()) != CannotWriteMessage(path, EFBIG))
                        status = 13;
                }
                ::_exit(status);
            }
            int status = -1;
            ASSERT_EQ(::waitpid(pid, &status, 0), pid);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        } else {
            std::string error;
            EXPECT_FALSE(WriteWholeFile(path, big, "shown", &error));
            EXPECT_EQ(error.substr(0, c.message.size()), c.message);
            if (!locked) {
                EXPECT_EQ(error, c.message);
            }
        }
        // Written but never committed: dropped as well.
        {
            OutputFile out;
            if (out.Open(dir / "list.txt", "shown", nullptr)) {
                EXPECT_EQ(WriteAll(out.Fd(), big.data(), big.size()), 0);
            }
        }
        if (locked)
            test::LockFolder(dir.path(), false);
        EXPECT_EQ(ReadBytes(dir / "list.txt"), old);
        EXPECT_TRUE(fs::is_directory(dir / "folder"));
        EXPECT_EQ(Hidden(dir), std::set<std::string>{});
        EXPECT_EQ(dir.Names(), (std::set<std::string>{"folder", "list.txt"}));
    }
}

TEST_P(OutputFileTest, KilledWriterLeavesNoTemporaryForLong) {
    ScratchFolder dir;
    const std::string target = dir / "target.txt";
    ASSERT_TRUE(WriteWholeFile(target, "old", target, nullptr));
    // A stale temporary of this target; and names that only look alike.
    WriteBytes(dir / ".target.txt.Zz9Yy8", "stale");
    const std::set<std::string> alike = {".target.txt.bak", ".target.txt.Zz9Y-8",
                                         ".other.txt.Zz9Yy8", ".target.txt.Zz9Yy8x"};
    for (const std::string& name : alike)
        WriteBytes(dir / name, "keep");

    // A writer killed half-way through.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        OutputFile out;
        if (!out.Open(target, target, nullptr))
            ::_exit(1);
        const std::string half(100000, 'h');
        WriteAll(out.Fd(), half.data(), half.size());
        ::write(ready[1], "x", 1);
        ::pause();
        ::_exit(2);
    }
    char c;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ::close(ready[0]);
    ::close(ready[1]);

    // Another write while it works: the stale temporary goes, the one in use
    // stays, the look-alikes stay.
    std::set<std::string> expected = alike;
    std::set<std::string> inUse;
    for (const std::string& name : Hidden(dir))
        if (name != ".target.txt.Zz9Yy8" && !alike.count(name))
            inUse.insert(name);
    EXPECT_EQ(inUse.size(), GetParam() ? 0u : 1u);
    std::string error;
    ASSERT_TRUE(WriteWholeFile(target, "second", target, &error)) << error;
    expected.insert(inUse.begin(), inUse.end());
    EXPECT_EQ(Hidden(dir), expected);
    EXPECT_EQ(ReadBytes(target), "second");

    ::kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(ReadBytes(target), "second");
    // An unnamed temporary died with its writer; a named one goes at the next write.
    EXPECT_EQ(Hidden(dir), expected);
    ASSERT_TRUE(WriteWholeFile(target, "third", target, &error)) << error;
    EXPECT_EQ(Hidden(dir), alike);
    EXPECT_EQ(ReadBytes(target), "third");
}

INSTANTIATE_TEST_SUITE_P(Temporaries, OutputFileTest, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? "Unnamed" : "Named";
                         });

}  // namespace
}  // namespace varnolt
