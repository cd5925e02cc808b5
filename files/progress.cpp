#include "files/progress.h"

namespace tavrel {

void Progress::BatchStarted(std::size_t, std::uint64_t) {}

void Progress::FileStarted(std::size_t, std::uint64_t) {}

void Progress::Advanced(std::uint64_t) {}

void Progress::ThrowIfCancelled() const
{
    if (cancelled_)
        throw Cancelled();
}

Cancelled::Cancelled() : Error({}, Tr("转换已取消，目标文件保持原样。")) {}

}  // namespace tavrel
