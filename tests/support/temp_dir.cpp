#include "tests/support/temp_dir.h"

#include "tests/support/text_codec.h"
#include "engine/icu_converter.h"

#include <fstream>
#include <iterator>
#include <random>

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
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& file, std::string_view bytes)
{
    std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Gbk(std::string_view utf8)
{
    return EncodeText(DecodeBytes(utf8, Encoding::Utf8, "test"), Encoding::Gbk, "test");
}

std::string IcuEncoded(const char* icuName, std::u16string_view text)
{
    ConverterPtr converter = OpenStrictConverter(icuName);
    std::string bytes(4 * text.size() + 4, '\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucnv_fromUChars(converter.get(), bytes.data(), static_cast<int32_t>(bytes.size()),
                                           reinterpret_cast<const UChar*>(text.data()),
                                           static_cast<int32_t>(text.size()), &status);
    if (U_FAILURE(status))
        throw std::runtime_error(std::string("cannot encode the sample in ") + icuName);
    bytes.resize(static_cast<std::size_t>(length));
    return bytes;
}

}  // namespace tavrel::test
