#include "files/replace.h"

#include <memory>

namespace tavrel {

namespace fs = std::filesystem;

namespace {

using platform::FileInfo;

constexpr std::size_t kCopyBlock = std::size_t{1} << 20;

}  // namespace

void FolderSyncs::SyncAll()
{
    for (const fs::path& folder : folders_)
        platform::SyncFolder(folder);
    folders_.clear();
}

Replacement::Replacement(const fs::path& target) : target_(target)
{
    platform::ResolvedPath resolved = platform::ResolveLinks(target);
    destination_ = resolved.path;
    if (resolved.stream) {
        kind_ = Kind::Stream;
        inPlace_ = std::move(*resolved.stream);
        return;
    }
    const std::optional<FileInfo> info = platform::InspectPath(destination_);
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

void Replacement::CommitRename(FolderSyncs* later)
{
    platform::ApplyRights(staging_.Output(), rights_, target_);
    platform::Sync(staging_.Output(), target_);
    staging_.CommitByRename(destination_, target_, !later);
    if (later)
        later->Add(staging_.Folder());
}

// Until the first byte of the target is written, a failure leaves it whole;
// after that only an I/O error can stop the copy, and the message says the
// target may be incomplete.
void Replacement::CommitCopyIn()
{
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
