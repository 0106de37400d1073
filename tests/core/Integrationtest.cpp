// The per-user freedesktop form of the file-manager integration, on real files in a temporary
// data and configuration folder. (The registry form is tested on Windows.)
#include <gtest/gtest.h>

#include "integration/Explorerintegrationunit.h"
#include "settings/Appdatainiunit.h"
#include "settings/Cardselectunit.h"
#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "support/Testsupport.h"

using testsupport::A;
using testsupport::Exists;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

class DesktopIntegration : public ::testing::Test {
protected:
    DesktopIntegration() : test(dir), integration(test.platform, boxes) {
        test.folders.programFile = dir / A("Мои программы/zwq manager/zwq-manager");
    }
    // Every file below the data and configuration folders.
    std::vector<std::string> Files() const {
        std::vector<std::string> files;
        for (const char* root : {"data", "config"}) {
            std::error_code error;
            for (const auto& e : std::filesystem::recursive_directory_iterator(platform::ToFsPath(dir / root), error)) {
                if (!e.is_directory()) files.push_back(platform::FromFsPath(e.path()));
            }
        }
        std::sort(files.begin(), files.end());
        return files;
    }

    TempDir dir;
    testsupport::TestPlatform test;
    platform::RecordingMessageBoxes boxes;
    TExplorerIntegration integration;
};

}  // namespace

