// What files, staging files and the choice of message language do the same
// way on every platform; how files are opened, made, committed, closed and
// discarded, and which languages the system itself gives, is each
// platform's own.

#include "files/platform.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <utility>

namespace tavrel::platform {

namespace fs = std::filesystem;

File::File(File&& other) noexcept
    : handle_(std::exchange(other.handle_, kNone)), owned_(std::exchange(other.owned_, false))
{
}

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        // The file held until now closes as `previous` goes.
        File previous(std::move(*this));
        handle_ = std::exchange(other.handle_, kNone);
        owned_ = std::exchange(other.owned_, false);
    }
    return *this;
}

std::vector<std::string> MessageLocales()
{
    std::vector<std::string> locales;
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (!value || !*value)
            continue;
        const std::string locale = value;
        // The C locale takes no translation, whatever LANGUAGE says.
        if (locale == "C" || locale == "POSIX" || locale.starts_with("C."))
            return {locale};
        if (const char* languages = std::getenv("LANGUAGE")) {
            std::string_view rest = languages;
            while (!rest.empty()) {
                const std::size_t end = std::min(rest.find(':'), rest.size());
                if (end > 0)
                    locales.emplace_back(rest.substr(0, end));
                rest.remove_prefix(std::min(end + 1, rest.size()));
            }
        }
        locales.push_back(locale);
        break;
    }
    for (std::string& locale : SystemLocales())
        locales.push_back(std::move(locale));
    if (locales.empty())
        locales.push_back("C");
    return locales;
}

Staging Staging::CreateDetached(const fs::path& destination)
{
    Staging staging;
    staging.file_ = CreateScratch(destination);
    return staging;
}

Staging::~Staging()
{
    Discard();
}

Staging::Staging(Staging&& other) noexcept
    : file_(std::move(other.file_)),
      folder_(std::move(other.folder_)),
      hiddenName_(std::exchange(other.hiddenName_, {})),
      cleanupSlot_(std::exchange(other.cleanupSlot_, -1)),
      deletedOnClose_(std::exchange(other.deletedOnClose_, false))
{
}

Staging& Staging::operator=(Staging&& other) noexcept
{
    if (this != &other) {
        Discard();
        file_ = std::move(other.file_);
        folder_ = std::move(other.folder_);
        hiddenName_ = std::exchange(other.hiddenName_, {});
        cleanupSlot_ = std::exchange(other.cleanupSlot_, -1);
        deletedOnClose_ = std::exchange(other.deletedOnClose_, false);
    }
    return *this;
}

}  // namespace tavrel::platform
