#include "files/convert_file.h"

#include "engine/ascii.h"
#include "engine/detect.h"
#include "engine/errors.h"
#include "files/pipeline.h"
#include "files/replace.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <string>

namespace tavrel {

namespace fs = std::filesystem;

namespace {

// The encodings a byte-order mark announces.
constexpr Encoding kMarkedEncodings[] = {Encoding::Utf8Bom, Encoding::Utf16LE, Encoding::Utf16BE};

// A stream's encoding is decided from at most this much of its start.
constexpr std::size_t kStreamSample = std::size_t{1} << 20;

class NullSink : public ByteSink {
public:
    void Write(std::string_view) override {}
};

// How an input is read and written.
struct Plan {
    Encoding input;
    Encoding output;
    std::uint64_t start = 0;  // the length of the byte-order mark read
};

// Reads the input's byte-order mark, if it has the one `encoding` calls for.
std::uint64_t SkipByteOrderMark(InputFile& input, Encoding encoding)
{
    const std::string_view mark = ByteOrderMark(encoding);
    std::string start(mark.size(), '\0');
    start.resize(input.Read(start.data(), start.size()));
    if (start == mark)
        return mark.size();
    input.Unread(start);
    return 0;
}

Encoding DetectFile(InputFile& input, FileProgress* progress)
{
    EncodingDetector detector;
    std::string block(std::size_t{1} << 20, '\0');
    while (const std::size_t got = input.Read(block.data(), block.size())) {
        if (progress && progress->cancel)
            throw Cancelled();
        if (!detector.Feed({block.data(), got}))
            break;
    }
    input.Rewind();
    return detector.Result();
}

[[noreturn]] void ThrowFailure(const PipelineResult& result, const fs::path& input, const fs::path& output)
{
    if (result.failure == BlockFailure::Kind::Decode)
        throw DecodeError(input, EncodingName(result.input), result.offset);
    throw EncodeError(output, EncodingName(result.output), result.codePoint, result.line, result.column);
}

ConversionResult Run(const Converter& converter, PipelineSettings settings, InputFile& input, ByteSink& sink,
                     const fs::path& outputName, FileProgress* progress)
{
    sink.Write(ByteOrderMark(settings.output));
    const PipelineResult result = RunPipeline(converter, settings, input, sink, progress);
    if (result.failure != BlockFailure::Kind::None)
        ThrowFailure(result, input.Name(), outputName);
    return {result.input, result.output};
}

PipelineSettings SettingsFor(Direction direction, const Plan& plan)
{
    PipelineSettings settings;
    settings.direction = direction;
    settings.input = plan.input;
    settings.output = plan.output;
    settings.start = plan.start;
    return settings;
}

// Big5 holds only Traditional characters: a Big5 file's result is written in
// GBK when Big5 cannot hold it, which takes converting it once to see.
Encoding OutputFor(const Converter& converter, Direction direction, InputFile& input, const Plan& plan)
{
    if (plan.input != Encoding::Big5)
        return plan.input;
    NullSink nowhere;
    PipelineSettings trial = SettingsFor(direction, {Encoding::Big5, Encoding::Big5, plan.start});
    const PipelineResult result = RunPipeline(converter, trial, input, nowhere);
    if (result.failure == BlockFailure::Kind::Decode)
        ThrowFailure(result, input.Name(), {});
    input.Rewind();
    SkipByteOrderMark(input, plan.input);
    return result.failure == BlockFailure::Kind::Encode ? Encoding::Gbk : Encoding::Big5;
}

Plan PlanFile(const Converter& converter, Direction direction, InputFile& input, const EncodingChoice& choice,
              FileProgress* progress)
{
    Plan plan{choice.input ? *choice.input : DetectFile(input, progress), Encoding::Gbk};
    plan.start = SkipByteOrderMark(input, plan.input);
    plan.output = choice.output ? *choice.output : OutputFor(converter, direction, input, plan);
    return plan;
}

// Reads the start of a stream until its encoding can be told or must be:
// a byte-order mark, or the first non-ASCII bytes and whatever arrives with
// them, or the end. Gives the bytes read, which are still to be converted.
std::string SampleStream(InputFile& input, FileProgress* progress)
{
    std::string sample;
    char buffer[65536];
    for (;;) {
        if (progress && progress->cancel)
            throw Cancelled();
        const std::size_t got = input.Read(buffer, sizeof buffer, false);
        sample.append(buffer, got);
        if (got == 0 || sample.size() >= kStreamSample)
            return sample;
        const bool markPossible =
            std::any_of(std::begin(kMarkedEncodings), std::end(kMarkedEncodings), [&](Encoding marked) {
                const std::string_view mark = ByteOrderMark(marked);
                return sample.size() < mark.size() && mark.starts_with(sample);
            });
        if (!markPossible && !IsAscii(sample) && !input.MoreArrived())
            return sample;
    }
}

Plan PlanStream(const Converter& converter, Direction direction, const std::string& sample, bool complete,
                const EncodingChoice& choice)
{
    Plan plan{choice.input.value_or(Encoding::Gbk), Encoding::Gbk};
    if (!choice.input) {
        EncodingDetector detector;
        detector.Feed(sample);
        plan.input = detector.Result(complete);
    }
    if (std::string_view(sample).starts_with(ByteOrderMark(plan.input)))
        plan.start = ByteOrderMark(plan.input).size();
    plan.output = choice.output.value_or(plan.input);
    if (!choice.output && plan.input == Encoding::Big5) {
        const BlockConverter trial(converter, direction, Encoding::Big5, Encoding::Big5);
        const std::string_view body = std::string_view(sample).substr(plan.start);
        ByteBuffer out;
        if (trial.Convert(body.substr(0, trial.Boundary(body)), out).kind == BlockFailure::Kind::Encode)
            plan.output = Encoding::Gbk;
    }
    return plan;
}

}  // namespace

ConversionResult CheckTextFile(const Converter& converter, Direction direction, const fs::path& path,
                               const EncodingChoice& choice, FileProgress* progress)
{
    InputFile input(path);
    if (progress)
        progress->fileSize = input.Size();
    const Plan plan = PlanFile(converter, direction, input, choice, progress);
    NullSink nowhere;
    return Run(converter, SettingsFor(direction, plan), input, nowhere, {}, progress);
}

ConversionResult ConvertTextFile(const Converter& converter, Direction direction, const fs::path& input,
                                 const fs::path& output, const EncodingChoice& choice, FileProgress* progress)
{
    InputFile file(input);
    return ConvertTextFile(converter, direction, file, output, choice, progress);
}

ConversionResult ConvertTextFile(const Converter& converter, Direction direction, InputFile& input,
                                 const fs::path& output, const EncodingChoice& choice, FileProgress* progress)
{
    if (progress)
        progress->fileSize = input.Size();
    Replacement target(output);
    if (!input.Rereadable()) {
        const ConversionResult result = ConvertStream(converter, direction, input, target, output, choice, progress);
        target.Commit();
        return result;
    }
    // Written in place, the output would overwrite the input as it is read.
    std::unique_ptr<InputFile> copy;
    if (target.InPlace() && input.Identity() && input.Identity() == target.Identity())
        copy = InputFile::CopyOf(input);
    InputFile& source = copy ? *copy : input;
    const Plan plan = PlanFile(converter, direction, source, choice, progress);
    const ConversionResult result = Run(converter, SettingsFor(direction, plan), source, target, output, progress);
    target.Commit();
    return result;
}

ConversionResult ConvertStream(const Converter& converter, Direction direction, InputFile& input, ByteSink& output,
                               const fs::path& outputName, const EncodingChoice& choice, FileProgress* progress)
{
    if (input.Rereadable()) {
        const Plan plan = PlanFile(converter, direction, input, choice, progress);
        return Run(converter, SettingsFor(direction, plan), input, output, outputName, progress);
    }
    PipelineSettings settings;
    settings.direction = direction;
    settings.follow = true;
    std::string sample = SampleStream(input, progress);
    // ASCII reads the same in every encoding without a byte-order mark: it
    // passes while it stays ASCII after conversion, leaving the choice open.
    if (!choice.input && IsAscii(sample) && !sample.empty()) {
        const BlockConverter ascii(converter, direction, Encoding::Gbk, Encoding::Gbk);
        ByteBuffer out;
        while (!sample.empty() && IsAscii(sample) && ascii.Convert(sample, out).kind == BlockFailure::Kind::None &&
               IsAscii(out.View())) {
            output.Write(out.View());
            std::u16string text(sample.begin(), sample.end());
            settings.position.Advance(text);
            settings.start += sample.size();
            sample = SampleStream(input, progress);
        }
    }
    const Plan plan = PlanStream(converter, direction, sample, false, choice);
    settings.input = plan.input;
    settings.output = plan.output;
    settings.start += plan.start;
    input.Unread(std::string_view(sample).substr(plan.start));
    sample.clear();
    return Run(converter, settings, input, output, outputName, progress);
}

}  // namespace tavrel
