#include "files/platform.h"

#include "files/cleanup_slots.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <shellapi.h>


#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cerrno>
#include <cstring>
#include <cwchar>
#include <random>
#include <system_error>
#include <utility>
#include <vector>

namespace tavrel::platform {

namespace fs = std::filesystem;

namespace {

// The longest read or write asked of the system at once: ReadFile and
// WriteFile count in 32 bits.
constexpr DWORD kMaxChunk = DWORD{1} << 30;

HANDLE H(const File& file)
{
    return reinterpret_cast<HANDLE>(file.Native());
}

File::Handle ToHandle(HANDLE handle)
{
    return reinterpret_cast<File::Handle>(handle);
}

std::string WideToUtf8(const wchar_t* text, int length)
{
    if (length == 0)
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string converted(static_cast<std::size_t>(std::max(size, 0)), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text, length, converted.data(), size, nullptr, nullptr);
    return converted;
}

std::wstring MultiByteToWide(UINT codePage, std::string_view text)
{
    if (text.empty())
        return {};
    const int length = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
    std::wstring converted(static_cast<std::size_t>(std::max(size, 0)), L'\0');
    if (size > 0)
        MultiByteToWideChar(codePage, 0, text.data(), length, converted.data(), size);
    return converted;
}

std::string WideToMultiByte(UINT codePage, const std::wstring& text)
{
    if (text.empty())
        return {};
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string converted(static_cast<std::size_t>(std::max(size, 0)), '\0');
    if (size > 0)
        WideCharToMultiByte(codePage, 0, text.data(), length, converted.data(), size, nullptr, nullptr);
    return converted;
}

[[noreturn]] void Fail(const fs::path& name, FileError::Operation operation, DWORD code)
{
    throw FileError(name, operation, ErrorText(static_cast<int>(code ? code : ERROR_GEN_FAILURE)));
}

[[noreturn]] void FailLast(const fs::path& name, FileError::Operation operation)
{
    Fail(name, operation, GetLastError());
}

// The reason of a standard library error: the system's text for a Windows
// error, the library's own for a C runtime one.
std::string TextOf(const std::error_code& error)
{
    if (error.category() == std::system_category())
        return ErrorText(error.value());
    return LocaleToUtf8(error.message());
}

bool Missing(DWORD code)
{
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND || code == ERROR_INVALID_NAME;
}

// A handle on a file or folder only to look at it, links followed.
HANDLE OpenToInspect(const fs::path& path)
{
    return CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// What a handle is; false with the error set when the system cannot say.
bool InfoOf(HANDLE handle, FileInfo& info)
{
    const DWORD type = GetFileType(handle);
    if (type != FILE_TYPE_DISK) {
        if (type == FILE_TYPE_UNKNOWN && GetLastError() != NO_ERROR)
            return false;
        // Pipes and consoles have no file index: each handle is its own.
        info.kind = FileInfo::Kind::Other;
        info.identity = {~std::uint64_t{0}, static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(handle))};
        info.size = 0;
        info.links = 1;
        return true;
    }
    BY_HANDLE_FILE_INFORMATION data{};
    if (!GetFileInformationByHandle(handle, &data))
        return false;
    const bool folder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    info.kind = folder ? FileInfo::Kind::Directory : FileInfo::Kind::Regular;
    info.identity = {data.dwVolumeSerialNumber,
                     (static_cast<std::uint64_t>(data.nFileIndexHigh) << 32) | data.nFileIndexLow};
    info.size = folder ? 0 : (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    info.links = data.nNumberOfLinks;
    return true;
}

// The folder for scratch files: the user's temporary folder.
fs::path TemporaryFolder()
{
    wchar_t buffer[MAX_PATH + 2];
    const DWORD length = GetTempPathW(MAX_PATH + 2, buffer);
    if (length == 0 || length > MAX_PATH + 1)
        return fs::path(L".");
    return fs::path(std::wstring(buffer, length));
}

// A hidden name of fixed length, as on POSIX systems.
fs::path HiddenName()
{
    static thread_local std::mt19937 random(std::random_device{}());
    wchar_t name[32];
    std::swprintf(name, 32, L".tavrel-%08x.tmp", static_cast<unsigned>(random()));
    return fs::path(name);
}

// Errors by which a folder refuses new files while its files may still be written.
bool FolderRefuses(DWORD code)
{
    return code == ERROR_ACCESS_DENIED || code == ERROR_WRITE_PROTECT || Missing(code);
}

// Marks or unmarks a file for deletion when its last handle closes: a
// staging file so marked vanishes if the program dies.
bool SetDeleteOnClose(HANDLE handle, bool remove)
{
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = remove ? TRUE : FALSE;
    return SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition);
}

constinit CleanupSlots<1024> cleanupSlots;

int ArmCleanup(const fs::path& path)
{
    return cleanupSlots.Arm(path);
}

void DisarmCleanup(int& slot)
{
    cleanupSlots.Disarm(slot);
}

// Runs on a thread of its own on Ctrl-C, Ctrl-Break, the console's closing,
// logoff and shutdown: removes the staging files that have a name, then lets
// the default handler end the program.
BOOL WINAPI RemoveStagingOnControl(DWORD)
{
    cleanupSlots.RemoveArmed([](const wchar_t* path) { DeleteFileW(path); });
    return FALSE;
}

// The current position of a file, to be put back after a positioned read
// or write (which moves it on Windows); -1 for what cannot seek.
LONGLONG PositionOf(HANDLE handle)
{
    LARGE_INTEGER position{};
    if (GetFileType(handle) != FILE_TYPE_DISK || !SetFilePointerEx(handle, LARGE_INTEGER{}, &position, FILE_CURRENT))
        return -1;
    return position.QuadPart;
}

void RestorePosition(HANDLE handle, LONGLONG position)
{
    if (position >= 0) {
        LARGE_INTEGER to{};
        to.QuadPart = position;
        SetFilePointerEx(handle, to, nullptr, FILE_BEGIN);
    }
}

OVERLAPPED At(std::uint64_t offset)
{
    OVERLAPPED overlapped{};
    overlapped.Offset = static_cast<DWORD>(offset);
    overlapped.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return overlapped;
}

// The code page text for messages is in: the console's when there is one,
// else the system's ANSI code page.
UINT MessageCodePage()
{
    const UINT console = GetConsoleOutputCP();
    return console ? console : GetACP();
}

// A path as GetFinalPathNameByHandleW gives it, without the \\?\ prefix
// where the path is an ordinary one.
fs::path WithoutVerbatimPrefix(std::wstring path)
{
    if (path.starts_with(L"\\\\?\\UNC\\"))
        return fs::path(L"\\\\" + path.substr(8));
    if (path.starts_with(L"\\\\?\\") && path.size() >= 6 && path[5] == L':')
        return fs::path(path.substr(4));
    return fs::path(path);
}

std::string LocaleName(LCID lcid)
{
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    const int length = LCIDToLocaleName(lcid, name, LOCALE_NAME_MAX_LENGTH, 0);
    return length > 1 ? WideToUtf8(name, length - 1) : std::string();
}

}  // namespace

File::~File()
{
    if (owned_ && handle_ != kNone)
        CloseHandle(H(*this));
}

void File::Close(const fs::path& name)
{
    const HANDLE handle = reinterpret_cast<HANDLE>(std::exchange(handle_, kNone));
    if (std::exchange(owned_, false) && !CloseHandle(handle))
        FailLast(name, FileError::Operation::Write);
}

File OpenInput(const fs::path& path)
{
    // Backup semantics open a folder too, so that it is refused as a folder
    // rather than with "access denied".
    const HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_BACKUP_SEMANTICS,
                                      nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        FailLast(path, FileError::Operation::Read);
    File file(ToHandle(handle), true);
    if (Inspect(file, path).kind == FileInfo::Kind::Directory)
        throw FileError(path, FileError::Operation::Read, IsDirectoryText());
    return file;
}

File Standard(StandardStream stream)
{
    const DWORD which = stream == StandardStream::Input    ? STD_INPUT_HANDLE
                        : stream == StandardStream::Output ? STD_OUTPUT_HANDLE
                                                           : STD_ERROR_HANDLE;
    const HANDLE handle = GetStdHandle(which);
    return {handle ? ToHandle(handle) : ToHandle(INVALID_HANDLE_VALUE), false};
}

FileInfo Inspect(const File& file, const fs::path& name)
{
    FileInfo info;
    if (!InfoOf(H(file), info))
        FailLast(name, FileError::Operation::Read);
    return info;
}

std::optional<FileInfo> InspectPath(const fs::path& path)
{
    const HANDLE handle = OpenToInspect(path);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (Missing(error))
            return std::nullopt;
        Fail(path, FileError::Operation::Read, error);
    }
    const File file(ToHandle(handle), true);
    return Inspect(file, path);
}

