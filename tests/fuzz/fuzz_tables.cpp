// The table reader on two arbitrary files. The first two bytes of the input
// give the length of systemF.txt (little-endian, cut to what is there); the
// rest of the input is systemJ.txt. Loading either fails with one of the
// library's typed errors or gives tables that equal the first line of each
// file as decoded.

#include "engine/codec.h"
#include "engine/converter.h"
#include "engine/errors.h"
#include "engine/tables.h"
#include "files/table_files.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/support/temp_dir.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace tavrel::fuzz {
namespace {

// This process's own folder, so parallel jobs do not share the files.
const test::TempDir g_directory;

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

}  // namespace
}  // namespace tavrel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tavrel;
    if (size < 2)
        return 0;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 2, size - 2);
    const std::size_t lengthF = std::min<std::size_t>(data[0] | (data[1] << 8), rest.size());
    const std::pair<const char*, std::string_view> files[] = {{kTableFileF, rest.substr(0, lengthF)},
                                                              {kTableFileJ, rest.substr(lengthF)}};
    for (const auto& [name, bytes] : files)
        test::WriteBytes(fuzz::g_directory / name, bytes);
    Converter converter;
    try {
        LoadTables(converter, fuzz::g_directory.path());
    } catch (const Error&) {
        return 0;
    }
    const std::u16string_view tables[] = {converter.TableF(), converter.TableJ()};
    for (std::size_t i = 0; i < 2; ++i) {
        fuzz::Require(!files[i].second.empty(), "an empty table file is refused");
        fuzz::Require(tables[i] == DecodeText(fuzz::FirstLine(files[i].second), "table.txt").text,
                      "a table is the first line of its file, decoded");
    }
    return 0;
}
