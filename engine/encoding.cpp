#include "engine/encoding.h"

#include <algorithm>
#include <cctype>
#include <iterator>

namespace tavrel {

namespace {

struct EncodingNames {
    Encoding encoding;
    const char* display;
    const char* option;
    std::string_view byteOrderMark;
};

constexpr EncodingNames kEncodings[] = {
    {Encoding::Gbk, "GBK", "gbk", {}},
    {Encoding::Gb18030, "GB18030", "gb18030", {}},
    {Encoding::Big5, "Big5", "big5", {}},
    {Encoding::Utf8, "UTF-8", "utf-8", {}},
    {Encoding::Utf8Bom, "UTF-8", "utf-8-bom", {"\xEF\xBB\xBF", 3}},
    {Encoding::Utf16LE, "UTF-16LE", "utf-16le", {"\xFF\xFE", 2}},
    {Encoding::Utf16BE, "UTF-16BE", "utf-16be", {"\xFE\xFF", 2}},
};

const EncodingNames& NamesOf(Encoding encoding)
{
    return *std::find_if(std::begin(kEncodings), std::end(kEncodings),
                         [&](const EncodingNames& names) { return names.encoding == encoding; });
}

}  // namespace

std::vector<Encoding> AllEncodings()
{
    std::vector<Encoding> encodings;
    for (const EncodingNames& names : kEncodings)
        encodings.push_back(names.encoding);
    return encodings;
}

std::string EncodingName(Encoding encoding)
{
    return NamesOf(encoding).display;
}

std::optional<Encoding> ParseEncodingName(std::string_view name)
{
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const EncodingNames& names : kEncodings) {
        if (lower == names.option)
            return names.encoding;
    }
    return std::nullopt;
}

std::string EncodingOptionName(Encoding encoding)
{
    return NamesOf(encoding).option;
}

std::string_view ByteOrderMark(Encoding encoding)
{
    return NamesOf(encoding).byteOrderMark;
}

}  // namespace tavrel
