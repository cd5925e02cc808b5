#include "tests/support/temp_dir.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace tavrel::test {

namespace fs = std::filesystem;

TempDir::TempDir()
{
    std::random_device random;
    path_ = fs::temp_directory_path() / ("tavrel-test-" + std::to_string(random()) + std::to_string(random()));
    fs::create_directories(path_);
}

TempDir::~TempDir()
{
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

fs::path TempDir::operator/(std::string_view name) const
{
    return path_ / fs::path(std::u8string(name.begin(), name.end()));
}

std::string ReadBytes(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + file.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& file, std::string_view bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + file.string());
}

std::u16string U16(std::string_view utf8)
{
    std::u16string result(utf8.size() + 1, u'\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8(reinterpret_cast<UChar*>(result.data()), static_cast<int32_t>(result.size()), &length,
                  utf8.data(), static_cast<int32_t>(utf8.size()), &status);
    if (U_FAILURE(status))
        throw std::runtime_error("bad UTF-8 in a test");
    result.resize(static_cast<std::size_t>(length));
    return result;
}

std::string U8(std::u16string_view utf16)
{
    std::string result(utf16.size() * 3 + 1, '\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8WithSub(result.data(), static_cast<int32_t>(result.size()), &length,
                       reinterpret_cast<const UChar*>(utf16.data()), static_cast<int32_t>(utf16.size()),
                       0xFFFD, nullptr, &status);
    result.resize(static_cast<std::size_t>(length));
    return result;
}

std::string Gbk(std::string_view utf8)
{
    const std::u16string text = U16(utf8);
    std::string result(text.size() * 2 + 1, '\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucnv_convert("windows-936-2000", "UTF-8", result.data(),
                                        static_cast<int32_t>(result.size()), utf8.data(),
                                        static_cast<int32_t>(utf8.size()), &status);
    if (U_FAILURE(status))
        throw std::runtime_error("not GBK-encodable in a test");
    result.resize(static_cast<std::size_t>(length));
    return result;
}

}  // namespace tavrel::test
