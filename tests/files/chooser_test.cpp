#include "files/chooser.h"
#include "tests/support/row_name.h"

#include <gtest/gtest.h>

#include <deque>

namespace tavrel {
namespace {

namespace fs = std::filesystem;

// Answers each dialog with the next scripted choice and records the request.
class ScriptedBackend : public ChooserBackend {
public:
    std::vector<fs::path> Choose(const ChooserRequest& request) override
    {
        requests.push_back(request);
        std::vector<fs::path> answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::deque<std::vector<fs::path>> answers;
    std::vector<ChooserRequest> requests;
};

TEST(CommonDialogTest, OneFileGivesItsFullPathAndSeveralGiveDirectoryAndNames)
{
    ScriptedBackend backend;
    backend.answers = {{"/data/a.txt"}, {"/data/a.txt", "/data/b.txt"}, {"/a.txt", "/b.txt"}};
    CommonDialog dialog(backend);
    dialog.ShowOpen();
    EXPECT_EQ(dialog.FileName(), u"/data/a.txt");
    dialog.ShowOpen();
    EXPECT_EQ(dialog.FileName(), std::u16string(u"/data\0a.txt\0b.txt", 17));
    dialog.ShowOpen();
    EXPECT_EQ(dialog.FileName(), std::u16string(u"/\0a.txt\0b.txt", 13));
}

TEST(CommonDialogTest, CancellingLeavesFileNameAsItWas)
{
    ScriptedBackend backend;
    backend.answers = {{}, {}};
    CommonDialog dialog(backend);
    dialog.SetFileName(u"");
    dialog.ShowSave();
    EXPECT_EQ(dialog.FileName(), u"");
    dialog.SetFileName(u"kept");
    dialog.ShowOpen();
    EXPECT_EQ(dialog.FileName(), u"kept");
}

TEST(CommonDialogTest, SettingsStayForLaterDialogs)
{
    ScriptedBackend backend;
    backend.answers = {{}, {}};
    CommonDialog dialog(backend);
    dialog.SetFilter(u"文件文件(*.TXT)|*.txt");
    dialog.SetFlags(kChooserExplorer | kChooserAllowMultiSelect);
    dialog.ShowOpen();
    dialog.ShowSave();
    ASSERT_EQ(backend.requests.size(), 2u);
    EXPECT_EQ(backend.requests[0].kind, ChooserRequest::Kind::Open);
    EXPECT_EQ(backend.requests[1].kind, ChooserRequest::Kind::Save);
    for (const ChooserRequest& request : backend.requests) {
        EXPECT_EQ(request.flags, 0x80200u);
        EXPECT_EQ(request.filter, u"文件文件(*.TXT)|*.txt");
    }
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
                    SplitCase{"DirectoryAndTwoNamesInOrder", std::u16string(u"/d\0b.txt\0a.txt", 14),
                              {"/d/b.txt", "/d/a.txt"}},
                    SplitCase{"RootKeepsDoubleSeparator", std::u16string(u"/\0a.txt", 7), {"//a.txt"}}),
    test::RowName());

}  // namespace
}  // namespace tavrel