std::size_t ReadSome(File& file, char* buffer, std::size_t capacity, const fs::path& name)
{
    DWORD got = 0;
    if (ReadFile(H(file), buffer, static_cast<DWORD>(std::min<std::size_t>(capacity, kMaxChunk)), &got, nullptr))
        return got;
    const DWORD error = GetLastError();
    // A pipe whose writer has closed it has simply ended.
    if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF)
        return 0;
    Fail(name, FileError::Operation::Read, error);
}

bool Readable(const File& file)
{
    const HANDLE handle = H(file);
    switch (GetFileType(handle)) {
    case FILE_TYPE_PIPE: {
        DWORD available = 0;
        // A broken pipe reads at once too: its end.
        return !PeekNamedPipe(handle, nullptr, 0, nullptr, &available, nullptr) || available > 0;
    }
    case FILE_TYPE_CHAR:
        return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
    default:
        return true;
    }
}

void Rewind(File& file, const fs::path& name)
{
    if (!SetFilePointerEx(H(file), LARGE_INTEGER{}, nullptr, FILE_BEGIN))
        FailLast(name, FileError::Operation::Read);
}

void WriteAll(File& file, std::string_view bytes, const fs::path& name)
{
    while (!bytes.empty()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), kMaxChunk));
        if (!WriteFile(H(file), bytes.data(), chunk, &written, nullptr))
            FailLast(name, FileError::Operation::Write);
        if (written == 0)
            Fail(name, FileError::Operation::Write, ERROR_WRITE_FAULT);
        bytes.remove_prefix(written);
    }
}

