#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel {

// The encodings a text file can have. GBK is Windows code page 936, GB18030
// its four-byte superset, Big5 Windows code page 950. A UTF-16 file may carry
// a byte-order mark or not; UTF-8 carries one only as Utf8Bom.
enum class Encoding { Gbk, Gb18030, Big5, Utf8, Utf8Bom, Utf16LE, Utf16BE };

// Every encoding, in the order of the enumeration.
std::vector<Encoding> AllEncodings();

// The name messages use: "GBK", "GB18030", "Big5", "UTF-8", "UTF-16LE"...
std::string EncodingName(Encoding encoding);

// The encoding a command line names: gbk, gb18030, big5, utf-8, utf-8-bom,
// utf-16le or utf-16be, in any case; nothing for an unknown name.
std::optional<Encoding> ParseEncodingName(std::string_view name);
// The name a command line gives the encoding, as ParseEncodingName takes it.
std::string EncodingOptionName(Encoding encoding);

// UTF-16 in either byte order.
inline bool IsUtf16(Encoding encoding)
{
    return encoding == Encoding::Utf16LE || encoding == Encoding::Utf16BE;
}

// The byte-order mark a file in this encoding starts with; empty for none.
std::string_view ByteOrderMark(Encoding encoding);

}  // namespace tavrel
