#include "cli/options.h"
#include "engine/errors.h"
#include "files/batch.h"
#include "files/catalogue_file.h"
#include "files/convert_file.h"
#include "files/platform.h"
#include "files/table_files.h"

#include <clocale>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <new>
#include <optional>
#include <string>

namespace {

using namespace tavrel;
namespace fs = std::filesystem;

// The catalogue of the user's language; none for Simplified Chinese.
std::optional<Catalogue> catalogue;

// A message in the user's language and the locale's encoding.
std::string Local(const Message& message)
{
    return platform::Utf8ToLocale(message.Text(catalogue ? &*catalogue : nullptr));
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
        Tr("  --batch 文件...          转换每个文件，结果以“简体”或“繁体”加原文件名保存在原文件旁"),
        Tr("  --help                   显示本说明"),
        Tr("  --version                显示版本"),
        Message(),
        Tr("编码：gbk、gb18030、big5、utf-8、utf-8-bom、utf-16le、utf-16be。"),
        Tr("输入省略或为“-”时读标准输入，输出省略或为“-”时写标准输出。"),
        Tr("文件的编码按其内容判断，结果以同样的编码写出（Big5 装不下的结果以 GBK 写出）。"),
        Tr("转换逐字进行：一个简体字有多个繁体写法时（如 发→發/髮），总是取字符表中的第一个。详见 man tavrel-convert。"),
    };
    std::string help;
    for (const Message& line : lines)
        help += Local(line) + "\n";
    return help;
}

// Writes a message to standard error in the user's language and the locale's encoding.
void Say(const Message& message)
{
    std::cerr << Local(Tr("tavrel-convert：{0}", message)) << "\n";
}

bool IsStandardStream(const std::vector<std::string>& files, std::size_t index)
{
    return files.size() <= index || files[index] == "-";
}

void ReportEncodings(const fs::path& input, const ConversionResult& result)
{
    Message message = Tr("“{0}”按 {1} 读取", DisplayPath(input), EncodingName(result.read));
    if (result.written != result.read)
        message = Tr("“{0}”按 {1} 读取，按 {2} 写出", DisplayPath(input), EncodingName(result.read),
                     EncodingName(result.written));
    Say(message);
}

int ConvertOne(const Converter& converter, const cli::Options& options)
{
    const EncodingChoice choice{options.inputEncoding, options.outputEncoding};
    const bool fromStdin = IsStandardStream(options.files, 0);
    const fs::path standardInput = StreamName(Tr("标准输入"));
    const fs::path standardOutput = StreamName(Tr("标准输出"));
    std::unique_ptr<InputFile> input =
        fromStdin ? std::make_unique<InputFile>(platform::Standard(platform::StandardStream::Input), standardInput)
                  : std::make_unique<InputFile>(fs::path(options.files[0]));
    ConversionResult result{};
    if (IsStandardStream(options.files, 1)) {
        StreamSink output(platform::Standard(platform::StandardStream::Output), standardOutput);
        result = ConvertStream(converter, options.direction, *input, output, standardOutput, choice);
    } else {
        result = ConvertTextFile(converter, options.direction, *input, options.files[1], choice, nullptr);
    }
    ReportEncodings(input->Name(), result);
    return 0;
}

int ConvertBatchFiles(const Converter& converter, const cli::Options& options)
{
    const std::vector<fs::path> inputs(options.files.begin(), options.files.end());
    const BatchResult result = ConvertBatch(converter, options.direction, inputs,
                                            {options.inputEncoding, options.outputEncoding});
    for (std::size_t i = 0; i < result.encodings.size(); ++i)
        ReportEncodings(inputs[i], result.encodings[i]);
    std::cout << Local(BatchDoneMessage(result)) << "\n";
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
        options = cli::ParseOptions({argv + 1, argv + argc});
    } catch (const cli::UsageError& error) {
        Say(error.message);
        std::cerr << Local(cli::Usage());
        return 2;
    }
    if (options.action == cli::Options::Action::Help) {
        std::cout << Local(cli::Usage()) << "\n" << Help();
        return 0;
    }
    if (options.action == cli::Options::Action::Version) {
        std::cout << "Tavrel " TAVREL_VERSION_TEXT "\n";
        return 0;
    }
    return RunReporting(options);
}
