#include "files/platform.h"
#include "tests/support/row_name.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <map>

#include <unistd.h>

namespace tavrel {
namespace {

namespace fs = std::filesystem;
using test::Gbk;
using test::ProgramResult;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

const std::string kProgram = (platform::ApplicationDirectory() / "tavrel-convert").string();

ProgramResult Convert(const std::vector<std::string>& arguments, const std::string& input = {})
{
    return test::RunProgram(kProgram, arguments, input);
}

// Traditional text from software translations, long enough for Big5 to be recognised.
const std::u16string kTraditional =
    u"檔案(&F)\r\n開啟舊檔(&O)...\r\n儲存檔案(&S)\r\n另存新檔(&A)...\r\n"
    u"無法開啟檔案，請確認檔案是否存在。\r\n"
    u"這個程式會把繁體中文轉換為簡體中文，轉換完成後請檢查結果。\r\n"
    u"說明(&H)\r\n關於本軟體(&B)...\r\n結束(&X)\r\n";
const std::u16string kSimplified =
    u"档案(&F)\r\n开启旧档(&O)...\r\n储存档案(&S)\r\n另存新档(&A)...\r\n"
    u"无法开启档案，请确认档案是否存在。\r\n"
    u"这个程式会把繁体中文转换为简体中文，转换完成后请检查结果。\r\n"
    u"说明(&H)\r\n关于本软体(&B)...\r\n结束(&X)\r\n";

struct StreamCase {
    const char* name;
    std::vector<std::string> arguments;
    std::string input, output, message;
    friend void PrintTo(const StreamCase& row, std::ostream* out) { *out << row.name; }
};

class CliStreamTest : public testing::TestWithParam<StreamCase> {};

// Standard input comes out in its own encoding, except a Big5 input whose
// Simplified result Big5 cannot hold; with -v the encodings are said on
// standard error, which is quiet otherwise.
TEST_P(CliStreamTest, ConvertsStandardInput)
{
    const StreamCase& c = GetParam();
    // Through a pipe, so that standard input is a stream that cannot be read twice.
    std::vector<std::string> arguments = {"-c", "cat | \"$0\" \"$@\"", kProgram};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const ProgramResult result = test::RunProgram("/bin/sh", arguments, c.input);
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.out, c.output);
    if (c.message.empty()) {
        EXPECT_EQ(result.err, "");
    } else {
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Streams, CliStreamTest,
    testing::Values(
        StreamCase{"GbkQuietly", {"-s"}, Gbk("中國爲\r\n"), Gbk("中国为\r\n"), ""},
        StreamCase{"Utf8WithMark", {"--to-traditional", "-v", "-"}, "\xEF\xBB\xBF中国", "\xEF\xBB\xBF中國",
                   "read as UTF-8\n"},
        StreamCase{"Big5StaysBig5", {"-t", "-v"}, test::IcuEncoded("windows-950-2000", kTraditional),
                   test::IcuEncoded("windows-950-2000", kTraditional), "read as Big5\n"},
        StreamCase{"Big5SimplifiedGoesToGbk", {"-s", "--verbose"}, test::IcuEncoded("windows-950-2000", kTraditional),
                   test::IcuEncoded("windows-936-2000", kSimplified), "read as Big5, written as GBK"},
        // Two characters read about as well as Big5 and as GBK: the choice is said even without -v.
        StreamCase{"CloseCallIsSaid", {"-s"}, "\xB2\xA8\xC0\xCB", "\xB2\xA8\xC0\xCB",
                   "read as GBK, but it could be Big5; if that is wrong, name it with --encoding big5"},
        StreamCase{"Utf16WithoutMarkStaysWithoutMark", {"-s"}, test::IcuEncoded("UTF-16LE", u"無法開啟檔案。\n"),
                   test::IcuEncoded("UTF-16LE", u"无法开启档案。\n"), ""},
        StreamCase{"EncodingsGiven", {"-s", "-v", "--encoding=utf-8", "--output-encoding", "utf-16le"}, "中國",
                   std::string("\xFF\xFE\x2D\x4E\xFD\x56", 6), "read as UTF-8, written as UTF-16LE"},
        StreamCase{"Version", {"--version"}, "", "Tavrel 3.00.0008\n", ""},
        // The shipped phrases: the longest decides, the tables do the rest,
        // in the tables' forms unless a region is asked for.
        StreamCase{"CharacterByCharacter", {"-t"}, "头发和发展，台湾里面\n", "頭發和發展，台灣裡面\n", ""},
        StreamCase{"Phrases", {"-t", "-p"}, "头发和发展，台湾里面\n", "頭髮和發展，台灣裡面\n", ""},
        StreamCase{"PhrasesTaiwan", {"-t", "--phrases", "--region=tw"}, "理发店，台湾里面\n", "理髮店，臺灣裡面\n", ""},
        StreamCase{"PhrasesHongKong", {"-t", "-p", "--region", "hk"}, "台湾里面\n", "台灣裏面\n", ""},
        StreamCase{"PhrasesTaiwanWords", {"-t", "-p", "--vocabulary"}, "软件和内存\n", "軟體和記憶體\n", ""},
        StreamCase{"PhrasesToSimplifiedTaiwan", {"-s", "-p", "--region", "tw"}, "著作乾燥\n", "著作干燥\n", ""}),
    test::RowName());

// A file is decided by reading it whole: a Big5 file's Simplified result
// goes to GBK, its Traditional result stays Big5. A marked file written in
// another encoding has that encoding's mark once, not its own as text.
TEST(CliTest, ConvertsAFileIntoAnother)
{
    TempDir dir;
    WriteBytes(dir / "big5.txt", test::IcuEncoded("windows-950-2000", kTraditional));
    const ProgramResult result = Convert({"-s", "-v", (dir / "big5.txt").string(), (dir / "out.txt").string()});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_NE(result.err.find("\"" + (dir / "big5.txt").string() + "\" read as Big5, written as GBK"), std::string::npos)
        << result.err;
    EXPECT_EQ(ReadBytes(dir / "out.txt"), test::IcuEncoded("windows-936-2000", kSimplified));
    const ProgramResult same = Convert({"-t", (dir / "big5.txt").string(), "-"});
    EXPECT_EQ(same.out, test::IcuEncoded("windows-950-2000", kTraditional)) << same.err;
    WriteBytes(dir / "marked.txt", "\xEF\xBB\xBF中國");
    const ProgramResult marked = Convert({"-s", "--output-encoding", "utf-16le", (dir / "marked.txt").string(), "-"});
    EXPECT_EQ(marked.out, std::string("\xFF\xFE\x2D\x4E\xFD\x56", 6)) << marked.err;
}

// Guards against replacing a chosen file before it is read, whatever name
// reaches it: the same name twice, or a link. Each output keeps its input's
// encoding. Sixteen files between the first and the one its output replaces
// make sure that output is in place before that file is read, not only when
// its sync happened to be quick.
TEST(CliTest, BatchWritesPrefixedFilesAndKeepsEveryChosenFile)
{
    TempDir dir;
    WriteBytes(dir / "a.txt", "國");
    fs::create_symlink(dir / "简体a.txt", dir / "alias.txt");
    std::vector<std::string> between;
    for (int i = 0; i < 16; ++i) {
        between.push_back((dir / ("b" + std::to_string(i) + ".txt")).string());
        WriteBytes(between.back(), "國");
    }
    for (const char* second : {"简体a.txt", "alias.txt"}) {
        WriteBytes(dir / "简体a.txt", Gbk("爲"));
        std::vector<std::string> arguments{"-s", "-v", "--batch", (dir / "a.txt").string()};
        arguments.insert(arguments.end(), between.begin(), between.end());
        arguments.insert(arguments.end(), {(dir / second).string(), (dir / second).string()});
        const ProgramResult result = Convert(arguments);
        EXPECT_NE(result.err.find("tavrel-convert: 19 chosen file(s) converted successfully!\n"), std::string::npos)
            << result.err;
        EXPECT_EQ(ReadBytes(dir / ("简体" + std::string(second))), Gbk("为")) << second;
        EXPECT_EQ(ReadBytes(dir / "简体a.txt"), "国");
    }
}

// Output follows input: a line comes out while standard input is still open
// (the writer sleeps on, and is stopped once the line has come or 10 s passed).
TEST(CliTest, StandardInputIsConvertedAsItArrives)
{
    const ProgramResult result = test::RunProgram(
        "/bin/sh", {"-c", "(printf '中國\\n'; exec sleep 60) | \"$0\" -s | { timeout 10 head -c 7; pkill -P $$ sleep; }",
                    kProgram});
    EXPECT_EQ(result.out, "中国\n");
}

struct LanguageCase {
    const char* name;
    std::vector<std::string> environment;
    std::string localedef;  // "SOURCE CHARMAP" of a locale made in LOCPATH, or nothing
    const char* encoding;   // the encoding the locale writes, for ICU
    std::vector<std::string> arguments;
    std::u16string error, helpFirstLine;
    friend void PrintTo(const LanguageCase& row, std::ostream* out) { *out << row.name; }
};

class CliLanguageTest : public testing::TestWithParam<LanguageCase> {};

// The messages and the help follow the locale's language, and come in the
// locale's encoding, the system's reason included. Locales not made here
// need not exist: the language is taken from the name.
TEST_P(CliLanguageTest, MessagesFollowTheLocale)
{
    const LanguageCase& c = GetParam();
    TempDir locales;
    std::vector<std::string> environment = {"LOCPATH=" + locales.path().string(), "LANGUAGE=", "LC_ALL="};
    environment.insert(environment.end(), c.environment.begin(), c.environment.end());
    if (!c.localedef.empty()) {
        const std::string source = c.localedef.substr(0, c.localedef.find(' '));
        const std::string charmap = c.localedef.substr(c.localedef.find(' ') + 1);
        const std::string locale = (locales / (source + "." + charmap)).string();
        if (test::RunProgram("/usr/bin/localedef", {"-i", source, "-f", charmap, locale}).exitStatus != 0)
            GTEST_SKIP() << "localedef cannot make " << c.localedef << " here";
    }
    const ProgramResult failed = test::RunProgram(kProgram, c.arguments, "", environment);
    EXPECT_EQ(failed.err.substr(0, failed.err.find('\n') + 1), test::IcuEncoded(c.encoding, c.error + u"\n"));
    const ProgramResult help = test::RunProgram(kProgram, {"--help"}, "", environment);
    EXPECT_EQ(help.out.substr(0, help.out.find('\n')), test::IcuEncoded(c.encoding, c.helpFirstLine));
}

const std::u16string kEnglishUsage = u"Usage: tavrel-convert (-s | --to-simplified | -t | --to-traditional) [-v] [--tables FOLDER]";
const std::u16string kSimplifiedUsage = u"用法：tavrel-convert (-s | --to-simplified | -t | --to-traditional) [-v] [--tables 目录]";
const std::u16string kTraditionalUsage = u"用法：tavrel-convert (-s | --to-simplified | -t | --to-traditional) [-v] [--tables 目錄]";

INSTANTIATE_TEST_SUITE_P(
    Languages, CliLanguageTest,
    testing::Values(
        LanguageCase{"CIsEnglishWhateverLanguageSays", {"LANG=C", "LANGUAGE=zh_TW"}, "", "UTF-8", {"-x"},
                     u"tavrel-convert: unknown option: -x", kEnglishUsage},
        LanguageCase{"LanguageListComesFirst", {"LANG=en_GB.UTF-8", "LANGUAGE=fr:zh_TW:en"}, "", "UTF-8", {"-x"},
                     u"tavrel-convert：未知選項：-x", kTraditionalUsage},
        LanguageCase{"EnglishLocaleIsEnglish", {"LANG=en_GB.UTF-8", "LC_MESSAGES=en_US.UTF-8"}, "", "UTF-8", {"-x"},
                     u"tavrel-convert: unknown option: -x", kEnglishUsage},
        LanguageCase{"ChinaIsSimplified", {"LC_ALL=zh_CN.UTF-8"}, "", "UTF-8", {"-s", "--encoding=x"},
                     u"tavrel-convert：--encoding 不认识编码“x”（可用：gbk、gb18030、big5、utf-8、utf-8-bom、utf-16le、utf-16be）",
                     kSimplifiedUsage},
        LanguageCase{"SingaporeIsSimplified", {"LANG=zh_SG.UTF-8"}, "", "UTF-8", {"-x"}, u"tavrel-convert：未知选项：-x",
                     kSimplifiedUsage},
        LanguageCase{"TaiwanIsTraditional", {"LC_ALL=zh_TW.UTF-8"}, "", "UTF-8", {"-s", "--encoding=x"},
                     u"tavrel-convert：--encoding 不認識編碼「x」（可用：gbk、gb18030、big5、utf-8、utf-8-bom、utf-16le、utf-16be）",
                     kTraditionalUsage},
        LanguageCase{"HongKongIsTraditional", {"LANG=zh_HK.UTF-8"}, "", "UTF-8", {"-x"}, u"tavrel-convert：未知選項：-x",
                     kTraditionalUsage},
        LanguageCase{"GbkLocaleWritesGbk", {"LC_ALL=zh_CN.GBK"}, "zh_CN GBK", "windows-936-2000",
                     {"-s", "/nonexistent.txt"}, u"tavrel-convert：无法读取文件“/nonexistent.txt”：没有那个文件或目录",
                     kSimplifiedUsage},
        LanguageCase{"Big5LocaleWritesBig5", {"LC_ALL=zh_TW.BIG5"}, "zh_TW BIG5", "windows-950-2000",
                     {"-s", "/nonexistent.txt"}, u"tavrel-convert：無法讀取檔案「/nonexistent.txt」：沒有此一檔案或目錄",
                     kTraditionalUsage}),
    test::RowName());

// A table may turn a character into one the output's encoding cannot hold:
// that must fail, naming it, and leave no file instead of a damaged one.
TEST(CliTest, TablesFromADirectoryAndUnencodableResults)
{
    TempDir dir;
    WriteBytes(dir / "systemF.txt", "ab");
    WriteBytes(dir / "systemJ.txt", "\xEF\xBB\xBFx\xE2\x80\x8B");
    const std::string tables = dir.path().string();
    EXPECT_EQ(Convert({"-s", "--tables", tables}, "\xEF\xBB\xBF" "cab").out, "\xEF\xBB\xBF" "cx\xE2\x80\x8B");
    const ProgramResult result = Convert({"-s", "--tables", tables, "-", (dir / "out.txt").string()}, "ab");
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_NE(result.err.find("character U+200B at line 1, column 2"), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(dir / "out.txt"));
}

// Phrases from --tables: an empty dictionary gives the tables' result; a
// phrase cut by the block boundary in the middle of a long input is still
// one, and a result the output cannot hold is named with where its phrase is.
TEST(CliTest, PhrasesAcrossBlocksAndUnencodableResults)
{
    TempDir dir;
    WriteBytes(dir / "systemF.txt", "發後");
    WriteBytes(dir / "systemJ.txt", "发后");
    WriteBytes(dir / "phrases-s2t.txt", "");
    // The first block ends at 1 MiB, between 头 and 发 of a line.
    std::string text = "abc";
    while (text.size() < 3 << 20)
        text += "头发后\n";
    const std::string tables = dir.path().string();
    WriteBytes(dir / "in.txt", text);
    const std::string out = (dir / "out.txt").string();
    EXPECT_EQ(Convert({"-t", "-p", "--tables", tables, (dir / "in.txt").string(), out}).exitStatus, 0);
    EXPECT_TRUE(ReadBytes(out) == Convert({"-t", "--tables", tables, (dir / "in.txt").string()}).out);
    WriteBytes(dir / "phrases-s2t.txt", "头发\t頭髮\n头\t✗\n");
    EXPECT_EQ(Convert({"-t", "-p", "--tables", tables, (dir / "in.txt").string(), out}).exitStatus, 0);
    std::string expected = "abc";
    for (std::size_t line = 0; line < text.size() / 10; ++line)
        expected += "頭髮後\n";
    EXPECT_TRUE(ReadBytes(out) == expected);
    WriteBytes(dir / "phrases-s2t.txt", "头发\t頭\xF0\x9F\x98\x80\n");
    const ProgramResult result = Convert({"-t", "-p", "--tables", tables, "--output-encoding", "gbk", "-", out},
                                           "後\r\nx头发");
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_NE(result.err.find("character U+1F600 at line 2, column 2"), std::string::npos) << result.err;
}

// The built phrases are kept in the cache folder for the next run: a
// dictionary edited to the same size is built again, and so is a cache cut
// short or overwritten.
TEST(CliTest, PhraseCacheFollowsTheFiles)
{
    TempDir dir;
    WriteBytes(dir / "systemF.txt", "發後");
    WriteBytes(dir / "systemJ.txt", "发后");
    WriteBytes(dir / "phrases-s2t.txt", "头发\t頭髮\n");
    const fs::path cache = dir / "cache" / "tavrel" / "phrases-s2t+built";
    const auto convert = [&] {
        return test::RunProgram(kProgram, {"-t", "-p", "--tables", dir.path().string()}, "头发后",
                                {"XDG_CACHE_HOME=" + (dir / "cache").string()})
            .out;
    };
    EXPECT_EQ(convert(), "頭髮後");
    const std::string built = ReadBytes(cache);
    for (const std::string& damaged : {built.substr(0, built.size() - 1), built.substr(0, 40) + "x"}) {
        WriteBytes(cache, damaged);
        EXPECT_EQ(convert(), "頭髮後");
        EXPECT_TRUE(ReadBytes(cache) == built);
    }
    WriteBytes(dir / "phrases-s2t.txt", "头发\t頭发\n");
    EXPECT_EQ(convert(), "頭发後");
}

struct FailureCase {
    const char* name;
    std::string arguments;  // as typed in a shell, in a fresh current folder
    std::string input;
    int exitStatus;
    std::string message;
    std::string before = "";  // shell commands run first
    friend void PrintTo(const FailureCase& row, std::ostream* out) { *out << row.name; }
};

class CliFailureTest : public testing::TestWithParam<FailureCase> {};

// Every failure ends in a message and its status, never in an abort.
TEST_P(CliFailureTest, ExitsWithStatusAndMessage)
{
    const FailureCase& c = GetParam();
    TempDir dir;
    const std::string command = "cd " + dir.path().string() + " && " + c.before + "exec \"$0\" " + c.arguments;
    const ProgramResult result = test::RunProgram("/bin/sh", {"-c", command, kProgram}, c.input);
    EXPECT_EQ(result.exitStatus, c.exitStatus);
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Failures, CliFailureTest,
    testing::Values(
        FailureCase{"NoDirection", "", "", 2, "Usage"},
        FailureCase{"BothDirections", "-s -t", "", 2, "Usage"},
        FailureCase{"UnknownOption", "-s --fast", "", 2, "unknown option: --fast"},
        FailureCase{"TooManyFiles", "-s a b c", "", 2, "too many arguments"},
        FailureCase{"BatchWithoutFiles", "-s --batch", "", 2, "--batch"},
        FailureCase{"BatchOptionWithoutBatch", "-s -o out in.txt", "", 2, "can only be used with --batch"},
        FailureCase{"EmptyTablesFolder", "-s --tables ''", "", 2, "--tables needs a folder"},
        FailureCase{"UnknownEncoding", "-s --encoding=latin1", "", 2, "unknown encoding \"latin1\""},
        FailureCase{"RegionWithoutPhrases", "-t --region tw", "", 2, "can only be used with --phrases"},
        FailureCase{"UnknownRegion", "-t -p --region cn", "", 2, "does not know the region \"cn\""},
        FailureCase{"BadPhraseLine", "-t -p --tables .", "", 1, "phrases-s2t.txt\": line 2 is not",
                    "printf 'ab' > systemF.txt && printf 'ab' > systemJ.txt && printf 'a\\tb\\nab\\n' > phrases-s2t.txt && "},
        FailureCase{"EmptyBatchName", "-s --batch ''", "", 1, "cannot read file \"\": No such file"},
        FailureCase{"DeletedCurrentFolder", "-s --batch a.txt", "", 1, "\"a.txt\": No such file",
                    "mkdir gone && cd gone && rmdir ../gone && "},
        FailureCase{"MissingInput", "-s /nonexistent/in.txt", "", 1, "\"/nonexistent/in.txt\": No such file"},
        FailureCase{"MissingTables", "-s --tables /nonexistent", "", 1, "\"/nonexistent/systemF.txt\""},
        FailureCase{"InvalidBytes", "-s", "ab\x81\x7F", 1, "offset 2"},
        FailureCase{"Utf8StrayByte", "-s", "無法開啟檔案\xFF\n", 1, "offset 18 are not a valid UTF-8"},
        FailureCase{"NulBytesOfNoText", "-s", std::string("\0\0\0\1abc\0\7", 9), 1, "holds NUL bytes"},
        FailureCase{"FullOutput", "-s - /dev/full", "abc", 1, "\"/dev/full\": No space left"},
        // The real reasons: a descriptor the program holds for reading, a file that takes no writing.
        FailureCase{"OwnInputDescriptor", "-s in.txt /dev/fd/3 3<in.txt", "", 1, "opened it only for reading",
                    "printf abc > in.txt && "},
        FailureCase{"FileInProc", "-s in.txt /proc/version", "", 1, "\"/proc/version\": Input/output error",
                    "printf abc > in.txt && "}),
    test::RowName());

struct FolderCase {
    const char* name;
    std::string arguments;  // after -s, in a folder holding d/ (below)
    std::string files;      // every file there afterwards, as `find` lists them, sorted
    int exitStatus = 0;
    std::string message = "";  // on standard error; nothing at all when empty
    friend void PrintTo(const FolderCase& row, std::ostream* out) { *out << row.name; }
};

class CliFolderTest : public testing::TestWithParam<FolderCase> {};

// A batch of folders: the files that match the pattern (*.txt, in any case)
// and are not the outputs of an earlier run, in sub-folders only with -r and
// never through a link, each beside itself or under -o; -n and --keep-going.
TEST_P(CliFolderTest, ConvertsTheFilesOfFolders)
{
    const FolderCase& c = GetParam();
    TempDir dir;
    const std::string command =
        "cd " + dir.path().string() +
        " && mkdir -p d/sub && printf '國' > d/a.txt && printf '國' > d/b.TXT && printf '國' > d/c.md && "
        "printf '舊' > d/简体a.txt && printf '國' > d/sub/e.txt && ln -s .. d/sub/loop && printf '\\201' > d/sub/bad.txt && "
        "\"$0\" -s " + c.arguments + "; echo \"status $?\"; find . -type f | LC_ALL=C sort";
    const ProgramResult result = test::RunProgram("/bin/sh", {"-c", command, kProgram});
    EXPECT_EQ(result.out, "status " + std::to_string(c.exitStatus) + "\n" + c.files);
    if (c.message.empty()) {
        EXPECT_EQ(result.err, "");
    } else {
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
}

const std::string kFolder = "./d/a.txt\n./d/b.TXT\n./d/c.md\n./d/sub/bad.txt\n./d/sub/e.txt\n";

INSTANTIATE_TEST_SUITE_P(
    Folders, CliFolderTest,
    testing::Values(
        FolderCase{"TopLevelMatchingOnly", "--batch d",
                   kFolder + "./d/简体a.txt\n./d/简体b.TXT\n"},
        FolderCase{"PatternChosen", "--batch --pattern '*.md' d", kFolder + "./d/简体a.txt\n./d/简体c.md\n"},
        FolderCase{"RecursiveKeepsGoingPastABadFile", "-r --keep-going --batch d",
                   kFolder + "./d/sub/简体e.txt\n./d/简体a.txt\n./d/简体b.TXT\n", 1,
                   "3 file(s) converted, 1 failed"},
        FolderCase{"OutputFolderMirrorsAndKeepsNames", "-r --batch d -o out --pattern 'e.txt'",
                   kFolder + "./d/简体a.txt\n./out/sub/e.txt\n"},
        FolderCase{"NoClobberSaysWhatItSkipped", "-n --batch d/a.txt d/b.TXT", kFolder + "./d/简体a.txt\n./d/简体b.TXT\n",
                   0, "\"d/简体a.txt\" exists: \"d/a.txt\" not converted"}),
    test::RowName());

// The bytes of every file in `folder`, by name.
std::map<std::string, std::string> Contents(const fs::path& folder)
{
    std::map<std::string, std::string> contents;
    for (const auto& entry : fs::directory_iterator(folder))
        contents[entry.path().filename().string()] = ReadBytes(entry.path());
    return contents;
}

struct KeptTargetCase {
    const char* name;
    std::string setup;    // shell commands making the folder w/ and the input
    std::string command;  // the program is "$0"
    std::string message;
    bool asNobody = false;
    friend void PrintTo(const KeptTargetCase& row, std::ostream* out) { *out << row.name; }
};

class KeptTargetTest : public testing::TestWithParam<KeptTargetCase> {};

// Guards staged output where the target must keep its identity (a second hard
// link, or a folder that refuses new files): a conversion that fails at its
// last byte or character leaves the folder byte for byte as it was.
TEST_P(KeptTargetTest, FailureLeavesTheFolderAsItWas)
{
    const KeptTargetCase& c = GetParam();
    if (c.asNobody && (geteuid() != 0 || access("/usr/bin/setpriv", X_OK) != 0))
        GTEST_SKIP() << "needs root and setpriv to run as another user";
    TempDir dir;
    fs::permissions(dir.path(), fs::perms::all ^ fs::perms::group_write ^ fs::perms::others_write);
    ASSERT_EQ(test::RunProgram("/bin/sh", {"-c", "cd " + dir.path().string() + " && " + c.setup}).exitStatus, 0);
    const auto before = Contents(dir / "w");
    const std::string asNobody = c.asNobody ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    const ProgramResult result = test::RunProgram(
        "/bin/sh", {"-c", "cd " + dir.path().string() + " && exec " + asNobody + c.command, kProgram});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    EXPECT_EQ(Contents(dir / "w"), before);
}

// A second hard link to the target, and 3 MB of text in a file: more than a
// block, so that a conversion written straight into the target has begun
// overwriting it before its last byte.
const std::string kLinkedTarget = "mkdir w links && printf 'old text' > w/简体a.txt && ln w/简体a.txt links/b && ";
const std::string kThreeMegabytes = "head -c 3000000 /dev/zero | tr '\\0' a > ";

INSTANTIATE_TEST_SUITE_P(
    Targets, KeptTargetTest,
    testing::Values(
        KeptTargetCase{"HardLinkBadLastByte",
                       kLinkedTarget + kThreeMegabytes + "w/a.txt && printf '\\201' >> w/a.txt",
                       "\"$0\" -s --batch w/a.txt", "offset 3000000"},
        KeptTargetCase{"HardLinkUnencodable",
                       kLinkedTarget + kThreeMegabytes + "w/a.txt && printf '\\n\\360\\237\\230\\200' >> w/a.txt",
                       "\"$0\" -s --output-encoding gbk --batch w/a.txt", "U+1F600"},
        KeptTargetCase{"LockedFolderBadLastByte",
                       "mkdir w && printf 'old text' > w/t.txt && chown 65534 w/t.txt && " + kThreeMegabytes +
                           "in.txt && printf '\\201' >> in.txt",
                       "\"$0\" -s in.txt w/t.txt", "offset 3000000", true}),
    test::RowName());

// A pipe is decided from what has arrived: GBK 谢谢, whose bytes are also
// UTF-8, converts at once; UTF-8 arriving later, which GBK would still read,
// stops the program with a message instead of garbage.
TEST(CliTest, LaterBytesThatContradictAPipesEncodingStopIt)
{
    const ProgramResult result = test::RunProgram(
        "/bin/sh", {"-c", "(printf '\\320\\273\\320\\273\\n'; sleep 1; printf '\\344\\270\\255\\345\\233\\275\\n') | \"$0\" -t",
                    kProgram});
    EXPECT_EQ(result.out, "\xD6\x78\xD6\x78\n");
    EXPECT_NE(result.err.find("by byte offset 5 it reads as UTF-8"), std::string::npos) << result.err;
}

// Guards targets opened through the kernel, so that its protection of links
// in shared folders applies: as root, a link another user made in a sticky
// folder anyone may write is not followed, whether the file it names exists
// or is to be created.
TEST(CliTest, LinksOfOthersInStickyFoldersAreNotFollowed)
{
    if (geteuid() != 0 || access("/usr/bin/setpriv", X_OK) != 0)
        GTEST_SKIP() << "needs root and setpriv to make a link as another user";
    if (ReadBytes("/proc/sys/fs/protected_symlinks") != "1\n")
        GTEST_SKIP() << "the kernel does not protect links here (fs.protected_symlinks is not 1)";
    TempDir dir;
    fs::create_directory(dir / "shared");
    fs::permissions(dir / "shared", fs::perms::all | fs::perms::sticky_bit);
    WriteBytes(dir / "victim.txt", "root's");
    WriteBytes(dir / "in.txt", "abc");
    for (const char* target : {"victim.txt", "missing.txt"}) {
        const std::string link = (dir / "shared" / "out.txt").string();
        fs::remove(link);
        ASSERT_EQ(test::RunProgram("/usr/bin/setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", "/bin/ln",
                                                        "-s", (dir / target).string(), link})
                      .exitStatus,
                  0);
        const ProgramResult result = Convert({"-s", (dir / "in.txt").string(), link});
        EXPECT_EQ(result.exitStatus, 1) << target;
        EXPECT_NE(result.err.find("Permission denied"), std::string::npos) << result.err;
    }
    EXPECT_EQ(ReadBytes(dir / "victim.txt"), "root's");
    EXPECT_FALSE(fs::exists(dir / "missing.txt"));
}

// Programs writing one hard-linked target take turns: while another holds
// its lock, the program waits, and the target is not touched.
TEST(CliTest, WritersOfAHardLinkedTargetTakeTurns)
{
    TempDir dir;
    const std::string script =
        "cd " + dir.path().string() + " && printf new > a.txt && printf old > t.txt && ln t.txt u.txt || exit; "
        "(flock -x t.txt sh -c 'sleep 1; cat t.txt > during.txt') & sleep 0.3; \"$0\" -s a.txt t.txt; wait; "
        "cat during.txt t.txt";
    EXPECT_EQ(test::RunProgram("/bin/sh", {"-c", script, kProgram}).out, "oldnew");
}

// A full disk stops the conversion while it is staged, before the target is
// touched. In a mount namespace of its own, with a small file system there.
TEST(CliTest, FullDiskLeavesAHardLinkedTarget)
{
    TempDir dir;
    const std::string script =
        "cd " + dir.path().string() +
        " && mkdir small && mount -t tmpfs -o size=256k tmpfs small || exit 77; "
        "printf 'old text' > small/t.txt && ln small/t.txt small/u.txt && "
        "head -c 1000000 /dev/zero | tr '\\0' a > big.txt; "
        "\"$0\" -s big.txt small/t.txt; echo \"status $?\"; ls small; cat small/t.txt";
    const ProgramResult result = test::RunProgram("/usr/bin/unshare", {"-m", "/bin/sh", "-c", script, kProgram});
    if (result.exitStatus == 77 || result.exitStatus == -1 || access("/usr/bin/unshare", X_OK) != 0)
        GTEST_SKIP() << "cannot mount a file system here: " << result.err;
    EXPECT_EQ(result.out, "status 1\nt.txt\nu.txt\nold text");
    EXPECT_NE(result.err.find("\"small/t.txt\": No space left on device"), std::string::npos) << result.err;
}

}  // namespace
}  // namespace tavrel
