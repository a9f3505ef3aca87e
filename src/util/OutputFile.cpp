#include "util/OutputFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>

#include "util/FileError.h"

namespace varnolt {

namespace {

std::atomic<bool> gUseUnnamed{true};

constexpr int kMaxLinkHops = 40;
constexpr std::size_t kSuffixLength = 6;
constexpr const char kSuffixChars[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The temporary's name without its suffix: the folder, "/." and the name.
std::string TempPrefix(const std::string& folder, const std::string& name) {
    return (folder == "/" ? std::string() : folder) + "/." + name + ".";
}

bool IsSuffixChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

std::string RandomSuffix() {
    unsigned char bytes[kSuffixLength];
    if (::getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
        auto x = static_cast<std::uint64_t>(
                     std::chrono::steady_clock::now().time_since_epoch().count()) ^
                 (static_cast<std::uint64_t>(::getpid()) << 32);
        for (unsigned char& b : bytes) {
            x = x * 6364136223846793005u + 1442695040888963407u;
            b = static_cast<unsigned char>(x >> 56);
        }
    }
    std::string suffix(kSuffixLength, 'A');
    for (std::size_t i = 0; i < kSuffixLength; ++i)
        suffix[i] = kSuffixChars[bytes[i] % (sizeof kSuffixChars - 1)];
    return suffix;
}

// Permission bits for a new file: 0666 less the process's umask.
mode_t NewFileMode() {
    mode_t mask = 022;
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0) {
            mask = static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
            break;
        }
    }
    return 0666 & ~mask;
}

void SyncFolder(const std::string& folder) {
    FdGuard fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.Get() >= 0)
        ::fsync(fd.Get());
}

bool InProcFs(const std::string& folder) {
    struct statfs fs {};
    return ::statfs(folder.c_str(), &fs) == 0 && fs.f_type == PROC_SUPER_MAGIC;
}

// An unnamed file is given its name through /proc/self/fd.
bool CanLinkUnnamed() {
    static const bool usable = ::access("/proc/self/fd", X_OK) == 0;
    return usable;
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Removes the temporaries ".NAME.XXXXXX" that a killed writer left in
// `folder`. A temporary in use is locked by its writer and stays.
void RemoveStaleTemporaries(const std::string& folder, const std::string& name) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return;
    const std::string prefix = "." + name + ".";
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view entryName = entry->d_name;
        if (entryName.size() != prefix.size() + kSuffixLength || !entryName.starts_with(prefix))
            continue;
        bool ours = true;
        for (char c : entryName.substr(prefix.size()))
            ours = ours && IsSuffixChar(c);
        if (!ours)
            continue;
        const int flags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
        FdGuard fd(::openat(dirFd, entry->d_name, O_RDONLY | flags));
        if (fd.Get() < 0 && errno == EACCES)
            fd.Reset(::openat(dirFd, entry->d_name, O_WRONLY | flags));
        struct stat held {};
        if (fd.Get() < 0 || ::fstat(fd.Get(), &held) != 0 || !S_ISREG(held.st_mode))
            continue;
        if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0)
            continue;  // its writer is still at work
        struct stat named {};
        if (::fstatat(dirFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            SameFile(held, named)) {
            ::unlinkat(dirFd, entry->d_name, 0);
        }
    }
    ::closedir(dir);
}

}  // namespace

void UseUnnamedTemporaries(bool use) {
    gUseUnnamed = use;
}

int WriteAll(int fd, const void* data, std::size_t size) {
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t put = ::write(fd, p, size);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (put == 0)
            return EIO;
        p += put;
        size -= static_cast<std::size_t>(put);
    }
    return 0;
}

OutputFile::~OutputFile() {
    Abandon();
}

bool OutputFile::Fail(int errnum, std::string* error) {
    Abandon();
    if (error)
        *error = CannotCreateMessage(FShown, errnum);
    return false;
}

void OutputFile::OpenStandardOutput(const std::string& shown) {
    Abandon();
    FShown = shown;
    FBorrowedFd = STDOUT_FILENO;
    FInPlace = true;
}

bool OutputFile::Open(const std::string& path, const std::string& shown, std::string* error) {
    Abandon();
    FShown = shown;
    if (path.empty())
        return Fail(ENOENT, error);

    // Follow the links to the file they name. A link inside /proc (such as
    // /dev/stdout or /dev/fd/N) names an open file, which is written in place.
    std::string file = path;
    struct stat st {};
    bool exists = false;
    for (int hops = 0;; ++hops) {
        if (::lstat(file.c_str(), &st) != 0) {
            if (errno != ENOENT)
                return Fail(errno, error);
            break;
        }
        if (!S_ISLNK(st.st_mode)) {
            exists = true;
            break;
        }
        if (hops >= kMaxLinkHops)
            return Fail(ELOOP, error);
        if (InProcFs(FolderOf(file))) {
            struct stat named {};
            if (::stat(path.c_str(), &named) != 0)
                return Fail(errno, error);
            if (S_ISDIR(named.st_mode))
                return Fail(EISDIR, error);
            return OpenInPlace(path, S_ISREG(named.st_mode), error);
        }
        std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
        const ssize_t n = ::readlink(file.c_str(), link.data(), link.size());
        if (n < 0)
            return Fail(errno, error);
        if (static_cast<std::size_t>(n) >= link.size())
            return Fail(ENAMETOOLONG, error);
        link.resize(static_cast<std::size_t>(n));
        file = link.front() == '/' ? link : FolderOf(file) + "/" + link;
    }
    if (exists && S_ISDIR(st.st_mode))
        return Fail(EISDIR, error);
    if (exists && !S_ISREG(st.st_mode))
        return OpenInPlace(file, false, error);
    if (NameOf(file).empty())
        return Fail(EISDIR, error);
    return OpenReplacement(file, exists ? &st : nullptr, error);
}

