#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tavrel::test {

// A fresh directory, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const;

private:
    std::filesystem::path path_;
};

std::string ReadBytes(const std::filesystem::path& file);
void WriteBytes(const std::filesystem::path& file, std::string_view bytes);

// How many files and folders `dir` holds.
inline std::ptrdiff_t EntryCount(const std::filesystem::path& dir)
{
    return std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator());
}

// The GBK bytes of UTF-8 text, for writing expectations readably.
std::string Gbk(std::string_view utf8);

// The text in the named ICU encoding, made without the codec.
std::string IcuEncoded(const char* icuName, std::u16string_view text);

}  // namespace tavrel::test
