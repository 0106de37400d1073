// The file system as the card model uses it, on the platform the tests run on.
#include <gtest/gtest.h>

#include "platform/Platform.h"
#include "support/Testsupport.h"

using testsupport::Exists;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

TEST(Files, CopiesAndMovesNeverReplace) {
    TempDir dir;
    platform::IFileSystem& files = platform::NativePlatform().files;
    WriteFile(dir / "a", "A");
    WriteFile(dir / "b", "B");
    EXPECT_FALSE(files.CopyNoReplace(dir / "a", dir / "b"));
    EXPECT_EQ(ReadFile(dir / "b"), "B");
    EXPECT_FALSE(files.MoveNoReplace(dir / "a", dir / "b"));
    EXPECT_EQ(ReadFile(dir / "b"), "B");
    EXPECT_TRUE(files.CopyNoReplace(dir / "a", dir / "c"));
    EXPECT_EQ(ReadFile(dir / "c"), "A");
    EXPECT_TRUE(files.MoveNoReplace(dir / "c", dir / "d"));
    EXPECT_FALSE(Exists(dir / "c"));
    // A folder is not copied as a file, and a missing source leaves no target.
    testsupport::MakeDirs(dir / "folder");
    EXPECT_FALSE(files.CopyNoReplace(dir / "folder", dir / "e"));
    EXPECT_FALSE(files.CopyNoReplace(dir / "missing", dir / "e"));
    EXPECT_FALSE(Exists(dir / "e"));
    // A big file is copied whole.
    const std::string big(3 * 1024 * 1024 + 17, 'z');
    WriteFile(dir / "big", big);
    EXPECT_TRUE(files.CopyNoReplace(dir / "big", dir / "big2"));
    EXPECT_EQ(ReadFile(dir / "big2"), big);
}

TEST(Files, AReplacingWriteIsWholeOrNothing) {
    TempDir dir;
    platform::IFileSystem& files = platform::NativePlatform().files;
    WriteFile(dir / "BOOK_001.ydr", "old");
    EXPECT_TRUE(files.WriteReplacing(dir / "BOOK_001.ydr", "new"));
    EXPECT_EQ(ReadFile(dir / "BOOK_001.ydr"), "new");
    EXPECT_FALSE(Exists(dir / "ZWQSAVE.TMP"));
    // A target that cannot be replaced keeps nothing of the attempt.
    testsupport::MakeDirs(dir / "BOOK_002.ydr/inner");
    EXPECT_FALSE(files.WriteReplacing(dir / "BOOK_002.ydr", "new"));
    EXPECT_EQ(testsupport::List(dir.path()), (std::vector<std::string>{"BOOK_001.ydr", "BOOK_002.ydr/"}));
    EXPECT_FALSE(files.WriteReplacing(dir / "missing/BOOK_003.ydr", "new"));
}
