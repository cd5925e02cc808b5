#include "files/chooser.h"
#include "tests/support/row_name.h"
#include "tests/support/scripted_chooser.h"

#include <gtest/gtest.h>

#include <deque>

namespace tavrel {
namespace {

namespace fs = std::filesystem;

using test::ScriptedChooser;

TEST(CommonDialogTest, FileNameHoldsThePathOrTheDirectoryAndNames)
{
    ScriptedChooser backend;
    backend.answers = {{"/d/a.txt"}, {"/d/a.txt", "/d/b.txt"}, {"/a.txt", "/b.txt"}, {"/d/a.txt", "/d/sub/c.txt"}, {}};
    CommonDialog dialog(backend);
    dialog.SetFlags(0x80200);
    dialog.ShowOpen();
    EXPECT_EQ(dialog.FileName(), u"/d/a.txt");
    dialog.ShowOpen();
    EXPECT_EQ(dialog.FileName(), std::u16string(u"/d\0a.txt\0b.txt", 14));
    dialog.ShowOpen();
    EXPECT_EQ(dialog.FileName(), std::u16string(u"/\0a.txt\0b.txt", 13));
    // Guards files chosen from a sub-folder: each keeps its own folder.
    dialog.ShowOpen();
    EXPECT_EQ(ChosenFiles(dialog.FileName()), (std::vector<fs::path>{"/d/a.txt", "/d/sub/c.txt"}));
    dialog.SetFileName(u"");
    dialog.ShowSave();
    EXPECT_EQ(dialog.FileName(), u"") << "cancelling leaves the name as it was";
    EXPECT_EQ(backend.requests.back().kind, ChooserRequest::Kind::Save);
    EXPECT_EQ(backend.requests.back().flags, 0x80200u) << "settings stay between dialogs";
}

struct SplitCase {
    const char* name;
    std::u16string fileName;
    std::vector<fs::path> files;
    friend void PrintTo(const SplitCase& row, std::ostream* out) { *out << row.name; }
};

class ChosenFilesTest : public testing::TestWithParam<SplitCase> {};

TEST_P(ChosenFilesTest, SplitsAtEveryNul)
{
    EXPECT_EQ(ChosenFiles(GetParam().fileName), GetParam().files);
}

INSTANTIATE_TEST_SUITE_P(
    Selections, ChosenFilesTest,
    testing::Values(SplitCase{"Nothing", u"", {}},
                    SplitCase{"OneFullPath", u"/d/简体a.txt", {"/d/简体a.txt"}},
                    SplitCase{"DirectoryAndNamesInOrder", std::u16string(u"/d\0b.txt\0a.txt", 14),
                              {"/d/b.txt", "/d/a.txt"}},
                    SplitCase{"RootKeepsDoubleSeparator", std::u16string(u"/\0a.txt", 7), {"//a.txt"}}),
    test::RowName());

}  // namespace
}  // namespace tavrel
