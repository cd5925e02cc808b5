#include "files/replace.h"

#include "engine/errors.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fstream>
#include <random>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrel {

namespace fs = std::filesystem;

namespace {

// As many links as the kernel itself follows before giving ELOOP.
constexpr int kMaxLinkHops = 40;

FileId IdOf(const struct stat& info)
{
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

std::optional<FileId> IdentityOfDescriptor(int fd)
{
    struct stat info {};
    if (fstat(fd, &info) != 0)
        return std::nullopt;
    return IdOf(info);
}

// The descriptor number in "/dev/fd/N"-like names, or -1.
int DescriptorNumberAfter(const std::string& text, const std::string& prefix)
{
    if (text.size() <= prefix.size() || text.size() > prefix.size() + 9 || text.compare(0, prefix.size(), prefix) != 0)
        return -1;
    for (std::size_t i = prefix.size(); i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return -1;
    }
    return std::stoi(text.substr(prefix.size()));
}

// The descriptor of this process that a path names, when it names an open
// one: such a path is written like a shell redirection writes it.
std::optional<int> OpenStreamNamed(const fs::path& path)
{
    const std::string text = path.lexically_normal().string();
    int fd = text == "/dev/stdout" ? 1 : text == "/dev/stderr" ? 2 : -1;
    const std::string ownProc = "/proc/" + std::to_string(getpid()) + "/fd/";
    for (const std::string& prefix : {std::string("/dev/fd/"), std::string("/proc/self/fd/"), ownProc}) {
        if (fd < 0)
            fd = DescriptorNumberAfter(text, prefix);
    }
    if (fd < 0 || fcntl(fd, F_GETFD) < 0)
        return std::nullopt;
    return fd;
}

struct ResolvedTarget {
    fs::path path;              // the final name, not a link
    std::optional<int> stream;  // set when the chain ends in an open stream
};

// Follows the chain of symbolic links from `target`, each relative link
// against its own folder, so that the file they end in is written and the
// links stay links, even when that file does not exist yet.
ResolvedTarget ResolveLinks(const fs::path& target)
{
    fs::path path = target;
    for (int hop = 0;; ++hop) {
        if (const std::optional<int> stream = OpenStreamNamed(path))
            return {path, stream};
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return {path, std::nullopt};
        if (hop == kMaxLinkHops)
            throw FileError(target, FileError::Operation::Write, SystemReason(ELOOP));
        std::vector<char> buffer(PATH_MAX);
        const ssize_t length = readlink(path.c_str(), buffer.data(), buffer.size());
        if (length < 0)
            return {path, std::nullopt};
        const fs::path next(std::string(buffer.data(), static_cast<std::size_t>(length)));
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
}

// The process's file creation mask, read without changing it: other threads
// may be creating files meanwhile.
mode_t CurrentUmask()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
    }
    const mode_t mask = umask(0);
    umask(mask);
    return mask;
}

// A hidden name of fixed length, so that a target whose name is already as
// long as the file system allows still gets a temporary file.
std::string TemporaryName()
{
    std::random_device random;
    char name[32];
    std::snprintf(name, sizeof name, ".tavrel-%08x.tmp", static_cast<unsigned>(random()));
    return name;
}

// Errors by which a folder refuses new files while its files may still be
// writable.
bool FolderRefuses(int errorNumber)
{
    return errorNumber == EACCES || errorNumber == EPERM || errorNumber == EROFS;
}

void SyncFolder(const fs::path& folder)
{
    const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    fsync(fd);
    close(fd);
}

}  // namespace

std::optional<FileId> IdentityOf(const fs::path& path)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return IdOf(info);
}

Replacement::Replacement(const fs::path& target) : target_(target)
{
    const ResolvedTarget resolved = ResolveLinks(target);
    destination_ = resolved.path;
    if (resolved.stream) {
        kind_ = Kind::Stream;
        fd_ = *resolved.stream;
        ownsDescriptor_ = false;
        identity_ = IdentityOfDescriptor(fd_);
        return;
    }
    struct stat info {};
    if (stat(destination_.c_str(), &info) != 0) {
        mode_ = 0666 & ~CurrentUmask();
        OpenTemporary(false);
        return;
    }
    if (S_ISDIR(info.st_mode))
        Fail(EISDIR);
    if (!S_ISREG(info.st_mode)) {
        OpenInPlace(Kind::Stream);
        return;
    }
    if (faccessat(AT_FDCWD, destination_.c_str(), W_OK, AT_EACCESS) != 0)
        Fail(errno);
    mode_ = info.st_mode & 07777;
    owner_ = {info.st_uid, info.st_gid};
    if (info.st_nlink > 1) {
        // Every name of the file must see the new text.
        OpenInPlace(Kind::Overwrite);
        return;
    }
    OpenTemporary(true);
}

