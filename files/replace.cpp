#include "files/replace.h"

#include "engine/errors.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>

namespace tavrel {

std::optional<FileId> IdentityOf(const std::filesystem::path& path)
{
    struct stat status {};
    if (stat(path.c_str(), &status) != 0)
        return std::nullopt;
    return FileId{status.st_dev, status.st_ino};
}

Replacement::Replacement(const std::filesystem::path& target) : target_(target)
{
    std::random_device random;
    temporary_ = target.parent_path() / (".tavrel-" + std::to_string(random()) + ".tmp");
    descriptor_ = open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (descriptor_ < 0)
        throw FileError(target, FileError::Operation::Write, SystemReason(errno));
}

Replacement::~Replacement()
{
    if (descriptor_ >= 0) {
        close(descriptor_);
        unlink(temporary_.c_str());
    }
}

void Replacement::Write(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t done = write(descriptor_, bytes.data(), bytes.size());
        if (done < 0)
            throw FileError(target_, FileError::Operation::Write, SystemReason(errno));
        bytes.remove_prefix(static_cast<std::size_t>(done));
    }
}

void Replacement::Commit()
{
    const int descriptor = descriptor_;
    descriptor_ = -1;
    if (fsync(descriptor) != 0 || close(descriptor) != 0 || rename(temporary_.c_str(), target_.c_str()) != 0) {
        const int error = errno;
        unlink(temporary_.c_str());
        throw FileError(target_, FileError::Operation::Write, SystemReason(error));
    }
}

std::optional<FileId> Replacement::Identity() const
{
    return IdentityOf(target_);
}

void InstallSignalCleanup()
{
}

}  // namespace tavrel
