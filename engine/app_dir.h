#pragma once

#include <filesystem>

namespace tavrel {

// The directory that holds the running executable, with links resolved.
std::filesystem::path ApplicationDirectory();

}  // namespace tavrel
