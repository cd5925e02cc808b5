#include "files/batch.h"

#include "files/convert_file.h"
#include "files/input_file.h"
#include "files/platform.h"

#include <map>
#include <memory>

namespace tavrel {

namespace fs = std::filesystem;

namespace {

// A file that cannot be looked at now fails when its turn comes.
std::optional<platform::FileInfo> InspectQuietly(const fs::path& path)
{
    try {
        return platform::InspectPath(path);
    } catch (const FileError&) {
        return std::nullopt;
    }
}

// Copies of chosen files taken before another file's output replaced them.
class KeptInputs {
public:
    explicit KeptInputs(const std::vector<BatchItem>& items)
    {
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (const std::optional<platform::FileInfo> info = InspectQuietly(items[i].input))
                pending_.emplace(i, info->identity);
        }
    }

    // Before `output` is written while file `current` is converted: keeps
    // every later chosen file that is the same file as `output`.
    void KeepFrom(const fs::path& output, std::size_t current, const std::vector<BatchItem>& items)
    {
        const std::optional<platform::FileInfo> target = InspectQuietly(output);
        if (!target)
            return;
        for (const auto& [index, id] : pending_) {
            if (index > current && id == target->identity && !kept_.contains(index)) {
                InputFile original(items[index].input);
                kept_.emplace(index, InputFile::CopyOf(original));
            }
        }
    }

    // The kept copy of file `index`, or nothing.
    std::unique_ptr<InputFile> Take(std::size_t index)
    {
        const auto found = kept_.find(index);
        if (found == kept_.end())
            return nullptr;
        std::unique_ptr<InputFile> copy = std::move(found->second);
        kept_.erase(found);
        return copy;
    }

private:
    std::map<std::size_t, platform::FileIdentity> pending_;
    std::map<std::size_t, std::unique_ptr<InputFile>> kept_;
};

std::uint64_t TotalSize(const std::vector<BatchItem>& items)
{
    std::uint64_t total = 0;
    for (const BatchItem& item : items) {
        if (const std::optional<platform::FileInfo> info = InspectQuietly(item.input))
            total += info->size;
    }
    return total;
}

}  // namespace

std::string BatchPrefix(Direction direction)
{
    return direction == Direction::F2J ? "简体" : "繁体";
}

fs::path BatchOutputPath(const fs::path& input, Direction direction)
{
    fs::path name = fs::path(std::u8string(reinterpret_cast<const char8_t*>(BatchPrefix(direction).c_str())));
    name += input.filename();
    return input.parent_path() / name;
}

std::vector<BatchItem> BesideEachFile(const std::vector<fs::path>& inputs, Direction direction)
{
    std::vector<BatchItem> items;
    for (const fs::path& input : inputs)
        items.push_back({input, BatchOutputPath(input, direction)});
    return items;
}

Message BatchDoneMessage(const BatchResult& result)
{
    return Tr("{0}个所选文件已经成功转换！", result.converted);
}

BatchError::BatchError(const Error& cause, std::size_t converted)
    : Error(cause.File(), Tr("{0}\n在此之前已有 {1} 个文件成功转换。", cause.Content(), converted)),
      cancelled_(dynamic_cast<const Cancelled*>(&cause) != nullptr)
{
}

bool NameMatches(std::u8string_view name, std::u8string_view pattern)
{
    const auto lower = [](char8_t c) { return c >= u8'A' && c <= u8'Z' ? static_cast<char8_t>(c + 32) : c; };
    // The usual walk: on a mismatch, go back to the last * and let it take one more character.
    std::size_t n = 0, p = 0, starName = std::u8string_view::npos, star = std::u8string_view::npos;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u8'*') {
            star = p++;
            starName = n;
        } else if (p < pattern.size() && (pattern[p] == u8'?' || lower(pattern[p]) == lower(name[n]))) {
            ++p;
            ++n;
        } else if (star != std::u8string_view::npos) {
            p = star + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u8'*')
        ++p;
    return p == pattern.size();
}

