// What file conversion costs against the machine's limits, on real Chinese
// text: tavrel-convert against a plain dd copy (with conv=fsync, the ceiling)
// and uconv (ICU's converter) on files of about 100 MB in each encoding; phrase
// mode on such a UTF-8 file, one tiny conversion with and without phrases and
// a batch of 1,000 small files against OpenCC's opencc;
// the peak memory on a 1 GB file from the command line and from the window;
// the converter's and the widgets' parts of a pane conversion.
//   tavrel-bench [megabytes]   (size of the throughput files; default 100)
//
// The text is every line tools/bench_corpus.py gathers from the installed
// Debian packages manpages-zh, debian-reference-zh-tw, maint-guide-zh-tw,
// debian-edu-doc-zh-cn and the zh_CN, zh_TW and zh_HK gettext catalogues
// (about 5 MB of each script), repeated to the size wanted.

#include "engine/block_codec.h"
#include "engine/converter.h"
#include "files/platform.h"
#include "files/table_files.h"
#include "tests/support/run_program.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using tavrel::Encoding;
using tavrel::test::ProgramResult;

constexpr int kRuns = 5;
constexpr int kTinyRuns = 200;
constexpr int kBatchRuns = 3;
constexpr std::size_t kBatchFiles = 1000;
constexpr std::size_t npos = std::string::npos;

ProgramResult Run(const fs::path& program, const std::vector<std::string>& arguments, const std::string& input = {})
{
    ProgramResult result = tavrel::test::RunProgram(program, arguments, input);
    if (result.exitStatus != 0) {
        std::fprintf(stderr, "%s failed: %s\n", program.c_str(), result.err.c_str());
        std::exit(1);
    }
    return result;
}

double BestSeconds(const fs::path& program, const std::vector<std::string>& arguments, int runs = kRuns)
{
    double best = 1e9;
    for (int i = 0; i < runs; ++i)
        best = std::min(best, Run(program, arguments).seconds);
    return best;
}

double MedianSeconds(const fs::path& program, const std::vector<std::string>& arguments, const std::string& input)
{
    std::vector<double> times;
    for (int i = 0; i < kTinyRuns; ++i)
        times.push_back(Run(program, arguments, input).seconds);
    std::nth_element(times.begin(), times.begin() + kTinyRuns / 2, times.end());
    return times[kTinyRuns / 2];
}

// The most memory `program` held at once, in MB, as /usr/bin/time counts
// it: the process runner's own count starts from the size of this process,
// which the child copies before it runs the program.
double PeakMegabytes(const fs::path& program, const std::vector<std::string>& arguments,
                     ProgramResult* result = nullptr)
{
    std::vector<std::string> timed{"-f", "%M", program.string()};
    timed.insert(timed.end(), arguments.begin(), arguments.end());
    const ProgramResult run = Run("/usr/bin/time", timed);
    if (result)
        *result = run;
    const std::size_t lastLine = run.err.find_last_of('\n', run.err.size() - 2);
    return std::strtod(run.err.c_str() + (lastLine == npos ? 0 : lastLine + 1), nullptr) / 1024.0;
}

// The corpus's lines of one script, decoded.
struct Corpus {
    std::vector<std::u16string> traditional;
    std::vector<std::u16string> simplified;
};

std::vector<std::u16string> ReadLines(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::vector<std::u16string> lines;
    for (std::string line; std::getline(in, line);) {
        std::u16string text;
        if (tavrel::DecodeBlock(line, Encoding::Utf8, text) == npos)
            lines.push_back(std::move(text));
    }
    return lines;
}

Corpus GatherCorpus(const fs::path& dir)
{
    const std::string command = "python3 '" TAVREL_SOURCE_DIR "/tools/bench_corpus.py' '" + dir.string() + "'";
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "tools/bench_corpus.py could not gather the text\n");
        std::exit(1);
    }
    Corpus corpus{ReadLines(dir / "traditional.txt"), ReadLines(dir / "simplified.txt")};
    fs::remove(dir / "traditional.txt");
    fs::remove(dir / "simplified.txt");
    return corpus;
}

