#pragma once
// The one way the program and its tools write a file the user names.
//
// - A regular file (or a name not yet taken) is replaced atomically: the new
//   bytes go to a temporary file in the same folder, which is synced, renamed
//   over the target, and the folder is synced. The new file keeps the old
//   one's permission bits (and, where the process may, its owner).
// - A symbolic link is followed; the file it names is replaced and the link
//   stays a link.
// - Anything else (a device, a FIFO, a terminal, standard output) is written
//   in place and never replaced.
// - A write that fails, or an output that is never committed, leaves the old
//   file byte for byte and no temporary file. The temporary is created without
//   a name (O_TMPFILE) where the file system allows it, so a killed process
//   leaves nothing behind; otherwise it is named ".NAME.XXXXXX", locked while
//   in use, and stale ones left by a killed writer are removed at the next
//   write of the same target.
#include <sys/stat.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "util/FdGuard.h"

namespace varnolt {

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();  // abandons what Commit did not finish
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Prepares `path` for writing; messages name the file `shown`. False, with
    // *error (if given) set to "Cannot create file ...", when it cannot.
    bool Open(const std::string& path, const std::string& shown, std::string* error);
    // Standard output, written in place and left open.
    void OpenStandardOutput(const std::string& shown = "-");

    // The descriptor to write to; -1 before Open.
    int Fd() const { return FFd.Get() >= 0 ? FFd.Get() : FBorrowedFd; }
    // True when the bytes go straight into the target (device, FIFO, terminal,
    // standard output), so that a failure cannot be undone.
    bool InPlace() const { return FInPlace; }

    // Makes the written bytes the target's content. False, with *error set
    // ("Cannot write file ..." when the bytes did not reach the disk, "Cannot
    // create file ..." when the new file cannot take the target's name), when
    // it fails; the old file then stays as it was and no temporary is left.
    bool Commit(std::string* error);
    // Drops what was written (a replaced target stays as it was).
    void Abandon();

private:
    bool Fail(int errnum, std::string* error);
    bool OpenInPlace(const std::string& path, bool truncate, std::string* error);
    bool OpenReplacement(const std::string& target, const struct ::stat* old, std::string* error);

    FdGuard FFd;
    int FBorrowedFd = -1;
    bool FInPlace = false;
    bool FUnnamed = false;
    std::string FShown;
    std::string FTarget;  // the file that is replaced, links resolved
    std::string FTemp;    // the named temporary, while there is one
};

// Writes all of `data` to `fd`, going on after interruptions and short writes.
// Returns 0, or the error number of the failed write.
int WriteAll(int fd, const void* data, std::size_t size);

// `bytes` as the whole new content of `path`, by the rules of OutputFile.
// False, with *error set ("Cannot create file ...", "Cannot write file ..."
// naming `shown`), when it fails.
bool WriteWholeFile(const std::string& path, std::string_view bytes, const std::string& shown,
                    std::string* error);

// For tests and benchmarks: false makes replacements use named temporaries,
// as on a file system without O_TMPFILE. True by default.
void UseUnnamedTemporaries(bool use);

}  // namespace varnolt
