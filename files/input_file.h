#pragma once

#include "files/platform.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tavrel {

// A file or stream open for reading, read in blocks.
class InputFile {
public:
    // Opens `path` for reading; throws FileError naming it.
    explicit InputFile(const std::filesystem::path& path);
    // Reads from an open file (standard input, for one); `name` is what
    // messages call it.
    InputFile(platform::File file, std::filesystem::path name);

    // A copy of the input's bytes in an unnamed scratch file, read from the
    // start: what is left to read once the original is written over.
    static std::unique_ptr<InputFile> CopyOf(InputFile& original);

    const std::filesystem::path& Name() const { return name_; }
    // Whether the input can be read again from the start: a regular file.
    bool Rereadable() const { return rereadable_; }
    // The size of a regular file when it was opened; 0 for a stream.
    std::uint64_t Size() const { return size_; }

    // Reads up to `capacity` bytes, fewer only at the end; 0 at the end.
    // With `waitForAll` false, returns what one read gives (for streams
    // whose output should follow their input). Throws FileError.
    std::size_t Read(char* buffer, std::size_t capacity, bool waitForAll = true);
    // Starts again from the beginning; only for rereadable inputs.
    void Rewind();
    // Makes `bytes` the next to be read, before what the input holds.
    void Unread(std::string_view bytes);
    // Whether a read would now return at once with more bytes.
    bool MoreArrived() const;

private:
    std::filesystem::path name_;
    platform::File file_;
    bool rereadable_ = false;
    std::uint64_t size_ = 0;
    std::string unread_;
};

}  // namespace tavrel