void WriteAt(File& file, std::uint64_t offset, std::string_view bytes, const fs::path& name,
             FileError::Operation operation)
{
    const HANDLE handle = H(file);
    const LONGLONG position = PositionOf(handle);
    while (!bytes.empty()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), kMaxChunk));
        // What cannot seek is written where it stands.
        OVERLAPPED at = At(offset);
        if (!WriteFile(handle, bytes.data(), chunk, &written, position >= 0 ? &at : nullptr)) {
            const DWORD error = GetLastError();
            RestorePosition(handle, position);
            Fail(name, operation, error);
        }
        if (written == 0) {
            RestorePosition(handle, position);
            Fail(name, operation, ERROR_WRITE_FAULT);
        }
        bytes.remove_prefix(written);
        offset += written;
    }
    RestorePosition(handle, position);
}

std::size_t ReadAt(File& file, std::uint64_t offset, char* buffer, std::size_t capacity, const fs::path& name)
{
    const HANDLE handle = H(file);
    const LONGLONG position = PositionOf(handle);
    OVERLAPPED at = At(offset);
    DWORD got = 0;
    const BOOL done = ReadFile(handle, buffer, static_cast<DWORD>(std::min<std::size_t>(capacity, kMaxChunk)), &got,
                               position >= 0 ? &at : nullptr);
    const DWORD error = done ? NO_ERROR : GetLastError();
    RestorePosition(handle, position);
    if (done || error == ERROR_HANDLE_EOF || error == ERROR_BROKEN_PIPE)
        return done ? got : 0;
    Fail(name, FileError::Operation::Read, error);
}

void StartWriteback(File&, std::uint64_t, std::uint64_t)
{
    // Windows has no call to start writing a range without waiting for it;
    // the lazy writer starts on its own within a second or so.
}

void Sync(File& file, const fs::path& name, FileError::Operation operation)
{
    // Pipes and consoles are not made durable.
    if (GetFileType(H(file)) != FILE_TYPE_DISK)
        return;
    if (!FlushFileBuffers(H(file)))
        FailLast(name, operation);
}

void SyncFolder(const fs::path&)
{
    // A folder's entries cannot be flushed through a handle a user may open;
    // renames are made durable by MOVEFILE_WRITE_THROUGH instead.
}

