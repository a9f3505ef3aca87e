#include "keywords/ui/KeywordWork.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "keywords/UniqueSink.h"
#include "util/FdGuard.h"
#include "util/FileError.h"
#include "util/KeywordFile.h"
#include "util/OutputFile.h"
#include "util/TextCodec.h"

namespace varnolt {

namespace {

constexpr std::size_t kPiece = std::size_t{1} << 20;
constexpr std::uint64_t kWritebackStep = std::uint64_t{8} << 20;

// Every CR LF and lone CR of `text` made LF, in place.
void CrToLf(std::string& text) {
    std::size_t out = text.find('\r');
    if (out == std::string::npos) {
        return;
    }
    const std::size_t n = text.size();
    for (std::size_t in = out; in < n; ++in) {
        const char c = text[in];
        if (c == '\r') {
            text[out++] = '\n';
            if (in + 1 < n && text[in + 1] == '\n') {
                ++in;
            }
        } else {
            text[out++] = c;
        }
    }
    text.resize(out);
}

// As many lines and bytes as the chosen kinds write for these keywords, or a
// little more: untouched reserved pages cost no memory, a short reserve costs
// copies.
struct Estimate {
    std::uint64_t bytes = 0;
    std::uint64_t lines = 0;
};
Estimate TyposAtMost(const std::vector<std::string_view>& keywords, const TypoKinds& kinds) {
    std::uint64_t linesPerChar = 0;
    const auto rows = TypoKindTable();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (kinds.Has(i)) {
            // A keyboard kind writes up to seven lines a letter, vowel swap
            // four, the others one.
            const std::string_view o = rows[i].option;
            linesPerChar += o.find("keys") != std::string_view::npos    ? 7
                            : o.find("vowel") != std::string_view::npos ? 4
                                                                        : 1;
        }
    }
    Estimate e;
    for (std::string_view kw : keywords) {
        const std::uint64_t n = kw.size();
        e.lines += linesPerChar * n;
        e.bytes += linesPerChar * n * (n + 2);
    }
    return e;
}

}  // namespace

PaneLines MakePaneLines(std::string&& text) {
    PaneLines p;
    p.starts = PaneText::IndexLines(text);
    p.count = p.starts.size();
    p.facts = PaneText::Survey(text, p.starts);
    p.text = std::move(text);
    return p;
}

LoadedKeywords ReadKeywordsForPane(const std::string& path, JobControl& job) {
    FdGuard fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) {
        throw FileError(CannotOpenMessage(path, errno));
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) {
        throw FileError(CannotOpenMessage(path, errno));
    }
    if (S_ISDIR(st.st_mode)) {
        throw FileError(CannotOpenMessage(path, EISDIR));
    }
    const bool regular = S_ISREG(st.st_mode);
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (regular && size > kMaxKeywordFileBytes) {
        throw FileError(kMsgTextTooLarge);
    }

    std::string bytes;
    if (regular) {
        bytes.reserve(static_cast<std::size_t>(size));
    }
    auto buf = std::make_unique<char[]>(kPiece);
    for (;;) {
        job.ThrowIfCancelled();
        const ssize_t got = ::read(fd.Get(), buf.get(), kPiece);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw FileError(CannotOpenMessage(path, errno));
        }
        if (got == 0) {
            break;
        }
        // Pipes and devices have no size up front: the cap holds as they grow.
        if (bytes.size() + static_cast<std::size_t>(got) > kMaxKeywordFileBytes) {
            throw FileError(kMsgTextTooLarge);
        }
        bytes.append(buf.get(), static_cast<std::size_t>(got));
        job.SetProgress(bytes.size(), regular ? size + size / 4 : 0);
    }
    buf.reset();

    LoadedKeywords loaded;
    if (std::memchr(bytes.data(), '\0', bytes.size()) != nullptr) {
        loaded.notText = true;
        return loaded;
    }
    job.ThrowIfCancelled();
    const std::size_t bom = bytes.size() - DropUtf8Bom(bytes).size();
    if (bom > 0) {
        bytes.erase(0, bom);
    }
    if (!IsValidUtf8(bytes)) {
        bytes = Cp1252ToUtf8(bytes);
    }
    job.ThrowIfCancelled();
    CrToLf(bytes);
    loaded.lines = MakePaneLines(std::move(bytes));
    job.SetProgress(1, 1);
    return loaded;
}

