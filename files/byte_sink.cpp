#include "files/byte_sink.h"

#include "engine/errors.h"

#include <unistd.h>

#include <cerrno>

namespace tavrel {

void DescriptorSink::Write(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor_, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            throw FileError(name_, FileError::Operation::Write, SystemReason(written < 0 ? errno : EIO));
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

}  // namespace tavrel