TEST_F(DesktopIntegration, IntegrateDetectAndRemoveLeavesNothingBehind) {
    EXPECT_FALSE(integration.IsExplorerIntegrated());
    EXPECT_EQ(integration.IntegrationMenuCaption(), A("Интегрировать в файловый менеджер"));
    EXPECT_EQ(integration.SetExplorerIntegration(true), AdminRights::Present);  // per user: no elevation
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_TRUE(test.system.elevations.empty());
    EXPECT_TRUE(integration.IsExplorerIntegrated());
    EXPECT_EQ(integration.IntegrationMenuCaption(), A("Удалить интеграцию из файлового менеджера"));
    EXPECT_EQ(Files(), (std::vector<std::string>{dir / "config/mimeapps.list",
                                                 dir / "data/applications/zwq-manager.desktop",
                                                 dir / "data/mime/packages/zwq-manager.xml"}));
    EXPECT_EQ(ReadFile(dir / "config/mimeapps.list"), "[Default Applications]\napplication/x-zwq-book=zwq-manager.desktop;\n");
    const std::string package = ReadFile(dir / "data/mime/packages/zwq-manager.xml");
    EXPECT_NE(package.find("<mime-type type=\"application/x-zwq-book\">"), std::string::npos);
    EXPECT_NE(package.find("<glob pattern=\"*.ydr\"/>"), std::string::npos);

    integration.SetExplorerIntegration(true);  // twice: the same files, no second line
    EXPECT_EQ(ReadFile(dir / "config/mimeapps.list"), "[Default Applications]\napplication/x-zwq-book=zwq-manager.desktop;\n");

    integration.SetExplorerIntegration(false);
    EXPECT_FALSE(integration.IsExplorerIntegrated());
    EXPECT_EQ(Files(), std::vector<std::string>{});
    integration.SetExplorerIntegration(false);  // nothing to remove: no message
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(DesktopIntegration, TheDesktopEntryStartsThisProgramWithTheOpenedFiles) {
    // The entry names the program as the system names it; these paths need not exist.
    test.folders.programFile = A("/opt/zwq manager/Книги/zwq-manager");
    integration.WriteIntegration();
    const std::string entry = ReadFile(dir / "data/applications/zwq-manager.desktop");
    EXPECT_EQ(entry.find("[Desktop Entry]\n"), 0u);
    // A path with blanks is quoted.
    EXPECT_NE(entry.find("Exec=\"/opt/zwq manager/Книги/zwq-manager\" %F\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("MimeType=application/x-zwq-book;inode/directory;\n"), std::string::npos);
    EXPECT_NE(entry.find("Name=ZWQ-менеджер\n"), std::string::npos);

    test.folders.programFile = "/usr/bin/zwq-manager";
    EXPECT_NE(integration.DesktopEntryText().find("Exec=/usr/bin/zwq-manager %F\n"), std::string::npos);
    // '$' and '\' escaped inside the quotes, then '\' again for the file; '%' doubled.
    test.folders.programFile = "/opt/a$b\\c%d/zwq";
    EXPECT_NE(integration.DesktopEntryText().find("Exec=\"/opt/a\\\\$b\\\\\\\\c%%d/zwq\" %F\n"), std::string::npos)
        << integration.DesktopEntryText();
}

TEST_F(DesktopIntegration, OnlyTheTypeOrOnlyTheEntryIsNotIntegrated) {
    integration.WriteIntegration();
    std::filesystem::remove(platform::ToFsPath(dir / "data/applications/zwq-manager.desktop"));
    EXPECT_FALSE(integration.IsExplorerIntegrated());
}

TEST_F(DesktopIntegration, OtherDefaultsSurviveAndAnEarlierChoiceForTheTypeIsReplaced) {
    const std::string before =
        "[Added Associations]\ntext/plain=gedit.desktop;\n\n[Default Applications]\n"
        "application/x-zwq-book=other.desktop;\ntext/html=firefox.desktop;\n";
    WriteFile(dir / "config/mimeapps.list", before);
    integration.WriteIntegration();
    EXPECT_EQ(ReadFile(dir / "config/mimeapps.list"),
              "[Added Associations]\ntext/plain=gedit.desktop;\n\n[Default Applications]\n"
              "application/x-zwq-book=zwq-manager.desktop;\ntext/html=firefox.desktop;\n");
    integration.RemoveIntegration();
    EXPECT_EQ(ReadFile(dir / "config/mimeapps.list"),
              "[Added Associations]\ntext/plain=gedit.desktop;\n\n[Default Applications]\n"
              "text/html=firefox.desktop;\n");
}

TEST_F(DesktopIntegration, ASectionOfOurOwnGoesAgainOnRemoval) {
    const std::string before = "[Added Associations]\ntext/plain=gedit.desktop;\n";
    WriteFile(dir / "config/mimeapps.list", before);
    integration.WriteIntegration();
    EXPECT_EQ(ReadFile(dir / "config/mimeapps.list"),
              before + "\n[Default Applications]\napplication/x-zwq-book=zwq-manager.desktop;\n");
    integration.RemoveIntegration();
    EXPECT_EQ(ReadFile(dir / "config/mimeapps.list"), before);
}

TEST_F(DesktopIntegration, AChoiceTheUserMadeLaterIsNotRemoved) {
    integration.WriteIntegration();
    WriteFile(dir / "config/mimeapps.list", "[Default Applications]\napplication/x-zwq-book=other.desktop;\n");
    integration.RemoveIntegration();
    EXPECT_EQ(ReadFile(dir / "config/mimeapps.list"), "[Default Applications]\napplication/x-zwq-book=other.desktop;\n");
}

TEST_F(DesktopIntegration, TheDesktopsDatabasesAreUpdatedWithoutWaiting) {
    test.system.findPrograms = true;
    integration.WriteIntegration();
    // Whatever of the two tools this machine has is started (recorded here), on our folders.
    for (const auto& started : test.system.started) {
        const std::string name = platform::FileNameOf(started.program);
        ASSERT_EQ(started.arguments.size(), 1u);
        if (name == "update-mime-database") EXPECT_EQ(started.arguments[0], dir / "data/mime");
        else if (name == "update-desktop-database") EXPECT_EQ(started.arguments[0], dir / "data/applications");
        else ADD_FAILURE() << name;
    }
}

TEST_F(DesktopIntegration, AFileThatCannotBeWrittenIsReported) {
    WriteFile(dir / "data/applications", "a file where the folder should be");
    integration.WriteIntegration();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, A("Не удалось записать файл ") + (dir / "data/applications/zwq-manager.desktop"));
    EXPECT_EQ(boxes.boxes[0].caption, A("Ошибка во время интеграции в файловый менеджер"));
    EXPECT_EQ(boxes.boxes[0].flags, 0x10u);
    EXPECT_FALSE(integration.IsExplorerIntegrated());
}

// Windows speaks of Explorer and drive letters, the freedesktop.org desktops of their file
// manager and folders; the style of the integration decides, on whatever system the tests run.
TEST(IntegrationWords, FollowTheDesktop) {
    struct Case {
        platform::IntegrationStyle style;
        const char* caption;
        const char* offer;
        const char* menuItem;
        const char* state;
        const char* cardPrompt;
    };
    const Case cases[] = {
        {platform::IntegrationStyle::ClassesRegistry, "Интеграция с проводником Windows",
         "Добавить приложение в контекстное меню проводника?", "Интегрировать в проводник",
         "Интеграция с проводником выключена", "Выберите букву диска соответствующую карте памяти с ZWQ-книгами"},
        {platform::IntegrationStyle::FreeDesktop, "Интеграция с файловым менеджером",
         "Добавить приложение в контекстное меню файлового менеджера?", "Интегрировать в файловый менеджер",
         "Интеграция с файловым менеджером выключена", "Выберите папку карты памяти с ZWQ-книгами"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        testsupport::TestPlatform test(dir);
        platform::Platform styled = test.platform;
        styled.integrationStyle = c.style;
        platform::RecordingMessageBoxes boxes;
        TExplorerIntegration integration(styled, boxes);
        SettingsStore settings("kv8102tz", "ZWQManager", styled);
        integration.OfferIntegration(settings);  // answered Cancel
        integration.ReportIntegrationState();
        ASSERT_EQ(boxes.boxes.size(), 2u);
        EXPECT_EQ(boxes.boxes[0].text, A(c.offer));
        EXPECT_EQ(boxes.boxes[1].text, A(c.state));
        for (const auto& box : boxes.boxes) EXPECT_EQ(box.caption, A(c.caption));
        EXPECT_EQ(integration.IntegrationMenuCaption(), A(c.menuItem));
        EXPECT_EQ(CardSelectTexts(c.style).label, A(c.cardPrompt));
    }
}
