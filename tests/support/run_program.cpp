#include "tests/support/run_program.h"

#include "tests/support/temp_dir.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace tavrel::test {

ProgramResult RunProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                         const std::string& input, const std::vector<std::string>& environment)
{
    // The null-terminated array of pointers into `strings` that a new program takes.
    const auto pointers = [](std::vector<std::string>& strings) {
        std::vector<char*> array;
        for (std::string& text : strings)
            array.push_back(text.data());
        array.push_back(nullptr);
        return array;
    };
    std::vector<std::string> words{program.string()};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<std::string> variables;
    for (char** variable = environ; *variable; ++variable)
        variables.emplace_back(*variable);
    // An added variable takes the place of one of the same name.
    for (const std::string& added : environment) {
        const std::string name = added.substr(0, added.find('=') + 1);
        std::erase_if(variables, [&](const std::string& variable) { return variable.starts_with(name); });
        variables.push_back(added);
    }
    TempDir streams;
    WriteBytes(streams / "in", input);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, (streams / "in").c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, (streams / "out").c_str(), O_WRONLY | O_CREAT, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, (streams / "err").c_str(), O_WRONLY | O_CREAT, 0600);
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    const int failure = posix_spawn(&child, words[0].c_str(), &actions, nullptr, pointers(words).data(),
                                    pointers(variables).data());
    posix_spawn_file_actions_destroy(&actions);
    if (failure != 0)
        throw std::runtime_error("cannot start " + words[0]);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    return {.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1,
            .signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0,
            .out = ReadBytes(streams / "out"),
            .err = ReadBytes(streams / "err"),
            .seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
            .peakResidentKilobytes = usage.ru_maxrss};
}

}  // namespace tavrel::test
