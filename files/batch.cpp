#include "files/batch.h"

#include "files/text_file.h"

#include <map>

namespace tavrel {

namespace fs = std::filesystem;

namespace {

std::string SameFileKey(const fs::path& path)
{
    return fs::absolute(path).lexically_normal().string();
}

// Texts of chosen files that were read early because an earlier file's output
// was about to replace them, keyed by SameFileKey.
class EarlyReads {
public:
    explicit EarlyReads(const std::vector<fs::path>& inputs)
    {
        for (std::size_t i = 0; i < inputs.size(); ++i)
            pendingIndex_.emplace(SameFileKey(inputs[i]), i);
    }

    // Before `output` is written while file `current` is being converted:
    // keeps the text of any later chosen file that `output` would replace.
    void ProtectFrom(const fs::path& output, std::size_t current, const std::vector<fs::path>& inputs)
    {
        const auto found = pendingIndex_.find(SameFileKey(output));
        if (found == pendingIndex_.end() || found->second <= current || texts_.contains(found->second))
            return;
        texts_.emplace(found->second, ReadTextFile(inputs[found->second]));
    }

    TextFile Take(std::size_t index, const fs::path& input)
    {
        const auto found = texts_.find(index);
        if (found == texts_.end())
            return ReadTextFile(input);
        TextFile file = std::move(found->second);
        texts_.erase(found);
        return file;
    }

private:
    std::map<std::string, std::size_t> pendingIndex_;
    std::map<std::size_t, TextFile> texts_;
};

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

BatchError::BatchError(const Error& cause, std::size_t converted)
    : Error(cause.file(), std::string(cause.what()) + "\n在此之前已有 " + std::to_string(converted) +
                              " 个文件成功转换。"),
      converted_(converted)
{
}

BatchResult ConvertBatch(const Converter& converter, Direction direction,
                         const std::vector<fs::path>& inputs, const BatchObserver& observer)
{
    BatchResult result;
    EarlyReads early(inputs);
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        if (observer && !observer({i, inputs.size(), inputs[i]})) {
            result.cancelled = true;
            break;
        }
        try {
            TextFile file = early.Take(i, inputs[i]);
            const fs::path output = BatchOutputPath(inputs[i], direction);
            early.ProtectFrom(output, i, inputs);
            converter.ConvertInPlace(direction, file.text);
            WriteTextFile(output, file.text, file.encoding);
        } catch (const Error& error) {
            throw BatchError(error, result.converted);
        }
        ++result.converted;
    }
    return result;
}

}  // namespace tavrel
