#pragma once

#include "engine/block_converter.h"
#include "engine/converter.h"
#include "engine/text_position.h"
#include "files/byte_sink.h"
#include "files/input_file.h"
#include "files/progress.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>

namespace tavrel {

// The encodings a conversion read and wrote: GBK input becomes GB18030 at
// its first four-byte sequence.
struct ConversionResult {
    Encoding read;
    Encoding written;
    // The other reading, when the input's bytes read almost as well in it.
    std::optional<Encoding> alternative = std::nullopt;
};

struct PipelineSettings {
    Direction direction = Direction::F2J;
    // What messages call the output.
    std::filesystem::path outputName;
    Encoding input = Encoding::Gbk;
    Encoding output = Encoding::Gbk;
    // Bytes of the input already read (its byte-order mark), so that
    // offsets count from the start of the input.
    std::uint64_t start = 0;
    // Where the text read before `start` left off, for messages.
    TextPosition position;
    // Bytes per block, and threads (0: one per core, up to four).
    std::size_t blockSize = std::size_t{1} << 20;
    std::size_t workers = 0;
    // For a stream: convert and pass on whatever arrives at once, in order,
    // instead of waiting for whole blocks, with no threads.
    bool follow = false;
    // Shown every block in input order, with its offset, before it is
    // converted: for a stream whose encoding was decided from its start, to
    // throw when later bytes show the decision wrong.
    std::function<void(std::string_view, std::uint64_t)> watch;
};

// Converts `input` from its current position to its end into `sink`, block
// by block in bounded memory, converting blocks in parallel on every core
// and writing them in order. Stops at the first block that does not convert
// and throws DecodeError (naming the input and the byte offset) or
// EncodeError (naming the output, the character and its line and column in
// the input); throws FileError for a failed read or write and Cancelled once
// `progress` is cancelled.
ConversionResult RunPipeline(const Converter& converter, const PipelineSettings& settings, InputFile& input,
                             ByteSink& sink, Progress* progress = nullptr);

}  // namespace tavrel
