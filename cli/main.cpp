#include "cli/options.h"
#include "engine/errors.h"
#include "files/batch.h"
#include "files/convert_file.h"
#include "files/platform.h"
#include "files/table_files.h"

#include <chrono>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <new>
#include <string>

namespace {

using namespace tavrel;
namespace fs = std::filesystem;

const fs::path kStandardInput = u8"标准输入";
const fs::path kStandardOutput = u8"标准输出";

const char* const kHelp =
    "按字符表在繁体字与简体字之间转换文本。\n"
    "\n"
    "  -s, --to-simplified      繁体转简体\n"
    "  -t, --to-traditional     简体转繁体\n"
    "  --tables 目录            从该目录读取 systemF.txt 和 systemJ.txt（默认是程序所在目录）\n"
    "  --encoding 编码          输入的编码，不再自动判断\n"
    "  --output-encoding 编码   输出的编码（默认与输入相同）\n"
    "  -v, --verbose            说明每个文件按什么编码读取和写出\n"
    "  --batch 文件或文件夹...  转换每个文件，结果以“简体”或“繁体”加原文件名保存在原文件旁；\n"
    "                           文件夹中转换与模式相符、名称不以该前缀开头的文件\n"
    "  -r, --recursive          --batch 也转换子文件夹中的文件（不进入链接的文件夹）\n"
    "  --pattern 模式           --batch 在文件夹中要找的文件名，* 与 ? 为通配符（默认 *.txt）\n"
    "  -o, --output-dir 目录    --batch 的结果保存在该目录下，保留原名和子文件夹结构\n"
    "  -n, --no-clobber         --batch 不覆盖已有的结果文件，并说明跳过了哪些\n"
    "  --keep-going             --batch 遇到失败的文件仍继续转换其余文件，最后汇总并以状态 1 结束\n"
    "  --help                   显示本说明\n"
    "  --version                显示版本\n"
    "\n"
    "编码：gbk、gb18030、big5、utf-8、utf-8-bom、utf-16le、utf-16be。\n"
    "输入省略或为“-”时读标准输入，输出省略或为“-”时写标准输出。\n"
    "文件的编码按其内容判断，结果以同样的编码写出（Big5 装不下的结果以 GBK 写出）。\n"
    "成功时不输出任何提示，除非判断编码时两种读法相差无几。\n"
    "转换逐字进行：一个简体字有多个繁体写法时（如 发→發/髮），总是取字符表中的第一个。详见 man tavrel-convert。\n";

// Writes a message to standard error in the locale's encoding.
void Say(const std::string& message)
{
    std::cerr << platform::Utf8ToLocale("tavrel-convert：" + message) << "\n";
}

std::string Quoted(const fs::path& file)
{
    return "“" + DisplayPath(file) + "”";
}

std::string OptionName(Encoding encoding)
{
    for (const char* name : {"gbk", "gb18030", "big5", "utf-8", "utf-8-bom", "utf-16le", "utf-16be"}) {
        if (ParseEncodingName(name) == encoding)
            return name;
    }
    return {};
}

bool IsStandardStream(const std::vector<std::string>& files, std::size_t index)
{
    return files.size() <= index || files[index] == "-";
}

// Says which encodings were read and written when asked to (-v), and
// whenever the bytes would have read almost as well in another encoding.
void ReportEncodings(const fs::path& input, const ConversionResult& result, bool verbose)
{
    if (result.alternative) {
        Say(Quoted(input) + "按 " + EncodingName(result.read) + " 读取，但它也像 " +
            EncodingName(*result.alternative) + "；若读错了，请用 --encoding " + OptionName(*result.alternative) +
            " 指定");
    } else if (verbose) {
        std::string message = Quoted(input) + "按 " + EncodingName(result.read) + " 读取";
        if (result.written != result.read)
            message += "，按 " + EncodingName(result.written) + " 写出";
        Say(message);
    }
}

// A line of progress on a terminal's standard error, for work that takes
// more than a second; nothing when standard error is a file or a pipe.
class TerminalProgress : public Progress {
public:
    TerminalProgress() : shown_(platform::IsTerminal(platform::StandardStream::Error)) {}
    ~TerminalProgress() override
    {
        if (drawn_)
            std::cerr << "\r\033[K" << std::flush;
    }

