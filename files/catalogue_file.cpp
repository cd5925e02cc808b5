#include "files/catalogue_file.h"

#include "files/platform.h"

namespace tavrel {

namespace {

// Where the catalogues are, relative to the program's folder: set by the
// build from the install layout and the build tree's layout.
constexpr const char* kCatalogueFolders[] = {TAVREL_INSTALLED_LOCALE_DIR, TAVREL_BUILD_LOCALE_DIR};

// Far beyond any catalogue of this program's messages.
constexpr std::size_t kMaxCatalogueBytes = std::size_t{4} << 20;

}  // namespace

std::optional<Catalogue> ReadCatalogue(const std::filesystem::path& file)
{
    try {
        if (!platform::InspectPath(file))
            return std::nullopt;
        platform::File input = platform::OpenInput(file);
        std::string bytes;
        char buffer[65536];
        while (const std::size_t got = platform::ReadSome(input, buffer, sizeof buffer, file)) {
            bytes.append(buffer, got);
            if (bytes.size() > kMaxCatalogueBytes)
                return std::nullopt;
        }
        return Catalogue::FromMo(bytes);
    } catch (const FileError&) {
        return std::nullopt;
    }
}

std::optional<Catalogue> LoadCatalogue(const std::string& language)
{
    if (language.empty())
        return std::nullopt;
    try {
        const std::filesystem::path program = platform::ApplicationDirectory();
        for (const char* folder : kCatalogueFolders) {
            const std::filesystem::path file = program / folder / language / "LC_MESSAGES" / "tavrel.mo";
            if (platform::InspectPath(file))
                return ReadCatalogue(file);
        }
    } catch (const FileError&) {
    }
    return std::nullopt;
}

}  // namespace tavrel
