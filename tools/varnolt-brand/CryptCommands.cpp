// encrypt, decrypt and verify: the settings-file cipher on the command line.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>

#include "Commands.h"
#include "crypto/AesLib.h"
#include "util/FileError.h"

namespace varnolt::brand_tool {
namespace {

constexpr const char* StandardStream = "-";

// An input file, or standard input. Sources that cannot tell their size
// (standard input, pipes) are read into memory first, because decryption
// needs the size to find the tag.
class Input {
public:
    Input(const std::string& path, bool needSize) : FPath(path) {
        if (path == StandardStream) {
            FFd = STDIN_FILENO;
        } else {
            FFd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
            if (FFd < 0)
                throw FileError(CannotOpenMessage(ExpandedPath(path), errno));
            FOwned = true;
            struct stat st {};
            if (::fstat(FFd, &st) == 0 && S_ISDIR(st.st_mode)) {
                ::close(FFd);
                throw FileError(CannotOpenMessage(ExpandedPath(path), EISDIR));
            }
        }
        FFile = std::make_unique<TFileSource>(FFd, path == StandardStream ? "-" : path);
        if (needSize && FFile->Size() < 0) {
            std::string data;
            char buf[65536];
            std::size_t n;
            while ((n = FFile->Read(buf, sizeof buf)) > 0)
                data.append(buf, n);
            FData = std::move(data);
            FMemory = std::make_unique<TMemorySource>(FData);
        }
    }
    ~Input() {
        SecureZero(FData.data(), FData.size());
        if (FOwned)
            ::close(FFd);
    }
    Input(const Input&) = delete;
    Input& operator=(const Input&) = delete;

    TSourceStream& Stream() { return FMemory ? static_cast<TSourceStream&>(*FMemory) : *FFile; }
    std::int64_t Size() { return Stream().Size(); }
    int Error() const { return FFile->Error(); }
    // Starts again from the beginning; false when the source cannot seek.
    bool Rewind() {
        if (FMemory) {
            FMemory = std::make_unique<TMemorySource>(FData);
            return true;
        }
        return ::lseek(FFd, 0, SEEK_SET) == 0;
    }

private:
    std::string FPath;
    int FFd = -1;
    bool FOwned = false;
    std::unique_ptr<TFileSource> FFile;
    std::string FData;
    std::unique_ptr<TMemorySource> FMemory;
};

std::unique_ptr<TEncryption> NewCrypt() {
    return std::make_unique<TEncryption>(SettingsPassword,
                                         static_cast<std::int32_t>(CipherBufferSize));
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    return ExitFailure;
}

// Decrypts `input` into `out` (or only checks it when `out` is null).
bool Decrypt(Input& input, TTargetStream* out) {
    const std::int64_t size = input.Size();
    auto crypt = NewCrypt();
    return crypt->DecryptStream(input.Stream(), out, size);
}

}  // namespace

int EncryptCommand(const Args& args) {
    const std::string& plainPath = args[0];
    const std::string& datPath = args[1];
    try {
        Input input(plainPath, false);
        OutputFile file;
        const std::string shown = OpenCommandOutput(file, datPath);
        TFileTarget out(file.Fd(), shown);
        if (!NewCrypt()->EncryptStream(input.Stream(), out)) {
            file.Abandon();
            if (input.Error())
                return Fail(CannotReadMessage(ExpandedPath(plainPath), input.Error()));
            return Fail(CannotWriteMessage(shown, out.Error() ? out.Error() : EIO));
        }
        std::string error;
        return file.Commit(&error) ? ExitOk : Fail(error);
    } catch (const FileError& e) {
        return Fail(e.what());
    }
}

int DecryptCommand(const Args& args) {
    const std::string& datPath = args[0];
    const std::string& plainPath = args[1];
    try {
        Input input(datPath, true);
        OutputFile file;
        const std::string shown = OpenCommandOutput(file, plainPath);
        // What is written in place (standard output, a FIFO, a device) cannot
        // be taken back: nothing goes there unless the whole file checks out.
        // A replaced file appears only when the whole file checked out.
        const bool inPlace = file.InPlace();
        if (inPlace) {
            if (!Decrypt(input, nullptr))
                return Fail(DamagedMessage);
            if (!input.Rewind())
                return Fail(CannotReadMessage(ExpandedPath(datPath), errno));
        }
        TFileTarget out(file.Fd(), shown);
        if (!Decrypt(input, &out)) {
            file.Abandon();
            if (!inPlace && input.Error())
                return Fail(CannotReadMessage(ExpandedPath(datPath), input.Error()));
            if (out.Error())
                return Fail(CannotWriteMessage(shown, out.Error()));
            return Fail(DamagedMessage);
        }
        std::string error;
        return file.Commit(&error) ? ExitOk : Fail(error);
    } catch (const FileError& e) {
        return Fail(e.what());
    }
}

int VerifyCommand(const Args& args) {
    try {
        Input input(args[0], true);
        if (Decrypt(input, nullptr))
            return ExitOk;
        if (input.Error())
            return Fail(CannotReadMessage(ExpandedPath(args[0]), input.Error()));
        return Fail(DamagedMessage);
    } catch (const FileError& e) {
        return Fail(e.what());
    }
}

}  // namespace varnolt::brand_tool