Replacement::~Replacement()
{
    Discard();
}

void Replacement::OpenTemporary(bool targetExists)
{
    for (int attempt = 0; attempt < 16; ++attempt) {
        temporary_ = (destination_.parent_path() / TemporaryName()).string();
        // Registered before it exists, so that no signal can leave it behind.
        registration_.emplace(temporary_.c_str());
        fd_ = open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd_ >= 0)
            return;
        const int error = errno;
        registration_.reset();
        temporary_.clear();
        if (error == EEXIST)
            continue;
        if (!FolderRefuses(error))
            Fail(error);
        if (!targetExists)
            throw FileError(destination_, FileError::Operation::Create, SystemReason(error));
        OpenInPlace(Kind::Overwrite);
        return;
    }
    Fail(EEXIST);
}

void Replacement::OpenInPlace(Kind kind)
{
    kind_ = kind;
    fd_ = open(destination_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd_ < 0)
        Fail(errno);
    identity_ = IdentityOfDescriptor(fd_);
}

void Replacement::Write(std::string_view bytes)
{
    if (fd_ < 0)
        Fail(EBADF);
    while (!bytes.empty()) {
        const ssize_t count = write(fd_, bytes.data(), bytes.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            Fail(count < 0 ? errno : EIO);
        // Starts the writeback now, so that Commit's fsync has little left to
        // wait for; only advice, so its errors do not matter.
        if (kind_ != Kind::Stream)
            sync_file_range(fd_, static_cast<off_t>(written_), count, SYNC_FILE_RANGE_WRITE);
        written_ += static_cast<std::uint64_t>(count);
        bytes.remove_prefix(static_cast<std::size_t>(count));
    }
}

void Replacement::Commit()
{
    if (fd_ < 0)
        Fail(EBADF);
    if (kind_ == Kind::Temporary)
        CommitTemporary();
    else
        CommitInPlace();
}

void Replacement::CommitTemporary()
{
    // The owner first: changing it clears set-user-ID bits that the mode then
    // restores. Only a privileged process may give a file away; others keep
    // their own ownership.
    if (owner_ && fchown(fd_, owner_->first, owner_->second) != 0 && errno != EPERM)
        Fail(errno);
    if (fchmod(fd_, static_cast<mode_t>(mode_)) != 0)
        Fail(errno);
    if (fsync(fd_) != 0)
        Fail(errno);
    if (close(std::exchange(fd_, -1)) != 0)
        Fail(errno);
    if (rename(temporary_.c_str(), destination_.c_str()) != 0)
        Fail(errno);
    registration_.reset();
    temporary_.clear();
    // The new content is in place now and nothing can bring the old one back:
    // a failure to make the rename itself durable is not reported.
    SyncFolder(destination_.parent_path());
}

void Replacement::CommitInPlace()
{
    if (kind_ == Kind::Overwrite && ftruncate(fd_, static_cast<off_t>(written_)) != 0)
        Fail(errno);
    // Pipes and terminals cannot be synced, and need not be.
    if (fsync(fd_) != 0 && !(kind_ == Kind::Stream && (errno == EINVAL || errno == EROFS)))
        Fail(errno);
    const int fd = std::exchange(fd_, -1);
    if (ownsDescriptor_ && close(fd) != 0)
        Fail(errno);
}

void Replacement::Discard()
{
    if (fd_ >= 0 && ownsDescriptor_)
        close(fd_);
    fd_ = -1;
    if (!temporary_.empty())
        unlink(temporary_.c_str());
    registration_.reset();
    temporary_.clear();
}

void Replacement::Fail(int errorNumber)
{
    Discard();
    throw FileError(target_, FileError::Operation::Write, SystemReason(errorNumber ? errorNumber : EIO));
}

}  // namespace tavrel
