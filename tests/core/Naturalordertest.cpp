#include <gtest/gtest.h>

#include <algorithm>

#include "book/Madebook.h"
#include "book/Naturalorder.h"
#include "support/Testsupport.h"

using testsupport::A;

TEST(NaturalOrder, SortsPathsAsAListenerExpects) {
    const std::vector<std::vector<const char*>> expectedOrders = {
        // numbers by value, leading zeros or not
        {"1.mp3", "02.mp3", "2a.mp3", "10.mp3", "100.mp3"},
        // letters without regard to case; Cyrillic in its alphabet, Ё after Е, after Latin
        {"a.mp3", "B.mp3", "c.mp3", "Ель.mp3", "ёж.mp3", "Жук.mp3", "яблоко.mp3"},
        // folder by folder: subfolders by their names, with numbers, then their files
        {"CD1/2.mp3", "CD1/10.mp3", "CD2/1.mp3", "cd10/1.mp3", "Глава 2.mp3", "Глава 10.mp3"},
        // a shorter name that the longer one begins with comes first
        {"Часть", "Часть 1/01.mp3", "Часть 1/Глава.mp3"},
    };
    for (const auto& expected : expectedOrders) {
        std::vector<std::string> paths;
        for (const char* path : expected) paths.push_back(A(path));
        std::vector<std::string> sorted(paths.rbegin(), paths.rend());
        std::sort(sorted.begin(), sorted.end(), NaturalLess);
        EXPECT_EQ(sorted, paths);
    }
}

TEST(NaturalOrder, CardNamesGrowPast999AndKeepTheExtensionInLowerCase) {
    EXPECT_EQ(CardFileName(0, 24, "a/Глава.MP3"), "001.mp3");
    EXPECT_EQ(CardFileName(998, 999, "x.mp3"), "999.mp3");
    EXPECT_EQ(CardFileName(0, 1000, "x.mp3"), "0001.mp3");
    EXPECT_EQ(CardFileName(12344, 12345, "x.mp3"), "12345.mp3");
}
