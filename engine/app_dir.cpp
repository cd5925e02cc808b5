#include "engine/app_dir.h"

#include "engine/errors.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <string>
#include <system_error>

namespace tavrel {

namespace {

std::filesystem::path ExecutablePath()
{
#ifdef _WIN32
    std::wstring buffer(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    buffer.resize(length);
    return buffer;
#else
    return "/proc/self/exe";
#endif
}

}  // namespace

std::filesystem::path ApplicationDirectory()
{
    const std::filesystem::path executable = ExecutablePath();
    std::error_code error;
    const std::filesystem::path resolved = std::filesystem::canonical(executable, error);
    if (error)
        throw FileError(executable, FileError::Operation::Read, error.message());
    return resolved.parent_path();
}

}  // namespace tavrel
