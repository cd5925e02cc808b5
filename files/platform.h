#pragma once

// The operating-system operations the file layer needs, implemented once per
// platform (platform_posix.cpp, platform_windows.cpp). Nothing else in the
// program includes a system header. Every failure is thrown as a FileError
// naming the path the caller gave and the system's reason, unless the
// function says otherwise.

#include "engine/errors.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel::platform {

// An open file, pipe or device; closed when it goes, unless it was borrowed
// (a standard stream).
class File {
public:
    using Handle = std::intptr_t;

    File() = default;
    File(Handle handle, bool owned) : handle_(handle), owned_(owned) {}
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;

    bool IsOpen() const { return handle_ != kNone; }
    Handle Native() const { return handle_; }
    // Closes now and reports a failure to do so (which can mean lost data).
    void Close(const std::filesystem::path& name);

private:
    static constexpr Handle kNone = -1;
    Handle handle_ = kNone;
    bool owned_ = false;
};

// Where a file lives: the same file has the same identity whatever its name.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

struct FileInfo {
    enum class Kind { Regular, Directory, Other };
    Kind kind = Kind::Other;
    FileIdentity identity;
    std::uint64_t size = 0;
    std::uint64_t links = 1;
};

enum class StandardStream { Input, Output, Error };

// Opens for reading, refusing a folder.
File OpenInput(const std::filesystem::path& path);
// A standard stream, borrowed.
File Standard(StandardStream stream);

FileInfo Inspect(const File& file, const std::filesystem::path& name);
// The file a path names, links followed; nothing when it does not exist.
std::optional<FileInfo> InspectPath(const std::filesystem::path& path);

// One read of up to `capacity` bytes; 0 at the end.
std::size_t ReadSome(File& file, char* buffer, std::size_t capacity, const std::filesystem::path& name);
// Whether a read would now return at once.
bool Readable(const File& file);
void Rewind(File& file, const std::filesystem::path& name);
void WriteAll(File& file, std::string_view bytes, const std::filesystem::path& name);
// Writes at an offset, leaving the file position alone; a failure is
// reported as `operation`.
void WriteAt(File& file, std::uint64_t offset, std::string_view bytes, const std::filesystem::path& name,
             FileError::Operation operation = FileError::Operation::Write);
std::size_t ReadAt(File& file, std::uint64_t offset, char* buffer, std::size_t capacity,
                   const std::filesystem::path& name);

// Starts writing a range just written to the disk, without waiting for it,
// so that a later Sync has little left to do. Only a hint: failures are left
// for Sync to report.
void StartWriteback(File& file, std::uint64_t offset, std::uint64_t length);
// Makes the content durable. Pipes and terminals need not be and are not.
void Sync(File& file, const std::filesystem::path& name, FileError::Operation operation = FileError::Operation::Write);
// Makes a folder's entries durable; a failure is not reported, since what it
// follows has already happened.
void SyncFolder(const std::filesystem::path& folder);

// A file's new content, written before the file itself is touched. It has no
// name until it is committed where the platform allows (so that nothing is
// left if the program dies), or else a hidden name beside its destination
// that the system removes when the file closes uncommitted (Windows), or
// that the interrupt cleanup removes. Discarded when it goes uncommitted.
class Staging {
public:
    // A staging file in `folder` for `destination` (the name messages use).
    // When the folder refuses new files: nothing if the destination exists
    // (it may still be written in place), else a FileError naming the folder.
    static std::optional<Staging> Create(const std::filesystem::path& folder,
                                         const std::filesystem::path& destination, bool destinationExists);
    // A staging file in the temporary folder, for content copied elsewhere.
    static Staging CreateDetached(const std::filesystem::path& destination);

    Staging() = default;
    ~Staging();
    Staging(Staging&& other) noexcept;
    Staging& operator=(Staging&& other) noexcept;

    File& Output() { return file_; }
    // The folder the staging file is renamed in.
    const std::filesystem::path& Folder() const { return folder_; }
    // Gives the staging file `destination`'s name, replacing what was there,
    // and syncs the folder unless `syncFolder` is false: then the caller
    // syncs it later, and until then a crash may lose the rename.
    void CommitByRename(const std::filesystem::path& destination, const std::filesystem::path& name,
                        bool syncFolder = true);

private:
    void Discard();

    File file_;
    std::filesystem::path folder_;
    std::filesystem::path hiddenName_;  // while it has one
    int cleanupSlot_ = -1;
    bool deletedOnClose_ = false;  // removed by the system when closed uncommitted
};

