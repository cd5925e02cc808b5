// What files and staging files do the same way on every platform; how they
// are opened, made, committed, closed and discarded is each platform's own.

#include "files/platform.h"

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
