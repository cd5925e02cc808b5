#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel {

// Flags of the file chooser, with the values Windows' common dialog gives them.
inline constexpr unsigned kChooserAllowMultiSelect = 0x200;
// Explorer-style with multiple selection, as the batch command sets it.
inline constexpr unsigned kChooserBatchFlags = 0x80200;

struct ChooserRequest {
    enum class Kind { Open, Save };
    Kind kind = Kind::Open;
    unsigned flags = 0;
    std::u16string filter;  // "description|pattern" pairs joined by '|'
};

// Shows a file dialog and returns the chosen files' full paths, or nothing
// when the user cancels. The window uses Qt's dialog; tests answer directly.
class ChooserBackend {
public:
    virtual ~ChooserBackend() = default;
    virtual std::vector<std::filesystem::path> Choose(const ChooserRequest& request) = 0;
};

// The window's one file chooser. Its settings stay between dialogs. After a
// dialog, FileName() holds the chosen file's full path; for several files
// chosen at once it holds their directory, then a NUL and a name for each.
// Cancelling leaves FileName() as it was.
class CommonDialog {
public:
    explicit CommonDialog(ChooserBackend& backend) : backend_(&backend) {}

    const std::u16string& FileName() const { return fileName_; }
    void SetFileName(std::u16string fileName) { fileName_ = std::move(fileName); }
    unsigned Flags() const { return flags_; }
    void SetFlags(unsigned flags) { flags_ = flags; }
    void SetFilter(std::u16string filter) { filter_ = std::move(filter); }
    void SetBackend(ChooserBackend& backend) { backend_ = &backend; }

    void ShowOpen();
    void ShowSave();

private:
    void Show(ChooserRequest::Kind kind);

    ChooserBackend* backend_;
    std::u16string fileName_;
    unsigned flags_ = 0;
    std::u16string filter_;
};

// The files a FileName() names: one full path, or the directory joined with
// each name by a separator (kept as it comes, even after a trailing one).
std::vector<std::filesystem::path> ChosenFiles(std::u16string_view fileName);

}  // namespace tavrel
