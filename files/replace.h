#pragma once

#include "files/byte_sink.h"
#include "files/platform.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

namespace tavrel {

// New content for `target`, staged while it is written and put in place by
// Commit(): until then the target is not touched, so a failure or a cancel
// leaves it as it was.
//
// Normally the staging file sits unnamed in the target's folder and on
// Commit takes the target's place by a rename, with the target's mode and,
// where allowed, its owner. A target that must keep its identity (it has
// several hard links, or its folder refuses new files) is staged in its
// folder or else the temporary folder and copied into the target on Commit,
// after space for it was reserved. Devices, pipes and open streams (/dev/stdout)
// are written as the bytes come, as a shell redirection would. Links are
// followed; a link to a missing file creates that file. Not for use by
// several threads at once.
class Replacement : public ByteSink {
public:
    // Decides how to write; throws FileError; changes nothing visible yet.
    explicit Replacement(const std::filesystem::path& target);

    // Appends; throws FileError naming the target.
    void Write(std::string_view bytes) override;
    // Makes the content durable and puts it in place; throws FileError.
    void Commit();
    // True when the target keeps its identity: written in place on Commit,
    // or as the bytes come.
    bool InPlace() const { return kind_ != Kind::Rename; }

private:
    enum class Kind {
        Rename,  // the staging file takes the target's place
        CopyIn,  // the staging file is copied into the target
        Stream,  // a device, pipe or open stream, written as it is
    };

    void StageBeside(bool targetExists);
    void CommitRename();
    void CommitCopyIn();

    std::filesystem::path target_;       // as the caller named it, for messages
    std::filesystem::path destination_;  // the file put in place, links resolved
    Kind kind_ = Kind::Rename;
    platform::Staging staging_;
    platform::File inPlace_;  // Stream and CopyIn: the target itself
    platform::FileRights rights_;
    std::uint64_t written_ = 0;
};

}  // namespace tavrel
