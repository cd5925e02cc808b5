#include "cli/options.h"

namespace tavrel::cli {

Message Usage()
{
    return Tr("用法：tavrel-convert (-s | --to-simplified | -t | --to-traditional) [-v] [--tables 目录]\n"
              "                     [-p [--region tw|hk] [--vocabulary]]\n"
              "                     [--encoding 编码] [--output-encoding 编码] [输入 [输出]]\n"
              "      tavrel-convert (-s | -t) [选项] --batch [-r] [--pattern 模式] [-o 目录] [-n] [--keep-going]\n"
              "                     文件或文件夹...\n"
              "      tavrel-convert --help | --version\n");
}

namespace {

void SetDirection(std::optional<Direction>& current, Direction wanted)
{
    if (current && *current != wanted)
        throw UsageError{Tr("-s 与 -t 只能选一个")};
    current = wanted;
}

// The value of an option given as "--name VALUE" or "--name=VALUE"; nothing
// when `argument` is not that option.
std::optional<std::string> OptionValue(const std::vector<std::string>& arguments, std::size_t& i,
                                       const std::string& name)
{
    const std::string& argument = arguments[i];
    if (argument.starts_with(name + "="))
        return argument.substr(name.size() + 1);
    if (argument != name)
        return std::nullopt;
    if (++i == arguments.size())
        throw UsageError{Tr("{0} 需要一个值", name)};
    return arguments[i];
}

// The value of an option with a short form too: "-o VALUE", or as OptionValue.
std::optional<std::string> ShortOrLongValue(const std::vector<std::string>& arguments, std::size_t& i,
                                            const std::string& shortName, const std::string& longName)
{
    if (arguments[i] == shortName) {
        if (++i == arguments.size())
            throw UsageError{Tr("{0} 需要一个值", shortName)};
        return arguments[i];
    }
    return OptionValue(arguments, i, longName);
}

Encoding EncodingValue(const std::string& name, const std::string& value)
{
    if (const std::optional<Encoding> encoding = ParseEncodingName(value))
        return *encoding;
    throw UsageError{
        Tr("{0} 不认识编码“{1}”（可用：gbk、gb18030、big5、utf-8、utf-8-bom、utf-16le、utf-16be）", name, value)};
}

}  // namespace

std::filesystem::path ArgumentPath(const std::string& argument)
{
    return std::filesystem::path(std::u8string(argument.begin(), argument.end()));
}

Options ParseOptions(const std::vector<std::string>& arguments)
{
    Options options;
    std::optional<Direction> direction;
    bool batch = false;
    bool batchOnly = false;  // an option that only a batch takes
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
        } else if (const auto tables = OptionValue(arguments, i, "--tables")) {
            if (tables->empty())
                throw UsageError{Tr("--tables 需要一个目录，不能为空")};
            options.tablesDirectory = ArgumentPath(*tables);
        } else if (const auto input = OptionValue(arguments, i, "--encoding")) {
            options.inputEncoding = EncodingValue("--encoding", *input);
        } else if (const auto output = OptionValue(arguments, i, "--output-encoding")) {
            options.outputEncoding = EncodingValue("--output-encoding", *output);
        } else if (argument == "--batch") {
            batch = true;
        } else if (argument == "-r" || argument == "--recursive") {
            options.recursive = batchOnly = true;
        } else if (const auto pattern = OptionValue(arguments, i, "--pattern")) {
            if (pattern->empty())
                throw UsageError{Tr("--pattern 需要一个文件名模式，不能为空")};
            options.pattern = *pattern;
            batchOnly = true;
        } else if (const auto folder = ShortOrLongValue(arguments, i, "-o", "--output-dir")) {
            if (folder->empty())
                throw UsageError{Tr("--output-dir 需要一个目录，不能为空")};
            options.outputDirectory = ArgumentPath(*folder);
            batchOnly = true;
        } else if (argument == "-n" || argument == "--no-clobber") {
            options.noClobber = batchOnly = true;
        } else if (argument == "--keep-going") {
            options.keepGoing = batchOnly = true;
        } else if (argument == "-p" || argument == "--phrases") {
            options.phrases = true;
        } else if (const auto region = OptionValue(arguments, i, "--region")) {
            if (*region != "tw" && *region != "hk")
                throw UsageError{Tr("--region 不认识地区“{0}”（可用：tw、hk）", *region)};
            options.region = *region;
        } else if (argument == "--vocabulary") {
            options.vocabulary = true;
        } else if (argument == "-v" || argument == "--verbose") {
            options.verbose = true;
        } else if (argument == "--help" || argument == "-h") {
            options.action = Options::Action::Help;
            return options;
        } else if (argument == "--version") {
            options.action = Options::Action::Version;
            return options;
        } else {
            throw UsageError{Tr("未知选项：{0}", argument)};
        }
    }
    if (!direction)
        throw UsageError{Tr("请用 -s（繁体转简体）或 -t（简体转繁体）指定转换方向")};
    options.direction = *direction;
    if (!options.phrases && (!options.region.empty() || options.vocabulary))
        throw UsageError{Tr("--region 和 --vocabulary 只能与 --phrases 一起使用")};
    if (batch) {
        if (options.files.empty())
            throw UsageError{Tr("--batch 至少需要一个文件或文件夹")};
        options.action = Options::Action::Batch;
        return options;
    }
    if (options.files.size() > 2)
        throw UsageError{Tr("参数过多")};
    if (batchOnly)
        throw UsageError{Tr("-r、--pattern、-o、-n 和 --keep-going 只能与 --batch 一起使用")};
    return options;
}

}  // namespace tavrel::cli
