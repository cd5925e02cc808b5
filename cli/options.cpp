#include "cli/options.h"

namespace tavrel::cli {

const char* const kUsage =
    "用法：tavrel-convert (-s | --to-simplified | -t | --to-traditional) [--tables 目录] [输入 [输出]]\n"
    "      tavrel-convert (-s | -t) [--tables 目录] --batch 文件...\n"
    "      tavrel-convert --help | --version\n";

namespace {

void SetDirection(std::optional<Direction>& current, Direction wanted)
{
    if (current && *current != wanted)
        throw UsageError{"-s 与 -t 只能选一个"};
    current = wanted;
}

}  // namespace

Options ParseOptions(const std::vector<std::string>& arguments)
{
    Options options;
    std::optional<Direction> direction;
    bool batch = false;
    bool onlyFiles = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (onlyFiles || argument == "-" || !argument.starts_with("-")) {
            options.files.push_back(argument);
        } else if (argument == "--") {
            onlyFiles = true;
        } else if (argument == "-s" || argument == "--to-simplified") {
            SetDirection(direction, Direction::F2J);
        } else if (argument == "-t" || argument == "--to-traditional") {
            SetDirection(direction, Direction::J2F);
        } else if (argument == "--tables") {
            if (++i == arguments.size())
                throw UsageError{"--tables 需要一个目录"};
            options.tablesDirectory = arguments[i];
        } else if (argument == "--batch") {
            batch = true;
        } else if (argument == "--help" || argument == "-h") {
            options.action = Options::Action::Help;
            return options;
        } else if (argument == "--version") {
            options.action = Options::Action::Version;
            return options;
        } else {
            throw UsageError{"未知选项：" + argument};
        }
    }
    if (!direction)
        throw UsageError{"请用 -s（繁体转简体）或 -t（简体转繁体）指定转换方向"};
    options.direction = *direction;
    if (batch) {
        if (options.files.empty())
            throw UsageError{"--batch 至少需要一个文件"};
        options.action = Options::Action::Batch;
    } else if (options.files.size() > 2) {
        throw UsageError{"参数过多"};
    }
    return options;
}

}  // namespace tavrel::cli
