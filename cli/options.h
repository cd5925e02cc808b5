#pragma once

#include "engine/converter.h"
#include "engine/encoding.h"
#include "engine/message.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tavrel::cli {

struct Options {
    enum class Action { Convert, Batch, Help, Version };
    Action action = Action::Convert;
    Direction direction = Direction::F2J;
    std::optional<std::filesystem::path> tablesDirectory;
    std::optional<Encoding> inputEncoding;
    std::optional<Encoding> outputEncoding;
    std::vector<std::string> files;  // INPUT [OUTPUT], or the batch's files and folders
    // A batch's settings.
    bool recursive = false;
    std::string pattern = "*.txt";
    std::optional<std::filesystem::path> outputDirectory;
    bool noClobber = false;
    bool keepGoing = false;
    bool verbose = false;
    // Phrases before the character tables, and which of them.
    bool phrases = false;
    std::string region;  // "", "tw" or "hk"
    bool vocabulary = false;
};

// Thrown for a command line that does not follow the usage.
struct UsageError {
    Message message;
};

// A path from a command-line argument in UTF-8 (not in the ANSI code page, as
// a plain string would be read on Windows).
std::filesystem::path ArgumentPath(const std::string& argument);

Options ParseOptions(const std::vector<std::string>& arguments);

// The usage lines shown with --help and after a usage error.
Message Usage();

}  // namespace tavrel::cli
