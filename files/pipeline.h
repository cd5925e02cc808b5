#pragma once

#include "engine/block_converter.h"
#include "engine/converter.h"
#include "engine/text_position.h"
#include "files/byte_sink.h"
#include "files/input_file.h"
#include "files/progress.h"

#include <cstdint>

namespace tavrel {

// What a conversion of a whole input did.
struct PipelineResult {
    Encoding input;   // as read: GBK becomes GB18030 at the first four-byte sequence
    Encoding output;  // as written
    BlockFailure::Kind failure = BlockFailure::Kind::None;
    std::uint64_t offset = 0;  // of the failing input sequence, from the start of the input
    char32_t codePoint = 0;    // the character the output encoding cannot hold
    std::size_t line = 0;      // and where it stands in the input text
    std::size_t column = 0;
};

struct PipelineSettings {
    Direction direction = Direction::F2J;
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
};

// Converts `input` from its current position to its end into `sink`, block
// by block in bounded memory, converting blocks in parallel on every core
// and writing them in order. Stops at the first block that does not convert
// and reports where. Throws FileError for a failed read or write and
// Cancelled when `progress` is cancelled.
PipelineResult RunPipeline(const Converter& converter, const PipelineSettings& settings, InputFile& input,
                           ByteSink& sink, FileProgress* progress = nullptr);

}  // namespace tavrel
