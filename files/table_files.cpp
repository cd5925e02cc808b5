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
    auto phrases = std::make_shared<PhraseMatcher>();
    for (const std::string& name : PhraseFileNames(direction, choice)) {
        const std::filesystem::path file = directory / name;
        platform::File input = OpenRegularFile(file);
        std::string bytes;
        char buffer[65536];
        while (const std::size_t got = platform::ReadSome(input, buffer, sizeof buffer, file))
            bytes.append(buffer, got);
        if (const std::size_t line = AddPhraseLines(*phrases, bytes))
            throw FileError(file, FileError::Operation::Read,
                            Tr("第 {0} 行不是“原文<Tab>译文”形式的 UTF-8 词组", line));
    }
    converter.SetPhrases(direction, std::move(phrases));
}

}  // namespace tavrel
