// Both tools write their outputs through the file layer: a link stays a link,
// a FIFO is written in place, a write that fails half-way keeps the old file,
// and "-" is standard output.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "keywords/Keywords.h"
#include "util/FileTestUtil.h"
#include "util/KeywordFile.h"

namespace varnolt {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::ScratchFolder;
using test::WriteBytes;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs a tool in `dir`/work with standard output and error in `dir`/io; a
// `fileLimit` above 0 is the child's file-size limit (with SIGXFSZ ignored,
// so that the write fails instead of killing it), a `memoryLimit` its
// address space. `whileRunning` runs in this process until the tool ends.
Outcome RunTool(const ScratchFolder& dir, std::vector<std::string> argv, rlim_t fileLimit = 0,
                const std::function<void(pid_t)>& whileRunning = nullptr, rlim_t memoryLimit = 0) {
    const std::string out = dir / "io/out";
    const std::string err = dir / "io/err";
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (o < 0 || e < 0 || ::dup2(o, 1) < 0 || ::dup2(e, 2) < 0 ||
            ::chdir((dir / "work").c_str()) != 0) {
            ::_exit(120);
        }
        if (fileLimit > 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{fileLimit, fileLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        if (memoryLimit > 0) {
            const rlimit limit{memoryLimit, memoryLimit};
            ::setrlimit(RLIMIT_AS, &limit);
        }
        std::vector<char*> args;
        for (std::string& a : argv)
            args.push_back(a.data());
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(121);
    }
    Outcome r;
    if (pid < 0)
        return r;
    if (whileRunning)
        whileRunning(pid);
    int status = 0;
    ::waitpid(pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = ReadBytes(out);
    r.err = ReadBytes(err);
    return r;
}

// Reads the FIFO behind `fd` (opened without blocking) until `pid` has ended.
std::string ReadFifoUntilExit(int fd, pid_t pid) {
    std::string got;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) {
            got.append(buf, static_cast<std::size_t>(n));
            continue;
        }
        siginfo_t info{};
        if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
            info.si_pid == pid) {
            ssize_t m;
            while ((m = ::read(fd, buf, sizeof buf)) > 0)
                got.append(buf, static_cast<std::size_t>(m));
            return got;
        }
        ::usleep(1000);
    }
}

std::string Keywords(int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += "keyword number " + std::to_string(i) + "\r\n";
    return text;
}

