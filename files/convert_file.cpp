#include "files/convert_file.h"

#include "engine/ascii.h"
#include "engine/block_codec.h"
#include "engine/detect.h"
#include "engine/errors.h"
#include "files/replace.h"

#include <algorithm>
#include <functional>
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

constexpr std::size_t kSurveyBlock = std::size_t{1} << 20;
constexpr std::size_t npos = std::string_view::npos;

// Decodes blocks strictly in one encoding, each character whole, and keeps
// the offset of the first bad byte. GBK becomes GB18030 at its first
// four-byte sequence, as the conversion does.
class StrictScan {
public:
    explicit StrictScan(Encoding encoding) : encoding_(encoding) {}

    // The length of the byte-order mark the first bytes start with, if they
    // carry the encoding's own; offsets count it.
    std::size_t SkipMark(std::string_view first)
    {
        const std::string_view mark = ByteOrderMark(encoding_);
        offset_ = first.starts_with(mark) ? mark.size() : 0;
        return static_cast<std::size_t>(offset_);
    }

    void Feed(std::string_view bytes, bool last)
    {
        if (bad_)
            return;
        carry_.append(bytes);
        const std::size_t boundary = last ? carry_.size() : CharacterBoundary(carry_, encoding_);
        std::size_t bad = DecodeBlock(std::string_view(carry_).substr(0, boundary), encoding_, text_);
        if (bad != npos && encoding_ == Encoding::Gbk && StartsWithFourByteGb18030(carry_.substr(bad))) {
            encoding_ = Encoding::Gb18030;
            bad = DecodeBlock(std::string_view(carry_).substr(0, boundary), encoding_, text_);
        }
        if (bad != npos)
            bad_ = offset_ + bad;
        offset_ += boundary;
        carry_.erase(0, boundary);
    }

    Encoding CurrentEncoding() const { return encoding_; }
    const std::optional<std::uint64_t>& Bad() const { return bad_; }

private:
    Encoding encoding_;
    std::uint64_t offset_ = 0;
    std::string carry_;
    std::u16string text_;
    std::optional<std::uint64_t> bad_;
};

// Whether a Big5 input's result fits Big5, converting it as it comes; it
// stops at the first character that is no Big5 or has no Big5 result.
class Big5Fit {
public:
    Big5Fit(const Converter& converter, Direction direction)
        : trial_(converter, direction, Encoding::Big5, Encoding::Big5)
    {
    }

    void Feed(std::string_view bytes, bool last)
    {
        if (!alive_)
            return;
        carry_.append(bytes);
        const std::size_t boundary = last ? carry_.size() : trial_.Boundary(carry_);
        const BlockFailure failure = trial_.Convert(std::string_view(carry_).substr(0, boundary), out_);
        alive_ = failure.kind == BlockFailure::Kind::None;
        fits_ = failure.kind != BlockFailure::Kind::Encode;
        carry_.erase(0, boundary);
    }

    bool Fits() const { return fits_; }
    bool Done() const { return !alive_; }

private:
    BlockConverter trial_;
    std::string carry_;
    ByteBuffer out_;
    bool alive_ = true;
    bool fits_ = true;
};

enum class SurveyMode {
    Check,   // read to the end: the encoding, a strict decode and the Big5 fit
    Detect,  // stop as soon as the encoding and the Big5 fit are sure
};

// Reads the input once from its start and plans its conversion; leaves it
// rewound. Throws DecodeError when checking finds a bad byte.
FilePlan Survey(const Converter& converter, Direction direction, InputFile& input, const EncodingChoice& choice,
                SurveyMode mode, Progress* progress)
{
    EncodingDetector detector;
    std::optional<StrictScan> gbk;  // the reading taken when no other applies
    if (mode == SurveyMode::Check && !choice.input)
        gbk.emplace(Encoding::Gbk);
    std::optional<StrictScan> chosen;  // a reading named, or announced by a mark
    std::optional<Big5Fit> big5;
    if (!choice.output && (!choice.input || *choice.input == Encoding::Big5))
        big5.emplace(converter, direction);

    // Not zero-filled: only the pages a read fills are touched, which for a
    // small file is a few of the 256.
    const std::unique_ptr<char[]> buffer(new char[kSurveyBlock]);
    bool first = true;
    bool detecting = !choice.input;
    for (;; first = false) {
        if (progress)
            progress->ThrowIfCancelled();
        const std::size_t got = input.Read(buffer.get(), kSurveyBlock);
        std::string_view bytes(buffer.get(), got);
        const bool last = got < kSurveyBlock;
        if (detecting)
            detecting = detector.Feed(bytes);
        if (first && mode == SurveyMode::Check) {
            const Encoding named = choice.input.value_or(detector.Result(false));
            if (choice.input || !ByteOrderMark(named).empty()) {
                gbk.reset();
                chosen.emplace(named);
            }
        }
        if (gbk)
            gbk->Feed(bytes, last);
        if (chosen)
            chosen->Feed(first ? bytes.substr(chosen->SkipMark(bytes)) : bytes, last);
        if (big5)
            big5->Feed(bytes, last);
        if (progress)
            progress->Advanced(got);
        const bool big5Open = big5 && !big5->Done() && choice.input.value_or(detector.Result(false)) == Encoding::Big5;
        const bool sure = mode == SurveyMode::Detect && !detecting && !big5Open;
        if (last || sure)
            break;
    }
    input.Rewind();
    if (!choice.input && detector.Unclear())
        throw UnclearEncodingError(input.Name());

    FilePlan plan;
    plan.input = choice.input ? *choice.input : detector.Result();
    if (!choice.input)
        plan.alternative = detector.Alternative();
    plan.output = choice.output ? *choice.output : plan.input;
    if (plan.input == Encoding::Big5 && big5 && !big5->Fits())
        plan.output = Encoding::Gbk;
    const bool gbkRead = plan.input == Encoding::Gbk || plan.input == Encoding::Gb18030;
    const StrictScan* scan = chosen ? &*chosen : gbk && gbkRead ? &*gbk : nullptr;
    if (scan && scan->Bad())
        throw DecodeError(input.Name(), EncodingName(scan->CurrentEncoding()), *scan->Bad());
    return plan;
}

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

