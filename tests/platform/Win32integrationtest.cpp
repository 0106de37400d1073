// The registry form of the file-manager integration, against Wine's real registry. regsvr32 and
// the elevation prompt are recorded rather than run (the context-menu libraries are not part of
// the tests).
#include <gtest/gtest.h>

#include "integration/Explorerintegrationunit.h"
#include "platform/Paths.h"
#include "platform/win32/Win32platform.h"
#include "support/Testsupport.h"

using testsupport::A;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

class RegistryIntegration : public ::testing::Test {
protected:
    RegistryIntegration()
        : test(dir),
          platform{test.files, test.folders, test.platform.extractor, test.drives, test.system,
                   platform::IntegrationStyle::ClassesRegistry, &registry},
          integration(platform, boxes) {
        test.folders.programFile = programFolder() + "\\ZWQManager.exe";
        testsupport::MakeDirs(programFolder());
        Clean();
    }
    ~RegistryIntegration() override { Clean(); }

    std::string programFolder() const { return dir / A("Program Files/ZWQ менеджер"); }
    void Clean() {
        integration.DeleteRegistryKey("\\.ydr");
        integration.DeleteRegistryKey("\\ZWQManager");
    }
    std::string Value(const std::string& key) {
        std::string value;
        return registry.ReadString(key, "", value) ? value : "<none>";
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& box : boxes.boxes) texts.push_back(box.text);
        return texts;
    }

    TempDir dir;
    testsupport::TestPlatform test;
    platform::Win32Registry registry;
    platform::Platform platform;
    platform::RecordingMessageBoxes boxes;
    TExplorerIntegration integration;
};

// The text in double quotes (built step by step: GCC 12 warns falsely on literal + string).
std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    quoted += text;
    quoted += '"';
    return quoted;
}

// Whether these suites run on 64-bit Windows: a 64-bit build always does.
bool On64BitWindows() { return platform::NativePlatform().system.IsWow64(); }

const std::string kMissing32 =
    A("Не найден файл ZWQShellExt32.dll - он необходим для интеграции в контекстное меню проводника");
const std::string kMissing64 =
    A("Не найден файл ZWQShellExt64.dll - он необходим для интеграции в контекстное меню проводника");

}  // namespace

TEST_F(RegistryIntegration, WritesTheTypeAndTheOpenCommand) {
    EXPECT_FALSE(integration.IsExplorerIntegrated());
    integration.SetExplorerIntegration(true);
    EXPECT_TRUE(integration.IsExplorerIntegrated());
    EXPECT_EQ(Value("\\.ydr"), "ZWQManager");
    // The program path, with its blanks and Cyrillic letters, whole inside its quotes.
    EXPECT_EQ(Value("\\ZWQManager\\shell\\open\\command"), Quoted(programFolder() + "\\ZWQManager.exe") + " \"%1\"");
    // Folders get their item from the context-menu library alone: no verb of the program's
    // own beside it, so that Explorer shows one item.
    EXPECT_FALSE(registry.KeyExists("\\Directory\\shell\\ZWQManager"));
    EXPECT_EQ(integration.IntegrationMenuCaption(), A("Удалить интеграцию из проводника"));
    // Both libraries are missing beside the program: one box each, 32-bit first, the 64-bit one
    // only on 64-bit Windows (where every 64-bit build runs; the 32-bit build's suites run on a
    // 32-bit Windows); the registry entries stay.
    const std::vector<std::string> missing =
        On64BitWindows() ? std::vector<std::string>{kMissing32, kMissing64} : std::vector<std::string>{kMissing32};
    EXPECT_EQ(Texts(), missing);
    for (const auto& box : boxes.boxes) {
        EXPECT_EQ(box.caption, A("Ошибка во время интеграции в проводник"));
        EXPECT_EQ(box.flags, 0x10u);
    }
    EXPECT_TRUE(test.system.started.empty());
}

