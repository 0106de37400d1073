#include <gtest/gtest.h>

#include "platform/Paths.h"

using platform::EntryFileName;
using platform::EntryFolder;
using platform::IsContainedEntry;

TEST(Paths, JoinAndSplitInThePlatformsForm) {
    const std::string sep(1, platform::PathSeparator());
    EXPECT_EQ(platform::JoinPath("card", "BOOK_001"), "card" + sep + "BOOK_001");
    EXPECT_EQ(platform::JoinPath("", "BOOK_001"), "BOOK_001");
    EXPECT_EQ(platform::FileNameOf("a" + sep + "b" + sep + "BOOK_001.ydr"), "BOOK_001.ydr");
    EXPECT_EQ(platform::FolderOf("a" + sep + "b" + sep + "BOOK_001.ydr"), "a" + sep + "b");
    EXPECT_EQ(platform::FolderOf("BOOK_001.ydr"), "");
    EXPECT_EQ(platform::ExtensionOf("a" + sep + "x.y" + sep + "book.Rar"), ".Rar");
    EXPECT_EQ(platform::ExtensionOf("a" + sep + "x.y" + sep + "book"), "");
    EXPECT_EQ(platform::StripTrailingSeparators("E:\\"), "E:");
    EXPECT_EQ(platform::StripTrailingSeparators("/media/card//"), "/media/card");
    EXPECT_EQ(platform::StripTrailingSeparators("\\\\"), "");
}

TEST(Paths, DescriptorEntriesUseBackslashesOnEveryPlatform) {
    EXPECT_EQ(EntryFileName("CD1\\01.mp3"), "01.mp3");
    EXPECT_EQ(EntryFileName("CD1/sub\\01.mp3"), "01.mp3");
    EXPECT_EQ(EntryFileName("C:01.mp3"), "01.mp3");
    EXPECT_EQ(EntryFileName("01.mp3"), "01.mp3");
    EXPECT_EQ(EntryFolder("BOOK_002\\01.mp3"), "BOOK_002");
    EXPECT_EQ(EntryFolder("01.mp3"), "");
    const std::string sep(1, platform::PathSeparator());
    EXPECT_EQ(platform::EntryToPath("CD1\\sub/01.mp3"), "CD1" + sep + "sub" + sep + "01.mp3");
}

TEST(Paths, AnEntryMustStayInsideItsFolder) {
    EXPECT_TRUE(IsContainedEntry("01.mp3"));
    EXPECT_TRUE(IsContainedEntry("CD1\\01.mp3"));
    EXPECT_TRUE(IsContainedEntry("a..b\\..c"));
    EXPECT_FALSE(IsContainedEntry(""));
    EXPECT_FALSE(IsContainedEntry("..\\secret.txt"));
    EXPECT_FALSE(IsContainedEntry("CD1\\..\\..\\secret.txt"));
    EXPECT_FALSE(IsContainedEntry("CD1/../x"));
    EXPECT_FALSE(IsContainedEntry(".."));
    EXPECT_FALSE(IsContainedEntry("\\Windows\\win.ini"));
    EXPECT_FALSE(IsContainedEntry("/etc/passwd"));
    EXPECT_FALSE(IsContainedEntry("C:\\secret.txt"));
    EXPECT_FALSE(IsContainedEntry("C:secret.txt"));
}