// The lines in `encoding`, one per line end, leaving out the few that it
// cannot hold or whose conversion `output` cannot hold.
std::string EncodeLines(const std::vector<std::u16string>& lines, Encoding encoding, Encoding output,
                        const tavrel::UnitMap& map)
{
    std::string encoded;
    for (std::u16string line : lines) {
        line += u'\n';
        std::string bytes;
        if (tavrel::EncodeBlock(line, encoding, bytes) != npos)
            continue;
        std::string converted;
        map.Apply(line);
        if (tavrel::EncodeBlock(line, output, converted) != npos)
            continue;
        encoded += bytes;
    }
    return encoded;
}

// Writes the text over and over up to about `bytes`, after the byte-order
// mark the encoding calls for.
void WriteRepeated(const fs::path& file, std::string_view mark, const std::string& text, std::uint64_t bytes)
{
    std::ofstream out(file, std::ios::binary);
    out << mark;
    for (std::uint64_t written = 0; written < bytes; written += text.size())
        out << text;
}

void PrintRow(const char* what, double seconds, double megabytes)
{
    std::printf("  %-36s %6.3f s %6.0f MB/s\n", what, seconds, megabytes / seconds);
}

struct FileCase {
    const char* title;
    Encoding encoding;
    Encoding output;  // of the conversion
    const char* uconvName;
    bool toSimplified;
    double target;  // times the dd conv=fsync ceiling, when there is one
};

void BenchThroughput(const fs::path& dir, const fs::path& convert, const Corpus& corpus,
                     const tavrel::Converter& converter, std::uint64_t bytes)
{
    const FileCase cases[] = {
        {"GBK", Encoding::Gbk, Encoding::Gbk, "GBK", true, 0.9},
        {"GBK", Encoding::Gbk, Encoding::Gbk, "GBK", false, 0.9},
        {"UTF-8", Encoding::Utf8, Encoding::Utf8, "UTF-8", true, 0.8},
        {"UTF-8", Encoding::Utf8, Encoding::Utf8, "UTF-8", false, 0.8},
        {"UTF-16LE", Encoding::Utf16LE, Encoding::Utf16LE, "UTF-16LE", true, 0.8},
        {"UTF-16LE", Encoding::Utf16LE, Encoding::Utf16LE, "UTF-16LE", false, 0.8},
        {"Big5", Encoding::Big5, Encoding::Gbk, "Big5", true, 0},
    };
    for (const FileCase& c : cases) {
        const fs::path input = dir / "in.txt";
        const fs::path output = dir / "out.txt";
        const tavrel::UnitMap& map = converter.Map(c.toSimplified ? tavrel::Direction::F2J : tavrel::Direction::J2F);
        const std::string text =
            EncodeLines(c.toSimplified ? corpus.traditional : corpus.simplified, c.encoding, c.output, map);
        WriteRepeated(input, tavrel::ByteOrderMark(c.encoding), text, bytes);
        const double megabytes = static_cast<double>(fs::file_size(input)) / 1e6;
        std::printf("%s file of %.0f MB, %s (%.1f MB of text repeated)%s\n", c.title, megabytes,
                    c.toSimplified ? "Traditional to Simplified" : "Simplified to Traditional",
                    static_cast<double>(text.size()) / 1e6, c.output != c.encoding ? ", written in GBK" : "");
        const std::string in = "if=" + input.string();
        const std::string out = "of=" + output.string();
        PrintRow("dd bs=1M (a plain copy)", BestSeconds("/bin/dd", {in, out, "bs=1M"}), megabytes);
        const double ceiling = BestSeconds("/bin/dd", {in, out, "bs=1M", "conv=fsync"});
        PrintRow("dd bs=1M conv=fsync (the ceiling)", ceiling, megabytes);
        const std::string uconvTo = c.output == Encoding::Gbk ? "GBK" : c.uconvName;
        const double uconv = BestSeconds("/usr/bin/uconv", {"-f", c.uconvName, "-t", uconvTo, "-o",
                                                            output.string(), input.string()});
        PrintRow(("uconv -f " + std::string(c.uconvName) + " -t " + uconvTo).c_str(), uconv, megabytes);
        const double tavrel =
            BestSeconds(convert, {c.toSimplified ? "-s" : "-t", input.string(), output.string()});
        PrintRow(c.toSimplified ? "tavrel-convert -s IN OUT" : "tavrel-convert -t IN OUT", tavrel, megabytes);
        std::printf("  %-36s %4.2f x dd conv=fsync", "", ceiling / tavrel);
        if (c.target > 0)
            std::printf(" (target %.1f)", c.target);
        std::printf(", %4.1f x uconv\n", uconv / tavrel);
    }
    fs::remove(dir / "in.txt");
    fs::remove(dir / "out.txt");
}