TEST_F(RegistryIntegration, RegistersAndRemovesTheLibrariesWithRegsvr32) {
    WriteFile(programFolder() + "\\ZWQShellExt32.dll", "MZ");
    WriteFile(programFolder() + "\\ZWQShellExt64.dll", "MZ");
    integration.WriteIntegration();
    EXPECT_TRUE(boxes.boxes.empty());
    const std::string regsvr32 = test.system.SystemDirectory() + "\\regsvr32.exe";
    ASSERT_EQ(test.system.started.size(), On64BitWindows() ? 2u : 1u);
    EXPECT_EQ(test.system.started[0].program, regsvr32);
    EXPECT_EQ(test.system.started[0].arguments,
              (std::vector<std::string>{"/s", Quoted(programFolder() + "\\ZWQShellExt32.dll")}));
    if (On64BitWindows()) {
        EXPECT_EQ(test.system.started[1].arguments,
                  (std::vector<std::string>{"/s", Quoted(programFolder() + "\\ZWQShellExt64.dll")}));
    }

    test.system.started.clear();
    integration.RemoveIntegration();
    EXPECT_FALSE(integration.IsExplorerIntegrated());
    EXPECT_FALSE(registry.KeyExists("\\ZWQManager"));
    EXPECT_FALSE(registry.KeyExists("\\.ydr"));
    ASSERT_EQ(test.system.started.size(), On64BitWindows() ? 2u : 1u);
    EXPECT_EQ(test.system.started[0].arguments,
              (std::vector<std::string>{"/s", "/u", Quoted(programFolder() + "\\ZWQShellExt32.dll")}));
    if (On64BitWindows()) {
        EXPECT_EQ(test.system.started[1].arguments,
                  (std::vector<std::string>{"/s", "/u", Quoted(programFolder() + "\\ZWQShellExt64.dll")}));
    }
}

TEST_F(RegistryIntegration, RemovingWhatIsNotThereSaysNothing) {
    integration.RemoveIntegration();
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_TRUE(test.system.started.empty());  // no library beside the program: nothing to unregister
}

TEST_F(RegistryIntegration, OnlyTheTypeIsNotIntegrated) {
    registry.CreateKey("\\.ydr");
    EXPECT_FALSE(integration.IsExplorerIntegrated());
    EXPECT_EQ(integration.IntegrationMenuCaption(), A("Интегрировать в проводник"));
}

TEST_F(RegistryIntegration, IntegratingAgainNamesTheProgramWhereItIsNow) {
    integration.WriteIntegration();
    test.folders.programFile = dir / "moved/ZWQManager.exe";
    integration.WriteIntegration();
    EXPECT_EQ(Value("\\ZWQManager\\shell\\open\\command"), Quoted(dir / "moved/ZWQManager.exe") + " \"%1\"");
}

TEST_F(RegistryIntegration, RemovalDeletesTheWholeTreeDepthFirst) {
    integration.WriteIntegration();
    registry.CreateKey("\\ZWQManager\\shell\\print\\command");
    registry.CreateKey("\\ZWQManager\\DefaultIcon");
    integration.RemoveIntegration();
    EXPECT_FALSE(registry.KeyExists("\\ZWQManager"));
}

TEST_F(RegistryIntegration, WithoutRightsTheElevatedInstanceDoesTheWork) {
    test.system.isAdmin = false;
    EXPECT_EQ(integration.SetExplorerIntegration(true), AdminRights::Restarting);
    ASSERT_EQ(test.system.elevations.size(), 1u);
    EXPECT_EQ(test.system.elevations[0].parameters, "/integrate");
    EXPECT_EQ(test.system.elevations[0].folder, programFolder());
    EXPECT_FALSE(registry.KeyExists("\\.ydr"));
    EXPECT_EQ(Texts(), std::vector<std::string>{A("Приложение будет перезапущено с правами администратора")});
    integration.SetExplorerIntegration(false);
    EXPECT_EQ(test.system.elevations[1].parameters, "/desintegrate");
}
