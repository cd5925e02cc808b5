#include "files/pipeline.h"

#include "engine/block_codec.h"
#include "engine/errors.h"
#include "engine/text_position.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace tavrel {

namespace {

constexpr std::size_t kMaxWorkers = 4;
// A block may start with up to this much carried over from the one before.
constexpr std::size_t kMaxCarry = 65536 + 4;

struct Block {
    std::size_t index = 0;
    std::uint64_t offset = 0;  // of the block's first byte in the input
    std::size_t size = 0;
    ByteBuffer bytes;
    std::shared_ptr<const BlockConverter> converter;

    std::string_view View() { return {bytes.Data(), size}; }
};

// Where the character at `offset` stands, counted by reading the input
// again from `start`.
TextPosition Locate(InputFile& input, Encoding encoding, std::uint64_t start, std::size_t blockSize,
                    std::uint64_t offset)
{
    input.Rewind();
    char mark[4];
    input.Read(mark, static_cast<std::size_t>(start));
    ByteBuffer buffer;
    char* bytes = buffer.Reserve(blockSize + kMaxCarry);
    std::uint64_t remaining = offset - start;
    std::size_t carried = 0;
    TextPosition position;
    std::u16string text;
    while (remaining > 0) {
        const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(blockSize, remaining));
        const std::size_t got = input.Read(bytes + carried, wanted);
        if (got == 0)
            break;
        remaining -= got;
        const std::string_view available(bytes, carried + got);
        const std::size_t boundary = remaining == 0 ? available.size() : CharacterBoundary(available, encoding);
        DecodeBlock(available.substr(0, boundary), encoding, text);
        position.Advance(text);
        carried = available.size() - boundary;
        std::memmove(bytes, bytes + boundary, carried);
    }
    return position;
}

class Pipeline {
public:
    Pipeline(const Converter& converter, const PipelineSettings& settings, InputFile& input, ByteSink& sink,
             Progress* progress)
        : converter_(converter),
          settings_(settings),
          input_(input),
          sink_(sink),
          progress_(progress),
          current_(std::make_shared<BlockConverter>(converter, settings.direction, settings.input, settings.output)),
          readOffset_(settings.start),
          position_(settings.position)
    {
    }

    ConversionResult Run();

private:
    void Work();
    bool ReadNext(Block& block);
    bool WriteInTurn(Block& block, ByteBuffer& out, BlockFailure failure);
    BlockFailure Retry(Block& block, ByteBuffer& out, BlockFailure failure);
    void Fail(Block& block, const BlockFailure& failure);
    void Stop(std::exception_ptr error);
    std::shared_ptr<const BlockConverter> Current();
    std::size_t Workers() const;

    const Converter& converter_;
    const PipelineSettings& settings_;
    InputFile& input_;
    ByteSink& sink_;
    Progress* progress_;

    std::mutex readMutex_;  // reading, the carry and the current converter
    std::shared_ptr<const BlockConverter> current_;
    std::string carry_;
    std::uint64_t readOffset_;
    std::size_t nextIndex_ = 0;
    bool endOfInput_ = false;

    std::mutex writeMutex_;  // writing in order, and the first error
    std::condition_variable turn_;
    std::size_t nextToWrite_ = 0;
    // Set under writeMutex_, read by readers too.
    std::atomic<bool> stopping_ = false;
    std::exception_ptr error_;
    // A character the output cannot hold, in a rereadable input: its line
    // and column are counted once the workers are done.
    struct Unencodable {
        std::uint64_t offset;
        char32_t codePoint;
        Encoding input, output;
    };
    std::optional<Unencodable> unencodable_;
    TextPosition position_;  // of the text written so far, for a stream
};

ConversionResult Pipeline::Run()
{
    std::vector<std::thread> helpers;
    try {
        for (std::size_t i = 1; i < Workers(); ++i)
            helpers.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
        // No more threads to be had: the ones there are do the work.
    }
    Work();
    for (std::thread& helper : helpers)
        helper.join();
    if (error_)
        std::rethrow_exception(error_);
    if (const std::optional<Unencodable> bad = unencodable_) {
        const TextPosition position = Locate(input_, bad->input, settings_.start, settings_.blockSize, bad->offset);
        throw EncodeError(settings_.outputName, EncodingName(bad->output), bad->codePoint, position.Line(),
                          position.Column());
    }
    return {current_->Input(), current_->Output()};
}

std::size_t Pipeline::Workers() const
{
    if (settings_.follow)
        return 1;
    if (settings_.workers)
        return settings_.workers;
    const std::size_t blocks = static_cast<std::size_t>(input_.Size() / settings_.blockSize) + 1;
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    return std::min({blocks, cores, kMaxWorkers});
}

