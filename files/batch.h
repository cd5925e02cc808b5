#pragma once

#include "engine/converter.h"
#include "engine/errors.h"
#include "files/convert_file.h"
#include "files/progress.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tavrel {

// "简体" for conversions to Simplified, "繁体" for conversions to Traditional:
// what a batch output's name starts with.
std::string BatchPrefix(Direction direction);

// Where the conversion of `input` goes: beside it, its name prefixed with
// BatchPrefix.
std::filesystem::path BatchOutputPath(const std::filesystem::path& input, Direction direction);

// One file of a batch and where its conversion goes.
struct BatchItem {
    std::filesystem::path input;
    std::filesystem::path output;
};

// The window's batch: each file converted beside itself (BatchOutputPath).
std::vector<BatchItem> BesideEachFile(const std::vector<std::filesystem::path>& inputs, Direction direction);

// How the command line finds the files of a batch in the folders it names.
struct FolderSearch {
    bool recursive = false;          // into sub-folders too (never through a link)
    std::string pattern = "*.txt";   // names that count, * and ? as wildcards, letters in any case
};

// The command line's batch: files named are taken as they are; folders are
// searched for files whose names match the pattern and do not start with
// the prefix (they are outputs of an earlier run). Outputs go beside each
// file with the prefix, or with `outputFolder` under it, keeping their names
// and the folders found on the way. Throws FileError for a folder that
// cannot be read.
std::vector<BatchItem> CollectBatch(const std::vector<std::filesystem::path>& arguments, Direction direction,
                                    const FolderSearch& search,
                                    const std::optional<std::filesystem::path>& outputFolder);

// Whether `name` matches `pattern`: * any run of characters, ? one, ASCII
// letters in any case.
bool NameMatches(std::u8string_view name, std::u8string_view pattern);

struct BatchSettings {
    bool keepGoing = false;    // convert the rest after a failure, instead of stopping
    bool noClobber = false;    // leave outputs that exist as they are
    bool makeFolders = false;  // make an output's folder when it is missing
};

// What became of one file of a batch.
struct BatchOutcome {
    enum class Kind { Converted, Skipped, Failed };
    Kind kind = Kind::Converted;
    ConversionResult encodings{};  // Converted
    Message message;               // Failed: why
};

struct BatchResult {
    std::size_t converted = 0;
    std::size_t skipped = 0;
    std::size_t failed = 0;
    std::vector<BatchOutcome> outcomes;  // of each item, in order
};

// What both programs say when a batch is done: "N个所选文件已经成功转换！".
Message BatchDoneMessage(const BatchResult& result);

// A file of a batch failed or the batch was cancelled; the files before it
// were converted and stay. The message says so, with their count.
class BatchError : public Error {
public:
    BatchError(const Error& cause, std::size_t converted);
    bool WasCancelled() const { return cancelled_; }

private:
    bool cancelled_;
};

// Converts each item in order (see ConvertTextFile). A chosen file that an
// earlier item's output would replace (the same file by identity, whatever
// its name) is kept before it is replaced, so its own conversion still sees
// its original text. Stops at the first failure, or when `progress` is
// cancelled, with a BatchError; with `keepGoing`, a failure is noted in its
// outcome and the batch goes on (a cancel still stops it).
BatchResult ConvertBatch(const Converter& converter, Direction direction, const std::vector<BatchItem>& items,
                         const EncodingChoice& choice = {}, Progress* progress = nullptr,
                         const BatchSettings& settings = {});

}  // namespace tavrel
