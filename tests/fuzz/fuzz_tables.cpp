// The table reader on two arbitrary files. The first two bytes of the input
// give the length of systemF.txt (little-endian, cut to what is there); the
// rest of the input is systemJ.txt. Loading either fails with one of the
// library's typed errors or gives tables that equal the first line of each
// file as decoded, which then convert text without crashing.

#include "engine/codec.h"
#include "engine/converter.h"
#include "engine/errors.h"
#include "engine/tables.h"
#include "tests/fuzz/fuzz_check.h"

#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>

namespace tavrel::fuzz {
namespace {

// This process's own folder, so parallel jobs do not share the files.
std::filesystem::path g_directory;

void RemoveDirectory()
{
    std::error_code ignored;
    std::filesystem::remove_all(g_directory, ignored);
}

void WriteFile(const std::filesystem::path& file, std::string_view bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    Require(out.good(), "the fuzz target writes its table files");
}

// The bytes before the first carriage return: a 0D byte, or in a file with a
// UTF-16 byte-order mark a whole 000D code unit.
std::string_view FirstLine(std::string_view bytes)
{
    const bool little = bytes.starts_with("\xFF\xFE");
    if (!little && !bytes.starts_with("\xFE\xFF"))
        return bytes.substr(0, bytes.find('\r'));
    const std::string_view cr = little ? std::string_view("\r\0", 2) : std::string_view("\0\r", 2);
    for (std::size_t end = 2; end + 1 < bytes.size(); end += 2) {
        if (bytes.substr(end, 2) == cr)
            return bytes.substr(0, end);
    }
    return bytes;
}

void CheckLoaded(const Converter& converter, std::string_view bytesF, std::string_view bytesJ)
{
    for (const auto& [table, bytes] : {std::pair(converter.TableF(), bytesF), std::pair(converter.TableJ(), bytesJ)}) {
        Require(!bytes.empty(), "an empty table file is refused");
        Require(table.find(u'\r') == std::u16string::npos, "a table holds no carriage return");
        Require(table == DecodeText(FirstLine(bytes), "table.txt").text,
                "a table is the first line of its file, decoded");
    }
    for (const std::u16string_view text : {std::u16string_view(u"中國 abc\r\n"), std::u16string_view(converter.TableF()),
                                           std::u16string_view(converter.TableJ())}) {
        Require(converter.F2J(text).size() <= text.size(), "F2J never lengthens text");
        Require(converter.J2F(text).size() <= text.size(), "J2F never lengthens text");
    }
}

}  // namespace
}  // namespace tavrel::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "tavrel-fuzz-tables-XXXXXX").string();
    tavrel::fuzz::Require(mkdtemp(pattern.data()) != nullptr, "the fuzz target makes its folder");
    tavrel::fuzz::g_directory = pattern;
    std::atexit(tavrel::fuzz::RemoveDirectory);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tavrel;
    if (size < 2)
        return 0;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 2, size - 2);
    const std::size_t lengthF = std::min<std::size_t>(data[0] | (data[1] << 8), rest.size());
    const std::string_view bytesF = rest.substr(0, lengthF);
    const std::string_view bytesJ = rest.substr(lengthF);
    fuzz::WriteFile(fuzz::g_directory / kTableFileF, bytesF);
    fuzz::WriteFile(fuzz::g_directory / kTableFileJ, bytesJ);
    Converter converter;
    try {
        LoadTables(converter, fuzz::g_directory);
    } catch (const Error&) {
        return 0;
    }
    fuzz::CheckLoaded(converter, bytesF, bytesJ);
    return 0;
}
