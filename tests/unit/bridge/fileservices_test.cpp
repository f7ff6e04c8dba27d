// The movie's file requests: first-line reading, folder creation, the bytes that are written and
// the paths they go to.
#include "bridge/fileservices.h"

#include "platform/paths.h"
#include "platform/textconv.h"
#include "tests/unit/bridge/bridgefakes.h"

#include <gtest/gtest.h>

namespace {

const char kAppDir[] = "C:\\app\\";
// "你好" in code page 936 and in UTF-8.
const char kGbkHello[] = "\xC4\xE3\xBA\xC3";
const char kUtf8Hello[] = "\xE4\xBD\xA0\xE5\xA5\xBD";

std::string FirstLine(const std::string& content, size_t chunk = 4096) {
    FakeFileSystem fs;
    fs.chunk = chunk;
    fs.AddFile("C:\\f.txt", content);
    return ReadFirstLine(*fs.OpenForReading("C:\\f.txt"));
}

TEST(ReadFirstLineTest, EndsAtLfCrLfSubstituteOrEnd) {
    EXPECT_EQ("one", FirstLine("one\ntwo\n"));
    EXPECT_EQ("one", FirstLine("one\r\ntwo\r\n"));
    EXPECT_EQ("one", FirstLine("one\x1Atwo\r\n"));
    EXPECT_EQ("one two", FirstLine("one two"));
    EXPECT_EQ("", FirstLine(""));
    EXPECT_EQ("", FirstLine("\r\nsecond"));
    EXPECT_EQ("", FirstLine("\x1A"));
}

TEST(ReadFirstLineTest, LoneCrIsLeftOutAndDoesNotEndTheLine) {
    EXPECT_EQ("abcd", FirstLine("ab\rcd\r\nmore\r\n"));
    EXPECT_EQ("abcd", FirstLine("ab\r\rcd"));
    EXPECT_EQ("ab", FirstLine("ab\r"));
    EXPECT_EQ("ab", FirstLine("ab\r\x1A"
                              "cd"));
}

TEST(ReadFirstLineTest, LongLinesAndChunkBoundariesGiveTheSameLine) {
    std::string longLine(300000, 'x');
    for (size_t i = 0; i < longLine.size(); i += 997) longLine[i] = '\r';
    std::string expected;
    for (char c : longLine)
        if (c != '\r') expected += c;
    for (size_t chunk : {1u, 2u, 7u, 4096u, 1000000u}) {
        EXPECT_EQ(expected, FirstLine(longLine + "\r\nrest", chunk)) << "chunk " << chunk;
        EXPECT_EQ("ab", FirstLine("a\rb\r\nc", chunk)) << "chunk " << chunk;
    }
}

TEST(ForceFoldersTest, CreatesMissingParentsFromTheTopDown) {
    FakeFileSystem fs;
    fs.AddFolder("C:\\app");
    EXPECT_TRUE(ForceFolders(fs, "C:\\app\\a\\b\\c"));
    EXPECT_EQ((std::vector<std::string>{"C:\\app\\a", "C:\\app\\a\\b", "C:\\app\\a\\b\\c"}),
              fs.created);
    EXPECT_TRUE(fs.FolderExists("C:\\app\\a\\b\\c"));
}

TEST(ForceFoldersTest, OneTrailingBackslashIsDropped) {
    FakeFileSystem fs;
    fs.AddFolder("C:\\app");
    EXPECT_TRUE(ForceFolders(fs, "C:\\app\\new\\"));
    EXPECT_EQ(std::vector<std::string>{"C:\\app\\new"}, fs.created);
}

TEST(ForceFoldersTest, ShortPathsDriveRootsAndExistingFoldersSucceedWithoutCreating) {
    FakeFileSystem fs;
    fs.AddFolder("C:\\app");
    for (const char* path : {"", "C", "C:", "C:\\", "ab", "C:\\app", "C:\\app\\"})
        EXPECT_TRUE(ForceFolders(fs, path)) << path;
    // A name ending in ":" is its own parent.
    EXPECT_TRUE(ForceFolders(fs, "abc:"));
    EXPECT_TRUE(fs.created.empty());
}

TEST(ForceFoldersTest, FailsWhenAFileIsInTheWayOrAFolderCannotBeMade) {
    FakeFileSystem fs;
    fs.AddFile("C:\\app\\taken", "x");
    EXPECT_FALSE(ForceFolders(fs, "C:\\app\\taken"));
    EXPECT_FALSE(ForceFolders(fs, "C:\\app\\taken\\below"));
    // The folder below is not attempted once its parent failed.
    EXPECT_EQ((std::vector<std::string>{"C:\\app\\taken", "C:\\app\\taken"}), fs.created);
}

TEST(ForceFoldersTest, GbkTrailByteBackslashIsPartOfTheName) {
    FakeFileSystem fs;
    fs.AddFolder("C:\\app");
    // 0xB1 0x5C is one double-byte character: no trailing separator to drop, no parent inside it.
    const std::string folder = "C:\\app\\\xB1\x5C";
    EXPECT_TRUE(ForceFolders(fs, folder));
    EXPECT_EQ(std::vector<std::string>{folder}, fs.created);
    fs.created.clear();
    EXPECT_TRUE(ForceFolders(fs, folder + "\\\xB1\x5C"
                                          "b"));
    EXPECT_EQ(std::vector<std::string>{folder + "\\\xB1\x5C"
                                                "b"},
              fs.created);
}

TEST(ForceFoldersTest, PathsLongerThanAnyWindowsPathFailWithoutTouchingTheFileSystem) {
    FakeFileSystem fs;
    fs.AddFolder("C:\\app");
    std::string deep = "C:\\app";
    while (deep.size() < 5000000) deep += "\\a";
    EXPECT_FALSE(ForceFolders(fs, deep));
    EXPECT_TRUE(fs.created.empty());
    // The limit counts characters, not bytes: 20000 double-byte characters are within it.
    std::string wide = "C:\\app\\";
    for (int i = 0; i < 20000; ++i) wide += "\xC4\xE3";
    EXPECT_TRUE(ForceFolders(fs, wide));
    EXPECT_EQ(std::vector<std::string>{wide}, fs.created);
}

TEST(ForceFoldersTest, ThousandsOfLevelsAreMadeTopDown) {
    FakeFileSystem fs;
    fs.AddFolder("C:\\app");
    std::string deep = "C:\\app";
    for (int i = 0; i < 3000; ++i) deep += "\\f";
    EXPECT_TRUE(ForceFolders(fs, deep + "\\"));
    ASSERT_EQ(3000u, fs.created.size());
    EXPECT_EQ("C:\\app\\f", fs.created.front());
    EXPECT_EQ(deep, fs.created.back());
}

class FileServicesTest : public ::testing::Test {
  protected:
    FakeFileSystem fs;
    int directoryCalls = 0;
    FileServices files{fs, [this] {
                           ++directoryCalls;
                           return std::string(kAppDir);
                       }};

