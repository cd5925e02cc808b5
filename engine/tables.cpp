#include "engine/tables.h"

#include "engine/codec.h"
#include "engine/encoding.h"
#include "engine/errors.h"

#include <algorithm>

namespace tavrel {

std::size_t FirstLineEnd(std::string_view bytes, std::size_t from)
{
    for (const Encoding utf16 : {Encoding::Utf16LE, Encoding::Utf16BE}) {
        if (!bytes.starts_with(ByteOrderMark(utf16)))
            continue;
        const std::string_view cr = utf16 == Encoding::Utf16LE ? std::string_view("\x0D\x00", 2)
                                                                : std::string_view("\x00\x0D", 2);
        for (std::size_t i = std::max<std::size_t>(2, from & ~std::size_t{1}); i + 1 < bytes.size(); i += 2) {
            if (bytes.substr(i, 2) == cr)
                return i;
        }
        return std::string_view::npos;
    }
    return bytes.find('\r', from);
}

std::u16string TableLine(std::string_view bytes, const std::filesystem::path& file)
{
    if (bytes.empty())
        throw TableError(file);
    return DecodeText(bytes.substr(0, FirstLineEnd(bytes)), file).text;
}

}  // namespace tavrel
