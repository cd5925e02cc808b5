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

// UTF-8 to UTF-16 and back, for writing expectations readably.
std::u16string U16(std::string_view utf8);
std::string U8(std::u16string_view utf16);

// Bytes of `utf8` text in GBK (Windows code page 936).
std::string Gbk(std::string_view utf8);

}  // namespace tavrel::test