    void SetUp() override { fs.AddFolder("C:\\app"); }
};

TEST_F(FileServicesTest, LoadFileGivesNothingForAMissingFileOrAFolder) {
    fs.AddFolder("C:\\app\\lesson");
    EXPECT_FALSE(files.LoadFile("missing.txt").has_value());
    EXPECT_FALSE(files.LoadFile("lesson").has_value());
    fs.AddFile("C:\\app\\lesson\\words.txt", "apple\r\nbanana\r\n");
    EXPECT_EQ("apple", files.LoadFile("lesson/words.txt").value());
    EXPECT_EQ(0, fs.openFiles);
}

TEST_F(FileServicesTest, LoadBytesReportsAMissingFileAsFileNotFound) {
    try {
        files.LoadBytes("missing.txt");
        FAIL() << "no error";
    } catch (const IoError& e) {
        EXPECT_STREQ("File not found", e.what());
    }
    fs.AddFile("C:\\app\\a.txt", "first\nsecond");
    EXPECT_EQ("first", files.LoadBytes("a.txt"));
}

TEST_F(FileServicesTest, LinesReadBackAsTheirBytesInTheCodePage) {
    // Teachers' files are GBK. These lines are also well-formed UTF-8 ("小猫" would read as "Сè"
    // if decoded so), and must arrive as they are.
    const char* gbkLines[] = {"\xD0\xA1\xC3\xA8", "cat \xC3\xA8", "\xC2\xB7", "\xD6\xB5"};
    for (const char* line : gbkLines) {
        fs.AddFile("C:\\app\\gbk.txt", std::string(line) + "\r\nnext\r\n");
        EXPECT_EQ(line, files.LoadFile("gbk.txt").value());
        EXPECT_EQ(line, files.LoadBytes("gbk.txt"));
    }
    fs.AddFile("C:\\app\\ascii.txt", "plain\r\n");
    EXPECT_EQ("plain", files.LoadBytes("ascii.txt"));

    // What "savefile" stored as UTF-8 comes back as the ANSI reading of those bytes; what
    // "saveBytes" stored comes back as it was saved.
    files.SaveUtf8("round.txt", kGbkHello);
    EXPECT_EQ(kUtf8Hello, files.LoadFile("round.txt").value());
    files.SaveBytes("bytes.txt", kGbkHello);
    EXPECT_EQ(kGbkHello, files.LoadFile("bytes.txt").value());
}

TEST_F(FileServicesTest, SaveWritesUtf8OrRawBytesFollowedByCrLf) {
    files.SaveUtf8("u.txt", std::string(kGbkHello) + "!");
    EXPECT_EQ(std::string(kUtf8Hello) + "!\r\n", fs.files["C:\\app\\u.txt"]);
    files.SaveBytes("b.txt", std::string(kGbkHello) + "!");
    EXPECT_EQ(std::string(kGbkHello) + "!\r\n", fs.files["C:\\app\\b.txt"]);
    files.SaveUtf8("empty.txt", "");
    EXPECT_EQ("\r\n", fs.files["C:\\app\\empty.txt"]);
}

TEST_F(FileServicesTest, SaveReplacesTheWholeFile) {
    fs.AddFile("C:\\app\\a.txt", "a much longer old content\r\nwith lines\r\n");
    files.SaveBytes("a.txt", "new");
    EXPECT_EQ("new\r\n", fs.files["C:\\app\\a.txt"]);
}

TEST_F(FileServicesTest, SaveConvertsSlashesAndCreatesMissingFolders) {
    files.SaveUtf8("one/two/file.txt", "x");
    EXPECT_EQ(std::vector<std::string>{"C:\\app\\one\\two\\file.txt"}, fs.written);
    EXPECT_EQ((std::vector<std::string>{"C:\\app\\one", "C:\\app\\one\\two"}), fs.created);
    EXPECT_EQ("x\r\n", fs.files["C:\\app\\one\\two\\file.txt"]);
}

TEST_F(FileServicesTest, SaveBelowAFileFailsAtTheFileCreation) {
    fs.AddFile("C:\\app\\taken", "x");
    EXPECT_THROW(files.SaveBytes("taken/file.txt", "y"), IoError);
    EXPECT_EQ(std::vector<std::string>{"C:\\app\\taken\\file.txt"}, fs.written);
    EXPECT_EQ("x", fs.files["C:\\app\\taken"]);
}

TEST_F(FileServicesTest, ReadingRequestsKeepSlashesInThePath) {
    struct Recorder : FakeFileSystem {
        std::vector<std::string> asked;
        bool FileExists(const std::string& path) override {
            asked.push_back(path);
            return FakeFileSystem::FileExists(path);
        }
    } recorder;
    FileServices services(recorder, [] { return std::string(kAppDir); });
    services.FileExists("a/b.txt");
    services.LoadFile("a/b.txt");
    EXPECT_EQ((std::vector<std::string>{"C:\\app\\a/b.txt", "C:\\app\\a/b.txt"}), recorder.asked);
}

TEST_F(FileServicesTest, NewFolderAnswersWhetherTheFolderExistsAfterwards) {
    EXPECT_TRUE(files.NewFolder(""));
    EXPECT_TRUE(fs.created.empty());
    EXPECT_TRUE(files.NewFolder("x/y/"));
    EXPECT_EQ((std::vector<std::string>{"C:\\app\\x", "C:\\app\\x\\y"}), fs.created);
    EXPECT_TRUE(files.NewFolder("x"));
    fs.AddFile("C:\\app\\file", "");
    EXPECT_FALSE(files.NewFolder("file"));
}

TEST_F(FileServicesTest, ProgramDirectoryIsAskedForAtEachUse) {
    files.FileExists("a");
    files.LoadFile("a");
    EXPECT_EQ(kAppDir, files.ProgramDirectory());
    EXPECT_EQ(3, directoryCalls);
}

TEST(InOutErrorTextTest, CommonCodesHaveShortTextsOthersTheirNumber) {
    EXPECT_EQ("File not found", InOutErrorText(2));
    EXPECT_EQ("File access denied", InOutErrorText(5));
    EXPECT_EQ("I/O error 206", InOutErrorText(206));
}

}  // namespace