std::optional<Staging> Staging::Create(const fs::path& folder, const fs::path& destination,
                                       bool destinationExists)
{
    Staging staging;
    staging.folder_ = folder;
    HANDLE handle = INVALID_HANDLE_VALUE;
    DWORD error = ERROR_FILE_EXISTS;
    for (int attempt = 0; handle == INVALID_HANDLE_VALUE && error == ERROR_FILE_EXISTS && attempt < 16; ++attempt) {
        staging.hiddenName_ = (folder.empty() ? fs::path(L".") : folder) / HiddenName();
        handle = CreateFileW(staging.hiddenName_.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                             FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        error = handle == INVALID_HANDLE_VALUE ? GetLastError() : NO_ERROR;
    }
    if (handle == INVALID_HANDLE_VALUE) {
        staging.hiddenName_.clear();
        if (destinationExists && FolderRefuses(error))
            return std::nullopt;
        Fail(destination, destinationExists ? FileError::Operation::Write : FileError::Operation::Create, error);
    }
    staging.file_ = File(ToHandle(handle), true);
    // Until it is committed the file is deleted when its handle closes, so
    // that a program that dies leaves nothing behind. Where the file system
    // cannot do that, the interrupt cleanup removes it by name.
    staging.deletedOnClose_ = SetDeleteOnClose(handle, true);
    if (!staging.deletedOnClose_)
        staging.cleanupSlot_ = ArmCleanup(staging.hiddenName_);
    return staging;
}

void Staging::CommitByRename(const fs::path& destination, const fs::path& name, bool)
{
    // The file is kept from now on: the interrupt cleanup removes it by its
    // hidden name until the move gives it the destination's.
    if (cleanupSlot_ < 0)
        cleanupSlot_ = ArmCleanup(hiddenName_);
    if (deletedOnClose_ && !SetDeleteOnClose(H(file_), false))
        FailLast(name, FileError::Operation::Write);
    deletedOnClose_ = false;
    file_.Close(name);
    // The C runtime's rename refuses an existing destination; MoveFileExW
    // replaces it, and with write-through returns once the move is on disk.
    if (!MoveFileExW(hiddenName_.c_str(), destination.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        FailLast(name, FileError::Operation::Write);
    hiddenName_.clear();
    DisarmCleanup(cleanupSlot_);
}

void Staging::Discard()
{
    // A file still marked for deletion goes with its handle; one that was
    // not (or was unmarked for the move) is removed by name.
    file_ = File();
    if (!hiddenName_.empty() && !deletedOnClose_)
        DeleteFileW(hiddenName_.c_str());
    hiddenName_.clear();
    deletedOnClose_ = false;
    DisarmCleanup(cleanupSlot_);
}

// On Windows the rights carried over are the file's attributes (hidden,
// system, archive, not indexed); its access control list is the folder's,
// inherited by the new file.
FileRights RightsOf(const fs::path& path, const fs::path& name)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        FailLast(name, FileError::Operation::Write);
    constexpr DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                           FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    return {attributes & kept, 0, 0, false};
}

FileRights NewFileRights()
{
    return {};
}

void ApplyRights(File& file, const FileRights& rights, const fs::path& name)
{
    if (rights.mode == 0)
        return;
    FILE_BASIC_INFO basic{};
    if (!GetFileInformationByHandleEx(H(file), FileBasicInfo, &basic, sizeof basic))
        FailLast(name, FileError::Operation::Write);
    basic.FileAttributes = rights.mode;
    if (!SetFileInformationByHandle(H(file), FileBasicInfo, &basic, sizeof basic))
        FailLast(name, FileError::Operation::Write);
}

void CheckWritable(const fs::path& path, const fs::path& name)
{
    // The read-only attribute refuses writing as a read-only mode does on
    // POSIX systems; an access control list that denies writing, likewise.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        FailLast(name, FileError::Operation::Write);
    if (attributes & FILE_ATTRIBUTE_READONLY)
        Fail(name, FileError::Operation::Write, ERROR_ACCESS_DENIED);
    const HANDLE handle = CreateFileW(path.c_str(), FILE_WRITE_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        FailLast(name, FileError::Operation::Write);
    CloseHandle(handle);
}

File OpenInPlace(const fs::path& path, const fs::path& name)
{
    const HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        FailLast(name, FileError::Operation::Write);
    return {ToHandle(handle), true};
}

void Allocate(File& file, std::uint64_t size, const fs::path& name)
{
    LARGE_INTEGER current{};
    if (GetFileType(H(file)) != FILE_TYPE_DISK || !GetFileSizeEx(H(file), &current) ||
        size <= static_cast<std::uint64_t>(current.QuadPart))
        return;
    // Only ever grows the allocation: a smaller one would cut the file.
    FILE_ALLOCATION_INFO allocation{};
    allocation.AllocationSize.QuadPart = static_cast<LONGLONG>(size);
    if (SetFileInformationByHandle(H(file), FileAllocationInfo, &allocation, sizeof allocation))
        return;
    const DWORD error = GetLastError();
    // A file system that cannot reserve space ahead is written as it is.
    if (error != ERROR_INVALID_PARAMETER && error != ERROR_NOT_SUPPORTED && error != ERROR_INVALID_FUNCTION &&
        error != ERROR_CALL_NOT_IMPLEMENTED)
        Fail(name, FileError::Operation::Write, error);
}

void Truncate(File& file, std::uint64_t size, const fs::path& name, FileError::Operation operation)
{
    // Sets the end without moving the file position, as ftruncate does.
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFileInformationByHandle(H(file), FileEndOfFileInfo, &end, sizeof end))
        FailLast(name, operation);
}

void LockExclusive(File& file, const fs::path& name)
{
    // The whole of any length the file may reach. Windows locks also keep
    // other programs from reading the range meanwhile: the copy is short.
    OVERLAPPED from{};
    if (!LockFileEx(H(file), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &from))
        FailLast(name, FileError::Operation::Write);
}

File CreateScratch(const fs::path& name)
{
    const fs::path folder = TemporaryFolder();
    for (int attempt = 0; attempt < 16; ++attempt) {
        const fs::path path = folder / HiddenName();
        const HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_DELETE, nullptr,
                                          CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (handle != INVALID_HANDLE_VALUE)
            return {ToHandle(handle), true};
        if (GetLastError() != ERROR_FILE_EXISTS)
            FailLast(name, FileError::Operation::Write);
    }
    Fail(name, FileError::Operation::Write, ERROR_FILE_EXISTS);
}

ResolvedTarget ResolveTarget(const fs::path& target)
{
    // Windows has no names for a process's own streams: "-" stands for
    // standard output, and that the command line handles.
    const HANDLE handle = OpenToInspect(target);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (!Missing(error))
            Fail(target, FileError::Operation::Write, error);
        return {target, std::nullopt, std::nullopt};
    }
    const File file(ToHandle(handle), true);
    FileInfo info;
    if (!InfoOf(handle, info))
        FailLast(target, FileError::Operation::Write);
    // The real path, links followed, so that the staging file is made in the
    // folder of the file itself.
    fs::path real = target;
    if (info.kind != FileInfo::Kind::Other) {
        std::vector<wchar_t> buffer(MAX_PATH);
        DWORD length = GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()), 0);
        if (length >= buffer.size()) {
            buffer.resize(length + 1);
            length = GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()), 0);
        }
        if (length > 0 && length < buffer.size())
            real = WithoutVerbatimPrefix(std::wstring(buffer.data(), length));
    }
    return {real, std::nullopt, info};
}

