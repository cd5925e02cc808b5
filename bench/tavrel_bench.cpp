// Throughput of the converter against memcpy, and of a GBK-to-GBK file
// conversion by tavrel-convert against decoding and encoding alone.
// Usage: tavrel-bench [megabytes]   (default 100)

#include "engine/app_dir.h"
#include "engine/codec.h"
#include "engine/converter.h"
#include "engine/file_bytes.h"
#include "files/text_file.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRuns = 5;

// Best wall-clock seconds of `runs` calls.
double BestSeconds(int runs, const std::function<void()>& work)
{
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

// Traditional text with punctuation, ASCII and line ends, repeated to size.
std::u16string SampleText(std::size_t codeUnits)
{
    const std::u16string line =
        u"中國的漢字經過簡化以後，筆畫變少了。臺灣和香港仍然使用繁體字，這個軟體可以在兩者之間轉換。"
        u"Version 3.00 – 1234567890 (測試)\r\n";
    std::u16string text;
    text.reserve(codeUnits + line.size());
    while (text.size() < codeUnits)
        text += line;
    text.resize(codeUnits);
    return text;
}

double RunProgram(const fs::path& program, const std::vector<std::string>& arguments)
{
    std::vector<std::string> copies{program.string()};
    copies.insert(copies.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : copies)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    return BestSeconds(kRuns, [&] {
        pid_t child = 0;
        if (posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
            std::exit(2);
        int status = 0;
        waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "%s failed\n", argv[0]);
            std::exit(2);
        }
    });
}

void BenchConverter(const tavrel::Converter& converter, std::size_t bytes)
{
    const std::u16string text = SampleText(bytes / 2);
    std::u16string copy(text.size(), u'\0');
    const double memcpySeconds =
        BestSeconds(kRuns, [&] { std::memcpy(copy.data(), text.data(), text.size() * 2); });
    volatile std::size_t sink = 0;
    const double freshCopySeconds = BestSeconds(kRuns, [&] { sink = std::u16string(text).size(); });
    const double newTextSeconds = BestSeconds(kRuns, [&] { sink = converter.F2J(text).size(); });
    const double inPlaceSeconds = BestSeconds(kRuns, [&] { converter.ConvertInPlace(tavrel::Direction::F2J, copy); });
    const double megabytes = static_cast<double>(text.size() * 2) / 1e6;
    std::printf("%.0f MB of UTF-16 text\n", megabytes);
    std::printf("  memcpy into an existing buffer:          %6.0f MB/s\n", megabytes / memcpySeconds);
    std::printf("  converter in place (as files use it):    %6.0f MB/s  = %.2f of memcpy\n",
                megabytes / inPlaceSeconds, memcpySeconds / inPlaceSeconds);
    std::printf("  copy into a newly allocated buffer:      %6.0f MB/s\n", megabytes / freshCopySeconds);
    std::printf("  F2J into a new text (as the panes use):  %6.0f MB/s  = %.2f of the new-buffer copy\n",
                megabytes / newTextSeconds, freshCopySeconds / newTextSeconds);
}

void BenchFiles(std::size_t bytes)
{
    const fs::path dir = fs::temp_directory_path() / ("tavrel-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path input = dir / "in.txt";
    const fs::path output = dir / "out.txt";
    // GBK takes two bytes per Chinese character, so half as many code units.
    tavrel::WriteTextFile(input, SampleText(bytes * 10 / 17), tavrel::Encoding::Gbk);
    const double megabytes = static_cast<double>(fs::file_size(input)) / 1e6;

    const double plainSeconds = BestSeconds(kRuns, [&] {
        const std::string raw = tavrel::ReadFileBytes(input);
        const tavrel::DecodedText decoded = tavrel::DecodeText(raw, input);
        tavrel::ReplaceFileContent(output, tavrel::EncodeText(decoded.text, decoded.encoding, output));
    });
    const double programSeconds =
        RunProgram(tavrel::ApplicationDirectory() / "tavrel-convert", {"-s", input.string(), output.string()});
    std::printf("GBK file of %.0f MB\n", megabytes);
    std::printf("  read + decode + encode + write, in process:  %6.0f MB/s\n", megabytes / plainSeconds);
    std::printf("  tavrel-convert -s FILE OUTPUT:               %6.0f MB/s\n", megabytes / programSeconds);
    fs::remove_all(dir);
}

}  // namespace

int main(int argc, char** argv)
{
    const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100;
    tavrel::Converter converter;
    converter.LoadTables();
    std::printf("best of %d runs\n", kRuns);
    BenchConverter(converter, megabytes * 1000000);
    BenchFiles(megabytes * 1000000);
    return 0;
}
