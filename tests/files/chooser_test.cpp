#include "files/chooser.h"
#include "tests/support/row_name.h"
#include "tests/support/scripted_chooser.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tavrel {
namespace {

namespace fs = std::filesystem;

struct ChoiceRow {
    const char* name;
    std::vector<fs::path> chosen;  // nothing: the user cancels
    std::u16string fileName;       // what FileName() then holds, "/old.txt" before
    std::vector<fs::path> files;   // what ChosenFiles reads back from it
};

class ChooserTest : public testing::TestWithParam<ChoiceRow> {};

// FileName() holds the one chosen path, or the folder the chosen files share
// and each one's path from there, NUL-separated; ChosenFiles reads them back.
TEST_P(ChooserTest, FileNameNamesTheChosenFiles)
{
    const ChoiceRow& row = GetParam();
    test::ScriptedChooser backend;
    backend.answers = {row.chosen};
    CommonDialog dialog(backend);
    dialog.SetFileName(u"/old.txt");
    dialog.ShowOpen();
    std::u16string fileName = row.fileName;
#ifdef _WIN32
    // Chosen paths come back with Windows' own separator.
    if (!row.chosen.empty())
        std::ranges::replace(fileName, u'/', u'\\');
#endif
    EXPECT_EQ(dialog.FileName(), fileName);
    EXPECT_EQ(ChosenFiles(dialog.FileName()), row.files);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, ChooserTest,
    testing::Values(
        ChoiceRow{"OneFullPath", {u8"/d/简体a.txt"}, u"/d/简体a.txt", {u8"/d/简体a.txt"}},
        ChoiceRow{"RootKeepsDoubleSeparator", {"/a.txt", "/b.txt"}, std::u16string(u"/\0a.txt\0b.txt", 13),
                  {"//a.txt", "//b.txt"}},
        // Guards files chosen from a sub-folder: each keeps its own folder.
        ChoiceRow{"SubFolderAndOrderKept", {"/d/sub/c.txt", "/d/a.txt"}, std::u16string(u"/d\0sub/c.txt\0a.txt", 18),
                  {"/d/sub/c.txt", "/d/a.txt"}},
        ChoiceRow{"CancelKeepsTheName", {}, u"/old.txt", {"/old.txt"}}),
    test::RowName());

}  // namespace
}  // namespace tavrel