// Ownership and access rights carried over from the file a new one replaces.
struct FileRights {
    std::uint32_t mode = 0;
    std::uint32_t owner = 0;
    std::uint32_t group = 0;
    bool hasOwner = false;
};
FileRights RightsOf(const std::filesystem::path& path, const std::filesystem::path& name);
// Rights of a new file: read and write for whom the process's mask allows.
FileRights NewFileRights();
void ApplyRights(File& file, const FileRights& rights, const std::filesystem::path& name);

// Refuses a file the user may not write (whoever the process runs as).
void CheckWritable(const std::filesystem::path& path, const std::filesystem::path& name);
// Opens an existing file for writing in place, without truncating it.
File OpenInPlace(const std::filesystem::path& path, const std::filesystem::path& name);
// Makes room for `size` bytes, so that a full disk fails before the first byte
// is overwritten.
void Allocate(File& file, std::uint64_t size, const std::filesystem::path& name);
void Truncate(File& file, std::uint64_t size, const std::filesystem::path& name,
              FileError::Operation operation = FileError::Operation::Write);
// Waits for and holds an exclusive advisory lock on the file until it is
// closed, so that programs writing it in place take turns.
void LockExclusive(File& file, const std::filesystem::path& name);

// An unnamed scratch file in the temporary folder, for reading and writing.
File CreateScratch(const std::filesystem::path& name);

// What a path to write names: an open stream of this process (/dev/stdout,
// /dev/fd/N), or a file. An existing file is looked at through the kernel,
// links followed as the kernel follows them (so that its protections of
// links in shared folders apply), and named by its real path. A missing one
// is named by the path to create: the end of the chain of links the kernel
// agreed to follow, each relative link followed from its own folder.
struct ResolvedTarget {
    std::filesystem::path path;
    std::optional<File> stream;
    std::optional<FileInfo> info;  // the existing file; nothing for a file to create
};
ResolvedTarget ResolveTarget(const std::filesystem::path& target);

// The entries of a folder, sorted by name. A link to a folder is no folder
// here, so that a walk cannot loop; a link to a file is the file.
struct FolderEntry {
    enum class Kind { Folder, File, Other };
    std::filesystem::path path;
    Kind kind = Kind::Other;
};
std::vector<FolderEntry> ListFolder(const std::filesystem::path& folder);
// Makes a folder and the folders above it that are missing.
void CreateFolders(const std::filesystem::path& folder);

// Whether a standard stream is a terminal a person watches.
bool IsTerminal(StandardStream stream);

// Installs handlers of Ctrl-C and termination that remove the hidden staging
// files, then end the program as the interruption would have.
void InstallInterruptCleanup();

// The system's description of an error number, in UTF-8 and the user's language.
std::string ErrorText(int code);
// The reason given for a folder where a file was expected.
std::string IsDirectoryText();

// Text between UTF-8 and the encoding messages are shown in: the locale's on
// POSIX systems (GBK under zh_CN.GBK), with characters it lacks substituted.
std::string LocaleToUtf8(std::string_view text);
std::string Utf8ToLocale(std::string_view text);

// Writes a message in UTF-8 to a standard stream: to a Windows console as
// UTF-16, so that every character shows; elsewhere in the encoding of
// Utf8ToLocale (with CR LF line ends on Windows). Failures are not reported.
void WriteMessage(StandardStream stream, std::string_view text);

// The program's arguments after its name, in UTF-8 (on Windows from the
// wide command line, whatever the ANSI code page lacks).
std::vector<std::string> ProgramArguments(int argc, char** argv);

// The folder of the running program, links resolved.
std::filesystem::path ApplicationDirectory();

// The user's folder for the program's caches, which may not exist yet:
// $XDG_CACHE_HOME/tavrel or ~/.cache/tavrel, %LOCALAPPDATA%\Tavrel on
// Windows; empty when the environment names none.
std::filesystem::path CacheFolder();

// The user's choice of language for messages, in order of preference, as
// locale names ("zh_TW.UTF-8", "en_GB", "C"): the locale of LC_ALL,
// LC_MESSAGES or LANG, after the languages of LANGUAGE unless the locale is
// C or POSIX, as gettext does; then the system's own (SystemLocales); "C"
// when nothing names one.
std::vector<std::string> MessageLocales();
// The languages the system itself gives for messages, after those the
// environment names: none on POSIX systems; on Windows the language of the
// user's Windows, then the user's regional format.
std::vector<std::string> SystemLocales();

}  // namespace tavrel::platform
