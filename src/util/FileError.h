#pragma once
// A file operation that failed, with the message shown to the user, such as
// `Cannot open file "/path/list.txt". No such file or directory`, and the
// texts those messages are built from.
#include <stdexcept>
#include <string>

namespace varnolt {

class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The system's text for an error number, such as "No such file or directory".
std::string SystemText(int errnum);

// `Cannot open file "<path>". <system text for errnum>`
std::string CannotOpenMessage(const std::string& path, int errnum);
// `Cannot create file "<path>". <system text for errnum>`
std::string CannotCreateMessage(const std::string& path, int errnum);
// `Cannot read file "<path>". <system text>` and `Cannot write file ...`.
std::string CannotReadMessage(const std::string& path, int errnum);
std::string CannotWriteMessage(const std::string& path, int errnum);

// The path as the messages show it: absolute, with "." and ".." resolved.
std::string ExpandedPath(const std::string& path);

}  // namespace varnolt
