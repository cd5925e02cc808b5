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
    std::vector<std::string> files;  // INPUT [OUTPUT], or the batch's files
};

// Thrown for a command line that does not follow the usage.
struct UsageError {
    Message message;
};

Options ParseOptions(const std::vector<std::string>& arguments);

// The usage lines shown with --help and after a usage error.
Message Usage();

}  // namespace tavrel::cli
