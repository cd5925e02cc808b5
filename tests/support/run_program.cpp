#include "tests/support/run_program.h"

#include "tests/support/temp_dir.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace tavrel::test {

ProgramResult RunProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                         const std::string& input, const std::vector<std::string>& environment)
{
    TempDir streams;
    WriteBytes(streams / "in", input);
    std::vector<char*> argv;
    std::string name = program.string();
    argv.push_back(name.data());
    std::vector<std::string> copies(arguments);
    for (std::string& argument : copies)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    std::vector<std::string> variables(environment);
    std::vector<char*> envp;
    // An added variable takes the place of one of the same name.
    const auto overridden = [&](std::string_view variable) {
        return std::any_of(variables.begin(), variables.end(), [&](const std::string& added) {
            return variable.substr(0, variable.find('=') + 1) == std::string_view(added).substr(0, added.find('=') + 1);
        });
    };
    for (char** variable = environ; *variable; ++variable) {
        if (!overridden(*variable))
            envp.push_back(*variable);
    }
    for (std::string& variable : variables)
        envp.push_back(variable.data());
    envp.push_back(nullptr);

    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0) {
        const int in = open((streams / "in").c_str(), O_RDONLY);
        const int out = open((streams / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open((streams / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    ProgramResult result;
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.peakResidentKilobytes = usage.ru_maxrss;
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    result.out = ReadBytes(streams / "out");
    result.err = ReadBytes(streams / "err");
    return result;
}

}  // namespace tavrel::test
