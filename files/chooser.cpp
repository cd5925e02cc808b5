#include "files/chooser.h"

namespace tavrel {

namespace fs = std::filesystem;

namespace {

std::u16string NativeText(fs::path path)
{
    return path.make_preferred().u16string();
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
    fileName_ = NativeText(chosen.front().parent_path());
    for (const fs::path& file : chosen) {
        fileName_ += u'\0';
        fileName_ += file.filename().u16string();
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
