#pragma once
// Runs a program under test as a separate process and catches what it writes.
#include <string>
#include <string_view>
#include <vector>

namespace varnolt::test {

struct ProcessResult {
    int status = -1;  // the exit status; -1 when it could not start or was killed
    std::string out;  // what it wrote to standard output
    std::string err;  // ... and to standard error
};

// Starts `program` (argv[0] is `program` itself) with `args`, `input` on standard
// input, in `workFolder` (the test's own current folder when empty), and waits
// for it. Its standard streams are files in a folder of their own, so nothing
// is added to `workFolder`.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         std::string_view input = {}, const std::string& workFolder = {});

}  // namespace varnolt::test