void WriteKeywordsFromPane(const std::string& path, const ChunkVisitor& chunks,
                           std::uint64_t expected, JobControl& job) {
    std::string error;
    OutputFile file;
    if (!file.Open(path, path, &error)) {
        throw FileError(error);
    }
    // The text goes out in pieces of a megabyte, each LF written CR LF.
    auto buf = std::make_unique<char[]>(kPiece);
    std::size_t used = 0;
    std::uint64_t written = 0;
    int failed = 0;
    std::uint64_t handedToDisk = 0;
    auto flush = [&] {
        if (failed == 0 && used > 0) {
            failed = WriteAll(file.Fd(), buf.get(), used);
        }
        written += used;
        used = 0;
#ifdef __linux__
        // Start the disk on what is written so far, so the sync before the
        // file replaces the old one has little left to wait for.
        if (failed == 0 && written - handedToDisk >= kWritebackStep) {
            ::sync_file_range(file.Fd(), static_cast<off_t>(handedToDisk),
                              static_cast<off_t>(written - handedToDisk), SYNC_FILE_RANGE_WRITE);
            handedToDisk = written;
        }
#endif
        job.ThrowIfCancelled();
        job.SetProgress(written, expected);
    };
    auto put = [&](const char* p, std::size_t n) {
        while (n > 0) {
            const std::size_t k = std::min(n, kPiece - used);
            std::memcpy(buf.get() + used, p, k);
            used += k;
            p += k;
            n -= k;
            if (used == kPiece) {
                flush();
            }
        }
    };
    chunks([&](std::string_view chunk) {
        const char* p = chunk.data();
        const char* const end = p + chunk.size();
        while (p < end && failed == 0) {
            const void* nl = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
            const char* stop = nl ? static_cast<const char*>(nl) : end;
            put(p, static_cast<std::size_t>(stop - p));
            if (!nl) {
                break;
            }
            put("\r\n", 2);
            p = stop + 1;
        }
    });
    flush();
    if (failed != 0) {
        file.Abandon();
        throw FileError(CannotWriteMessage(path, failed));
    }
    // From here on the file is replaced: the job no longer cancels.
    if (!job.Commit()) {
        throw JobCancelled{};
    }
    if (!file.Commit(&error)) {
        throw FileError(error);
    }
}

PaneLines GenerateForPane(const std::vector<std::string_view>& keywords, const TypoKinds& kinds,
                          bool unique, const KeyboardLayout* layout, JobControl& job) {
    PaneSink text;
    const Estimate most = TyposAtMost(keywords, kinds);
    text.Reserve(most.bytes, most.lines);
    std::unique_ptr<UniqueSink> dedupe;
    // Behind the UniqueSink a repeated keyword writes only repeats: it is skipped.
    std::vector<std::string_view> distinct;
    if (unique) {
        dedupe = std::make_unique<UniqueSink>(text, UniqueSink::ThreadsToUse());
        distinct =
            ReadyForTypos(*dedupe, keywords, kinds, layout, [&job] { job.ThrowIfCancelled(); });
    }
    const std::vector<std::string_view>& from = unique ? distinct : keywords;
    LineSink& out = dedupe ? static_cast<LineSink&>(*dedupe) : text;
    // Keyword by keyword, in batches small enough to stop at once.
    constexpr std::size_t kBatch = 1024;
    std::vector<std::string_view> batch;
    batch.reserve(kBatch);
    for (std::size_t at = 0; at < from.size(); at += kBatch) {
        job.ThrowIfCancelled();
        job.SetProgress(at, from.size());
        const std::size_t end = std::min(from.size(), at + kBatch);
        batch.assign(from.begin() + static_cast<std::ptrdiff_t>(at),
                     from.begin() + static_cast<std::ptrdiff_t>(end));
        GenerateTypos(batch, kinds, out, layout);
    }
    if (dedupe) {
        dedupe->Finish();
        dedupe.reset();
    }
    job.ThrowIfCancelled();
    return text.Take();
}

PaneLines FormatForPane(const std::vector<std::string_view>& keywords, const MatchTypes& types,
                        bool unique, JobControl& job) {
    // The size is known: every notation writes its marks around every keyword.
    std::uint64_t keywordBytes = 0;
    for (std::string_view kw : keywords) {
        keywordBytes += kw.size();
    }
    std::uint64_t bytes = 0;
    std::uint64_t lines = 0;
    const auto rows = MatchOptionTable();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (types.Has(i) && rows[i].add) {
            bytes +=
                keywordBytes + keywords.size() * (rows[i].before.size() + rows[i].after.size() + 1);
            lines += keywords.size();
        }
    }
    PaneSink text(&job, bytes);
    text.Reserve(bytes, lines);
    std::unique_ptr<UniqueSink> dedupe;
    if (unique) {
        dedupe = std::make_unique<UniqueSink>(text, UniqueSink::ThreadsToUse());
        dedupe->Expect(lines);
    }
    LineSink& out = dedupe ? static_cast<LineSink&>(*dedupe) : text;
    FormatMatchTypes(keywords, types, out);
    if (dedupe) {
        dedupe->Finish();
        dedupe.reset();
    }
    job.ThrowIfCancelled();
    return text.Take();
}

}  // namespace varnolt
