// TCrypt and TEncryption over streams, and the settings-file routines.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>

#include "crypto/AesLib.h"
#include "util/FdGuard.h"
#include "util/FileError.h"
#include "util/OutputFile.h"

namespace varnolt {

namespace {

// Compares without an early exit, so the time taken says nothing about where
// the first difference lies.
bool ConstantTimeEqual(const std::uint8_t* a, const std::uint8_t* b, std::size_t count) {
    volatile std::uint8_t diff = 0;
    for (std::size_t i = 0; i < count; ++i)
        diff = diff | static_cast<std::uint8_t>(a[i] ^ b[i]);
    return diff == 0;
}

// Opens `path` for reading; throws FileError with the open message.
int OpenForReading(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw FileError(CannotOpenMessage(ExpandedPath(path), errno));
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        throw FileError(CannotOpenMessage(ExpandedPath(path), EISDIR));
    }
    return fd;
}

// Writes `target` through `write` by the rules of the file layer: a replaced
// file stays as it was unless `write` succeeds and the new file is on disk.
bool WriteTarget(const std::string& target, const std::function<bool(TTargetStream& out)>& write,
                 std::string* error) {
    const std::string shown = ExpandedPath(target);
    OutputFile file;
    if (!file.Open(target, shown, error))
        return false;
    TFileTarget out(file.Fd(), target);
    try {
        if (!write(out)) {
            file.Abandon();
            if (error)
                *error = CannotWriteMessage(shown, out.Error() ? out.Error() : EIO);
            return false;
        }
    } catch (const FileError& e) {
        file.Abandon();
        if (error)
            *error = e.what();
        return false;
    }
    return file.Commit(error);
}

}  // namespace

// ---------------------------------------------------------------------------
// Streams

std::size_t TMemorySource::Read(void* buffer, std::size_t count) {
    const std::size_t left = FData.size() - FPosition;
    if (count > left)
        count = left;
    if (count)
        std::memcpy(buffer, FData.data() + FPosition, count);
    FPosition += count;
    return count;
}

void TStringTarget::Write(const void* data, std::size_t count) {
    FOut.append(static_cast<const char*>(data), count);
}

std::size_t TFileSource::Read(void* buffer, std::size_t count) {
    auto* p = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(FFd, p + done, count - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            FError = errno;
            throw FileError(CannotReadMessage(ExpandedPath(FPath), FError));
        }
    }
    return done;
}