// Phrase mode against OpenCC's s2tw on the same UTF-8 file of Simplified
// text (opencc once: it takes half a minute), and against the character mode.
void BenchPhrases(const fs::path& dir, const fs::path& convert, const Corpus& corpus,
                  const tavrel::Converter& converter, std::uint64_t bytes)
{
    const fs::path input = dir / "in.txt";
    const fs::path output = dir / "out.txt";
    WriteRepeated(input, {},
                  EncodeLines(corpus.simplified, Encoding::Utf8, Encoding::Utf8,
                              converter.Map(tavrel::Direction::J2F)),
                  bytes);
    const double megabytes = static_cast<double>(fs::file_size(input)) / 1e6;
    std::printf("UTF-8 file of %.0f MB, Simplified to Traditional with phrases, Taiwan forms\n", megabytes);
    const double characters = BestSeconds(convert, {"-t", input.string(), output.string()});
    PrintRow("tavrel-convert -t IN OUT", characters, megabytes);
    const std::vector<std::string> arguments{"-t", "-p", "--region", "tw", input.string(), output.string()};
    const double phrases = BestSeconds(convert, arguments);
    PrintRow("tavrel-convert -t -p --region tw", phrases, megabytes);
    const double peak = PeakMegabytes(convert, arguments);
    const double opencc =
        Run("/usr/bin/opencc", {"-c", "s2tw.json", "-i", input.string(), "-o", output.string()}).seconds;
    PrintRow("opencc -c s2tw.json (one run)", opencc, megabytes);
    std::printf("  %-36s %5.1f x opencc's speed (target at least 50), %4.2f x the character mode's time (target at "
                "most 3), peak memory %.1f MB (target 64)\n",
                "phrases", opencc / phrases, phrases / characters, peak);
    fs::remove(input);
    fs::remove(output);
}

// One tiny conversion of `input` on standard input by `options` and by
// opencc with `config`.
void BenchTiny(const fs::path& convert, const std::string& input, const std::vector<std::string>& options,
               const std::string& config)
{
    std::printf("One tiny conversion, printf '%s' | ... (median of %d runs)\n", input.c_str(), kTinyRuns);
    const double opencc = MedianSeconds("/usr/bin/opencc", {"-c", config}, input);
    std::printf("  %-36s %6.1f ms\n", ("opencc -c " + config).c_str(), opencc * 1e3);
    const double tavrel = MedianSeconds(convert, options, input);
    std::string command = "tavrel-convert";
    for (const std::string& option : options)
        command += " " + option;
    std::printf("  %-36s %6.1f ms   %4.2f x opencc's time (target at most 1)\n", command.c_str(), tavrel * 1e3,
                tavrel / opencc);
}

// Files of a few lines to a few hundred, in UTF-8 (what opencc reads), taken
// in turn from the Traditional text.
std::vector<std::string> WriteBatchFiles(const fs::path& folder, const Corpus& corpus)
{
    fs::create_directories(folder / "out");
    std::vector<std::string> names;
    std::size_t line = 0;
    for (std::size_t i = 0; i < kBatchFiles; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "f%04zu.txt", i);
        names.push_back(name);
        std::u16string text;
        const std::size_t lines = 1 + (i * 37) % 200;
        for (std::size_t k = 0; k < lines; ++k, ++line)
            text += corpus.traditional[line % corpus.traditional.size()] + u'\n';
        std::string bytes;
        tavrel::EncodeBlock(text, Encoding::Utf8, bytes);
        std::ofstream(folder / name, std::ios::binary) << bytes;
    }
    return names;
}

