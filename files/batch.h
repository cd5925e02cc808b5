#pragma once

#include "engine/converter.h"
#include "engine/errors.h"
#include "files/convert_file.h"
#include "files/progress.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace tavrel {

// Where the conversion of `input` goes: beside it, its name prefixed with
// "简体" (to Simplified) or "繁体" (to Traditional).
std::filesystem::path BatchOutputPath(const std::filesystem::path& input, Direction direction);

struct BatchResult {
    std::size_t converted = 0;
    std::vector<ConversionResult> encodings;  // of each file converted
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

// Converts each input in order and writes it to its BatchOutputPath (see
// ConvertTextFile). A chosen file that another file's output would replace
// (the same file by identity, whatever its name) is kept before it is
// replaced, so its own conversion still sees its original text. Stops at the
// first failure, or when `progress` is cancelled, with a BatchError.
BatchResult ConvertBatch(const Converter& converter, Direction direction,
                         const std::vector<std::filesystem::path>& inputs, const EncodingChoice& choice = {},
                         Progress* progress = nullptr);

}  // namespace tavrel