std::vector<FolderEntry> ListFolder(const fs::path& folder)
{
    std::vector<FolderEntry> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const bool link = it->is_symlink(error);
        const FolderEntry::Kind kind = it->is_directory(error) ? (link ? FolderEntry::Kind::Other : FolderEntry::Kind::Folder)
                                       : it->is_regular_file(error) ? FolderEntry::Kind::File
                                                                    : FolderEntry::Kind::Other;
        entries.push_back({it->path(), kind});
    }
    if (error)
        throw FileError(folder, FileError::Operation::Read, TextOf(error));
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.path.filename() < b.path.filename(); });
    return entries;
}

void CreateFolders(const fs::path& folder)
{
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
        throw FileError(folder, FileError::Operation::Create, TextOf(error));
}

bool IsTerminal(StandardStream stream)
{
    DWORD mode = 0;
    return GetConsoleMode(H(Standard(stream)), &mode) != 0;
}

void InstallInterruptCleanup()
{
    static_assert(std::atomic<int>::is_always_lock_free);
    SetConsoleCtrlHandler(RemoveStagingOnControl, TRUE);
}

namespace {

// The system's text for an error code, in the user's language; nothing
// when the system has none.
std::optional<std::string> SystemText(DWORD code)
{
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (length == 0 || !text)
        return std::nullopt;
    std::wstring reason(text, length);
    LocalFree(text);
    // The system's sentences end in a full stop and a line break; the
    // program's messages put the reason inside a sentence of their own.
    while (!reason.empty() && (reason.back() == L'\r' || reason.back() == L'\n' || reason.back() == L' ' ||
                               reason.back() == L'.' || reason.back() == L'\x3002'))
        reason.pop_back();
    return WideToUtf8(reason.data(), static_cast<int>(reason.size()));
}

}  // namespace

