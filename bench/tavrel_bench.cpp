// What file conversion costs against the machine's limits: tavrel-convert
// against uconv (ICU's converter) and a plain dd copy of the same files, its
// peak memory on a 1 GB file from the command line and from the window, and
// the converter's and the widgets' parts of a pane conversion.
//   tavrel-bench [megabytes]   (size of the throughput files; default 100)

#include "files/platform.h"
#include "tests/support/text_codec.h"
#include "tests/support/run_program.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using tavrel::Encoding;
using tavrel::test::ProgramResult;

constexpr int kRuns = 5;

// Traditional text with punctuation, ASCII and line ends.
const std::u16string kLine =
    u"中國的漢字經過簡化以後，筆畫變少了。臺灣和香港仍然使用繁體字，這個軟體可以在兩者之間轉換。"
    u"Version 3.00 – 1234567890 (測試)\r\n";

// Writes about `bytes` bytes of the sample text in `encoding`.
void WriteSample(const fs::path& file, Encoding encoding, std::uint64_t bytes)
{
    std::u16string chunk;
    while (chunk.size() < (1u << 19))
        chunk += kLine;
    std::string encoded = tavrel::test::EncodeText(chunk, encoding, file);
    const std::string_view mark = tavrel::ByteOrderMark(encoding);
    std::ofstream out(file, std::ios::binary);
    out << mark;
    encoded.erase(0, mark.size());
    for (std::uint64_t written = 0; written < bytes; written += encoded.size())
        out << encoded;
}

ProgramResult Run(const fs::path& program, const std::vector<std::string>& arguments)
{
    ProgramResult result = tavrel::test::RunProgram(program, arguments);
    if (result.exitStatus != 0) {
        std::fprintf(stderr, "%s failed: %s\n", program.c_str(), result.err.c_str());
        std::exit(1);
    }
    return result;
}

double BestSeconds(const fs::path& program, const std::vector<std::string>& arguments)
{
    double best = 1e9;
    for (int i = 0; i < kRuns; ++i)
        best = std::min(best, Run(program, arguments).seconds);
    return best;
}

void PrintRow(const char* what, double seconds, double megabytes, double against = 0, const char* target = "")
{
    std::printf("  %-34s %6.3f s %7.0f MB/s", what, seconds, megabytes / seconds);
    if (against > 0)
        std::printf("   %4.1f x uconv %s", against / seconds, target);
    std::printf("\n");
}

struct FileCase {
    const char* title;
    Encoding encoding;
    const char* uconvName;
    const char* target;
};

void BenchThroughput(const fs::path& dir, const fs::path& convert, std::uint64_t bytes)
{
    const FileCase cases[] = {
        {"GBK", Encoding::Gbk, "GBK", "(target 5 x)"},
        {"UTF-8", Encoding::Utf8, "UTF-8", "(target 3 x)"},
        {"UTF-16LE", Encoding::Utf16LE, "UTF-16LE", "(target 3 x)"},
    };
    for (const FileCase& c : cases) {
        const fs::path input = dir / "in.txt";
        const fs::path output = dir / "out.txt";
        WriteSample(input, c.encoding, bytes);
        const double megabytes = static_cast<double>(fs::file_size(input)) / 1e6;
        std::printf("%s file of %.0f MB, Traditional to Simplified\n", c.title, megabytes);
        const std::string in = "if=" + input.string();
        const std::string out = "of=" + output.string();
        PrintRow("dd bs=1M (a plain copy)", BestSeconds("/bin/dd", {in, out, "bs=1M"}), megabytes);
        PrintRow("dd bs=1M conv=fsync (the ceiling)", BestSeconds("/bin/dd", {in, out, "bs=1M", "conv=fsync"}),
                 megabytes);
        const double uconv = BestSeconds("/usr/bin/uconv", {"-f", c.uconvName, "-t", c.uconvName, "-o",
                                                            output.string(), input.string()});
        PrintRow((std::string("uconv -f ") + c.uconvName + " -t " + c.uconvName).c_str(), uconv, megabytes);
        PrintRow("tavrel-convert -s IN OUT", BestSeconds(convert, {"-s", input.string(), output.string()}),
                 megabytes, uconv, c.target);
    }
}

void BenchMemory(const fs::path& dir, const fs::path& convert, const fs::path& window)
{
    const fs::path input = dir / "big.txt";
    WriteSample(input, Encoding::Gbk, std::uint64_t{1} << 30);
    std::printf("Peak memory (maximum resident set) converting a GBK file of %.0f MB (target 64 MB)\n",
                static_cast<double>(fs::file_size(input)) / 1e6);
    const ProgramResult command = Run(convert, {"-s", input.string(), (dir / "out.txt").string()});
    std::printf("  %-34s %6.1f MB  (%.2f s)\n", "tavrel-convert -s IN OUT", static_cast<double>(command.peakResidentKilobytes) / 1024.0,
                command.seconds);
    const ProgramResult form = Run(window, {"file", input.string(), (dir / "out.txt").string()});
    std::printf("  %-34s %6.1f MB  (%.2f s, with its check before the save dialog)\n", "the window (single file)",
                static_cast<double>(form.peakResidentKilobytes) / 1024.0, form.seconds);
    std::printf("  %-34s %6s ms  (the longest the window's event loop stood still)\n", "  meanwhile, frozen at most",
                form.out.substr(0, form.out.find('\n')).c_str());
    fs::remove(input);
}

void BenchPane(const fs::path& window)
{
    for (const bool oneLine : {false, true}) {
        std::vector<std::string> arguments{"pane", "1000000"};
        if (oneLine)
            arguments.push_back("one-line");
        const ProgramResult pane = Run(window, arguments);
        double converter = 0, widgets = 0;
        std::sscanf(pane.out.c_str(), "%lf %lf", &converter, &widgets);
        std::printf("Converting a pane of 1,000,000 characters %s\n", oneLine ? "in one line" : "in lines of 40");
        std::printf("  %-34s %6.1f ms  (target 10 ms)\n", "the converter's part", converter);
        std::printf("  %-34s %6.1f ms\n", "the widgets' part (read, show)", widgets);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    const std::uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 100;
    const fs::path programs = tavrel::platform::ApplicationDirectory();
    const fs::path dir = fs::temp_directory_path() / ("tavrel-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    std::printf("best of %d runs; files in %s\n\n", kRuns, dir.c_str());
    BenchThroughput(dir, programs / "tavrel-convert", megabytes * 1000000);
    std::printf("\n");
    BenchMemory(dir, programs / "tavrel-convert", programs / "tavrel-window-bench");
    std::printf("\n");
    BenchPane(programs / "tavrel-window-bench");
    fs::remove_all(dir);
    return 0;
}
