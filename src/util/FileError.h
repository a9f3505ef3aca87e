#pragma once
// A file operation that failed, with the message shown to the user, such as
// `Cannot open file "/path/list.txt". No such file or directory`.
#include <stdexcept>
#include <string>

namespace varnolt {

class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// `Cannot open file "<path>". <system text for errnum>`
std::string CannotOpenMessage(const std::string& path, int errnum);
// `Cannot create file "<path>". <system text for errnum>`
std::string CannotCreateMessage(const std::string& path, int errnum);

}  // namespace varnolt
