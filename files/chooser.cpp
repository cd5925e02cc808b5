#include "files/chooser.h"

namespace tavrel {

namespace fs = std::filesystem;

namespace {

std::u16string NativeText(fs::path path)
{
    return path.make_preferred().u16string();
}

fs::path CommonFolder(const std::vector<fs::path>& files)
{
    fs::path folder = files.front().parent_path();
    for (const fs::path& file : files) {
        while (folder.has_relative_path() && file.lexically_relative(folder).begin()->string() == "..")
            folder = folder.parent_path();
    }
    return folder;
}

}  // namespace

void CommonDialog::ShowOpen()
{
    Show(ChooserRequest::Kind::Open);
}

void CommonDialog::ShowSave()
{
    Show(ChooserRequest::Kind::Save);
}

void CommonDialog::Show(ChooserRequest::Kind kind)
{
    const std::vector<fs::path> chosen = backend_->Choose({kind, flags_, filter_});
    if (chosen.empty())
        return;
    if (chosen.size() == 1) {
        fileName_ = NativeText(chosen.front());
        return;
    }
    // The folder all chosen files share, then each file's path from there:
    // a name typed with a sub-folder keeps it.
    const fs::path folder = CommonFolder(chosen);
    fileName_ = NativeText(folder);
    for (const fs::path& file : chosen) {
        fileName_ += u'\0';
        fileName_ += NativeText(file.lexically_relative(folder));
    }
}

std::vector<fs::path> ChosenFiles(std::u16string_view fileName)
{
    if (fileName.empty())
        return {};
    const std::size_t firstNul = fileName.find(u'\0');
    if (firstNul == std::u16string_view::npos)
        return {fs::path(fileName)};
    const std::u16string directory(fileName.substr(0, firstNul));
    std::vector<fs::path> files;
    for (std::size_t start = firstNul + 1;;) {
        const std::size_t end = fileName.find(u'\0', start);
        std::u16string path = directory;
        path += static_cast<char16_t>(fs::path::preferred_separator);
        path += fileName.substr(start, end - start);
        files.emplace_back(path);
        if (end == std::u16string_view::npos)
            break;
        start = end + 1;
    }
    return files;
}

}  // namespace tavrel
