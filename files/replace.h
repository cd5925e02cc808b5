#pragma once

#include "files/byte_sink.h"
#include "files/platform.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string_view>
#include <thread>
#include <vector>

namespace tavrel {

// Folders whose new entries are still to be made durable. A batch renames
// many files into few folders: one sync of each folder at its end makes all
// of that folder's renames durable at once, where a sync after each rename
// would cost one per file. Each file's content is synced before its rename
// all the same, so at every moment a target holds either its old content or
// the whole new one; until the folder is synced, a crash may only bring the
// old one back. Synced, at the latest, when it goes.
class FolderSyncs {
public:
    FolderSyncs() = default;
    FolderSyncs(const FolderSyncs&) = delete;
    FolderSyncs& operator=(const FolderSyncs&) = delete;
    ~FolderSyncs() { SyncAll(); }

    void Add(const std::filesystem::path& folder) { folders_.insert(folder); }
    // Syncs each folder added since the last time, once.
    void SyncAll();

private:
    std::set<std::filesystem::path> folders_;
};

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
    // Makes the content of a staging file that Commit renames durable, so
    // that Commit has only the rename left; throws FileError. May run on
    // another thread than the writes, once they are done.
    void SyncStaged();
    // Makes the content durable and puts it in place; throws FileError. A
    // rename into the target's folder is made durable at once, or, given
    // `later`, when `later` syncs that folder.
    void Commit(FolderSyncs* later = nullptr);
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
    void CommitRename(FolderSyncs* later);
    void CommitCopyIn();

    std::filesystem::path target_;       // as the caller named it, for messages
    std::filesystem::path destination_;  // the file put in place, links resolved
    Kind kind_ = Kind::Rename;
    platform::Staging staging_;
    platform::File inPlace_;  // Stream and CopyIn: the target itself
    platform::FileRights rights_;
    std::uint64_t written_ = 0;
    bool synced_ = false;
};

// Commits the replacements of a batch in the order they are handed over,
// while the next files are converted. Each one's staged content is synced on
// a thread of its own as soon as it comes, several at once so that the file
// system can make them durable together; it is put in place once synced and
// once every one handed over before it is in place, and its folder is synced
// once for all at Finish (FolderSyncs). So a file handed over may not be in
// place until Finish, but every file in place holds its whole new content.
// A failure stops the queue: the ones after it are discarded, never put in
// place. Those not in place when it goes are discarded.
class CommitQueue {
public:
    CommitQueue() = default;
    CommitQueue(const CommitQueue&) = delete;
    CommitQueue& operator=(const CommitQueue&) = delete;
    ~CommitQueue();

    // Hands over a replacement whose content is all written, and puts in
    // place the ones before it that are synced. Throws the FileError of one
    // handed over before that failed.
    void Add(std::unique_ptr<Replacement> replacement);
    // Puts every one handed over in place and syncs their folders; throws
    // the first failure.
    void Finish();
    // How many are in place.
    std::size_t Committed() const { return committed_; }

private:
    struct Item {
        std::unique_ptr<Replacement> replacement;
        bool synced = false;
        std::exception_ptr error;
    };

    void Sync();
    void SyncOne(Item& item);
    void PutInPlace(std::size_t pendingAllowed);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::shared_ptr<Item>> pending_;  // handed over, not in place, in order
    std::deque<std::shared_ptr<Item>> unsynced_;  // not yet taken by a syncing thread
    bool stopping_ = false;
    std::vector<std::thread> threads_;
    FolderSyncs folders_;
    std::size_t committed_ = 0;
};

}  // namespace tavrel