    void BatchStarted(std::size_t count, std::uint64_t bytes) override
    {
        count_ = count;
        total_ = bytes;
    }
    void FileStarted(std::size_t index, std::uint64_t) override { index_ = index; }
    void Advanced(std::uint64_t bytes) override
    {
        done_ += bytes;
        const auto now = std::chrono::steady_clock::now();
        if (!shown_ || total_ == 0 || now - start_ < std::chrono::seconds(1) || now - drawnAt_ < std::chrono::milliseconds(200))
            return;
        drawnAt_ = now;
        drawn_ = true;
        std::string line = std::to_string(done_ / 1000000) + " / " + std::to_string(total_ / 1000000) + " MB";
        if (count_ > 1)
            line = "第 " + std::to_string(index_ + 1) + " / " + std::to_string(count_) + " 个文件，" + line;
        std::cerr << "\r\033[K" << platform::Utf8ToLocale(line) << std::flush;
    }

private:
    bool shown_;
    bool drawn_ = false;
    std::size_t count_ = 1;
    std::size_t index_ = 0;
    std::uint64_t total_ = 0;
    std::uint64_t done_ = 0;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point drawnAt_{};
};

int ConvertOne(const Converter& converter, const cli::Options& options)
{
    const EncodingChoice choice{options.inputEncoding, options.outputEncoding};
    const bool fromStdin = IsStandardStream(options.files, 0);
    std::unique_ptr<InputFile> input =
        fromStdin ? std::make_unique<InputFile>(platform::Standard(platform::StandardStream::Input), kStandardInput)
                  : std::make_unique<InputFile>(fs::path(options.files[0]));
    TerminalProgress progress;
    progress.BatchStarted(1, input->Size());
    ConversionResult result{};
    if (IsStandardStream(options.files, 1)) {
        StreamSink output(platform::Standard(platform::StandardStream::Output), kStandardOutput);
        result = ConvertStream(converter, options.direction, *input, output, kStandardOutput, choice, &progress);
    } else {
        result = ConvertTextFile(converter, options.direction, *input, options.files[1], choice, &progress);
    }
    ReportEncodings(input->Name(), result, options.verbose);
    return 0;
}

int ConvertBatchFiles(const Converter& converter, const cli::Options& options)
{
    const std::vector<fs::path> arguments(options.files.begin(), options.files.end());
    const std::vector<BatchItem> items =
        CollectBatch(arguments, options.direction, {options.recursive, options.pattern}, options.outputDirectory);
    BatchResult result;
    {
        TerminalProgress progress;
        result = ConvertBatch(converter, options.direction, items, {options.inputEncoding, options.outputEncoding},
                              &progress, {options.keepGoing, options.noClobber, options.outputDirectory.has_value()});
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        const BatchOutcome& outcome = result.outcomes[i];
        if (outcome.kind == BatchOutcome::Kind::Converted)
            ReportEncodings(items[i].input, outcome.encodings, options.verbose);
        else if (outcome.kind == BatchOutcome::Kind::Skipped)
            Say(Quoted(items[i].output) + "已存在，未转换" + Quoted(items[i].input));
        else
            Say(outcome.message);
    }
    if (result.failed > 0) {
        Say(std::to_string(result.converted) + " 个文件已转换，" + std::to_string(result.failed) + " 个失败" +
            (result.skipped ? "，" + std::to_string(result.skipped) + " 个跳过" : std::string()));
        return 1;
    }
    if (options.verbose)
        Say(BatchDoneMessage(result));
    return 0;
}

int Run(const cli::Options& options)
{
    Converter converter;
    if (options.tablesDirectory)
        LoadTables(converter, *options.tablesDirectory);
    else
        LoadTables(converter);
    if (options.action == cli::Options::Action::Batch)
        return ConvertBatchFiles(converter, options);
    return ConvertOne(converter, options);
}

// Runs the conversion; every failure ends in a message and status 1.
int RunReporting(const cli::Options& options)
{
    try {
        return Run(options);
    } catch (const Error& error) {
        Say(error.what());
    } catch (const fs::filesystem_error& error) {
        const std::string where = error.path1().empty() ? "当前文件夹" : "“" + DisplayPath(error.path1()) + "”";
        Say("无法访问" + where + "：" + platform::ErrorText(error.code().value()));
    } catch (const std::bad_alloc&) {
        Say(kOutOfMemoryMessage);
    } catch (const std::exception& error) {
        Say(std::string("内部错误：") + error.what());
    }
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    // The system's reasons in error messages follow the user's language.
    std::setlocale(LC_ALL, "");
    // Interrupted while writing, the program leaves no temporary file behind.
    platform::InstallInterruptCleanup();
    cli::Options options;
    try {
        options = cli::ParseOptions({argv + 1, argv + argc});
    } catch (const cli::UsageError& error) {
        Say(error.message);
        std::cerr << platform::Utf8ToLocale(cli::kUsage);
        return 2;
    }
    if (options.action == cli::Options::Action::Help) {
        std::cout << platform::Utf8ToLocale(std::string(cli::kUsage) + "\n" + kHelp);
        return 0;
    }
    if (options.action == cli::Options::Action::Version) {
        std::cout << "Tavrel " TAVREL_VERSION_TEXT "\n";
        return 0;
    }
    return RunReporting(options);
}
