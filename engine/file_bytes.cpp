#include "engine/file_bytes.h"

#include "engine/errors.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <system_error>

namespace tavrel {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

std::FILE* OpenForReading(const std::filesystem::path& path)
{
#ifdef _WIN32
    return _wfopen(path.c_str(), L"rb");
#else
    return std::fopen(path.c_str(), "rb");
#endif
}

// Reads until end of file. `expectedSize` sizes the buffer up front so that a
// regular file is read in a single call.
std::string ReadAll(std::FILE* stream, const std::filesystem::path& name, std::size_t expectedSize)
{
    std::string bytes(std::max<std::size_t>(expectedSize + 1, 65536), '\0');
    std::size_t used = 0;
    for (;;) {
        if (used == bytes.size())
            bytes.resize(bytes.size() * 2);
        errno = 0;
        used += std::fread(bytes.data() + used, 1, bytes.size() - used, stream);
        if (std::ferror(stream))
            throw FileError(name, FileError::Operation::Read, SystemReason(errno ? errno : EIO));
        if (std::feof(stream))
            break;
    }
    bytes.resize(used);
    return bytes;
}

}  // namespace

std::string ReadFileBytes(const std::filesystem::path& path)
{
    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> file(OpenForReading(path));
    if (!file)
        throw FileError(path, FileError::Operation::Read, SystemReason(errno ? errno : ENOENT));
    std::error_code sizeError;
    const auto size = std::filesystem::file_size(path, sizeError);
    return ReadAll(file.get(), path, sizeError ? 0 : static_cast<std::size_t>(size));
}

}  // namespace tavrel
