#pragma once

#include "engine/errors.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace tavrel {

// How far file work has come, told by the thread doing it (one call at a
// time, from whichever thread converts), and whether it should stop, which
// any thread may ask. Byte counts are of input.
class Progress {
public:
    virtual ~Progress() = default;

    // `count` files of `bytes` bytes in all are about to be converted; a
    // single file is a batch of one.
    virtual void BatchStarted(std::size_t count, std::uint64_t bytes);
    // File `index` (from 0) of `size` bytes (0 when unknown) is starting.
    virtual void FileStarted(std::size_t index, std::uint64_t size);
    // `bytes` more bytes of the current file have been read and converted.
    virtual void Advanced(std::uint64_t bytes);

    void Cancel() { cancelled_ = true; }
    // Throws Cancelled once Cancel() was called.
    void ThrowIfCancelled() const;

private:
    std::atomic<bool> cancelled_{false};
};

// File work stopped because it was cancelled; whatever it was writing was
// discarded and its target left as it was.
class Cancelled : public Error {
public:
    Cancelled();
};

}  // namespace tavrel
