#pragma once

#include "engine/message.h"

#include <filesystem>
#include <optional>
#include <string>

namespace tavrel {

// The compiled catalogue of `language` ("en", "zh_TW"): the first of
// <folder>/<language>/LC_MESSAGES/tavrel.mo that exists, for each folder the
// build gives relative to the program's folder (the installed tree's, then
// the build tree's). Nothing for "" (the messages' own language), or when
// no catalogue can be read: the messages then stay in Simplified Chinese.
std::optional<Catalogue> LoadCatalogue(const std::string& language);

// The catalogue at `file`; nothing when it cannot be read or is not one.
std::optional<Catalogue> ReadCatalogue(const std::filesystem::path& file);

}  // namespace tavrel
