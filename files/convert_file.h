#pragma once

#include "engine/converter.h"
#include "engine/encoding.h"
#include "files/byte_sink.h"
#include "files/input_file.h"
#include "files/pipeline.h"
#include "files/progress.h"
#include "files/replace.h"

#include <cstdint>
#include <filesystem>
#include <optional>

namespace tavrel {

// Encodings the user named, in place of what the file's bytes suggest.
struct EncodingChoice {
    std::optional<Encoding> input;
    std::optional<Encoding> output;
};

// How a file is read and written: its encoding, decided from its bytes
// unless chosen, and the output's, the same except that a Big5 file whose
// result Big5 cannot hold is written in GBK.
struct FilePlan {
    Encoding input = Encoding::Gbk;
    Encoding output = Encoding::Gbk;
    std::uint64_t start = 0;  // the length of the byte-order mark
    // The other reading, when detection found the bytes almost as plausible in it.
    std::optional<Encoding> alternative;
};

// Every function reads and writes block by block in bounded memory and
// throws FileError, DecodeError (naming the input and the byte offset),
// EncodeError (naming the output, the character and its line and column in
// the input) or Cancelled. The path forms tell `progress` of one file.

// Reads the file once: decides its encoding, decodes it strictly and, for
// Big5, sees whether the result fits Big5. Gives the plan ConvertTextFile
// then follows without reading the file for it again.
FilePlan CheckTextFile(const Converter& converter, Direction direction, const std::filesystem::path& input,
                       const EncodingChoice& choice = {}, Progress* progress = nullptr);

// Converts `input` into `output`, which is replaced only once all went well
// (see Replacement). Without a plan, the encoding is decided first, in a
// read of its own that stops as soon as the answer is sure.
ConversionResult ConvertTextFile(const Converter& converter, Direction direction, const std::filesystem::path& input,
                                 const std::filesystem::path& output, const EncodingChoice& choice = {},
                                 Progress* progress = nullptr, const std::optional<FilePlan>& plan = {});
// Given `commits`, the output is handed over to it once written, and put in
// place by it (see CommitQueue), not at once.
ConversionResult ConvertTextFile(const Converter& converter, Direction direction, InputFile& input,
                                 const std::filesystem::path& output, const EncodingChoice& choice,
                                 Progress* progress, CommitQueue* commits = nullptr);

// Converts an input into a sink as it arrives: for standard input and
// output, where output should follow input and nothing can be read twice.
// The encoding is decided from what has arrived by the time it must be.
ConversionResult ConvertStream(const Converter& converter, Direction direction, InputFile& input, ByteSink& output,
                               const std::filesystem::path& outputName, const EncodingChoice& choice = {},
                               Progress* progress = nullptr);

}  // namespace tavrel
