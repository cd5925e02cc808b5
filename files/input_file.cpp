#include "files/input_file.h"

#include "engine/errors.h"
#include "files/byte_sink.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>

namespace tavrel {

namespace {

[[noreturn]] void ThrowReadError(const std::filesystem::path& name, int error)
{
    throw FileError(name, FileError::Operation::Read, SystemReason(error));
}

}  // namespace

InputFile::InputFile(const std::filesystem::path& path) : name_(path), owned_(true)
{
    descriptor_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor_ < 0)
        ThrowReadError(path, errno);
    struct stat status {};
    if (fstat(descriptor_, &status) != 0) {
        const int error = errno;
        ::close(descriptor_);
        ThrowReadError(path, error);
    }
    if (S_ISDIR(status.st_mode)) {
        ::close(descriptor_);
        ThrowReadError(path, EISDIR);
    }
    rereadable_ = S_ISREG(status.st_mode);
    size_ = rereadable_ ? static_cast<std::uint64_t>(status.st_size) : 0;
    if (rereadable_)
        posix_fadvise(descriptor_, 0, 0, POSIX_FADV_SEQUENTIAL);
}

InputFile::InputFile(int descriptor, std::filesystem::path name) : name_(std::move(name)), descriptor_(descriptor)
{
    struct stat status {};
    rereadable_ = fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode) &&
                  lseek(descriptor, 0, SEEK_CUR) == 0;
    size_ = rereadable_ ? static_cast<std::uint64_t>(status.st_size) : 0;
}

std::unique_ptr<InputFile> InputFile::CopyOf(InputFile& original)
{
    const char* folder = std::getenv("TMPDIR");
    int copy = ::open(folder && *folder ? folder : P_tmpdir, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (copy < 0)
        throw FileError(original.Name(), FileError::Operation::Read, SystemReason(errno));
    auto input = std::make_unique<InputFile>(copy, original.Name());
    input->owned_ = true;
    original.Rewind();
    DescriptorSink sink(copy, folder && *folder ? folder : P_tmpdir);
    char buffer[65536];
    while (const std::size_t got = original.Read(buffer, sizeof buffer))
        sink.Write({buffer, got});
    input->Rewind();
    input->rereadable_ = true;
    input->size_ = original.size_;
    return input;
}

std::optional<FileId> InputFile::Identity() const
{
    struct stat status {};
    if (fstat(descriptor_, &status) != 0)
        return std::nullopt;
    return FileId{status.st_dev, status.st_ino};
}

InputFile::~InputFile()
{
    if (owned_ && descriptor_ >= 0)
        ::close(descriptor_);
}

std::size_t InputFile::Read(char* buffer, std::size_t capacity, bool waitForAll)
{
    std::size_t done = std::min(capacity, unread_.size());
    std::memcpy(buffer, unread_.data(), done);
    unread_.erase(0, done);
    if (done > 0 && !waitForAll)
        return done;
    while (done < capacity) {
        const ssize_t got = ::read(descriptor_, buffer + done, capacity - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            ThrowReadError(name_, errno);
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
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
    pollfd waiting{descriptor_, POLLIN, 0};
    return !unread_.empty() || poll(&waiting, 1, 0) > 0;
}

void InputFile::Rewind()
{
    unread_.clear();
    if (lseek(descriptor_, 0, SEEK_SET) != 0)
        ThrowReadError(name_, errno);
}

}  // namespace tavrel
