#pragma once

#include "engine/converter.h"
#include "engine/encoding.h"
#include "files/byte_sink.h"
#include "files/input_file.h"
#include "files/progress.h"

#include <filesystem>
#include <optional>

namespace tavrel {

// Encodings the user named, in place of what the file's bytes suggest.
struct EncodingChoice {
    std::optional<Encoding> input;
    std::optional<Encoding> output;
};

// The encodings a conversion read and wrote.
struct ConversionResult {
    Encoding read;
    Encoding written;
};

// How a file is converted: its encoding is decided from its bytes (unless
// chosen), and the result is written in that encoding, except that a Big5
// file whose result Big5 cannot hold is written in GBK. Every function reads
// and writes block by block in bounded memory and throws FileError,
// DecodeError (naming the input and the byte offset), EncodeError (naming the
// output, the character and its line and column in the input) or Cancelled.

// Converts the file without writing anything: every failure but a write's
// shows here. Gives what ConvertTextFile would read and write.
ConversionResult CheckTextFile(const Converter& converter, Direction direction, const std::filesystem::path& input,
                               const EncodingChoice& choice = {}, FileProgress* progress = nullptr);

// Converts `input` into `output`, which is replaced only once all went well
// (see Replacement). Saving over the input itself works.
ConversionResult ConvertTextFile(const Converter& converter, Direction direction, const std::filesystem::path& input,
                                 const std::filesystem::path& output, const EncodingChoice& choice = {},
                                 FileProgress* progress = nullptr);
ConversionResult ConvertTextFile(const Converter& converter, Direction direction, InputFile& input,
                                 const std::filesystem::path& output, const EncodingChoice& choice,
                                 FileProgress* progress);

// Converts an input into a sink as it arrives: for standard input and
// output, where output should follow input and nothing can be read twice.
// The encoding is decided from what has arrived by the time it must be.
ConversionResult ConvertStream(const Converter& converter, Direction direction, InputFile& input, ByteSink& output,
                               const std::filesystem::path& outputName, const EncodingChoice& choice = {},
                               FileProgress* progress = nullptr);

}  // namespace tavrel
