#include "files/text_file.h"

#include "engine/errors.h"
#include "engine/file_bytes.h"

#include <cerrno>
#include <cstdio>
#include <random>
#include <system_error>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace tavrel {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void ThrowWriteError(const fs::path& path, int errorNumber)
{
    throw FileError(path, FileError::Operation::Write, SystemReason(errorNumber ? errorNumber : EIO));
}

std::FILE* OpenForWriting(const fs::path& path, bool exclusive)
{
#ifdef _WIN32
    return _wfopen(path.c_str(), exclusive ? L"wbx" : L"wb");
#else
    return std::fopen(path.c_str(), exclusive ? "wbx" : "wb");
#endif
}

// Writes all bytes and flushes them to the disk; returns 0 or the errno value.
int WriteAndClose(std::FILE* file, std::string_view bytes)
{
    errno = 0;
    int error = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() || std::fflush(file) != 0)
        error = errno ? errno : EIO;
#ifndef _WIN32
    if (error == 0 && fsync(fileno(file)) != 0 && errno != EINVAL && errno != EROFS)
        error = errno;
#endif
    if (std::fclose(file) != 0 && error == 0)
        error = errno ? errno : EIO;
    return error;
}

// A hidden name of fixed length, so that a target whose name is already as
// long as the file system allows still gets a temporary file.
fs::path TemporaryNameBeside(const fs::path& target)
{
    std::random_device random;
    const auto tag = std::to_string(std::uniform_int_distribution<unsigned long>(0, 0xFFFFFFFFul)(random));
    return target.parent_path() / (".tavrel-" + tag + ".tmp");
}

// The file a write really lands in: links are followed so that a link keeps
// pointing at the replaced file.
fs::path ResolvedTarget(const fs::path& path)
{
    std::error_code error;
    const fs::path resolved = fs::canonical(path, error);
    return error ? path : resolved;
}

void WriteInPlace(const fs::path& path, std::string_view bytes)
{
    errno = 0;
    std::FILE* file = OpenForWriting(path, false);
    if (!file)
        ThrowWriteError(path, errno);
    if (const int error = WriteAndClose(file, bytes))
        ThrowWriteError(path, error);
}

}  // namespace

TextFile ReadTextFile(const fs::path& path)
{
    return DecodeText(ReadFileBytes(path), path);
}

void ReplaceFileContent(const fs::path& path, std::string_view bytes)
{
    const fs::path target = ResolvedTarget(path);
    std::error_code statusError;
    const fs::file_status status = fs::status(target, statusError);
    if (fs::exists(status) && !fs::is_regular_file(status) && !fs::is_directory(status)) {
        WriteInPlace(path, bytes);
        return;
    }

    fs::path temporary;
    std::FILE* file = nullptr;
    for (int attempt = 0; attempt < 16 && !file; ++attempt) {
        temporary = TemporaryNameBeside(target);
        errno = 0;
        file = OpenForWriting(temporary, true);
        if (!file && errno != EEXIST)
            ThrowWriteError(path, errno);
    }
    if (!file)
        ThrowWriteError(path, EEXIST);

    std::error_code ignored;
    if (const int error = WriteAndClose(file, bytes)) {
        fs::remove(temporary, ignored);
        ThrowWriteError(path, error);
    }
    if (fs::is_regular_file(status))
        fs::permissions(temporary, status.permissions(), ignored);
    std::error_code renameError;
    fs::rename(temporary, target, renameError);
    if (renameError) {
        fs::remove(temporary, ignored);
        throw FileError(path, FileError::Operation::Write, renameError.message());
    }
}

void WriteTextFile(const fs::path& path, std::u16string_view text, Encoding encoding)
{
    ReplaceFileContent(path, EncodeText(text, encoding, path));
}

}  // namespace tavrel
