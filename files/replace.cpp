#include "files/replace.h"

#include <memory>
#include <system_error>

namespace tavrel {

namespace fs = std::filesystem;

namespace {

using platform::FileInfo;

constexpr std::size_t kCopyBlock = std::size_t{1} << 20;
// Syncs at once in a batch, and files synced or waiting before the next one
// waits for the first to be in place.
constexpr std::size_t kSyncThreads = 8;
constexpr std::size_t kMaxPending = 16;

}  // namespace

void FolderSyncs::SyncAll()
{
    for (const fs::path& folder : folders_)
        platform::SyncFolder(folder);
    folders_.clear();
}

Replacement::Replacement(const fs::path& target) : target_(target)
{
    platform::ResolvedTarget resolved = platform::ResolveTarget(target);
    destination_ = resolved.path;
    if (resolved.stream) {
        kind_ = Kind::Stream;
        inPlace_ = std::move(*resolved.stream);
        return;
    }
    const std::optional<FileInfo>& info = resolved.info;
    if (!info) {
        rights_ = platform::NewFileRights();
        StageBeside(false);
        return;
    }
    if (info->kind == FileInfo::Kind::Directory)
        throw FileError(target_, FileError::Operation::Write, platform::IsDirectoryText());
    if (info->kind == FileInfo::Kind::Other) {
        kind_ = Kind::Stream;
        inPlace_ = platform::OpenInPlace(destination_, target_);
        return;
    }
    platform::CheckWritable(destination_, target_);
    rights_ = platform::RightsOf(destination_, target_);
    if (info->links > 1) {
        // Every name of the file must see the new text.
        kind_ = Kind::CopyIn;
        inPlace_ = platform::OpenInPlace(destination_, target_);
        StageBeside(true);
        return;
    }
    StageBeside(true);
}

void Replacement::StageBeside(bool targetExists)
{
    const fs::path folder = destination_.parent_path();
    if (std::optional<platform::Staging> staging = platform::Staging::Create(folder, target_, targetExists)) {
        staging_ = std::move(*staging);
        return;
    }
    // The folder refuses new files, but the target itself may be written.
    if (kind_ != Kind::CopyIn) {
        kind_ = Kind::CopyIn;
        inPlace_ = platform::OpenInPlace(destination_, target_);
    }
    staging_ = platform::Staging::CreateDetached(target_);
}

// A staging file's bytes start on their way to the disk as soon as they are
// written, so that the sync on Commit finds little left to write.
void Replacement::Write(std::string_view bytes)
{
    if (kind_ == Kind::Stream) {
        platform::WriteAll(inPlace_, bytes, target_);
    } else {
        platform::WriteAll(staging_.Output(), bytes, target_);
        platform::StartWriteback(staging_.Output(), written_, bytes.size());
    }
    written_ += bytes.size();
}

void Replacement::Commit(FolderSyncs* later)
{
    switch (kind_) {
    case Kind::Rename:
        CommitRename(later);
        break;
    case Kind::CopyIn:
        CommitCopyIn();
        break;
    case Kind::Stream:
        platform::Sync(inPlace_, target_);
        inPlace_.Close(target_);
        break;
    }
}

void Replacement::SyncStaged()
{
    if (kind_ != Kind::Rename || synced_)
        return;
    platform::ApplyRights(staging_.Output(), rights_, target_);
    platform::Sync(staging_.Output(), target_);
    synced_ = true;
}

void Replacement::CommitRename(FolderSyncs* later)
{
    SyncStaged();
    staging_.CommitByRename(destination_, target_, !later);
    if (later)
        later->Add(staging_.Folder());
}

// Until the first byte of the target is written, a failure leaves it whole;
// after that only an I/O error can stop the copy, and the message says the
// target may be incomplete.
void Replacement::CommitCopyIn()
{
    platform::LockExclusive(inPlace_, target_);
    platform::Allocate(inPlace_, written_, target_);
    const auto buffer = std::make_unique<char[]>(kCopyBlock);
    using Operation = FileError::Operation;
    std::uint64_t offset = 0;
    while (offset < written_) {
        const std::size_t got = platform::ReadAt(staging_.Output(), offset, buffer.get(), kCopyBlock, target_);
        if (got == 0)
            break;
        platform::WriteAt(inPlace_, offset, {buffer.get(), got}, target_, offset ? Operation::Overwrite : Operation::Write);
        offset += got;
    }
    const Operation operation = written_ ? Operation::Overwrite : Operation::Write;
    platform::Truncate(inPlace_, written_, target_, operation);
    platform::Sync(inPlace_, target_, operation);
    inPlace_.Close(target_);
}

}  // namespace tavrel

namespace tavrel {

CommitQueue::~CommitQueue()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        unsynced_.clear();
    }
    changed_.notify_all();
    for (std::thread& thread : threads_)
        thread.join();
}

void CommitQueue::Add(std::unique_ptr<Replacement> replacement)
{
    auto item = std::make_shared<Item>();
    item->replacement = std::move(replacement);
    bool syncHere = false;
    {
        std::lock_guard lock(mutex_);
        pending_.push_back(item);
        unsynced_.push_back(item);
        if (threads_.size() < kSyncThreads && threads_.size() < unsynced_.size()) {
            try {
                threads_.emplace_back([this] { Sync(); });
            } catch (const std::system_error&) {
                // No more threads to be had: the ones there are do the
                // syncs, or without any, this thread.
                if (threads_.empty()) {
                    unsynced_.pop_back();
                    syncHere = true;
                }
            }
        }
    }
    if (syncHere)
        SyncOne(*item);
    changed_.notify_all();
    PutInPlace(kMaxPending);
}

void CommitQueue::Finish()
{
    PutInPlace(0);
    folders_.SyncAll();
}

// A syncing thread: takes the next replacement not yet synced, until the
// queue goes.
void CommitQueue::Sync()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return stopping_ || !unsynced_.empty(); });
        if (stopping_)
            return;
        const std::shared_ptr<Item> item = unsynced_.front();
        unsynced_.pop_front();
        lock.unlock();
        SyncOne(*item);
        lock.lock();
    }
}

void CommitQueue::SyncOne(Item& item)
{
    try {
        item.replacement->SyncStaged();
    } catch (...) {
        item.error = std::current_exception();
    }
    std::lock_guard lock(mutex_);
    item.synced = true;
    changed_.notify_all();
}

// Puts the synced ones in place in order, waiting for the first while more
// than `pendingAllowed` are pending.
void CommitQueue::PutInPlace(std::size_t pendingAllowed)
{
    std::unique_lock lock(mutex_);
    while (!pending_.empty()) {
        const std::shared_ptr<Item> first = pending_.front();
        if (!first->synced && pending_.size() <= pendingAllowed)
            return;
        changed_.wait(lock, [&] { return first->synced; });
        pending_.pop_front();
        lock.unlock();
        try {
            if (first->error)
                std::rethrow_exception(first->error);
            first->replacement->Commit(&folders_);
        } catch (...) {
            // The ones after it are discarded, never put in place.
            lock.lock();
            pending_.clear();
            unsynced_.clear();
            throw;
        }
        ++committed_;
        lock.lock();
    }
}

}  // namespace tavrel
