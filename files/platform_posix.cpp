#include "files/platform.h"

#include "files/cleanup_slots.h"

#include <unicode/ucnv.h>

#include <fcntl.h>
#include <langinfo.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <utility>
#include <vector>

namespace tavrel::platform {

namespace fs = std::filesystem;

namespace {

// As many links as the kernel itself follows before giving ELOOP.
constexpr int kMaxLinkHops = 40;

int Fd(const File& file)
{
    return static_cast<int>(file.Native());
}

[[noreturn]] void Fail(const fs::path& name, FileError::Operation operation, int code)
{
    throw FileError(name, operation, ErrorText(code ? code : EIO));
}

FileInfo InfoOf(const struct stat& status)
{
    FileInfo info;
    info.kind = S_ISREG(status.st_mode)   ? FileInfo::Kind::Regular
                : S_ISDIR(status.st_mode) ? FileInfo::Kind::Directory
                                          : FileInfo::Kind::Other;
    info.identity = {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
    info.size = S_ISREG(status.st_mode) ? static_cast<std::uint64_t>(status.st_size) : 0;
    info.links = static_cast<std::uint64_t>(status.st_nlink);
    return info;
}

// The folder for scratch files: $TMPDIR, or the system's.
fs::path TemporaryFolder()
{
    const char* folder = std::getenv("TMPDIR");
    return folder && *folder ? folder : P_tmpdir;
}

// A hidden name of fixed length, so that a destination whose name is already
// as long as the file system allows still gets a staging file beside it.
fs::path HiddenName()
{
    static thread_local std::mt19937 random(std::random_device{}());
    char name[32];
    std::snprintf(name, sizeof name, ".tavrel-%08x.tmp", static_cast<unsigned>(random()));
    return name;
}

// Errors by which a folder refuses new files while its files may still be
// written; ENOENT is what /proc and /sys give.
bool FolderRefuses(int code)
{
    return code == EACCES || code == EPERM || code == EROFS || code == ENOENT;
}

// Errors by which a file system says it cannot make unnamed files.
bool NoUnnamedFiles(int code)
{
    return code == EOPNOTSUPP || code == EISDIR || code == EINVAL;
}

constinit CleanupSlots<PATH_MAX> cleanupSlots;

int ArmCleanup(const fs::path& path)
{
    return cleanupSlots.Arm(path);
}

void DisarmCleanup(int& slot)
{
    cleanupSlots.Disarm(slot);
}

extern "C" void RemoveStagingAndDie(int signalNumber)
{
    cleanupSlots.RemoveArmed([](const char* path) { unlink(path); });
    // The signal stays blocked until the handler returns, then ends the
    // program with its default action.
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);
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

// The locale's encoding, or nullptr when messages need no conversion (UTF-8,
// or ASCII, which terminals today show as UTF-8).
const char* LocaleEncoding()
{
    const char* codeset = nl_langinfo(CODESET);
    if (!codeset || std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "ANSI_X3.4-1968") == 0)
        return nullptr;
    return codeset;
}

std::string ConvertText(const char* to, const char* from, std::string_view text)
{
    std::string converted(4 * text.size() + 4, '\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucnv_convert(to, from, converted.data(), static_cast<int32_t>(converted.size()),
                                        text.data(), static_cast<int32_t>(text.size()), &status);
    if (U_FAILURE(status))
        return std::string(text);
    converted.resize(static_cast<std::size_t>(length));
    return converted;
}

// An unnamed file in `folder`, or -1 with errno set.
int OpenUnnamed(const fs::path& folder)
{
    return open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
}

}  // namespace

File::~File()
{
    if (owned_ && handle_ != kNone)
        close(Fd(*this));
}

void File::Close(const fs::path& name)
{
    const int fd = static_cast<int>(std::exchange(handle_, kNone));
    if (std::exchange(owned_, false) && close(fd) != 0 && errno != EINTR)
        Fail(name, FileError::Operation::Write, errno);
}

File OpenInput(const fs::path& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        Fail(path, FileError::Operation::Read, errno);
    File file(fd, true);
    if (Inspect(file, path).kind == FileInfo::Kind::Directory)
        Fail(path, FileError::Operation::Read, EISDIR);
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return file;
}

File Standard(StandardStream stream)
{
    return {static_cast<File::Handle>(stream), false};
}


FileInfo Inspect(const File& file, const fs::path& name)
{
    struct stat status {};
    if (fstat(Fd(file), &status) != 0)
        Fail(name, FileError::Operation::Read, errno);
    return InfoOf(status);
}

std::optional<FileInfo> InspectPath(const fs::path& path)
{
    struct stat status {};
    if (stat(path.c_str(), &status) == 0)
        return InfoOf(status);
    if (errno == ENOENT)
        return std::nullopt;
    Fail(path, FileError::Operation::Read, errno);
}

std::size_t ReadSome(File& file, char* buffer, std::size_t capacity, const fs::path& name)
{
    for (;;) {
        const ssize_t got = read(Fd(file), buffer, capacity);
        if (got >= 0)
            return static_cast<std::size_t>(got);
        if (errno != EINTR)
            Fail(name, FileError::Operation::Read, errno);
    }
}

bool Readable(const File& file)
{
    pollfd waiting{Fd(file), POLLIN, 0};
    return poll(&waiting, 1, 0) > 0;
}

void Rewind(File& file, const fs::path& name)
{
    if (lseek(Fd(file), 0, SEEK_SET) != 0)
        Fail(name, FileError::Operation::Read, errno);
}

void WriteAll(File& file, std::string_view bytes, const fs::path& name)
{
    while (!bytes.empty()) {
        const ssize_t written = write(Fd(file), bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            Fail(name, FileError::Operation::Write, written < 0 ? errno : EIO);
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

void WriteAt(File& file, std::uint64_t offset, std::string_view bytes, const fs::path& name,
             FileError::Operation operation)
{
    while (!bytes.empty()) {
        ssize_t written = pwrite(Fd(file), bytes.data(), bytes.size(), static_cast<off_t>(offset));
        // A file that cannot seek (in /proc, say) is written from where it
        // stands, so that the failure is the writing's own.
        if (written < 0 && errno == ESPIPE)
            written = write(Fd(file), bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            Fail(name, operation, written < 0 ? errno : EIO);
        bytes.remove_prefix(static_cast<std::size_t>(written));
        offset += static_cast<std::uint64_t>(written);
    }
}

std::size_t ReadAt(File& file, std::uint64_t offset, char* buffer, std::size_t capacity, const fs::path& name)
{
    for (;;) {
        const ssize_t got = pread(Fd(file), buffer, capacity, static_cast<off_t>(offset));
        if (got >= 0)
            return static_cast<std::size_t>(got);
        if (errno != EINTR)
            Fail(name, FileError::Operation::Read, errno);
    }
}

void StartWriteback(File& file, std::uint64_t offset, std::uint64_t length)
{
    // A length of 0 would mean "to the end of the file".
    if (length > 0)
        sync_file_range(Fd(file), static_cast<off_t>(offset), static_cast<off_t>(length), SYNC_FILE_RANGE_WRITE);
}

void Sync(File& file, const fs::path& name, FileError::Operation operation)
{
    if (fsync(Fd(file)) == 0)
        return;
    const int error = errno;
    if ((error == EINVAL || error == EROFS) && Inspect(file, name).kind != FileInfo::Kind::Regular)
        return;
    Fail(name, operation, error);
}

void SyncFolder(const fs::path& folder)
{
    const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    fsync(fd);
    close(fd);
}

std::optional<Staging> Staging::Create(const fs::path& folder, const fs::path& destination,
                                       bool destinationExists)
{
    Staging staging;
    staging.folder_ = folder;
    int fd = OpenUnnamed(folder);
    for (int attempt = 0; fd < 0 && NoUnnamedFiles(errno) && attempt < 16; ++attempt) {
        // The file system has no unnamed files: a hidden name, which the
        // interrupt cleanup removes (a crash can still leave it).
        staging.hiddenName_ = folder / HiddenName();
        staging.cleanupSlot_ = ArmCleanup(staging.hiddenName_);
        fd = open(staging.hiddenName_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            DisarmCleanup(staging.cleanupSlot_);
            staging.hiddenName_.clear();
            if (errno == EEXIST)
                errno = EINVAL;
        }
    }
    if (fd < 0) {
        if (destinationExists && FolderRefuses(errno))
            return std::nullopt;
        Fail(destination, destinationExists ? FileError::Operation::Write : FileError::Operation::Create, errno);
    }
    staging.file_ = File(fd, true);
    return staging;
}

void Staging::CommitByRename(const fs::path& destination, const fs::path& name, bool syncFolder)
{
    // An unnamed file gets a hidden name first (as a link through /proc, the
    // way the kernel allows for files opened with O_TMPFILE), which the
    // rename then moves over the destination.
    for (int attempt = 0; hiddenName_.empty() && attempt < 16; ++attempt) {
        const fs::path hidden = folder_ / HiddenName();
        cleanupSlot_ = ArmCleanup(hidden);
        const std::string self = "/proc/self/fd/" + std::to_string(Fd(file_));
        if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, hidden.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            hiddenName_ = hidden;
            break;
        }
        const int error = errno;
        DisarmCleanup(cleanupSlot_);
        if (error != EEXIST)
            Fail(name, FileError::Operation::Write, error);
    }
    if (hiddenName_.empty())
        Fail(name, FileError::Operation::Write, EEXIST);
    file_.Close(name);
    if (rename(hiddenName_.c_str(), destination.c_str()) != 0)
        Fail(name, FileError::Operation::Write, errno);
    hiddenName_.clear();
    DisarmCleanup(cleanupSlot_);
    // The new content is in place now and nothing can bring the old one back:
    // a failure to make the rename itself durable is not reported.
    if (syncFolder)
        SyncFolder(folder_);
}

void Staging::Discard()
{
    file_ = File();
    if (!hiddenName_.empty())
        unlink(hiddenName_.c_str());
    hiddenName_.clear();
    DisarmCleanup(cleanupSlot_);
}

FileRights RightsOf(const fs::path& path, const fs::path& name)
{
    struct stat status {};
    if (stat(path.c_str(), &status) != 0)
        Fail(name, FileError::Operation::Write, errno);
    return {status.st_mode & 07777u, status.st_uid, status.st_gid, true};
}

FileRights NewFileRights()
{
    return {0666u & ~static_cast<std::uint32_t>(CurrentUmask()), 0, 0, false};
}

void ApplyRights(File& file, const FileRights& rights, const fs::path& name)
{
    // The owner first: changing it clears set-user-ID bits that the mode then
    // restores. Only a privileged process may give a file away; others keep
    // their own ownership.
    if (rights.hasOwner && fchown(Fd(file), rights.owner, rights.group) != 0 && errno != EPERM)
        Fail(name, FileError::Operation::Write, errno);
    if (fchmod(Fd(file), static_cast<mode_t>(rights.mode)) != 0)
        Fail(name, FileError::Operation::Write, errno);
}

void CheckWritable(const fs::path& path, const fs::path& name)
{
    if (faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)
        Fail(name, FileError::Operation::Write, errno);
}

File OpenInPlace(const fs::path& path, const fs::path& name)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        Fail(name, FileError::Operation::Write, errno);
    return {fd, true};
}

void Allocate(File& file, std::uint64_t size, const fs::path& name)
{
    if (size == 0)
        return;
    if (fallocate(Fd(file), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) == 0)
        return;
    // A file system that cannot reserve space ahead is written as it is.
    if (errno != EOPNOTSUPP && errno != ENOSYS)
        Fail(name, FileError::Operation::Write, errno);
}

void Truncate(File& file, std::uint64_t size, const fs::path& name, FileError::Operation operation)
{
    if (ftruncate(Fd(file), static_cast<off_t>(size)) != 0)
        Fail(name, operation, errno);
}

File CreateScratch(const fs::path& name)
{
    int fd = OpenUnnamed(TemporaryFolder());
    if (fd < 0 && NoUnnamedFiles(errno)) {
        std::string pattern = (TemporaryFolder() / ".tavrel-XXXXXX").string();
        fd = mkostemp(pattern.data(), O_CLOEXEC);
        if (fd >= 0)
            unlink(pattern.c_str());
    }
    if (fd < 0)
        Fail(name, FileError::Operation::Write, errno);
    return {fd, true};
}

namespace {

// The stream a name such as /dev/stdout or /dev/fd/N stands for, when it
// names one this process has open: written as a shell redirection writes it.
std::optional<File> OpenStreamNamed(const fs::path& path)
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
    return File(fd, false);
}

// The file a chain of links ends in that does not exist yet, which the
// kernel has just agreed to follow (its protection of links in shared
// folders refuses before it finds the file missing).
fs::path FileToCreate(const fs::path& target)
{
    fs::path path = target;
    for (int hop = 0;; ++hop) {
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return path;
        if (hop == kMaxLinkHops)
            Fail(target, FileError::Operation::Write, ELOOP);
        std::vector<char> buffer(PATH_MAX);
        const ssize_t length = readlink(path.c_str(), buffer.data(), buffer.size());
        if (length < 0)
            Fail(target, FileError::Operation::Write, errno);
        const fs::path next(std::string(buffer.data(), static_cast<std::size_t>(length)));
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
}

}  // namespace

ResolvedTarget ResolveTarget(const fs::path& target)
{
    if (std::optional<File> stream = OpenStreamNamed(target)) {
        // A descriptor this program holds for reading, its input perhaps.
        if ((fcntl(Fd(*stream), F_GETFL) & O_ACCMODE) == O_RDONLY)
            throw FileError(target, FileError::Operation::Write, Tr("它是本程序只为读取而打开的"));
        return {target, std::move(stream), std::nullopt};
    }
    const int fd = open(target.c_str(), O_PATH | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT)
            Fail(target, FileError::Operation::Write, errno);
        return {FileToCreate(target), std::nullopt, std::nullopt};
    }
    const File file(fd, true);
    struct stat status {};
    if (fstat(fd, &status) != 0)
        Fail(target, FileError::Operation::Write, errno);
    std::error_code error;
    fs::path real = fs::read_symlink("/proc/self/fd/" + std::to_string(fd), error);
    if (error)
        real = fs::weakly_canonical(target, error);
    return {error ? target : real, std::nullopt, InfoOf(status)};
}

void LockExclusive(File& file, const fs::path& name)
{
    while (flock(Fd(file), LOCK_EX) != 0) {
        if (errno != EINTR)
            Fail(name, FileError::Operation::Write, errno);
    }
}

std::vector<FolderEntry> ListFolder(const fs::path& folder)
{
    std::vector<FolderEntry> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
    {
        const bool link = it->is_symlink(error);
        const FolderEntry::Kind kind = it->is_directory(error) ? (link ? FolderEntry::Kind::Other : FolderEntry::Kind::Folder)
                                       : it->is_regular_file(error) ? FolderEntry::Kind::File
                                                                    : FolderEntry::Kind::Other;
        entries.push_back({it->path(), kind});
    }
    if (error)
        Fail(folder, FileError::Operation::Read, error.value());
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.path.filename() < b.path.filename(); });
    return entries;
}

