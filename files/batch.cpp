#include "files/batch.h"

#include "files/convert_file.h"
#include "files/input_file.h"
#include "files/platform.h"

#include <map>
#include <memory>
#include <system_error>

namespace tavrel {

namespace fs = std::filesystem;

namespace {

std::string BatchPrefix(Direction direction)
{
    return direction == Direction::F2J ? "简体" : "繁体";
}

// Copies of chosen files taken before another file's output replaced them.
class KeptInputs {
public:
    explicit KeptInputs(const std::vector<fs::path>& inputs)
    {
        for (std::size_t i = 0; i < inputs.size(); ++i) {
            if (const std::optional<platform::FileInfo> info = InspectQuietly(inputs[i]))
                pending_.emplace(i, info->identity);
        }
    }

    // Before `output` is written while file `current` is converted: keeps
    // every later chosen file that is the same file as `output`.
    void KeepFrom(const fs::path& output, std::size_t current, const std::vector<fs::path>& inputs)
    {
        const std::optional<platform::FileInfo> target = InspectQuietly(output);
        if (!target)
            return;
        for (const auto& [index, id] : pending_) {
            if (index > current && id == target->identity && !kept_.contains(index)) {
                InputFile original(inputs[index]);
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
    // A file that cannot be looked at now fails when its turn comes.
    static std::optional<platform::FileInfo> InspectQuietly(const fs::path& path)
    {
        try {
            return platform::InspectPath(path);
        } catch (const FileError&) {
            return std::nullopt;
        }
    }

    std::map<std::size_t, platform::FileIdentity> pending_;
    std::map<std::size_t, std::unique_ptr<InputFile>> kept_;
};

std::uint64_t TotalSize(const std::vector<fs::path>& inputs)
{
    std::uint64_t total = 0;
    for (const fs::path& input : inputs) {
        std::error_code ignored;
        const auto size = fs::file_size(input, ignored);
        total += ignored ? 0 : size;
    }
    return total;
}

}  // namespace

fs::path BatchOutputPath(const fs::path& input, Direction direction)
{
    fs::path name = fs::path(std::u8string(reinterpret_cast<const char8_t*>(BatchPrefix(direction).c_str())));
    name += input.filename();
    return input.parent_path() / name;
}

std::string BatchDoneMessage(const BatchResult& result)
{
    return std::to_string(result.converted) + "个所选文件已经成功转换！";
}

BatchError::BatchError(const Error& cause, std::size_t converted)
    : Error(cause.File(), std::string(cause.what()) + "\n在此之前已有 " + std::to_string(converted) +
                              " 个文件成功转换。"),
      cancelled_(dynamic_cast<const Cancelled*>(&cause) != nullptr)
{
}

BatchResult ConvertBatch(const Converter& converter, Direction direction, const std::vector<fs::path>& inputs,
                         const EncodingChoice& choice, Progress* progress)
{
    if (progress)
        progress->BatchStarted(inputs.size(), TotalSize(inputs));
    BatchResult result;
    KeptInputs kept(inputs);
    // Outputs are put in place in order while the next files convert, and
    // their folders synced once each; all before the batch reports.
    CommitQueue commits;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        try {
            if (progress)
                progress->ThrowIfCancelled();
            const fs::path output = BatchOutputPath(inputs[i], direction);
            std::unique_ptr<InputFile> input = kept.Take(i);
            // An input that an earlier output creates must be in place first.
            if (!input && !platform::InspectPath(inputs[i]))
                commits.Finish();
            if (!input)
                input = std::make_unique<InputFile>(inputs[i]);
            if (progress)
                progress->FileStarted(i, input->Size());
            kept.KeepFrom(output, i, inputs);
            result.encodings.push_back(
                ConvertTextFile(converter, direction, *input, output, choice, progress, &commits));
        } catch (const Error& error) {
            // The files converted before it are put in place first; one of
            // them that fails to be is the first failure.
            try {
                commits.Finish();
            } catch (const Error& earlier) {
                throw BatchError(earlier, commits.Committed());
            }
            throw BatchError(error, commits.Committed());
        }
        ++result.converted;
    }
    try {
        commits.Finish();
    } catch (const Error& error) {
        throw BatchError(error, commits.Committed());
    }
    return result;
}

}  // namespace tavrel
