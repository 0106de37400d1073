#include <gtest/gtest.h>

#include "platform/Paths.h"
#include "settings/Appdatainiunit.h"
#include "support/Testsupport.h"

using testsupport::A;
using testsupport::Crlf;
using testsupport::Exists;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::TestPlatform;
using testsupport::WriteFile;

namespace {

class Settings : public ::testing::Test {
protected:
    Settings() : test(dir), store("kv8102tz", "ZWQManager", test.platform) {}

    std::string file() const { return dir / "appdata/kv8102tz/ZWQManager/ZWQManager.ini"; }
    void WriteSettings(const std::string& bytes) { WriteFile(file(), bytes); }
    const std::vector<platform::RecordingMessageBoxes::Box>& boxes() { return store.RecordedBoxes().boxes; }

    TempDir dir;
    TestPlatform test;
    SettingsStore store;
};

}  // namespace

TEST_F(Settings, TheFileLiesBelowTheApplicationDataFolder) {
    EXPECT_EQ(store.SettingsFilePath(), file());
    EXPECT_FALSE(store.SettingsFileExists());
}

TEST_F(Settings, NoFileLoadsNothingSilently) {
    EXPECT_FALSE(store.LoadSettings());
    EXPECT_EQ(store.GetSetting("CARD_PATH"), "");
    EXPECT_TRUE(boxes().empty());
}

TEST_F(Settings, SavingMakesBothFoldersAndEndsEveryLineWithCrLf) {
    store.SetSetting("CARD_PATH", "E:\\");
    store.SetSetting("IS_ASKED_FOR_INTEGRATION", "YES");
    ASSERT_TRUE(store.SaveSettings());
    EXPECT_EQ(ReadFile(file()), "CARD_PATH=E:\\\r\nIS_ASKED_FOR_INTEGRATION=YES\r\n");
    EXPECT_TRUE(boxes().empty());
    EXPECT_FALSE(Exists(dir / "appdata/kv8102tz/ZWQManager/ZWQSAVE.TMP"));
    SettingsStore again("kv8102tz", "ZWQManager", test.platform);
    ASSERT_TRUE(again.LoadSettings());
    EXPECT_EQ(again.GetSetting("card_path"), "E:\\");
}

TEST_F(Settings, KeysMatchInAnyLetterCaseAndOnlyAtTheStartOfALine) {
    WriteSettings("[Section]\r\ncard_path=F:\\\r\n\r\n CARD_PATH=blank before\r\nCARD_PATH =blank after\r\n"
                  "CARD_PATH=second\nremark without key\rOTHER=a=b");
    ASSERT_TRUE(store.LoadSettings());
    EXPECT_EQ(store.GetSetting("CARD_PATH"), "F:\\");
    EXPECT_EQ(store.GetSetting("OTHER"), "a=b");
    EXPECT_EQ(store.GetSetting("MISSING"), "");
    store.SetSetting("CARD_PATH", "G:\\");
    store.SetSetting("NEW_KEY", A("значение"));
    ASSERT_TRUE(store.SaveSettings());
    // Only the first matching line changes, spelled as the caller spells the key; everything
    // else stays in its place with its own line break; a new line ends with CR LF.
    EXPECT_EQ(ReadFile(file()), "[Section]\r\nCARD_PATH=G:\\\r\n\r\n CARD_PATH=blank before\r\nCARD_PATH =blank after\r\n"
                                "CARD_PATH=second\nremark without key\rOTHER=a=b\r\nNEW_KEY=" + A("значение") + "\r\n");
}

TEST_F(Settings, CyrillicKeysMatchByTheRussianLocale) {
    WriteSettings(A("ключ=1\r\n"));
    ASSERT_TRUE(store.LoadSettings());
    EXPECT_EQ(store.GetSetting(A("КЛЮЧ")), "1");
}

TEST_F(Settings, OtherLinesAreWrittenBackAsRead) {
    struct Case {
        const char* what;
        std::string file;
        std::vector<std::string> lines;  // as read
    };
    const std::string utf16 = testsupport::Utf16File("[Раздел]\r\nКлюч=значение\r\n");
    const Case cases[] = {
        {"empty", "", {}},
        {"NUL bytes", std::string("A=1\r\nB=2\0C=3\r\n\0\r\n", 17), {"A=1", std::string("B=2\0C=3", 7), std::string(1, '\0')}},
        {"UTF-16", utf16, {}},
        {"last line without a break", "A=1\nB=2", {"A=1", "B=2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteSettings(c.file);
        ASSERT_TRUE(store.LoadSettings());
        if (!c.lines.empty() || c.file.empty()) {
            EXPECT_EQ(store.Lines(), c.lines);
        }
        ASSERT_TRUE(store.SaveSettings());
        EXPECT_EQ(ReadFile(file()), c.file);
        // A key the program sets goes after them, on a line of its own.
        store.SetSetting("CARD_PATH", "E:\\");
        ASSERT_TRUE(store.SaveSettings());
        const std::string separator = !c.file.empty() && c.file.back() != '\n' ? "\r\n" : "";
        EXPECT_EQ(ReadFile(file()), c.file + separator + "CARD_PATH=E:\\\r\n");
    }
}

TEST_F(Settings, AFailedSaveIsReportedAndKeepsTheValuesInMemory) {
    store.SetSetting("CARD_PATH", "E:\\");
    // The company folder's place is taken by a file, so nothing can be written below it.
    WriteFile(dir / "appdata/kv8102tz", "a file where the folder should be");
    EXPECT_FALSE(store.SaveSettings());
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, A("Ошибка во время сохранения файла настроек ") + file());
    EXPECT_EQ(boxes()[0].caption, A("Загрузка настроек"));
    EXPECT_EQ(boxes()[0].flags, 0x10u);
    EXPECT_EQ(store.GetSetting("CARD_PATH"), "E:\\");
}

TEST_F(Settings, WithoutAnApplicationDataFolderNothingIsWrittenAnywhere) {
    test.folders.appData.clear();
    store.SetSetting("CARD_PATH", "E:\\");
    EXPECT_FALSE(store.SettingsFileExists());
    EXPECT_FALSE(store.LoadSettings());
    EXPECT_FALSE(store.SaveSettings());
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, A("Ошибка во время сохранения файла настроек "));
    EXPECT_FALSE(Exists("kv8102tz"));
}

TEST_F(Settings, MessagesGoWhereTheWindowSendsThem) {
    platform::RecordingMessageBoxes window;
    store.SetMessageBoxes(window);
    test.folders.appData.clear();
    store.SaveSettings();
    EXPECT_EQ(window.boxes.size(), 1u);
    EXPECT_TRUE(boxes().empty());
}
