#include "files/input_file.h"

#include <algorithm>
#include <cstring>

namespace tavrel {

InputFile::InputFile(const std::filesystem::path& path)
    : InputFile(platform::OpenInput(path), path)
{
}

InputFile::InputFile(platform::File file, std::filesystem::path name) : name_(std::move(name)), file_(std::move(file))
{
    const platform::FileInfo info = platform::Inspect(file_, name_);
    rereadable_ = info.kind == platform::FileInfo::Kind::Regular;
    size_ = info.size;
}

std::unique_ptr<InputFile> InputFile::CopyOf(InputFile& original)
{
    platform::File copy = platform::CreateScratch(original.Name());
    original.Rewind();
    char buffer[65536];
    while (const std::size_t got = original.Read(buffer, sizeof buffer))
        platform::WriteAll(copy, {buffer, got}, original.Name());
    auto input = std::make_unique<InputFile>(std::move(copy), original.Name());
    input->Rewind();
    return input;
}

std::size_t InputFile::Read(char* buffer, std::size_t capacity, bool waitForAll)
{
    std::size_t done = std::min(capacity, unread_.size());
    std::memcpy(buffer, unread_.data(), done);
    unread_.erase(0, done);
    if (done > 0 && !waitForAll)
        return done;
    while (done < capacity) {
        const std::size_t got = platform::ReadSome(file_, buffer + done, capacity - done, name_);
        if (got == 0)
            break;
        done += got;
        if (!waitForAll)
            break;
    }
    return done;
}

void InputFile::Unread(std::string_view bytes)
{
    unread_.insert(0, bytes);
}

bool InputFile::MoreArrived() const
{
    return !unread_.empty() || platform::Readable(file_);
}

void InputFile::Rewind()
{
    unread_.clear();
    platform::Rewind(file_, name_);
}

}  // namespace tavrel