std::int64_t TFileSource::Size() {
    struct stat st {};
    if (::fstat(FFd, &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    return static_cast<std::int64_t>(st.st_size);
}

void TFileTarget::Write(const void* data, std::size_t count) {
    const auto* p = static_cast<const char*>(data);
    while (count) {
        const ssize_t n = ::write(FFd, p, count);
        if (n > 0) {
            p += n;
            count -= static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            FError = n < 0 ? errno : EIO;
            throw FileError(CannotWriteMessage(ExpandedPath(FPath), FError));
        }
    }
}

// ---------------------------------------------------------------------------
// TCrypt, TEncryption

TCrypt::TCrypt(std::string_view password, std::int32_t bufferSize)
    : FKeyMode(KeyModeFor(password.size())),
      FPassword(password),
      FBufferSize(bufferSize > 0 ? bufferSize : 1),
      FBuffer(static_cast<std::size_t>(FBufferSize)) {
    std::memset(&FCipher, 0, sizeof FCipher);
}

TCrypt::~TCrypt() {
    SecureZero(&FCipher, sizeof FCipher);
    SecureZero(FPassword.data(), FPassword.size());
    SecureZero(FBuffer.data(), FBuffer.size());
}

TEncryption::TEncryption(std::string_view password, std::int32_t bufferSize)
    : TCrypt(password, bufferSize) {
    SaltPoolInit(TimerEntropy, FSaltPool);
}

TEncryption::~TEncryption() {
    SaltPoolWipe(FSaltPool);
}

bool TEncryption::WriteHeader(TTargetStream& target) {
    try {
        std::uint8_t salt[16];
        std::uint8_t verifier[PasswordVerifierLength];
        const std::size_t saltLength = SaltLengthOf(FKeyMode);
        SaltPoolRead(salt, saltLength, FSaltPool);
        // A password that the cipher refuses would leave the keys unset.
        if (CipherInit(FKeyMode, FPassword.data(), FPassword.size(), salt, verifier, FCipher) !=
            0) {
            return false;
        }
        target.Write(salt, saltLength);
        target.Write(verifier, PasswordVerifierLength);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool TEncryption::WriteTrailer(TTargetStream& target) {
    try {
        std::uint8_t tag[MacLength];
        CipherTag(tag, FCipher);
        target.Write(tag, MacLength);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool TEncryption::ReadHeader(TSourceStream& source) {
    try {
        std::uint8_t salt[16];
        const std::size_t saltLength = SaltLengthOf(FKeyMode);
        if (source.Read(salt, saltLength) != saltLength)
            return false;
        std::uint8_t computed[PasswordVerifierLength];
        if (CipherInit(FKeyMode, FPassword.data(), FPassword.size(), salt, computed, FCipher) !=
            0) {
            return false;
        }
        std::uint8_t stored[PasswordVerifierLength];
        if (source.Read(stored, PasswordVerifierLength) != PasswordVerifierLength)
            return false;
        return ConstantTimeEqual(stored, computed, PasswordVerifierLength);
    } catch (const std::exception&) {
        return false;
    }
}

bool TEncryption::CheckTrailer(TSourceStream& source) {
    try {
        std::uint8_t computed[MacLength];
        CipherTag(computed, FCipher);
        std::uint8_t stored[MacLength];
        if (source.Read(stored, MacLength) != MacLength)
            return false;
        return ConstantTimeEqual(stored, computed, MacLength);
    } catch (const std::exception&) {
        return false;
    }
}

bool TEncryption::EncryptStream(TSourceStream& source, TTargetStream& target) {
    try {
        if (!WriteHeader(target))
            return false;
        const std::size_t size = static_cast<std::size_t>(FBufferSize);
        std::size_t n;
        do {
            n = source.Read(FBuffer.data(), size);
            CipherEncrypt(FBuffer.data(), n, FCipher);
            if (n)
                target.Write(FBuffer.data(), n);
        } while (n == size);
        return WriteTrailer(target);
    } catch (const std::exception&) {
        return false;
    }
}

bool TEncryption::DecryptStream(TSourceStream& source, TTargetStream* target,
                                std::int64_t sourceSize) {
    try {
        if (!ReadHeader(source))
            return false;
        const std::int64_t overhead =
            static_cast<std::int64_t>(SaltLengthOf(FKeyMode) + PasswordVerifierLength + MacLength);
        std::int64_t remaining = sourceSize - overhead;
        do {
            const std::int64_t chunk = remaining < FBufferSize ? remaining : FBufferSize;
            std::size_t n = 0;
            if (chunk > 0)
                n = source.Read(FBuffer.data(), static_cast<std::size_t>(chunk));
            CipherDecrypt(FBuffer.data(), n, FCipher);
            if (target && n)
                target->Write(FBuffer.data(), n);
            remaining -= static_cast<std::int64_t>(n);
            if (n == 0)
                break;
        } while (remaining > 0);
        return CheckTrailer(source);
    } catch (const std::exception&) {
        return false;
    }
}

// ---------------------------------------------------------------------------
// Files

DecryptResult DecryptBytes(std::string_view encrypted, std::string& plain) {
    SecureZero(plain.data(), plain.size());
    plain.clear();
    // Room for the whole text up front, so no plain bytes are left behind in
    // memory freed by a growing string.
    plain.reserve(encrypted.size());
    TMemorySource source(encrypted);
    TStringTarget target(plain);
    bool ok;
    {
        TEncryption crypt(SettingsPassword, static_cast<std::int32_t>(CipherBufferSize));
        ok = crypt.DecryptStream(source, &target, source.Size());
    }
    if (!ok) {
        SecureZero(plain.data(), plain.size());
        plain.clear();
        return DecryptResult::Damaged;
    }
    return DecryptResult::Ok;
}

DecryptResult DecryptFileToMemory(const std::string& source, std::string& plain,
                                  std::string* error) {
    SecureZero(plain.data(), plain.size());
    plain.clear();
    int raw;
    try {
        raw = OpenForReading(source);
    } catch (const FileError& e) {
        if (error)
            *error = e.what();
        return DecryptResult::CannotOpen;
    }
    FdGuard fd(raw);
    TFileSource in(fd.Get(), source);
    const std::int64_t size = in.Size();
    if (size < 0)
        return DecryptResult::Damaged;
    // Settings files are small; a huge file grows the string as it goes.
    plain.reserve(static_cast<std::size_t>(std::min<std::int64_t>(size, 64 << 20)));
    TStringTarget target(plain);
    bool ok;
    {
        TEncryption crypt(SettingsPassword, static_cast<std::int32_t>(CipherBufferSize));
        ok = crypt.DecryptStream(in, &target, size);
    }
    if (!ok) {
        SecureZero(plain.data(), plain.size());
        plain.clear();
        return DecryptResult::Damaged;
    }
    return DecryptResult::Ok;
}

std::string EncryptBytes(std::string_view plain) {
    std::string out;
    out.reserve(plain.size() + SaltLengthOf(KeyModeFor(std::strlen(SettingsPassword))) +
                PasswordVerifierLength + MacLength);
    TMemorySource source(plain);
    TStringTarget target(out);
    TEncryption crypt(SettingsPassword, static_cast<std::int32_t>(CipherBufferSize));
    crypt.EncryptStream(source, target);
    return out;
}

bool EncryptMemoryToFile(std::string_view plain, const std::string& target, std::string* error) {
    return WriteTarget(
        target,
        [&](TTargetStream& out) {
            TMemorySource source(plain);
            TEncryption crypt(SettingsPassword, static_cast<std::int32_t>(CipherBufferSize));
            return crypt.EncryptStream(source, out);
        },
        error);
}

void DecryptFile(const std::string& source, const std::string& target) {
    FdGuard in(OpenForReading(source));
    std::string error;
    OutputFile file;
    if (!file.Open(target, ExpandedPath(target), &error))
        throw FileError(error);
    TFileSource sourceStream(in.Get(), source);
    TFileTarget targetStream(file.Fd(), target);
    const std::int64_t size = sourceStream.Size();
    {
        TEncryption crypt(SettingsPassword, static_cast<std::int32_t>(CipherBufferSize));
        crypt.DecryptStream(sourceStream, &targetStream, size);
    }
    // The outcome of the decryption is not reported, but a target that could
    // not take the bytes keeps its old content.
    if (targetStream.Error()) {
        file.Abandon();
        throw FileError(CannotWriteMessage(ExpandedPath(target), targetStream.Error()));
    }
    if (!file.Commit(&error))
        throw FileError(error);
}

void EncryptFile(const std::string& source, const std::string& target) {
    FdGuard in(OpenForReading(source));
    std::string error;
    const bool ok = WriteTarget(
        target,
        [&](TTargetStream& out) {
            TFileSource sourceStream(in.Get(), source);
            bool done;
            {
                TEncryption crypt(SettingsPassword, static_cast<std::int32_t>(CipherBufferSize));
                done = crypt.EncryptStream(sourceStream, out);
            }
            if (!done && sourceStream.Error()) {
                throw FileError(CannotReadMessage(ExpandedPath(source), sourceStream.Error()));
            }
            return done;
        },
        &error);
    if (!ok)
        throw FileError(error);
}

}  // namespace varnolt
