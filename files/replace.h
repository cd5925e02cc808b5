#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tavrel {

struct FileId {
    dev_t device = 0;
    ino_t inode = 0;
    friend bool operator==(const FileId&, const FileId&) = default;
};

std::optional<FileId> IdentityOf(const std::filesystem::path& path);

class Replacement {
public:
    explicit Replacement(const std::filesystem::path& target);
    ~Replacement();
    Replacement(const Replacement&) = delete;
    Replacement& operator=(const Replacement&) = delete;
    void Write(std::string_view bytes);
    void Commit();
    bool InPlace() const { return false; }
    std::optional<FileId> Identity() const;

private:
    std::filesystem::path target_;
    std::filesystem::path temporary_;
    int descriptor_ = -1;
};

void InstallSignalCleanup();

}  // namespace tavrel
