#pragma once

#include <cstddef>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace tavrel {

// A path as the user should see it: native separators, UTF-8.
std::string DisplayPath(const std::filesystem::path& path);

// What both programs say when an allocation fails.
inline constexpr char kOutOfMemoryMessage[] = "内存不足，无法完成这项操作。";

// The base of every failure the engine and the file layer report. what() is
// a complete message in Simplified Chinese that names the file and the reason.
class Error : public std::runtime_error {
public:
    Error(std::filesystem::path file, const std::string& message);
    const std::filesystem::path& File() const { return file_; }

private:
    std::filesystem::path file_;
};

// The operating system refused to open, read or write a file, or the folder
// refused a new file in it (Create: the message names the folder and the name).
class FileError : public Error {
public:
    enum class Operation { Read, Write, Create };
    FileError(std::filesystem::path file, Operation operation, std::string reason);
    const std::string& Reason() const { return reason_; }

private:
    std::string reason_;
};

// A byte sequence that is not valid in the file's encoding.
class DecodeError : public Error {
public:
    DecodeError(std::filesystem::path file, std::string encoding, std::size_t byteOffset);
    const std::string& EncodingName() const { return encoding_; }
    std::size_t ByteOffset() const { return byteOffset_; }

private:
    std::string encoding_;
    std::size_t byteOffset_;
};

// A character the target encoding cannot hold, at a 1-based line and column
// of the text.
class EncodeError : public Error {
public:
    EncodeError(std::filesystem::path file, std::string encoding, char32_t codePoint, std::size_t line,
                std::size_t column);
    const std::string& EncodingName() const { return encoding_; }
    char32_t CodePoint() const { return codePoint_; }
    std::size_t Line() const { return line_; }
    std::size_t Column() const { return column_; }

private:
    std::string encoding_;
    char32_t codePoint_;
    std::size_t line_;
    std::size_t column_;
};

// A table file that holds no line at all.
class TableError : public Error {
public:
    explicit TableError(std::filesystem::path file);
};

// "U+200B" for a code point.
std::string CodePointName(char32_t codePoint);

// The C library's description of an errno value, in the language of the
// locale and in UTF-8.
std::string SystemReason(int errorNumber);

}  // namespace tavrel
