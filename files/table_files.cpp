#include "files/table_files.h"

#include "engine/phrases.h"
#include "engine/tables.h"
#include "files/platform.h"

#include <memory>

namespace tavrel {

namespace {

// Far beyond any table (every UTF-16 code unit, in the widest encoding),
// and far below what could exhaust memory.
constexpr std::size_t kMaxLineBytes = std::size_t{64} << 20;

// Opens a file the program reads beside itself, refusing anything but a
// regular file: looked at before it is opened, since opening a pipe would
// wait for a writer, and again once open.
platform::File OpenRegularFile(const std::filesystem::path& file)
{
    const std::optional<platform::FileInfo> info = platform::InspectPath(file);
    if (info && info->kind != platform::FileInfo::Kind::Regular)
        throw FileError(file, FileError::Operation::Read, Tr("不是普通文件"));
    platform::File input = platform::OpenInput(file);
    if (platform::Inspect(input, file).kind != platform::FileInfo::Kind::Regular)
        throw FileError(file, FileError::Operation::Read, Tr("不是普通文件"));
    return input;
}

// Reads straight into a string of the file's size, grown if the file grows.
std::string ReadAll(platform::File input, const std::filesystem::path& file)
{
    std::string bytes(platform::Inspect(input, file).size + 1, '\0');
    std::size_t size = 0;
    while (const std::size_t got = platform::ReadSome(input, bytes.data() + size, bytes.size() - size, file)) {
        size += got;
        if (size == bytes.size())
            bytes.resize(2 * size);
    }
    bytes.resize(size);
    return bytes;
}

// The phrases of a choice, built, are kept in the user's cache folder, after
// a line that names the sizes and hashes of the files they were built from:
// an edited file (or another folder's) makes another line, and the phrases
// are built again. A missing, unreadable or damaged cache is built again too,
// and one that cannot be written is done without.
std::filesystem::path CacheFile(const std::vector<std::string>& names)
{
    const std::filesystem::path folder = platform::CacheFolder();
    if (folder.empty())
        return {};
    std::string name;
    for (const std::string& file : names)
        name += file.substr(0, file.size() - 4) + "+";
    return folder / (name + "built");
}

// The cache's content after `key`, or nothing.
std::string ReadCache(const std::filesystem::path& cache, std::string_view key)
{
    try {
        std::string bytes = ReadAll(OpenRegularFile(cache), cache);
        return bytes.starts_with(key) ? bytes.erase(0, key.size()) : std::string();
    } catch (const std::exception&) {
        return {};
    }
}

void WriteCache(const std::filesystem::path& cache, std::string_view bytes)
{
    try {
        platform::CreateFolders(cache.parent_path());
        std::optional<platform::Staging> staging = platform::Staging::Create(cache.parent_path(), cache, true);
        if (!staging)
            return;
        platform::WriteAll(staging->Output(), bytes, cache);
        staging->CommitByRename(cache, cache, false);
    } catch (const std::exception&) {
        // Done without: the next run builds the phrases again.
    }
}

}  // namespace

std::u16string ReadTableLine(const std::filesystem::path& file)
{
    platform::File input = OpenRegularFile(file);
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const std::size_t searched = bytes.size() > 0 ? bytes.size() - 1 : 0;
        const std::size_t got = platform::ReadSome(input, buffer, sizeof buffer, file);
        bytes.append(buffer, got);
        if (got == 0 || FirstLineEnd(bytes, searched) != std::string::npos)
            break;
        if (bytes.size() > kMaxLineBytes)
            throw FileError(file, FileError::Operation::Read, Tr("第一行超过 64 MB，不是字符表"));
    }
    return TableLine(bytes, file);
}

void LoadTables(Converter& converter)
{
    LoadTables(converter, platform::ApplicationDirectory());
}

void LoadTables(Converter& converter, const std::filesystem::path& directory)
{
    if (!converter.TableF().empty() && !converter.TableJ().empty())
        return;
    std::u16string tableF = ReadTableLine(directory / kTableFileF);
    std::u16string tableJ = ReadTableLine(directory / kTableFileJ);
    converter.SetTables(std::move(tableF), std::move(tableJ));
}

std::vector<std::string> PhraseFileNames(Direction direction, const PhraseChoice& choice)
{
    const std::string way = direction == Direction::J2F ? "s2t" : "t2s";
    std::vector<std::string> names{"phrases-" + way + ".txt"};
    if (!choice.region.empty())
        names.push_back("phrases-" + way + "-" + choice.region + ".txt");
    if (choice.vocabulary)
        names.push_back("vocabulary-" + way + "-" + (choice.region.empty() ? "tw" : choice.region) + ".txt");
    return names;
}

void LoadPhrases(Converter& converter, Direction direction, const PhraseChoice& choice)
{
    LoadPhrases(converter, direction, choice, platform::ApplicationDirectory());
}

void LoadPhrases(Converter& converter, Direction direction, const PhraseChoice& choice,
                 const std::filesystem::path& directory)
{
    const std::vector<std::string> names = PhraseFileNames(direction, choice);
    std::vector<std::string> contents;
    std::string key = "key";
    for (const std::string& name : names) {
        contents.push_back(ReadAll(OpenRegularFile(directory / name), directory / name));
        key += " " + std::to_string(contents.back().size()) + ":" +
               std::to_string(std::hash<std::string_view>{}(contents.back()));
    }
    key += "\n";
    auto phrases = std::make_shared<PhraseMatcher>();
    const std::filesystem::path cache = CacheFile(names);
    if (cache.empty() || !phrases->Load(ReadCache(cache, key))) {
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (const std::size_t line = AddPhraseLines(*phrases, contents[i]))
                throw FileError(directory / names[i], FileError::Operation::Read,
                                Tr("第 {0} 行不是“原文<Tab>译文”形式的 UTF-8 词组", line));
        }
        if (!cache.empty())
            WriteCache(cache, key + phrases->Save());
    }
    converter.SetPhrases(direction, std::move(phrases));
}

}  // namespace tavrel
