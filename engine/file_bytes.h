#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

namespace tavrel {

// The whole content of a file, or throws FileError with the system's reason.
std::string ReadFileBytes(const std::filesystem::path& path);

// Everything left in an open stream (standard input, for instance); `name`
// is what an error message calls it.
std::string ReadStreamBytes(std::FILE* stream, const std::filesystem::path& name);

}  // namespace tavrel
