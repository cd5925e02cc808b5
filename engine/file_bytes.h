#pragma once

#include <filesystem>
#include <string>

namespace tavrel {

// The whole content of a file, or throws FileError with the system's reason.
std::string ReadFileBytes(const std::filesystem::path& path);

}  // namespace tavrel
