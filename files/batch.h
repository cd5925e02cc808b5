#pragma once

#include "engine/converter.h"
#include "engine/errors.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace tavrel {

// "简体" for files converted to Simplified, "繁体" for Traditional.
std::string BatchPrefix(Direction direction);

// Where the conversion of `input` goes: beside it, its name prefixed.
std::filesystem::path BatchOutputPath(const std::filesystem::path& input, Direction direction);

struct BatchStep {
    std::size_t index;  // 0-based index of the file about to be converted
    std::size_t total;
    const std::filesystem::path& file;
};

// Called before each file; returning false cancels the rest of the batch.
using BatchObserver = std::function<bool(const BatchStep&)>;

struct BatchResult {
    std::size_t converted = 0;
    bool cancelled = false;
};

// A file of a batch failed; the files before it were converted and stay.
class BatchError : public Error {
public:
    BatchError(const Error& cause, std::size_t converted);
    std::size_t converted() const { return converted_; }

private:
    std::size_t converted_;
};

// Converts each input in order and writes it to its BatchOutputPath, in the
// encoding the input had. A chosen file that another file's output would
// replace is read before it is replaced, so its own conversion still sees its
// original text. Stops at the first failure with a BatchError.
BatchResult ConvertBatch(const Converter& converter, Direction direction,
                         const std::vector<std::filesystem::path>& inputs,
                         const BatchObserver& observer = {});

}  // namespace tavrel
