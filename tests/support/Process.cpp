#include "support/Process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include "support/Files.h"
#include "support/TempFolder.h"

extern char** environ;

namespace varnolt::test {

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         std::string_view input, const std::string& workFolder) {
    TempFolder streams("process");
    const std::string in = streams.File("stdin");
    const std::string out = streams.File("stdout");
    const std::string err = streams.File("stderr");
    ProcessResult result;
    if (!WriteFile(in, input))
        return result;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (!workFolder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, workFolder.c_str());

    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        if (waitpid(pid, &status, 0) == pid && WIFEXITED(status))
            result.status = WEXITSTATUS(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    result.out = ReadFile(out);
    result.err = ReadFile(err);
    return result;
}

}  // namespace varnolt::test
