#include "cli/options.h"
#include "engine/errors.h"
#include "files/batch.h"
#include "files/convert_file.h"
#include "files/platform.h"
#include "files/table_files.h"

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
    "  --batch 文件...          转换每个文件，结果以“简体”或“繁体”加原文件名保存在原文件旁\n"
    "  --help                   显示本说明\n"
    "  --version                显示版本\n"
    "\n"
    "编码：gbk、gb18030、big5、utf-8、utf-8-bom、utf-16le、utf-16be。\n"
    "输入省略或为“-”时读标准输入，输出省略或为“-”时写标准输出。\n"
    "文件的编码按其内容判断，结果以同样的编码写出（Big5 装不下的结果以 GBK 写出）。\n"
    "转换逐字进行：一个简体字有多个繁体写法时（如 发→發/髮），总是取字符表中的第一个。详见 man tavrel-convert。\n";

// Writes a message to standard error in the locale's encoding.
void Say(const std::string& message)
{
    std::cerr << platform::Utf8ToLocale("tavrel-convert：" + message) << "\n";
}

bool IsStandardStream(const std::vector<std::string>& files, std::size_t index)
{
    return files.size() <= index || files[index] == "-";
}

void ReportEncodings(const fs::path& input, const ConversionResult& result)
{
    std::string message = "“" + DisplayPath(input) + "”按 " + EncodingName(result.read) + " 读取";
    if (result.written != result.read)
        message += "，按 " + EncodingName(result.written) + " 写出";
    Say(message);
}

int ConvertOne(const Converter& converter, const cli::Options& options)
{
    const EncodingChoice choice{options.inputEncoding, options.outputEncoding};
    const bool fromStdin = IsStandardStream(options.files, 0);
    std::unique_ptr<InputFile> input =
        fromStdin ? std::make_unique<InputFile>(platform::Standard(platform::StandardStream::Input), kStandardInput)
                  : std::make_unique<InputFile>(fs::path(options.files[0]));
    ConversionResult result{};
    if (IsStandardStream(options.files, 1)) {
        StreamSink output(platform::Standard(platform::StandardStream::Output), kStandardOutput);
        result = ConvertStream(converter, options.direction, *input, output, kStandardOutput, choice);
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
    std::cout << platform::Utf8ToLocale(BatchDoneMessage(result)) << "\n";
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
