#include "cli/options.h"
#include "engine/codec.h"
#include "engine/errors.h"
#include "engine/file_bytes.h"
#include "files/batch.h"
#include "files/signal_cleanup.h"
#include "files/text_file.h"

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <iostream>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

using namespace tavrel;

const std::filesystem::path kStandardInput = u8"标准输入";
const std::filesystem::path kStandardOutput = u8"标准输出";

const char* const kHelp =
    "按字符表在繁体字与简体字之间转换文本。\n"
    "\n"
    "  -s, --to-simplified    繁体转简体\n"
    "  -t, --to-traditional   简体转繁体\n"
    "  --tables 目录          从该目录读取 systemF.txt 和 systemJ.txt（默认是程序所在目录）\n"
    "  --batch 文件...        转换每个文件，结果以“简体”或“繁体”加原文件名保存在原文件旁\n"
    "  --help                 显示本说明\n"
    "  --version              显示版本\n"
    "\n"
    "输入省略或为“-”时读标准输入，输出省略时写标准输出。\n"
    "文件可以是 GBK、UTF-8 或 UTF-16，结果以输入的编码写出。\n";

bool IsStandardStream(const std::vector<std::string>& files, std::size_t index)
{
    return files.size() <= index || (index == 0 && files[0] == "-");
}

void WriteStandardOutput(std::string_view bytes)
{
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0)
        throw FileError(kStandardOutput, FileError::Operation::Write, SystemReason(errno ? errno : EIO));
}

int ConvertOne(const Converter& converter, const cli::Options& options)
{
    const bool fromStdin = IsStandardStream(options.files, 0);
    const std::filesystem::path input = fromStdin ? kStandardInput : std::filesystem::path(options.files[0]);
    TextFile decoded = fromStdin ? DecodeText(ReadStreamBytes(stdin, input), input) : ReadTextFile(input);
    converter.ConvertInPlace(options.direction, decoded.text);
    if (IsStandardStream(options.files, 1)) {
        WriteStandardOutput(EncodeText(decoded.text, decoded.encoding, kStandardOutput));
    } else {
        WriteTextFile(options.files[1], decoded.text, decoded.encoding);
    }
    return 0;
}

int ConvertBatchFiles(const Converter& converter, const cli::Options& options)
{
    std::vector<std::filesystem::path> inputs(options.files.begin(), options.files.end());
    const BatchResult result = ConvertBatch(converter, options.direction, inputs);
    std::cout << result.converted << "个所选文件已经成功转换！\n";
    return 0;
}

int Run(const cli::Options& options)
{
    Converter converter;
    if (options.tablesDirectory)
        converter.LoadTables(*options.tablesDirectory);
    else
        converter.LoadTables();
    if (options.action == cli::Options::Action::Batch)
        return ConvertBatchFiles(converter, options);
    return ConvertOne(converter, options);
}

}  // namespace

int main(int argc, char** argv)
{
    // The system's reasons in error messages follow the user's language.
    std::setlocale(LC_ALL, "");
    // Interrupted while writing, the program leaves no temporary file behind.
    InstallSignalCleanup();
#ifdef _WIN32
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    cli::Options options;
    try {
        options = cli::ParseOptions({argv + 1, argv + argc});
    } catch (const cli::UsageError& error) {
        std::cerr << "tavrel-convert：" << error.message << "\n" << cli::kUsage;
        return 2;
    }
    if (options.action == cli::Options::Action::Help) {
        std::cout << cli::kUsage << "\n" << kHelp;
        return 0;
    }
    if (options.action == cli::Options::Action::Version) {
        std::cout << "Tavrel " TAVREL_VERSION_TEXT "\n";
        return 0;
    }
    try {
        return Run(options);
    } catch (const Error& error) {
        std::cerr << "tavrel-convert：" << error.what() << "\n";
        return 1;
    }
}