void BenchBatch(const fs::path& dir, const fs::path& convert, const Corpus& corpus)
{
    const fs::path folder = dir / "batch";
    const std::vector<std::string> names = WriteBatchFiles(folder, corpus);
    std::uint64_t total = 0;
    std::vector<std::string> arguments{"-s", "--batch"};
    for (const std::string& name : names) {
        total += fs::file_size(folder / name);
        arguments.push_back((folder / name).string());
    }
    std::printf("A batch of %zu UTF-8 files of Traditional text (%.1f MB), to Simplified (best of %d runs)\n",
                names.size(), static_cast<double>(total) / 1e6, kBatchRuns);
    const std::string loop = "cd '" + folder.string() +
                             "' && for f in f*.txt; do opencc -c t2s.json -i \"$f\" -o out/\"$f\" || exit 1; done";
    const double opencc = BestSeconds("/bin/sh", {"-c", loop}, kBatchRuns);
    std::printf("  %-36s %6.2f s  (no sync)\n", "a loop of opencc -c t2s.json", opencc);
    const double tavrel = BestSeconds(convert, arguments, kBatchRuns);
    std::printf("  %-36s %6.2f s  (each file durable)   %4.2f x the loop's time (target at most 0.5)\n",
                "tavrel-convert -s --batch FILES", tavrel, tavrel / opencc);
    fs::remove_all(folder);
}

void BenchMemory(const fs::path& dir, const fs::path& convert, const fs::path& window, const Corpus& corpus,
                 const tavrel::Converter& converter)
{
    const fs::path input = dir / "big.txt";
    WriteRepeated(input, {},
                  EncodeLines(corpus.traditional, Encoding::Gbk, Encoding::Gbk, converter.Map(tavrel::Direction::F2J)),
                  std::uint64_t{1} << 30);
    std::printf("Peak memory (maximum resident set) converting a GBK file of %.0f MB (target 64 MB)\n",
                static_cast<double>(fs::file_size(input)) / 1e6);
    ProgramResult command;
    const double commandPeak = PeakMegabytes(convert, {"-s", input.string(), (dir / "out.txt").string()}, &command);
    std::printf("  %-36s %6.1f MB  (%.2f s)\n", "tavrel-convert -s IN OUT", commandPeak, command.seconds);
    ProgramResult form;
    const double formPeak = PeakMegabytes(window, {"file", input.string(), (dir / "out.txt").string()}, &form);
    std::printf("  %-36s %6.1f MB  (%.2f s, with its check before the save dialog)\n", "the window (single file)",
                formPeak, form.seconds);
    std::printf("  %-36s %6s ms  (the longest the window's event loop stood still)\n", "  meanwhile, frozen at most",
                form.out.substr(0, form.out.find('\n')).c_str());
    fs::remove(input);
    fs::remove(dir / "out.txt");
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
        std::printf("  %-36s %6.1f ms  (target 10 ms)\n", "the converter's part", converter);
        std::printf("  %-36s %6.1f ms\n", "the widgets' part (read, show)", widgets);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    const std::uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 100;
    const fs::path programs = tavrel::platform::ApplicationDirectory();
    const fs::path convert = programs / "tavrel-convert";
    const fs::path dir = fs::temp_directory_path() / ("tavrel-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    tavrel::Converter converter;
    tavrel::LoadTables(converter, programs);
    const Corpus corpus = GatherCorpus(dir);
    std::printf("best of %d runs unless said; files in %s\n\n", kRuns, dir.c_str());
    BenchThroughput(dir, convert, corpus, converter, megabytes * 1000000);
    std::printf("\n");
    BenchPhrases(dir, convert, corpus, converter, megabytes * 1000000);
    std::printf("\n");
    BenchTiny(convert, "頭髮很長", {"-s"}, "t2s.json");
    BenchTiny(convert, "头发很长", {"-t", "-p"}, "s2tw.json");
    std::printf("\n");
    BenchBatch(dir, convert, corpus);
    std::printf("\n");
    BenchMemory(dir, convert, programs / "tavrel-window-bench", corpus, converter);
    std::printf("\n");
    BenchPane(programs / "tavrel-window-bench");
    fs::remove_all(dir);
    return 0;
}
