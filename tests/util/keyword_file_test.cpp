#include "util/KeywordFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/Files.h"
#include "support/TempFolder.h"
#include "util/FileError.h"

namespace varnolt {
namespace {

using Lines = std::vector<std::string_view>;

TEST(KeywordLines, BreaksAndTheFinalEmptyLine) {
    EXPECT_EQ(KeywordLines(""), Lines{});
    EXPECT_EQ(KeywordLines("book"), Lines{"book"});
    EXPECT_EQ(KeywordLines("book\r\n"), Lines{"book"});
    EXPECT_EQ(KeywordLines("\r\n"), Lines{""});
    EXPECT_EQ(KeywordLines("\r\n\r\n"), (Lines{"", ""}));
    EXPECT_EQ(KeywordLines("a\r\n\r\n"), (Lines{"a", ""}));
    EXPECT_EQ(KeywordLines("  \r\n"), Lines{"  "});
    EXPECT_EQ(KeywordLines("a\rb\nc\r\nd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(KeywordLines("a\n\rb"), (Lines{"a", "", "b"}));  // LF CR is two breaks
    EXPECT_EQ(KeywordLines("a\r\r\nb"), (Lines{"a", "", "b"}));
    // Lines are taken unchanged: case, spaces and duplicates stay.
    EXPECT_EQ(KeywordLines(" New York \r\n New York \r\n"), (Lines{" New York ", " New York "}));
}

TEST(KeywordLines, CharactersOutsideAsciiNeverBreakALine) {
    EXPECT_EQ(KeywordLines("stra\xC3\x9F"
                           "e\r\n\xE6\x97\xA5\xE6\x9C\xAC"),
              (Lines{"stra\xC3\x9F"
                     "e",
                     "\xE6\x97\xA5\xE6\x9C\xAC"}));
    // NEL, LINE SEPARATOR and the Windows-1252 byte 0x85 are not line breaks.
    EXPECT_EQ(KeywordLines("a\xC2\x85"
                           "b\xE2\x80\xA8"
                           "c\x85"
                           "d")
                  .size(),
              1u);
}

TEST(ToLf, EveryBreakBecomesLf) {
    EXPECT_EQ(ToLf(""), "");
    EXPECT_EQ(ToLf("a\r\nb\rc\nd\r"), "a\nb\nc\nd\n");
    EXPECT_EQ(ToLf("\r\r\n\n"), "\n\n\n");
}

TEST(ToCrLf, EveryBreakBecomesCrLf) {
    EXPECT_EQ(ToCrLf(""), "");
    EXPECT_EQ(ToCrLf("a"), "a");
    EXPECT_EQ(ToCrLf("a\nb\rc\r\nd\n"), "a\r\nb\r\nc\r\nd\r\n");
    EXPECT_EQ(ToCrLf("\n\r"), "\r\n\r\n");
    EXPECT_EQ(ToCrLf("\r\r\n\n"), "\r\n\r\n\r\n");
    EXPECT_EQ(ToCrLf("x\r"), "x\r\n");
}

class KeywordFileTest : public testing::Test {
protected:
    std::string Path(const std::string& name) const { return folder_.File(name); }
    std::string Write(const std::string& name, const std::string& bytes) const {
        test::WriteFile(Path(name), bytes);
        return Path(name);
    }
    static std::string Read(const std::string& path) { return test::ReadFile(path); }
    template <class F>
    static std::string ErrorOf(F&& f) {
        try {
            f();
        } catch (const FileError& e) {
            return e.what();
        }
        return "no error";
    }

    test::TempFolder folder_{"kwfile"};
    const std::string dir_ = folder_.folder();
};

// A keyword list read for its lines has the lines of the loaded text, and a
// moved list (a short text lives in the string itself) still points at them.
TEST_F(KeywordFileTest, ListHasTheLinesOfTheLoadedText) {
    const std::string files[] = {"a\r\nb\nc\rd\n\re",
                                 "\xEF\xBB\xBF"
                                 "book\r\n",
                                 "caf\xE9\n\xC3\xA9", "", std::string(5000, 'x') + "\r\n\r\ny"};
    for (std::size_t i = 0; i < std::size(files); ++i) {
        const std::string path = Write("l" + std::to_string(i) + ".txt", files[i]);
        const std::string loaded = LoadKeywordFile(path);
        KeywordList list = ReadKeywordListFile(path);
        EXPECT_EQ(list.Empty(), loaded.empty());
        EXPECT_EQ(list.Lines(), KeywordLines(loaded)) << i;
        const KeywordList moved(std::move(list));
        EXPECT_EQ(moved.Lines(), KeywordLines(loaded)) << i;
    }
}

TEST_F(KeywordFileTest, LoadTurnsEveryBreakIntoCrLf) {
    EXPECT_EQ(LoadKeywordFile(Write("lf.txt", "book\nnew york\n")), "book\r\nnew york\r\n");
    EXPECT_EQ(LoadKeywordFile(Write("cr.txt", "book\rnew york")), "book\r\nnew york");
    EXPECT_EQ(LoadKeywordFile(Write("mix.txt", "a\r\nb\nc\rd\n\re")), "a\r\nb\r\nc\r\nd\r\n\r\ne");
    EXPECT_EQ(LoadKeywordFile(Write("empty.txt", "")), "");
    // With or without a final break, the same lines.
    EXPECT_EQ(KeywordLines(LoadKeywordFile(Write("t1.txt", "a\nb"))),
              KeywordLines(LoadKeywordFile(Write("t2.txt", "a\nb\n"))));
}

TEST_F(KeywordFileTest, LoadDecodesUtf8AndWindows1252) {
    // UTF-8 as is, the mark dropped.
    EXPECT_EQ(LoadKeywordFile(Write("u8.txt",
                                    "caf\xC3\xA9\nstra\xC3\x9F"
                                    "e")),
              "caf\xC3\xA9\r\nstra\xC3\x9F"
              "e");
    EXPECT_EQ(LoadKeywordFile(Write("bom.txt",
                                    "\xEF\xBB\xBF"
                                    "book\r\n")),
              "book\r\n");
    EXPECT_EQ(LoadKeywordFile(Write("bomonly.txt", "\xEF\xBB\xBF")), "");
    // A list made on Windows: not UTF-8, so Windows-1252.
    EXPECT_EQ(LoadKeywordFile(Write("w.txt",
                                    "Caf\xE9\r\n\x93"
                                    "deal\x94 \x80"
                                    "5\r\n")),
              "Caf\xC3\xA9\r\n\xE2\x80\x9C"
              "deal\xE2\x80\x9D \xE2\x82\xAC"
              "5\r\n");
    // One stray byte anywhere makes the whole file Windows-1252.
    EXPECT_EQ(LoadKeywordFile(Write("w2.txt", "\xC3\xA9\n\xE9")), "\xC3\x83\xC2\xA9\r\n\xC3\xA9");
    // A mark followed by bytes that are not UTF-8: the mark still goes.
    EXPECT_EQ(LoadKeywordFile(Write("w3.txt",
                                    "\xEF\xBB\xBF"
                                    "Caf\xE9")),
              "Caf\xC3\xA9");
}

TEST_F(KeywordFileTest, SaveWritesTextUnchanged) {
    const std::string path = Path("out.txt");
    SaveKeywordFile(path, "");
    EXPECT_EQ(Read(path), "");
    SaveKeywordFile(path, "caf\xC3\xA9\r\nbook\r\n");
    EXPECT_EQ(Read(path), "caf\xC3\xA9\r\nbook\r\n");  // no mark, no conversion
    SaveKeywordFile(path, "x");                        // a shorter text replaces the longer file
    EXPECT_EQ(Read(path), "x");
}

TEST_F(KeywordFileTest, SavedOutputLoadsAsTheSameLines) {
    const std::string text = "book\r\n\r\n  spaced  \r\n[exact]\r\n\xE6\x97\xA5\xE6\x9C\xAC\r\n";
    const std::string path = Path("round.txt");
    SaveKeywordFile(path, text);
    const std::string loaded = LoadKeywordFile(path);
    EXPECT_EQ(loaded, text);
    EXPECT_EQ(KeywordLines(loaded),
              (Lines{"book", "", "  spaced  ", "[exact]", "\xE6\x97\xA5\xE6\x9C\xAC"}));
}

TEST_F(KeywordFileTest, ErrorMessages) {
    const std::string missing = Path("missing.txt");
    EXPECT_EQ(ErrorOf([&] { LoadKeywordFile(missing); }),
              "Cannot open file \"" + missing + "\". No such file or directory");
    EXPECT_EQ(ErrorOf([&] { LoadKeywordFile(dir_); }),
              "Cannot open file \"" + dir_ + "\". Is a directory");
    const std::string nodir = Path("no/such/dir.txt");
    EXPECT_EQ(ErrorOf([&] { SaveKeywordFile(nodir, "x"); }),
              "Cannot create file \"" + nodir + "\". No such file or directory");
    EXPECT_EQ(ErrorOf([&] { SaveKeywordFile(dir_, "x"); }),
              "Cannot create file \"" + dir_ + "\". Is a directory");
    // A full disk is reported, not taken for success. The writer is handed a
    // link in the test folder, never the device itself.
    const std::string full = Path("full");
    std::filesystem::create_symlink("/dev/full", full);
    EXPECT_EQ(ErrorOf([&] { SaveKeywordFile(full, "x"); }),
              "Cannot write file \"" + full + "\". No space left on device");
}

// Read a piece at a time, a file gives the lines of the whole read, with
// line breaks, byte-order marks and UTF-8 sequences cut at every place a
// piece can end, and Windows-1252 found before or after other non-ASCII text.
TEST_F(KeywordFileTest, ReadInPiecesGivesTheLinesOfTheWholeRead) {
    const std::string files[] = {"a\r\nb\nc\rd\n\re",
                                 "ab\r\ncd\r\r\n\n\r",
                                 "\xEF\xBB\xBF"
                                 "book\r\n",
                                 "\xEF\xBB\xBF",
                                 "",
                                 "\xEF\xBB",
                                 "caf\xE9\nna\xC3\xAFve",
                                 "na\xC3\xAFve\r\nx\r\ncaf\xE9\r\n",
                                 "\xC3\r\n\xA9",
                                 std::string(5000, 'x') + "\r\n\r\ny"};
    for (std::size_t i = 0; i < std::size(files); ++i) {
        const std::string path = Write("p" + std::to_string(i) + ".txt", files[i]);
        const KeywordList whole = ReadKeywordListFile(path);
        std::vector<std::string> want(whole.Lines().begin(), whole.Lines().end());
        for (std::size_t piece : {1, 2, 3, 7, 64, 1 << 18}) {
            std::vector<std::string> got;
            const int fd = open(path.c_str(), O_RDONLY);
            ASSERT_GE(fd, 0);
            const bool any = ForEachKeywordLines(
                fd, path,
                [&](std::span<const std::string_view> lines) {
                    got.insert(got.end(), lines.begin(), lines.end());
                },
                [&] { got.clear(); }, piece);
            close(fd);
            EXPECT_EQ(any, !whole.Empty()) << i << " " << piece;
            EXPECT_EQ(got, want) << i << " " << piece;
        }
    }
    // A pipe is read whole, by the same rules.
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const std::string bytes = files[7];
    ASSERT_EQ(write(fds[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(fds[1]);
    std::vector<std::string> got;
    EXPECT_TRUE(ForEachKeywordLines(
        fds[0], "pipe",
        [&](std::span<const std::string_view> lines) {
            got.insert(got.end(), lines.begin(), lines.end());
        },
        [&] { got.clear(); }));
    close(fds[0]);
    EXPECT_EQ(got, (std::vector<std::string>{"na\xC3\x83\xC2\xAFve", "x", "caf\xC3\xA9"}));
}

TEST_F(KeywordFileTest, TooLargeFileIsRefused) {
    // A sparse file one byte over the limit: refused before anything is read.
    const std::string big = Path("big.txt");
    int fd = open(big.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, static_cast<off_t>(kMaxKeywordFileBytes + 1)), 0);
    close(fd);
    EXPECT_EQ(ErrorOf([&] { LoadKeywordFile(big); }), "Text exceeds memo capacity");
}

TEST_F(KeywordFileTest, LoadFromDescriptor) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const std::string bytes =
        "\xEF\xBB\xBF"
        "a\nb";
    ASSERT_EQ(write(fds[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(fds[1]);
    EXPECT_EQ(LoadKeywordFd(fds[0], "pipe"), "a\r\nb");
    close(fds[0]);
}

}  // namespace
}  // namespace varnolt
