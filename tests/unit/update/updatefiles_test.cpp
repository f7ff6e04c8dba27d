// The update flow's files on the file-system seam: every piece of the buffer arrives in order, a
// failed write keeps what was there, and failures name the path.
#include "update/updatefiles.h"

#include "tests/unit/fakes/platformfakes.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

TEST(SeamUpdateFilesTest, WritesThePiecesOfTheBufferAsOneFileAndReadsItBack) {
    FakeFileSystem fs;
    fs.AddFolder("C:\\app");
    fs.chunk = 7;  // reading takes many rounds
    SeamUpdateFiles files(fs);
    ReplyBuffer buffer;
    std::string bytes(ReplyBuffer::kBlockSize * 2 + 5, 'x');
    bytes[0] = '\0';
    bytes[ReplyBuffer::kBlockSize] = 'M';
    buffer.Append(bytes.data(), bytes.size());
    files.Write("C:\\app\\setup.exe", buffer);
    EXPECT_EQ(bytes, fs.files["C:\\app\\setup.exe"]);
    EXPECT_EQ(bytes, files.Read("C:\\app\\setup.exe"));
    EXPECT_EQ(0, fs.openFiles);
}

TEST(SeamUpdateFilesTest, FailuresNameThePathAndKeepTheEarlierFile) {
    FakeFileSystem fs;
    fs.AddFile("C:\\app\\result.txt", "old reply");
    fs.readOnly.insert("C:\\app\\result.txt");
    SeamUpdateFiles files(fs);
    ReplyBuffer buffer;
    buffer.Append("new", 3);
    for (const std::string& path :
         {std::string("C:\\app\\result.txt"), std::string("C:\\app\\no folder\\setup.exe")}) {
        try {
            files.Write(path, buffer);
            ADD_FAILURE() << "written: " << path;
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        }
    }
    EXPECT_EQ("old reply", fs.files["C:\\app\\result.txt"]);
    try {
        files.Read("C:\\app\\missing.txt");
        ADD_FAILURE() << "read a missing file";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("C:\\app\\missing.txt"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("File not found"), std::string::npos) << e.what();
    }
}

}  // namespace
