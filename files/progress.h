#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>

namespace tavrel {

// How far file work has come, written by the thread doing it and read by the
// one showing it; `cancel` goes the other way. Byte counts are of input.
struct FileProgress {
    std::atomic<std::uint64_t> fileDone{0};
    std::atomic<std::uint64_t> fileSize{0};
    std::atomic<std::uint64_t> batchDone{0};
    std::atomic<std::uint64_t> batchSize{0};
    std::atomic<std::size_t> fileIndex{0};  // 0-based index of the file being converted
    std::atomic<std::size_t> fileCount{0};
    std::atomic<bool> cancel{false};
};

// Thrown by file work that stopped because its FileProgress was cancelled;
// whatever it was writing was removed.
class Cancelled : public std::exception {
public:
    const char* what() const noexcept override { return "cancelled"; }
};

}  // namespace tavrel