void Pipeline::Work()
{
    Block block;
    ByteBuffer out;
    try {
        while (ReadNext(block)) {
            const BlockFailure failure = block.converter->Convert(block.View(), out);
            if (!WriteInTurn(block, out, failure))
                return;
        }
    } catch (...) {
        Stop(std::current_exception());
    }
}

bool Pipeline::ReadNext(Block& block)
{
    std::lock_guard lock(readMutex_);
    if (endOfInput_ || stopping_)
        return false;
    if (progress_)
        progress_->ThrowIfCancelled();
    const std::size_t blockSize = settings_.blockSize;
    char* buffer = block.bytes.Reserve(kMaxCarry + blockSize);
    std::memcpy(buffer, carry_.data(), carry_.size());
    std::size_t filled = carry_.size();
    std::size_t boundary = 0;
    do {
        const std::size_t wanted = blockSize - std::min(blockSize - 1, filled);
        const std::size_t got = input_.Read(buffer + filled, wanted, !settings_.follow);
        endOfInput_ = got == 0 || (!settings_.follow && got < wanted);
        filled += got;
        boundary = endOfInput_ ? filled : current_->Boundary({buffer, filled});
    } while (boundary == 0 && !endOfInput_);
    carry_.assign(buffer + boundary, filled - boundary);
    block.index = nextIndex_++;
    block.offset = readOffset_;
    block.size = boundary;
    block.converter = current_;
    readOffset_ += boundary;
    if (settings_.watch)
        settings_.watch(block.View(), block.offset);
    return true;
}

bool Pipeline::WriteInTurn(Block& block, ByteBuffer& out, BlockFailure failure)
{
    std::unique_lock lock(writeMutex_);
    turn_.wait(lock, [&] { return nextToWrite_ == block.index || stopping_; });
    if (stopping_)
        return false;
    failure = Retry(block, out, failure);
    if (failure.kind != BlockFailure::Kind::None) {
        Fail(block, failure);
        return false;
    }
    sink_.Write(out.View());
    if (!input_.Rereadable()) {
        std::u16string text;
        DecodeBlock(block.View(), block.converter->Input(), text);
        position_.Advance(text);
    }
    if (progress_)
        progress_->Advanced(block.size);
    ++nextToWrite_;
    turn_.notify_all();
    return true;
}

// A block converted before the input turned out to be GB18030 is converted
// again; the first four-byte sequence in a GBK input makes it GB18030 from
// there on (GBK is GB18030's two-byte part).
BlockFailure Pipeline::Retry(Block& block, ByteBuffer& out, BlockFailure failure)
{
    std::shared_ptr<const BlockConverter> current = Current();
    if (block.converter != current) {
        block.converter = current;
        failure = current->Convert(block.View(), out);
    }
    if (failure.kind == BlockFailure::Kind::Decode && current->Input() == Encoding::Gbk &&
        StartsWithFourByteGb18030(block.View().substr(failure.offset))) {
        const Encoding output = current->Output() == Encoding::Gbk ? Encoding::Gb18030 : current->Output();
        current = std::make_shared<BlockConverter>(converter_, settings_.direction, Encoding::Gb18030, output);
        {
            std::lock_guard readLock(readMutex_);
            current_ = current;
        }
        block.converter = current;
        failure = current->Convert(block.View(), out);
    }
    return failure;
}

void Pipeline::Fail(Block& block, const BlockFailure& failure)
{
    const std::uint64_t offset = block.offset + failure.offset;
    const Encoding input = block.converter->Input();
    if (failure.kind == BlockFailure::Kind::Decode) {
        error_ = std::make_exception_ptr(DecodeError(input_.Name(), EncodingName(input), offset));
    } else if (input_.Rereadable()) {
        // Where the character stands is counted once the workers are done.
        unencodable_ = Unencodable{offset, failure.codePoint, input, block.converter->Output()};
    } else {
        std::u16string text;
        DecodeBlock(block.View().substr(0, failure.offset), input, text);
        position_.Advance(text);
        error_ = std::make_exception_ptr(EncodeError(settings_.outputName, EncodingName(block.converter->Output()),
                                                     failure.codePoint, position_.Line(), position_.Column()));
    }
    stopping_ = true;
    turn_.notify_all();
}

void Pipeline::Stop(std::exception_ptr error)
{
    std::lock_guard lock(writeMutex_);
    if (!error_ && !stopping_)
        error_ = error;
    stopping_ = true;
    turn_.notify_all();
}

std::shared_ptr<const BlockConverter> Pipeline::Current()
{
    std::lock_guard lock(readMutex_);
    return current_;
}


}  // namespace

ConversionResult RunPipeline(const Converter& converter, const PipelineSettings& settings, InputFile& input,
                             ByteSink& sink, Progress* progress)
{
    Pipeline pipeline(converter, settings, input, sink, progress);
    return pipeline.Run();
}

}  // namespace tavrel
