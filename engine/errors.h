#pragma once

#include "engine/message.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace tavrel {

// A path as the user should see it: native separators, UTF-8.
std::string DisplayPath(const std::filesystem::path& path);

// What both programs say when an allocation fails.
inline constexpr const char* kOutOfMemoryMessage = TrLater("内存不足，无法完成这项操作。");

// The base of every failure the engine and the file layer report: a message
// that names the file and the reason. what() is its text in Simplified
// Chinese, which the window shows; the command line shows Content() in the
// user's language.
class Error : public std::runtime_error {
public:
    Error(std::filesystem::path file, Message message);
    const std::filesystem::path& File() const { return file_; }
    const Message& Content() const { return message_; }

private:
    std::filesystem::path file_;
    Message message_;
};

// The operating system refused to open, read or write a file, or the folder
// refused a new file in it (Create: the message names the folder and the
// name). Overwrite: writing over the file itself failed midway, which may
// have left it incomplete. `reason` is the system's, in the user's language
// (plain text), or the program's own (made by Tr).
class FileError : public Error {
public:
    enum class Operation { Read, Write, Create, Overwrite };
    FileError(std::filesystem::path file, Operation operation, const std::string& reason);
    FileError(std::filesystem::path file, Operation operation, const Message& reason);
};

// A byte sequence that is not valid in the file's encoding.
class DecodeError : public Error {
public:
    DecodeError(std::filesystem::path file, const std::string& encoding, std::uint64_t byteOffset);
};

// A character the target encoding cannot hold, at a 1-based line and column
// of the text.
class EncodeError : public Error {
public:
    EncodeError(std::filesystem::path file, const std::string& encoding, char32_t codePoint, std::size_t line,
                std::size_t column);
};

// A file whose encoding cannot be told: it holds NUL bytes, so it is no
// text of an 8-bit encoding, but not clearly UTF-16 either.
class UnclearEncodingError : public Error {
public:
    explicit UnclearEncodingError(std::filesystem::path file);
};

// A stream whose encoding was decided from its first bytes, whose later
// bytes read as another encoding: converting on would write garbage.
class EncodingChangedError : public Error {
public:
    EncodingChangedError(std::filesystem::path file, const std::string& decided, const std::string& found,
                         std::uint64_t byteOffset);
};

// A table file that holds no line at all.
class TableError : public Error {
public:
    explicit TableError(std::filesystem::path file);
};

// "U+200B" for a code point.
std::string CodePointName(char32_t codePoint);

}  // namespace tavrel
