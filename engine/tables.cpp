#include "engine/tables.h"

#include "engine/app_dir.h"
#include "engine/codec.h"
#include "engine/errors.h"
#include "engine/file_bytes.h"

namespace tavrel {

namespace {

// The bytes of the first line: up to the first CR, which in UTF-16 files is a
// whole code unit and elsewhere a single byte (no multibyte character of the
// other encodings holds 0x0D).
std::string_view FirstLineBytes(std::string_view bytes)
{
    for (const Encoding utf16 : {Encoding::Utf16LE, Encoding::Utf16BE}) {
        if (!bytes.starts_with(ByteOrderMark(utf16)))
            continue;
        const std::string_view cr = utf16 == Encoding::Utf16LE ? std::string_view("\x0D\x00", 2)
                                                                : std::string_view("\x00\x0D", 2);
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            if (bytes.substr(i, 2) == cr)
                return bytes.substr(0, i);
        }
        return bytes;
    }
    return bytes.substr(0, bytes.find('\r'));
}

}  // namespace

std::u16string ReadTableLine(const std::filesystem::path& file)
{
    const std::string bytes = ReadFileBytes(file);
    if (bytes.empty())
        throw TableError(file);
    return DecodeText(FirstLineBytes(bytes), file).text;
}

void LoadTables(Converter& converter)
{
    LoadTables(converter, ApplicationDirectory());
}

void LoadTables(Converter& converter, const std::filesystem::path& directory)
{
    if (!converter.TableF().empty() && !converter.TableJ().empty())
        return;
    std::u16string tableF = ReadTableLine(directory / kTableFileF);
    std::u16string tableJ = ReadTableLine(directory / kTableFileJ);
    converter.SetTables(std::move(tableF), std::move(tableJ));
}

}  // namespace tavrel
