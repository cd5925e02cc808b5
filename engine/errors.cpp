#include "engine/errors.h"

#include <cstdio>
#include <cstring>

namespace tavrel {

namespace {

Message FileMessage(const std::filesystem::path& file, FileError::Operation operation, const Message& reason)
{
    switch (operation) {
    case FileError::Operation::Read:
        return Tr("无法读取文件“{0}”：{1}", DisplayPath(file), reason);
    case FileError::Operation::Write:
        return Tr("无法写入文件“{0}”：{1}", DisplayPath(file), reason);
    case FileError::Operation::Overwrite:
        return Tr("写入文件“{0}”时出错：{1}。文件的原有内容已被部分覆盖，可能已不完整。", DisplayPath(file), reason);
    case FileError::Operation::Create:
        break;
    }
    const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : ".";
    return Tr("无法在文件夹“{0}”中创建文件“{1}”：{2}", DisplayPath(folder), DisplayPath(file.filename()), reason);
}

}  // namespace

std::string DisplayPath(const std::filesystem::path& path)
{
    std::filesystem::path native = path;
    native.make_preferred();
    const std::u8string text = native.u8string();
    return {text.begin(), text.end()};
}

std::string CodePointName(char32_t codePoint)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(codePoint));
    return buffer;
}

Error::Error(std::filesystem::path file, Message message)
    : std::runtime_error(message.Text()), file_(std::move(file)), message_(std::move(message))
{
}

FileError::FileError(std::filesystem::path file, Operation operation, const std::string& reason)
    : FileError(std::move(file), operation, Message::Plain(reason))
{
}

FileError::FileError(std::filesystem::path file, Operation operation, const Message& reason)
    : Error(file, FileMessage(file, operation, reason))
{
}

DecodeError::DecodeError(std::filesystem::path file, const std::string& encoding, std::uint64_t byteOffset)
    : Error(file, Tr("无法读取文件“{0}”：字节偏移 {1} 处不是有效的 {2} 字节序列", DisplayPath(file), byteOffset,
                     encoding))
{
}

EncodeError::EncodeError(std::filesystem::path file, const std::string& encoding, char32_t codePoint,
                         std::size_t line, std::size_t column)
    : Error(file, Tr("无法写入文件“{0}”：第 {1} 行第 {2} 个字符 {3} 无法用 {4} 编码表示", DisplayPath(file), line,
                     column, CodePointName(codePoint), encoding))
{
}

UnclearEncodingError::UnclearEncodingError(std::filesystem::path file)
    : Error(file, Tr("无法判断文件“{0}”的编码：它含有 NUL 字节，不像 GBK、Big5 或 UTF-8 文本；"
                     "若是没有字节顺序标记的 UTF-16 文本，请用 --encoding utf-16le 或 --encoding utf-16be 指定",
                     DisplayPath(file)))
{
}

EncodingChangedError::EncodingChangedError(std::filesystem::path file, const std::string& decided,
                                           const std::string& found, std::uint64_t byteOffset)
    : Error(file, Tr("无法读取“{0}”：按开头的字节判断为 {1}，但到字节偏移 {2} 处看来是 {3}；请用 --encoding 指定编码",
                     DisplayPath(file), decided, byteOffset, found))
{
}

TableError::TableError(std::filesystem::path file)
    : Error(file, Tr("无法读取字符表文件“{0}”：文件是空的，没有任何一行", DisplayPath(file)))
{
}

}  // namespace tavrel
