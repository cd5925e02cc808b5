#include "cli/options.h"
#include "engine/errors.h"
#include "files/batch.h"
#include "files/catalogue_file.h"
#include "files/convert_file.h"
#include "files/platform.h"
#include "files/table_files.h"

#include <chrono>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <new>
#include <optional>
#include <string>

namespace {

using namespace tavrel;
namespace fs = std::filesystem;

// The catalogue of the user's language; none for Simplified Chinese.
std::optional<Catalogue> catalogue;

// A message in the user's language, in UTF-8.
std::string Local(const Message& message)
{
    return message.Text(catalogue ? &*catalogue : nullptr);
}

void Show(platform::StandardStream stream, std::string_view text)
{
    platform::WriteMessage(stream, text);
}

// The name messages give a standard stream, in the user's language.
fs::path StreamName(const Message& name)
{
    const std::string text = name.Text(catalogue ? &*catalogue : nullptr);
    return fs::path(std::u8string(text.begin(), text.end()));
}

// The help after the usage, a line a message so that a new option adds one
// line to translate. Names of programs, options and encodings stay as they are.
std::string Help()
{
    const Message lines[] = {
        Tr("按字符表在繁体字与简体字之间转换文本。"),
        Message(),
        Tr("  -s, --to-simplified      繁体转简体"),
        Tr("  -t, --to-traditional     简体转繁体"),
        Tr("  --tables 目录            从该目录读取 systemF.txt 和 systemJ.txt（默认是程序所在目录）"),
        Tr("  --encoding 编码          输入的编码，不再自动判断"),
        Tr("  --output-encoding 编码   输出的编码（默认与输入相同）"),
        Tr("  -p, --phrases            先按词组转换（最长匹配），词组以外的字再按字符表：头发→頭髮，发展→發展"),
        Tr("  --region tw|hk           -p 采用台湾或香港的字形（默认与字符表相同）"),
        Tr("  --vocabulary             -p 也转换地区用语（如 软件→軟體）"),
        Tr("  -v, --verbose            说明每个文件按什么编码读取和写出"),
        Tr("  --batch 文件或文件夹...  转换每个文件，结果以“简体”或“繁体”加原文件名保存在原文件旁；"),
        Tr("                           文件夹中转换与模式相符、名称不以该前缀开头的文件"),
        Tr("  -r, --recursive          --batch 也转换子文件夹中的文件（不进入链接的文件夹）"),
        Tr("  --pattern 模式           --batch 在文件夹中要找的文件名，* 与 ? 为通配符（默认 *.txt）"),
        Tr("  -o, --output-dir 目录    --batch 的结果保存在该目录下，保留原名和子文件夹结构"),
        Tr("  -n, --no-clobber         --batch 不覆盖已有的结果文件，并说明跳过了哪些"),
        Tr("  --keep-going             --batch 遇到失败的文件仍继续转换其余文件，最后汇总并以状态 1 结束"),
        Tr("  --help                   显示本说明"),
        Tr("  --version                显示版本"),
        Message(),
        Tr("编码：gbk、gb18030、big5、utf-8、utf-8-bom、utf-16le、utf-16be。"),
        Tr("输入省略或为“-”时读标准输入，输出省略或为“-”时写标准输出。"),
        Tr("文件的编码按其内容判断，结果以同样的编码写出（Big5 装不下的结果以 GBK 写出）。"),
        Tr("成功时不输出任何提示，除非判断编码时两种读法相差无几。"),
        Tr("默认逐字转换：一个简体字有多个繁体写法时，总是取字符表中的第一个（头发→頭發，发展→發展）。"),
        Tr("加 -p 时先查词组表（程序目录中的 phrases-*.txt），词组决定其中的字（头发→頭髮）。详见 man tavrel-convert。"),
    };
    std::string help;
    for (const Message& line : lines)
        help += Local(line) + "\n";
    return help;
}

// Writes a message to standard error in the user's language.
void Say(const Message& message)
{
    Show(platform::StandardStream::Error, Local(Tr("tavrel-convert：{0}", message)) + "\n");
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
        Say(Tr("“{0}”按 {1} 读取，但它也像 {2}；若读错了，请用 --encoding {3} 指定", DisplayPath(input),
               EncodingName(result.read), EncodingName(*result.alternative), EncodingOptionName(*result.alternative)));
    } else if (verbose) {
        if (result.written != result.read)
            Say(Tr("“{0}”按 {1} 读取，按 {2} 写出", DisplayPath(input), EncodingName(result.read),
                   EncodingName(result.written)));
        else
            Say(Tr("“{0}”按 {1} 读取", DisplayPath(input), EncodingName(result.read)));
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
            Show(platform::StandardStream::Error, "\r\033[K");
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
        const Message megabytes = Tr("{0} / {1} MB", done_ / 1000000, total_ / 1000000);
        const Message line = count_ > 1 ? Tr("第 {0} / {1} 个文件，{2}", index_ + 1, count_, megabytes) : megabytes;
        Show(platform::StandardStream::Error, "\r\033[K" + Local(line));
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
    const fs::path standardInput = StreamName(Tr("标准输入"));
    const fs::path standardOutput = StreamName(Tr("标准输出"));
    std::unique_ptr<InputFile> input =
        fromStdin ? std::make_unique<InputFile>(platform::Standard(platform::StandardStream::Input), standardInput)
                  : std::make_unique<InputFile>(cli::ArgumentPath(options.files[0]));
    TerminalProgress progress;
    progress.BatchStarted(1, input->Size());
    ConversionResult result{};
    if (IsStandardStream(options.files, 1)) {
        StreamSink output(platform::Standard(platform::StandardStream::Output), standardOutput);
        result = ConvertStream(converter, options.direction, *input, output, standardOutput, choice, &progress);
    } else {
        result = ConvertTextFile(converter, options.direction, *input, cli::ArgumentPath(options.files[1]), choice, &progress);
    }
    ReportEncodings(input->Name(), result, options.verbose);
    return 0;
}

int ConvertBatchFiles(const Converter& converter, const cli::Options& options)
{
    std::vector<fs::path> arguments;
    for (const std::string& file : options.files)
        arguments.push_back(cli::ArgumentPath(file));
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
            Say(Tr("“{0}”已存在，未转换“{1}”", DisplayPath(items[i].output), DisplayPath(items[i].input)));
        else
            Say(outcome.message);
    }
    if (result.failed > 0) {
        Say(result.skipped ? Tr("{0} 个文件已转换，{1} 个失败，{2} 个跳过", result.converted, result.failed,
                                result.skipped)
                           : Tr("{0} 个文件已转换，{1} 个失败", result.converted, result.failed));
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
    if (options.phrases) {
        const PhraseChoice choice{options.region, options.vocabulary};
        if (options.tablesDirectory)
            LoadPhrases(converter, options.direction, choice, *options.tablesDirectory);
        else
            LoadPhrases(converter, options.direction, choice);
    }
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
        Say(error.Content());
    } catch (const fs::filesystem_error& error) {
        const std::string reason = platform::ErrorText(error.code().value());
        if (error.path1().empty())
            Say(Tr("无法访问当前文件夹：{0}", reason));
        else
            Say(Tr("无法访问“{0}”：{1}", DisplayPath(error.path1()), reason));
    } catch (const std::bad_alloc&) {
        Say(Tr(kOutOfMemoryMessage));
    } catch (const std::exception& error) {
        Say(Tr("内部错误：{0}", error.what()));
    }
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    // The system's reasons in error messages follow the user's language.
    std::setlocale(LC_ALL, "");
    // The program's own messages follow the user's language too.
    catalogue = LoadCatalogue(CatalogueLanguage(platform::MessageLocales()));
    // Interrupted while writing, the program leaves no temporary file behind.
    platform::InstallInterruptCleanup();
    cli::Options options;
    try {
        options = cli::ParseOptions(platform::ProgramArguments(argc, argv));
    } catch (const cli::UsageError& error) {
        Say(error.message);
        Show(platform::StandardStream::Error, Local(cli::Usage()));
        return 2;
    }
    if (options.action == cli::Options::Action::Help) {
        Show(platform::StandardStream::Output, Local(cli::Usage()) + "\n" + Help());
        return 0;
    }
    if (options.action == cli::Options::Action::Version) {
        Show(platform::StandardStream::Output, "Tavrel " TAVREL_VERSION_TEXT "\n");
        return 0;
    }
    return RunReporting(options);
}