void CreateFolders(const fs::path& folder)
{
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
        Fail(folder, FileError::Operation::Create, error.value());
}

bool IsTerminal(StandardStream stream)
{
    return isatty(static_cast<int>(stream)) == 1;
}

void InstallInterruptCleanup()
{
    static_assert(std::atomic<int>::is_always_lock_free);
    struct sigaction action {};
    action.sa_handler = RemoveStagingAndDie;
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&action.sa_mask, signalNumber);
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        // A signal the program was started to ignore (nohup) stays ignored.
        struct sigaction current {};
        if (sigaction(signalNumber, nullptr, &current) == 0 && current.sa_handler != SIG_IGN)
            sigaction(signalNumber, &action, nullptr);
    }
}

std::string ErrorText(int code)
{
    char buffer[256];
    return LocaleToUtf8(strerror_r(code, buffer, sizeof buffer));
}

std::string IsDirectoryText()
{
    return ErrorText(EISDIR);
}

std::string LocaleToUtf8(std::string_view text)
{
    const char* encoding = LocaleEncoding();
    return encoding ? ConvertText("UTF-8", encoding, text) : std::string(text);
}

std::string Utf8ToLocale(std::string_view text)
{
    const char* encoding = LocaleEncoding();
    return encoding ? ConvertText(encoding, "UTF-8", text) : std::string(text);
}

void WriteMessage(StandardStream stream, std::string_view text)
{
    const std::string local = Utf8ToLocale(text);
    std::string_view rest = local;
    while (!rest.empty()) {
        const ssize_t written = write(static_cast<int>(stream), rest.data(), rest.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        rest.remove_prefix(static_cast<std::size_t>(written));
    }
}

std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    return {argv + std::min(argc, 1), argv + argc};
}

std::vector<std::string> SystemLocales()
{
    return {};
}

fs::path ApplicationDirectory()
{
    std::error_code error;
    const fs::path resolved = fs::canonical("/proc/self/exe", error);
    if (error)
        Fail("/proc/self/exe", FileError::Operation::Read, error.value());
    return resolved.parent_path();
}

fs::path CacheFolder()
{
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache && *cache == '/')
        return fs::path(cache) / "tavrel";
    const char* home = std::getenv("HOME");
    return home && *home == '/' ? fs::path(home) / ".cache" / "tavrel" : fs::path();
}

}  // namespace tavrel::platform