bool OutputFile::OpenInPlace(const std::string& path, bool truncate, std::string* error) {
    FFd.Reset(::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | (truncate ? O_TRUNC : 0)));
    if (FFd.Get() < 0)
        return Fail(errno, error);
    FInPlace = true;
    return true;
}

bool OutputFile::OpenReplacement(const std::string& target, const struct ::stat* old,
                                 std::string* error) {
    const std::string folder = FolderOf(target);
    const std::string name = NameOf(target);
    RemoveStaleTemporaries(folder, name);

    if (gUseUnnamed && CanLinkUnnamed()) {
        FFd.Reset(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
        if (FFd.Get() >= 0) {
            FUnnamed = true;
        } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            return Fail(errno, error);
        }
    }
    if (!FUnnamed) {
        // A named temporary, locked so that no other writer takes it for a
        // stale one; retried if one did so before the lock was taken.
        for (int attempt = 0; FFd.Get() < 0; ++attempt) {
            std::string temp = TempPrefix(folder, name) + "XXXXXX";
            const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
            if (fd < 0)
                return Fail(errno, error);
            FFd.Reset(fd);
            FTemp = temp;
            struct stat held {
            }, named{};
            if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &held) == 0 &&
                ::lstat(temp.c_str(), &named) == 0 && SameFile(held, named)) {
                break;
            }
            if (attempt >= 8)
                return Fail(EEXIST, error);
            FFd.Reset();
            FTemp.clear();
        }
    } else {
        ::flock(FFd.Get(), LOCK_EX | LOCK_NB);
    }

    // The new file takes the owner and the permission bits of the old one.
    if (old && (old->st_uid != ::geteuid() || old->st_gid != ::getegid()))
        static_cast<void>(::fchown(FFd.Get(), old->st_uid, old->st_gid));
    const mode_t mode = old ? (old->st_mode & 07777) : NewFileMode();
    if (::fchmod(FFd.Get(), mode) != 0)
        return Fail(errno, error);
    FTarget = target;
    return true;
}

bool OutputFile::Commit(std::string* error) {
    auto failWith = [&](std::string message) {
        Abandon();
        if (error)
            *error = std::move(message);
        return false;
    };
    if (Fd() < 0)
        return failWith(CannotWriteMessage(FShown, EBADF));
    if (FInPlace) {
        FBorrowedFd = -1;
        if (FFd.Close() != 0)
            return failWith(CannotWriteMessage(FShown, errno));
        FInPlace = false;
        return true;
    }
    if (::fsync(FFd.Get()) != 0)
        return failWith(CannotWriteMessage(FShown, errno));

    const std::string folder = FolderOf(FTarget);
    if (FUnnamed) {
        const std::string self = "/proc/self/fd/" + std::to_string(FFd.Get());
        for (int attempt = 0;; ++attempt) {
            std::string temp = TempPrefix(folder, NameOf(FTarget)) + RandomSuffix();
            if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) == 0) {
                FTemp = temp;
                break;
            }
            if (errno != EEXIST || attempt >= 100)
                return failWith(CannotCreateMessage(FShown, errno));
        }
    }
    if (::rename(FTemp.c_str(), FTarget.c_str()) != 0)
        return failWith(CannotCreateMessage(FShown, errno));
    FTemp.clear();
    SyncFolder(folder);
    // The bytes are on the disk: the descriptor (and its lock) can go.
    FFd.Close();
    FUnnamed = false;
    FTarget.clear();
    return true;
}

void OutputFile::Abandon() {
    if (!FTemp.empty()) {
        ::unlink(FTemp.c_str());
        FTemp.clear();
    }
    FFd.Reset();
    FBorrowedFd = -1;
    FInPlace = false;
    FUnnamed = false;
    FTarget.clear();
}

bool WriteWholeFile(const std::string& path, std::string_view bytes, const std::string& shown,
                    std::string* error) {
    OutputFile file;
    if (!file.Open(path, shown, error))
        return false;
    if (const int err = WriteAll(file.Fd(), bytes.data(), bytes.size()); err != 0) {
        file.Abandon();
        if (error)
            *error = CannotWriteMessage(shown, err);
        return false;
    }
    return file.Commit(error);
}

}  // namespace varnolt