// Puts a written replacement in place, or hands it over to `commits` for that.
void Commit(std::unique_ptr<Replacement> target, CommitQueue* commits)
{
    if (commits)
        commits->Add(std::move(target));
    else
        target->Commit();
}

PipelineSettings SettingsFor(Direction direction, const FilePlan& plan, const fs::path& outputName)
{
    PipelineSettings settings;
    settings.direction = direction;
    settings.outputName = outputName;
    settings.input = plan.input;
    settings.output = plan.output;
    settings.start = plan.start;
    return settings;
}

// Whether the output starts with its encoding's byte-order mark: as the
// input did when both are in the same encoding, always when another
// encoding that has one was asked for.
bool WritesMark(Encoding input, Encoding output, bool inputMarked)
{
    return !ByteOrderMark(output).empty() && (output != input || inputMarked);
}

ConversionResult Run(const Converter& converter, const PipelineSettings& settings, InputFile& input, ByteSink& sink,
                     Progress* progress, bool inputMarked)
{
    if (WritesMark(settings.input, settings.output, inputMarked))
        sink.Write(ByteOrderMark(settings.output));
    return RunPipeline(converter, settings, input, sink, progress);
}

ConversionResult ConvertPlanned(const Converter& converter, Direction direction, InputFile& input,
                                const fs::path& output, const FilePlan& plan, Progress* progress,
                                CommitQueue* commits = nullptr)
{
    auto target = std::make_unique<Replacement>(output);
    FilePlan followed = plan;
    followed.start = SkipByteOrderMark(input, plan.input);
    ConversionResult result =
        Run(converter, SettingsFor(direction, followed, output), input, *target, progress, followed.start > 0);
    Commit(std::move(target), commits);
    result.alternative = plan.alternative;
    return result;
}

void StartOneFile(Progress* progress, const InputFile& input)
{
    if (progress) {
        progress->BatchStarted(1, input.Size());
        progress->FileStarted(0, input.Size());
    }
}

// ASCII without NUL bytes, which no text in an 8-bit encoding holds: it
// reads the same in all of them.
bool IsPlainAscii(std::string_view bytes)
{
    return IsAscii(bytes) && bytes.find('\0') == std::string_view::npos;
}

// Reads the start of a stream until the input pauses, a byte-order mark is
// complete, or 1 MiB or the end has arrived. Gives the bytes read, which
// are still to be converted.
std::string SampleStream(InputFile& input, Progress* progress)
{
    std::string sample;
    char buffer[65536];
    for (;;) {
        if (progress)
            progress->ThrowIfCancelled();
        const std::size_t got = input.Read(buffer, sizeof buffer, false);
        sample.append(buffer, got);
        if (got == 0 || sample.size() >= kStreamSample)
            return sample;
        const bool markPossible =
            std::any_of(std::begin(kMarkedEncodings), std::end(kMarkedEncodings), [&](Encoding marked) {
                const std::string_view mark = ByteOrderMark(marked);
                return sample.size() < mark.size() && mark.starts_with(sample);
            });
        // What has arrived is converted at once when the input pauses: a line
        // of ASCII as much as the first non-ASCII bytes, which decide.
        if (!markPossible && !input.MoreArrived())
            return sample;
    }
}