std::string ErrorText(int code)
{
    const std::optional<std::string> text = SystemText(static_cast<DWORD>(code));
    return text ? *text : "Windows error " + std::to_string(static_cast<DWORD>(code));
}

std::string IsDirectoryText()
{
    // ERROR_DIRECTORY_NOT_SUPPORTED, which mingw-w64's headers lack: "An
    // operation is not supported on a directory". Systems without its text
    // (Windows before 8, Wine) get the C runtime's "Is a directory".
    constexpr DWORD kDirectoryNotSupported = 336;
    if (const std::optional<std::string> text = SystemText(kDirectoryNotSupported))
        return *text;
    return LocaleToUtf8(std::strerror(EISDIR));
}

std::string LocaleToUtf8(std::string_view text)
{
    const UINT codePage = MessageCodePage();
    if (codePage == CP_UTF8)
        return std::string(text);
    const std::wstring wide = MultiByteToWide(codePage, text);
    return WideToUtf8(wide.data(), static_cast<int>(wide.size()));
}

std::string Utf8ToLocale(std::string_view text)
{
    const UINT codePage = MessageCodePage();
    if (codePage == CP_UTF8)
        return std::string(text);
    return WideToMultiByte(codePage, MultiByteToWide(CP_UTF8, text));
}

void WriteMessage(StandardStream stream, std::string_view text)
{
    const HANDLE handle = H(Standard(stream));
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode)) {
        // A console shows every character written as UTF-16, whatever its
        // code page. The erase-line sequence of the progress line needs the
        // terminal sequences of Windows 10; older consoles go without it.
        std::string shown(text);
        if (!(mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) &&
            !SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING)) {
            for (std::size_t at; (at = shown.find("\033[K")) != std::string::npos;)
                shown.erase(at, 3);
        }
        const std::wstring wide = MultiByteToWide(CP_UTF8, shown);
        DWORD written = 0;
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    std::string local = Utf8ToLocale(text);
    // Lines in a file or pipe end as Windows programs expect.
    std::string lines;
    for (const char c : local) {
        if (c == '\n')
            lines += '\r';
        lines += c;
    }
    DWORD written = 0;
    WriteFile(handle, lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr);
}

std::vector<std::string> ProgramArguments(int, char**)
{
    // The wide command line, since the char arguments are in the ANSI code
    // page and lose every character it lacks.
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> converted;
    if (!arguments)
        return converted;
    for (int i = 1; i < count; ++i)
        converted.push_back(WideToUtf8(arguments[i], static_cast<int>(std::wcslen(arguments[i]))));
    LocalFree(arguments);
    return converted;
}

std::vector<std::string> SystemLocales()
{
    // Names such as "zh-CN", "zh-TW", "zh-Hant-HK", "en-US".
    std::vector<std::string> locales;
    if (std::string ui = LocaleName(MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT)); !ui.empty())
        locales.push_back(ui);
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    if (const int length = GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH); length > 1)
        locales.push_back(WideToUtf8(name, length - 1));
    return locales;
}

fs::path ApplicationDirectory()
{
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            FailLast(fs::path(L"GetModuleFileNameW"), FileError::Operation::Read);
        if (length < buffer.size())
            return fs::path(std::wstring(buffer.data(), length)).parent_path();
        buffer.resize(buffer.size() * 2);
    }
}

fs::path CacheFolder()
{
    const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
    return local && *local ? fs::path(local) / L"Tavrel" : fs::path();
}

}  // namespace tavrel::platform
