#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "CSafeFileWriter.h"
#include "FileSizeLimit.h"
#include "TempDir.h"

namespace {

const std::vector<uint8_t> kOld = {'o', 'l', 'd', '\r', '\n', 0, 0xFF};

mode_t ModeOf(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

}  // namespace

TEST(CSafeFileWriter, ReplacesTheWholeFileAndKeepsItsPermissions) {
    TempDir dir;
    const std::string path = dir.File("a.txt");
    TempDir::WriteBytes(path, std::vector<uint8_t>(5000, 'x'));
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(CSafeFileWriter::WriteFile(path, std::string("new")));
    EXPECT_EQ(TempDir::ReadText(path), "new");
    EXPECT_EQ(ModeOf(path), mode_t(0640));

    // A new file gets the mode a plain creation would give, not the private temporary's.
    const mode_t mask = umask(022);
    ASSERT_TRUE(CSafeFileWriter::WriteFile(dir.File("b.txt"), std::string()));
    umask(mask);
    EXPECT_EQ(ModeOf(dir.File("b.txt")), mode_t(0644));
    EXPECT_EQ(TempDir::ReadText(dir.File("b.txt")), "");

    // A link is written through: the link stays and its target changes.
    const std::string link = dir.File("link.txt");
    std::filesystem::create_symlink(path, link);
    ASSERT_TRUE(CSafeFileWriter::WriteFile(link, std::string("through")));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(TempDir::ReadText(path), "through");
    EXPECT_EQ(dir.EntryCount(), 3u);
}

TEST(CSafeFileWriter, TheLongestNameTheFolderTakesIsWrittenAndReplaced) {
    TempDir dir;
    const long longest = pathconf(dir.Path().c_str(), _PC_NAME_MAX);
    ASSERT_GT(longest, 7);
    const std::string path = dir.File(std::string(size_t(longest) - 4, 'n') + ".par");
    std::string error;
    ASSERT_TRUE(CSafeFileWriter::WriteFile(path, std::string("first"), &error)) << error;
    ASSERT_TRUE(CSafeFileWriter::WriteFile(path, std::string("second"), &error)) << error;
    EXPECT_EQ(TempDir::ReadText(path), "second");
    EXPECT_EQ(dir.EntryCount(), 1u);
}

// A file-size limit stands in for a full disk: the write fails in the flush (content within
// the stream's buffer) or already in the writes (content beyond it).
TEST(CSafeFileWriter, AFailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
    for (size_t size : {size_t{56}, size_t{100000}}) {
        SCOPED_TRACE(size);
        TempDir dir;
        const std::string path = dir.File("p.par");
        TempDir::WriteBytes(path, kOld);
        const std::string content(size, 'n');
        std::string error;
        bool written;
        {
            FileSizeLimit limit(40);
            ASSERT_TRUE(limit.Active());
            written = CSafeFileWriter::WriteFile(path, content, &error);
        }
        EXPECT_FALSE(written);
        EXPECT_EQ(error, std::strerror(EFBIG));
        EXPECT_EQ(TempDir::ReadBytes(path), kOld);
        EXPECT_EQ(dir.EntryCount(), 1u);
    }
}

TEST(CSafeFileWriter, StreamedWritesAreCheckedOnCommit) {
    TempDir dir;
    const std::string path = dir.File("image.bmp");
    TempDir::WriteBytes(path, kOld);
    {
        CSafeFileWriter writer(path);
        ASSERT_TRUE(writer.Open());
        FileSizeLimit limit(10);
        for (int k = 0; k < 100; ++k) std::fputs("a line of an image file\n", writer.File());
        EXPECT_FALSE(writer.Commit());
        EXPECT_FALSE(writer.ErrorText().empty());
    }
    EXPECT_EQ(TempDir::ReadBytes(path), kOld);
    EXPECT_EQ(dir.EntryCount(), 1u);

    // Dropped without a commit: the old file stays, the temporary goes.
    {
        CSafeFileWriter writer(path);
        ASSERT_TRUE(writer.Open());
        ASSERT_TRUE(writer.Write("new", 3));
        EXPECT_EQ(dir.EntryCount(), 2u);
    }
    EXPECT_EQ(TempDir::ReadBytes(path), kOld);
    EXPECT_EQ(dir.EntryCount(), 1u);
}

TEST(CSafeFileWriter, TargetsThatCannotBeReplacedAreRefused) {
    TempDir dir;
    std::filesystem::create_directory(dir.File("folder"));
    const struct {
        std::string path;
        int error;
    } cases[] = {
        {dir.File("folder"), EISDIR},
        {dir.File("missing/x.txt"), ENOENT},
        {"/dev/null", EINVAL},
        {"", ENOENT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        std::string error;
        EXPECT_FALSE(CSafeFileWriter::WriteFile(c.path, std::string("x"), &error));
        EXPECT_EQ(error, std::strerror(c.error));
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("folder")));
    EXPECT_EQ(dir.EntryCount(), 1u);
}
