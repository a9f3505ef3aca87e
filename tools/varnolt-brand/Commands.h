#pragma once
// The commands of varnolt-brand. Each command gets its arguments (without the
// program and command names) and returns the exit status; messages go to
// standard error. To add a command, declare its function here, define it in
// its own .cpp file and add one line to the table in main.cpp.
#include <string>
#include <vector>

#include "util/FileError.h"
#include "util/OutputFile.h"

namespace varnolt::brand_tool {

using Args = std::vector<std::string>;

struct Command {
    const char* name;
    const char* arguments;  // as shown in the usage, e.g. "PLAIN DAT"
    const char* summary;
    std::size_t argumentCount;  // or AnyArgumentCount: the command checks them itself
    int (*run)(const Args& args);
};

inline constexpr std::size_t AnyArgumentCount = static_cast<std::size_t>(-1);

// Exit statuses.
inline constexpr int ExitOk = 0;
inline constexpr int ExitFailure = 1;
inline constexpr int ExitUsage = 2;

// The message for a settings file that fails the password or tag check.
inline constexpr const char* DamagedMessage = "wrong password or damaged settings file";

// Opens a command's output: "-" is standard output, any other name a file
// written through the file layer. Returns the name that messages show; throws
// FileError ("Cannot create file ...") when the file cannot be created.
inline std::string OpenCommandOutput(OutputFile& file, const std::string& path) {
    if (path == "-") {
        file.OpenStandardOutput();
        return path;
    }
    std::string shown = ExpandedPath(path);
    std::string error;
    if (!file.Open(path, shown, &error))
        throw FileError(error);
    return shown;
}

// Settings-file cipher (CryptCommands.cpp).
int EncryptCommand(const Args& args);
int DecryptCommand(const Args& args);
int VerifyCommand(const Args& args);

// Brand settings (BrandCommands.cpp).
int ShowCommand(const Args& args);
int PackSkinCommand(const Args& args);

}  // namespace varnolt::brand_tool
