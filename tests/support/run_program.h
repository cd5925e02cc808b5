#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tavrel::test {

struct ProgramResult {
    int exitStatus = -1;  // -1 when the program did not exit normally
    int signal = 0;       // the signal that ended it, if one did
    std::string out;
    std::string err;
    double seconds = 0;              // from start to end
    long peakResidentKilobytes = 0;  // the most memory it held at once
};

// Runs a program with the given arguments and standard input, and with
// `environment` ("NAME=value" each) added to this process's environment;
// waits for it and captures both output streams.
ProgramResult RunProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                         const std::string& input = {}, const std::vector<std::string>& environment = {});

}  // namespace tavrel::test
