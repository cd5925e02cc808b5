#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

// One resource of a compiled resource file (.res): a sequence of headers,
// each followed by its data, everything aligned to four bytes.
struct Resource {
    std::uint16_t type = 0;  // numeric types only: 3 icon, 14 icon group, 16 version
    std::uint16_t language = 0;
    std::string data;
};

std::uint32_t Read32(const std::string& bytes, std::size_t at)
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes.at(at)) |
                                      static_cast<unsigned char>(bytes.at(at + 1)) << 8 |
                                      static_cast<unsigned char>(bytes.at(at + 2)) << 16 |
                                      static_cast<unsigned char>(bytes.at(at + 3)) << 24);
}

std::uint16_t Read16(const std::string& bytes, std::size_t at)
{
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes.at(at)) |
                                      static_cast<unsigned char>(bytes.at(at + 1)) << 8);
}

std::size_t Aligned(std::size_t offset)
{
    return (offset + 3) & ~std::size_t{3};
}

std::vector<Resource> ParseResources(const std::string& bytes)
{
    std::vector<Resource> resources;
    for (std::size_t at = 0; at + 8 <= bytes.size(); ) {
        const std::uint32_t dataSize = Read32(bytes, at);
        const std::uint32_t headerSize = Read32(bytes, at + 4);
        Resource resource;
        // The type is 0xFFFF and a number, or a string; the language sits
        // 6 bytes from the header's end (after DataVersion and MemoryFlags).
        if (Read16(bytes, at + 8) == 0xFFFF)
            resource.type = Read16(bytes, at + 10);
        resource.language = Read16(bytes, at + headerSize - 10);
        resource.data = bytes.substr(at + headerSize, dataSize);
        if (dataSize > 0)
            resources.push_back(resource);
        at = Aligned(at + headerSize + dataSize);
    }
    return resources;
}

std::string Utf16(const std::string& ascii)
{
    std::string bytes;
    for (const char c : ascii) {
        bytes += c;
        bytes += '\0';
    }
    return bytes + std::string(2, '\0');
}

// The value of a string in a version record: after the key and its NUL, padded
// to four bytes, up to the next NUL.
std::optional<std::string> VersionString(const std::string& record, const std::string& key)
{
    const std::size_t found = record.find(Utf16(key));
    if (found == std::string::npos)
        return std::nullopt;
    std::string value;
    for (std::size_t at = Aligned(found + Utf16(key).size()); Read16(record, at) != 0; at += 2)
        value += static_cast<char>(Read16(record, at));
    return value;
}

std::vector<Resource> CompileResourceScript(const tavrel::test::TempDir& dir)
{
    const auto result = tavrel::test::RunProgram(
        TAVREL_WINDRES, {"--preprocessor=cpp", "-i", TAVREL_RESOURCE_SCRIPT, "-O", "res", "-o", (dir / "tavrel.res").string()});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    return ParseResources(tavrel::test::ReadBytes(dir / "tavrel.res"));
}

const Resource* Find(const std::vector<Resource>& resources, std::uint16_t type)
{
    for (const Resource& resource : resources) {
        if (resource.type == type)
            return &resource;
    }
    return nullptr;
}

TEST(WindowsResourceTest, VersionRecordIsChineseWithTheProgramsStrings)
{
    tavrel::test::TempDir dir;
    const Resource* version = Find(CompileResourceScript(dir), 16);
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->language, 0x0804);
    EXPECT_NE(version->data.find(Utf16("080404B0")), std::string::npos);

    const std::size_t fixed = version->data.find("\xBD\x04\xEF\xFE");
    ASSERT_NE(fixed, std::string::npos);
    EXPECT_EQ(Read32(version->data, fixed + 8), 0x00030000u) << "file version 3.0";
    EXPECT_EQ(Read32(version->data, fixed + 12), 0x00000008u) << "file version 0.8";
    EXPECT_EQ(Read32(version->data, fixed + 16), 0x00030000u) << "product version 3.0";
    EXPECT_EQ(Read32(version->data, fixed + 20), 0x00000008u) << "product version 0.8";

    const std::pair<std::string, std::string> strings[] = {
        {"FileVersion", "3.00.0008"},        {"ProductVersion", "3.00.0008"},
        {"ProductName", "Tavrel"},           {"InternalName", "Tavrel"},
        {"OriginalFilename", "Tavrel.exe"},  {"CompanyName", TAVREL_WEB_ADDRESS},
        {"FileDescription", TAVREL_WEB_ADDRESS}, {"LegalCopyright", TAVREL_WEB_ADDRESS},
    };
    for (const auto& [key, value] : strings)
        EXPECT_EQ(VersionString(version->data, key), value) << key;
}

TEST(WindowsResourceTest, IconGroupHoldsSixteenAndThirtyTwoPixelImages)
{
    tavrel::test::TempDir dir;
    const std::vector<Resource> resources = CompileResourceScript(dir);
    const Resource* group = Find(resources, 14);
    ASSERT_NE(group, nullptr);
    // A group is a 6-byte header with the count, then 14 bytes per image
    // starting with its width and height (0 meaning 256).
    std::set<int> sizes;
    const std::uint16_t count = Read16(group->data, 4);
    for (std::size_t i = 0; i < count; ++i) {
        const auto width = static_cast<unsigned char>(group->data.at(6 + 14 * i));
        const auto height = static_cast<unsigned char>(group->data.at(6 + 14 * i + 1));
        EXPECT_EQ(width, height);
        sizes.insert(width == 0 ? 256 : width);
    }
    EXPECT_TRUE(sizes.contains(16));
    EXPECT_TRUE(sizes.contains(32));
    std::size_t images = 0;
    for (const Resource& resource : resources)
        images += resource.type == 3;
    EXPECT_EQ(images, count);
}

}  // namespace