TEST(ToolOutput, EveryOutputGoesThroughTheFileLayer) {
    ScratchFolder inputs;
    fs::create_directory(inputs / "work");
    fs::create_directory(inputs / "io");
    // Inputs large enough to pass a 16 KiB file-size limit in every output.
    const std::string keywords = Keywords(3000);
    const std::string plain = "ApplicationName^Shop\r\n" + std::string(60000, 'p');
    std::string sheet;
    for (unsigned x = 1; sheet.size() < 60000;) {
        x = x * 1103515245u + 12345u;
        sheet += static_cast<char>(x >> 23);
    }
    WriteBytes(inputs / "work/in.txt", keywords);
    WriteBytes(inputs / "work/plain.sim", plain);
    WriteBytes(inputs / "work/style.qss", sheet);
    ASSERT_EQ(RunTool(inputs, {VARNOLT_BRAND_EXE, "encrypt", "plain.sim", "in.dat"}).status, 0);
    ASSERT_EQ(RunTool(inputs, {VARNOLT_BRAND_EXE, "pack-skin", "style.qss", "ref.skin"}).status, 0);
    const std::string skin = ReadBytes(inputs / "work/ref.skin");
    ASSERT_GT(skin.size(), 50000u);
    // The broad notation writes every keyword unchanged.
    const std::string& broad = keywords;
    // All typos of the keywords: many buffers, written beside the work.
    TextSink typoSink("\r\n");
    const KeywordList list{std::string(keywords)};
    GenerateTypos(list.Lines(), TypoKinds::All(), typoSink);
    const std::string typos = typoSink.Text();
    ASSERT_GT(typos.size(), std::size_t{4} << 20);

    struct Tool {
        const char* name;
        std::vector<std::string> argv;  // OUTPUT last
        // Whether `bytes` is what the tool should have written.
        std::function<bool(const ScratchFolder& dir, const std::string& bytes)> good;
    };
    const Tool tools[] = {
        {"varnolt-kw -o",
         {VARNOLT_KW_EXE, "adwords", "--broad", "in.txt", "-o"},
         [&](const ScratchFolder&, const std::string& bytes) { return bytes == broad; }},
        {"varnolt-kw typos -o",
         {VARNOLT_KW_EXE, "typos", "--all", "in.txt", "-o"},
         [&](const ScratchFolder&, const std::string& bytes) { return bytes == typos; }},
        {"varnolt-brand encrypt",
         {VARNOLT_BRAND_EXE, "encrypt", "plain.sim"},
         [&](const ScratchFolder& dir, const std::string& bytes) {
             WriteBytes(dir / "work/check.dat", bytes);
             return RunTool(dir, {VARNOLT_BRAND_EXE, "decrypt", "check.dat", "-"}).out == plain;
         }},
        {"varnolt-brand decrypt",
         {VARNOLT_BRAND_EXE, "decrypt", "in.dat"},
         [&](const ScratchFolder&, const std::string& bytes) { return bytes == plain; }},
        {"varnolt-brand pack-skin",
         {VARNOLT_BRAND_EXE, "pack-skin", "style.qss"},
         [&](const ScratchFolder&, const std::string& bytes) { return bytes == skin; }},
    };
    const std::string old = "the previous output\r\n";
    for (const Tool& tool : tools) {
        SCOPED_TRACE(tool.name);
        ScratchFolder dir;
        fs::create_directory(dir / "work");
        fs::create_directory(dir / "io");
        for (const char* input : {"in.txt", "plain.sim", "style.qss", "in.dat"})
            fs::copy_file(inputs / "work/" + input, dir / "work/" + input);
        auto argv = [&](const std::string& output) {
            std::vector<std::string> all = tool.argv;
            all.push_back(output);
            return all;
        };

        // A link: the file it names is replaced, with its bits; the link stays.
        WriteBytes(dir / "work/real.out", old);
        ::chmod((dir / "work/real.out").c_str(), 0604);
        fs::create_symlink("real.out", dir / "work/link.out");
        Outcome r = RunTool(dir, argv("link.out"));
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(fs::is_symlink(dir / "work/link.out"));
        EXPECT_TRUE(tool.good(dir, ReadBytes(dir / "work/real.out")));
        struct stat st {};
        ASSERT_EQ(::stat((dir / "work/real.out").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0604u);

        // A FIFO is written in place and stays a FIFO.
        ASSERT_EQ(::mkfifo((dir / "work/fifo").c_str(), 0600), 0);
        const int reader = ::open((dir / "work/fifo").c_str(), O_RDONLY | O_NONBLOCK);
        ASSERT_GE(reader, 0);
        std::string got;
        r = RunTool(dir, argv("fifo"), 0, [&](pid_t pid) { got = ReadFifoUntilExit(reader, pid); });
        ::close(reader);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(fs::is_fifo(fs::symlink_status(dir / "work/fifo")));
        EXPECT_TRUE(tool.good(dir, got)) << got.size();

        // A write that fails half-way leaves the old file byte for byte.
        WriteBytes(dir / "work/kept.out", old);
        const std::set<std::string> before = dir.Names("work");
        r = RunTool(dir, argv("kept.out"), 16384);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "Cannot write file \"" + (dir / "work/kept.out") + "\". File too large\n");
        EXPECT_EQ(ReadBytes(dir / "work/kept.out"), old);
        EXPECT_EQ(dir.Names("work"), before);

        // "-" is standard output, never a file of that name.
        r = RunTool(dir, argv("-"));
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(tool.good(dir, r.out));
        EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "work/-")));
    }
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
constexpr bool kSanitized = __has_feature(address_sanitizer);
#else
constexpr bool kSanitized = false;
#endif

// Out of memory half-way through a long list, varnolt-kw says so and fails,
// and the file named by -o keeps its old bytes, with nothing left beside it.
TEST(ToolOutput, RunningOutOfMemoryKeepsTheOldFile) {
    if (kSanitized)
        GTEST_SKIP() << "the address sanitizer needs more address space than the limit";
    ScratchFolder dir;
    fs::create_directory(dir / "work");
    fs::create_directory(dir / "io");
    WriteBytes(dir / "work/in.txt", Keywords(400000));
    const std::string old = "the previous output\r\n";
    for (const std::vector<std::string>& argv : std::vector<std::vector<std::string>>{
             {VARNOLT_KW_EXE, "typos", "--all", "--unique", "in.txt", "-o", "kept.out"},
             {VARNOLT_KW_EXE, "export", "--format", "google-ads", "--campaign", "C", "--ad-group",
              "G", "--exact", "--negative-phrase", "in.txt", "-o", "kept.out"}}) {
        SCOPED_TRACE(argv[1]);
        WriteBytes(dir / "work/kept.out", old);
        const std::set<std::string> before = dir.Names("work");
        const Outcome r = RunTool(dir, argv, 0, nullptr, rlim_t{24} << 20);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "Not enough memory to finish.\n");
        EXPECT_EQ(ReadBytes(dir / "work/kept.out"), old);
        EXPECT_EQ(dir.Names("work"), before);
    }
}

}  // namespace
}  // namespace varnolt