namespace {

void Search(const fs::path& folder, const fs::path& relative, const FolderSearch& search, Direction direction,
            const std::optional<fs::path>& outputFolder, std::vector<BatchItem>& items)
{
    const std::u8string prefix(reinterpret_cast<const char8_t*>(BatchPrefix(direction).c_str()));
    const std::u8string pattern(search.pattern.begin(), search.pattern.end());
    for (const platform::FolderEntry& entry : platform::ListFolder(folder)) {
        const std::u8string name = entry.path.filename().u8string();
        if (entry.kind == platform::FolderEntry::Kind::Folder) {
            if (search.recursive)
                Search(entry.path, relative / entry.path.filename(), search, direction, outputFolder, items);
        } else if (entry.kind == platform::FolderEntry::Kind::File && NameMatches(name, pattern) &&
                   !name.starts_with(prefix)) {
            items.push_back({entry.path, outputFolder ? *outputFolder / relative / entry.path.filename()
                                                      : BatchOutputPath(entry.path, direction)});
        }
    }
}

}  // namespace

std::vector<BatchItem> CollectBatch(const std::vector<fs::path>& arguments, Direction direction,
                                    const FolderSearch& search, const std::optional<fs::path>& outputFolder)
{
    std::vector<BatchItem> items;
    for (const fs::path& argument : arguments) {
        const std::optional<platform::FileInfo> info = InspectQuietly(argument);
        if (info && info->kind == platform::FileInfo::Kind::Directory)
            Search(argument, {}, search, direction, outputFolder, items);
        else
            items.push_back({argument, outputFolder ? *outputFolder / argument.filename()
                                                    : BatchOutputPath(argument, direction)});
    }
    return items;
}

BatchResult ConvertBatch(const Converter& converter, Direction direction, const std::vector<BatchItem>& items,
                         const EncodingChoice& choice, Progress* progress, const BatchSettings& settings)
{
    if (progress)
        progress->BatchStarted(items.size(), TotalSize(items));
    BatchResult result;
    KeptInputs kept(items);
    // Outputs are put in place in order while the next files convert, and
    // their folders synced once each; all before the batch reports.
    CommitQueue commits;
    for (std::size_t i = 0; i < items.size(); ++i) {
        BatchOutcome outcome;
        try {
            if (progress)
                progress->ThrowIfCancelled();
            std::unique_ptr<InputFile> input = kept.Take(i);
            // An input that an earlier output creates must be in place first.
            if (!input && !platform::InspectPath(items[i].input))
                commits.Finish();
            if (!input)
                input = std::make_unique<InputFile>(items[i].input);
            if (progress)
                progress->FileStarted(i, input->Size());
            // An output that exists only once the files before it are in place counts too.
            if (settings.noClobber)
                commits.Finish();
            if (settings.noClobber && platform::InspectPath(items[i].output)) {
                outcome.kind = BatchOutcome::Kind::Skipped;
            } else {
                if (settings.makeFolders && items[i].output.has_parent_path())
                    platform::CreateFolders(items[i].output.parent_path());
                kept.KeepFrom(items[i].output, i, items);
                outcome.encodings =
                    ConvertTextFile(converter, direction, *input, items[i].output, choice, progress, &commits);
            }
        } catch (const Error& error) {
            if (!settings.keepGoing || dynamic_cast<const Cancelled*>(&error)) {
                // The files converted before it are put in place first; one
                // of them that fails to be is the first failure.
                try {
                    commits.Finish();
                } catch (const Error& earlier) {
                    throw BatchError(earlier, commits.Committed());
                }
                throw BatchError(error, commits.Committed());
            }
            outcome = {BatchOutcome::Kind::Failed, {}, error.Content()};
        }
        result.converted += outcome.kind == BatchOutcome::Kind::Converted;
        result.skipped += outcome.kind == BatchOutcome::Kind::Skipped;
        result.failed += outcome.kind == BatchOutcome::Kind::Failed;
        result.outcomes.push_back(std::move(outcome));
    }
    try {
        commits.Finish();
    } catch (const Error& error) {
        throw BatchError(error, commits.Committed());
    }
    return result;
}

}  // namespace tavrel