// Goes on deciding a stream's encoding from all it has read: bytes that the
// decided legacy encoding still reads, but that read as another encoding
// once more of them has come, are an error instead of garbage. (Bytes the
// decided encoding cannot read fail as they are decoded.)
std::function<void(std::string_view, std::uint64_t)> WatchDecision(Encoding decided, std::string_view sample,
                                                                   std::uint64_t sampleOffset,
                                                                   const fs::path& name)
{
    const bool legacy = decided == Encoding::Gbk || decided == Encoding::Gb18030 || decided == Encoding::Big5;
    if (!legacy)
        return {};
    auto detector = std::make_shared<EncodingDetector>();
    detector->Feed(sample);
    const std::uint64_t watchedFrom = sampleOffset + sample.size();
    return [detector, decided, watchedFrom, name](std::string_view block, std::uint64_t offset) {
        // The sample comes again in the first blocks: only what follows it is new.
        if (offset + block.size() <= watchedFrom)
            return;
        detector->Feed(block.substr(offset < watchedFrom ? static_cast<std::size_t>(watchedFrom - offset) : 0));
        const Encoding now = detector->Result(false);
        const bool sameFamily = (now == Encoding::Gbk || now == Encoding::Gb18030) &&
                                (decided == Encoding::Gbk || decided == Encoding::Gb18030);
        if (now != decided && !sameFamily)
            throw EncodingChangedError(name, EncodingName(decided), EncodingName(now), offset);
    };
}

FilePlan PlanStream(const Converter& converter, Direction direction, const std::string& sample, bool complete,
                    const EncodingChoice& choice, const fs::path& inputName)
{
    FilePlan plan;
    plan.input = choice.input.value_or(Encoding::Gbk);
    if (!choice.input) {
        EncodingDetector detector;
        detector.Feed(sample);
        if (detector.Unclear(complete))
            throw UnclearEncodingError(inputName);
        plan.input = detector.Result(complete);
        plan.alternative = detector.Alternative(complete);
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

FilePlan CheckTextFile(const Converter& converter, Direction direction, const fs::path& path,
                       const EncodingChoice& choice, Progress* progress)
{
    InputFile input(path);
    StartOneFile(progress, input);
    return Survey(converter, direction, input, choice, SurveyMode::Check, progress);
}

ConversionResult ConvertTextFile(const Converter& converter, Direction direction, const fs::path& input,
                                 const fs::path& output, const EncodingChoice& choice, Progress* progress,
                                 const std::optional<FilePlan>& plan)
{
    InputFile file(input);
    StartOneFile(progress, file);
    if (plan && file.Rereadable())
        return ConvertPlanned(converter, direction, file, output, *plan, progress);
    return ConvertTextFile(converter, direction, file, output, choice, progress);
}

ConversionResult ConvertTextFile(const Converter& converter, Direction direction, InputFile& input,
                                 const fs::path& output, const EncodingChoice& choice, Progress* progress,
                                 CommitQueue* commits)
{
    if (!input.Rereadable()) {
        auto target = std::make_unique<Replacement>(output);
        const ConversionResult result = ConvertStream(converter, direction, input, *target, output, choice, progress);
        Commit(std::move(target), commits);
        return result;
    }
    const FilePlan plan = Survey(converter, direction, input, choice, SurveyMode::Detect, progress);
    return ConvertPlanned(converter, direction, input, output, plan, progress, commits);
}

ConversionResult ConvertStream(const Converter& converter, Direction direction, InputFile& input, ByteSink& output,
                               const fs::path& outputName, const EncodingChoice& choice, Progress* progress)
{
    if (input.Rereadable()) {
        FilePlan plan = Survey(converter, direction, input, choice, SurveyMode::Detect, progress);
        plan.start = SkipByteOrderMark(input, plan.input);
        ConversionResult result =
            Run(converter, SettingsFor(direction, plan, outputName), input, output, progress, plan.start > 0);
        result.alternative = plan.alternative;
        return result;
    }
    PipelineSettings settings;
    settings.direction = direction;
    settings.outputName = outputName;
    settings.follow = true;
    std::string sample = SampleStream(input, progress);
    // ASCII reads the same in every encoding without a byte-order mark: it
    // passes while it stays ASCII after conversion, leaving the choice open,
    // unless the output is to start with a mark or is not ASCII itself.
    const bool asciiPasses = !choice.input && (!choice.output || (ByteOrderMark(*choice.output).empty() &&
                                                                  !IsUtf16(*choice.output)));
    if (asciiPasses && IsPlainAscii(sample) && !sample.empty()) {
        const BlockConverter ascii(converter, direction, Encoding::Gbk, Encoding::Gbk);
        ByteBuffer out;
        while (!sample.empty() && IsPlainAscii(sample) && ascii.Convert(sample, out).kind == BlockFailure::Kind::None &&
               IsAscii(out.View())) {
            output.Write(out.View());
            std::u16string text(sample.begin(), sample.end());
            settings.position.Advance(text);
            settings.start += sample.size();
            sample = SampleStream(input, progress);
        }
    }
    const FilePlan plan = PlanStream(converter, direction, sample, false, choice, input.Name());
    settings.input = plan.input;
    settings.output = plan.output;
    if (!choice.input)
        settings.watch = WatchDecision(plan.input, sample, settings.start, input.Name());
    settings.start += plan.start;
    input.Unread(std::string_view(sample).substr(plan.start));
    sample.clear();
    ConversionResult result = Run(converter, settings, input, output, progress, plan.start > 0);
    result.alternative = plan.alternative;
    return result;
}

}  // namespace tavrel
