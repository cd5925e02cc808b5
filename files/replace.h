#pragma once

#include "files/byte_sink.h"
#include "files/signal_cleanup.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tavrel {

// Where a file lives: its device and inode.
struct FileId {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    friend bool operator==(const FileId&, const FileId&) = default;
};

// The identity of the file a path names, links followed; nothing when it does
// not exist.
std::optional<FileId> IdentityOf(const std::filesystem::path& path);

// New content for `target`, written as it comes and put in place by Commit().
//
// Normally the bytes go to a hidden temporary file beside the target, which
// replaces it on Commit with the target's mode and, where allowed, its owner:
// on any failure the old target stays as it was. The target itself is written
// instead when replacing it would be wrong or impossible: it has several hard
// links, it is not a regular file (a device, a pipe, an already open stream
// such as /dev/stdout), or its folder refuses new files. Links are followed;
// a link to a missing file creates that file. Not for use by several threads
// at once.
class Replacement : public ByteSink {
public:
    // Decides how to write; throws FileError; changes nothing visible yet.
    explicit Replacement(const std::filesystem::path& target);
    // Without Commit the temporary file is removed.
    ~Replacement() override;
    Replacement(const Replacement&) = delete;
    Replacement& operator=(const Replacement&) = delete;

    // Appends; throws FileError naming the target.
    void Write(std::string_view bytes) override;
    // Makes the content durable and puts it in place; throws FileError.
    void Commit();
    // True when writes go straight into the target itself.
    bool InPlace() const { return kind_ != Kind::Temporary; }
    // The file written in place, when writes go into an existing file.
    std::optional<FileId> Identity() const { return identity_; }

private:
    enum class Kind {
        Temporary,  // a new file beside the target, renamed over it
        Overwrite,  // the regular target itself, truncated to the new length
        Stream,     // a device, pipe or open stream, written as it is
    };

    void OpenTemporary(bool targetExists);
    void OpenInPlace(Kind kind);
    void CommitTemporary();
    void CommitInPlace();
    void Discard();
    [[noreturn]] void Fail(int errorNumber);

    std::filesystem::path target_;       // as the caller named it, for messages
    std::filesystem::path destination_;  // the file put in place, links resolved
    Kind kind_ = Kind::Temporary;
    int fd_ = -1;
    bool ownsDescriptor_ = true;
    std::string temporary_;
    std::optional<CleanupRegistration> registration_;
    std::optional<FileId> identity_;
    unsigned mode_ = 0;
    std::optional<std::pair<unsigned, unsigned>> owner_;
    std::uint64_t written_ = 0;
};

}  // namespace tavrel
