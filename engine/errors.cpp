#include "engine/errors.h"

#include <cstdio>
#include <cstring>

namespace tavrel {

namespace {

std::string Quoted(const std::filesystem::path& file)
{
    return "“" + DisplayPath(file) + "”";
}

std::string FileMessage(const std::filesystem::path& file, FileError::Operation operation,
                        const std::string& reason)
{
    switch (operation) {
    case FileError::Operation::Read:
        return "无法读取文件" + Quoted(file) + "：" + reason;
    case FileError::Operation::Write:
        return "无法写入文件" + Quoted(file) + "：" + reason;
    case FileError::Operation::Overwrite:
        return "写入文件" + Quoted(file) + "时出错：" + reason + "。文件的原有内容已被部分覆盖，可能已不完整。";
    case FileError::Operation::Create:
        break;
    }
    const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : ".";
    return "无法在文件夹" + Quoted(folder) + "中创建文件" + Quoted(file.filename()) + "：" + reason;
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

Error::Error(std::filesystem::path file, const std::string& message)
    : std::runtime_error(message), file_(std::move(file))
{
}

FileError::FileError(std::filesystem::path file, Operation operation, const std::string& reason)
    : Error(file, FileMessage(file, operation, reason))
{
}

DecodeError::DecodeError(std::filesystem::path file, const std::string& encoding, std::uint64_t byteOffset)
    : Error(file, "无法读取文件" + Quoted(file) + "：字节偏移 " + std::to_string(byteOffset) +
                      " 处不是有效的 " + encoding + " 字节序列")
{
}

EncodeError::EncodeError(std::filesystem::path file, const std::string& encoding, char32_t codePoint,
                         std::size_t line, std::size_t column)
    : Error(file, "无法写入文件" + Quoted(file) + "：第 " + std::to_string(line) + " 行第 " +
                      std::to_string(column) + " 个字符 " + CodePointName(codePoint) + " 无法用 " + encoding +
                      " 编码表示")
{
}

UnclearEncodingError::UnclearEncodingError(std::filesystem::path file)
    : Error(file, "无法判断文件" + Quoted(file) +
                      "的编码：它含有 NUL 字节，不像 GBK、Big5 或 UTF-8 文本；若是没有字节顺序标记的 UTF-16 "
                      "文本，请用 --encoding utf-16le 或 --encoding utf-16be 指定")
{
}

TableError::TableError(std::filesystem::path file)
    : Error(file, "无法读取字符表文件" + Quoted(file) + "：文件是空的，没有任何一行")
{
}

}  // namespace tavrel
