// The context-menu library as Explorer meets it: registered with the system's regsvr32, made by
// CoCreateInstance, given a selection in a CF_HDROP data object, asked for its menu and made to
// start the program. A copy of the library lies in a folder of its own (with a blank and
// Cyrillic letters in its name) beside a stand-in ZWQManager.exe that records its command line.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "shellext/Librarystate.h"

namespace {

using shellext::kContextMenuClsidText;

const wchar_t* const kHandlerParents[] = {L"*\\shellex\\ContextMenuHandlers", L"Directory\\shellex\\ContextMenuHandlers"};
const std::wstring kClassKey = std::wstring(L"CLSID\\") + kContextMenuClsidText;
const std::wstring kWriteText = L"Записать на карту памяти";
const std::wstring kDeleteText = L"Удалить с карты памяти";
constexpr DWORD kProcessLimitMs = 60000;  // only bounds a run that hangs
constexpr int kFileLimitPolls = 6000;
constexpr DWORD kPollMs = 10;

std::wstring Utf16(const std::string& utf8) {
    std::wstring text(utf8.size(), L'\0');
    text.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(),
                                    static_cast<int>(text.size())));
    return text;
}

std::string Utf8(const std::wstring& text) {
    std::string bytes(text.size() * 4, '\0');
    bytes.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                                     static_cast<int>(bytes.size()), nullptr, nullptr));
    return bytes;
}

// The build's own files, named in the Wine prefix's drive Z:.
std::wstring BuildFile(const char* path) { return L"Z:" + Utf16(path); }

std::wstring TempFolder() {
    wchar_t buffer[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, buffer);
    return buffer;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << Utf8(path);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

bool ReadBytes(const std::wstring& path, std::string& bytes) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bytes.assign(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    const bool ok = bytes.empty() || (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
                                      read == bytes.size());
    CloseHandle(file);
    return ok;
}

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

// Runs a program to its end; its exit code, or -1 when it did not start or end.
int Run(const std::wstring& program, std::wstring commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return -1;
    }
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, kProcessLimitMs) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

// The system's regsvr32 (in a 32-bit program's view, the 32-bit one) on the library.
int Regsvr32(const std::wstring& switches, const std::wstring& library) {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring regsvr32 = std::wstring(system) + L"\\regsvr32.exe";
    return Run(regsvr32, L"\"" + regsvr32 + L"\" " + switches + L" \"" + library + L"\"");
}

bool KeyExists(const std::wstring& key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
    RegCloseKey(handle);
    return true;
}

// A text value of a key below HKEY_CLASSES_ROOT, "<none>" when missing.
std::wstring Value(const std::wstring& key, const wchar_t* name) {
    wchar_t buffer[1024] = {};
    DWORD bytes = sizeof buffer - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &bytes) != ERROR_SUCCESS) {
        return L"<none>";
    }
    return buffer;
}

// The subkeys of a key below HKEY_CLASSES_ROOT, sorted; {"<missing>"} when there is no key.
std::vector<std::wstring> SubKeys(const std::wstring& key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return {L"<missing>"};
    std::vector<std::wstring> names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256] = {};
        DWORD length = 256;
        if (RegEnumKeyExW(handle, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    RegCloseKey(handle);
    std::sort(names.begin(), names.end());
    return names;
}

// What registration may change: the class keys and the menu handlers of files and folders,
// with the keys above them, each named by its path.
std::set<std::wstring> RegistrySnapshot() {
    std::set<std::wstring> keys;
    for (const wchar_t* key : {L"CLSID", L"*", L"*\\shellex", L"*\\shellex\\ContextMenuHandlers", L"Directory",
                               L"Directory\\shellex", L"Directory\\shellex\\ContextMenuHandlers"}) {
        for (const std::wstring& name : SubKeys(key)) keys.insert(std::wstring(key) + L"\\" + name);
    }
    return keys;
}

// The keys in one snapshot and not in the other, "+" for added ones, "-" for removed ones.
std::string Changes(const std::set<std::wstring>& before, const std::set<std::wstring>& after) {
    std::string changes;
    for (const std::wstring& key : after) {
        if (before.count(key) == 0) changes += " +" + Utf8(key);
    }
    for (const std::wstring& key : before) {
        if (after.count(key) == 0) changes += " -" + Utf8(key);
    }
    return changes;
}

// The folder of the library's copy and the stand-in program, and the user's settings file,
// which the library reads for the card's path and the suite replaces for its run.
class Installation {
public:
    Installation() : root_(TempFolder() + L"ZWQ меню " + std::to_wstring(GetCurrentProcessId())) {
        RemoveTree(root_);
        CreateDirectoryW(root_.c_str(), nullptr);
        CreateDirectoryW(folder().c_str(), nullptr);
        CopyFileW(BuildFile(ZWQ_SHELLEXT_LIBRARY).c_str(), library().c_str(), FALSE);
        CopyFileW(BuildFile(ZWQ_STANDIN_PROGRAM).c_str(), (folder() + L"\\ZWQManager.exe").c_str(), FALSE);
    }
    ~Installation() { RemoveTree(root_); }
    Installation(const Installation&) = delete;
    Installation& operator=(const Installation&) = delete;

    const std::wstring& root() const { return root_; }
    std::wstring folder() const { return root_ + L"\\Program Files"; }
    std::wstring library() const { return folder() + L"\\" + Utf16(ZWQ_SHELLEXT_NAME); }
    std::wstring recorded() const { return folder() + L"\\commandline.txt"; }

private:
    std::wstring root_;
};

class UserSettings {
public:
    explicit UserSettings(const std::string& cardPath1251) {
        wchar_t appData[MAX_PATH] = {};
        SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, appData);
        const std::wstring company = std::wstring(appData) + L"\\kv8102tz";
        CreateDirectoryW(company.c_str(), nullptr);
        CreateDirectoryW((company + L"\\ZWQManager").c_str(), nullptr);
        file_ = company + L"\\ZWQManager\\ZWQManager.ini";
        hadFile_ = ReadBytes(file_, saved_);
        WriteBytes(file_, "CARD_PATH=" + cardPath1251 + "\r\nIS_ASKED_FOR_INTEGRATION=YES\r\n");
    }
    ~UserSettings() {
        if (hadFile_) {
            WriteBytes(file_, saved_);
        } else {
            DeleteFileW(file_.c_str());
        }
    }
    UserSettings(const UserSettings&) = delete;
    UserSettings& operator=(const UserSettings&) = delete;

private:
    std::wstring file_;
    bool hadFile_ = false;
    std::string saved_;
};

// A selection as Explorer hands it over: CF_HDROP with UTF-16 paths.
class DropDataObject final : public IDataObject {
public:
    explicit DropDataObject(const std::vector<std::wstring>& paths) {
        data_.resize(sizeof(DROPFILES));
        for (const std::wstring& path : paths) {
            const auto* bytes = reinterpret_cast<const char*>(path.c_str());
            data_.insert(data_.end(), bytes, bytes + (path.size() + 1) * sizeof(wchar_t));
        }
        data_.insert(data_.end(), sizeof(wchar_t), '\0');
        DROPFILES header{};
        header.pFiles = sizeof(DROPFILES);
        header.fWide = TRUE;
        std::memcpy(data_.data(), &header, sizeof header);
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDataObject)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IDataObject*>(this);
        return S_OK;
    }
    // Lives on the test's stack.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (QueryGetData(format) != S_OK) return DV_E_FORMATETC;
        const HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, data_.size());
        std::memcpy(GlobalLock(copy), data_.data(), data_.size());
        GlobalUnlock(copy);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = copy;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
        return format->cfFormat == CF_HDROP && (format->tymed & TYMED_HGLOBAL) != 0 ? S_OK : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        out->ptd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    std::vector<char> data_;
};

// ---- registration ----

TEST(ShellExtensionRegistration, Regsvr32WritesExactlyItsOwnKeysAndRemovesThemAll) {
    const Installation installation;
    const auto before = RegistrySnapshot();

    ASSERT_EQ(Regsvr32(L"/s", installation.library()), 0);
    EXPECT_EQ(Value(kClassKey + L"\\InprocServer32", nullptr), installation.library());
    EXPECT_EQ(Value(kClassKey + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    for (const wchar_t* parent : kHandlerParents) {
        EXPECT_EQ(Value(std::wstring(parent) + L"\\ZWQManager", nullptr), kContextMenuClsidText) << Utf8(parent);
    }

    ASSERT_EQ(Regsvr32(L"/s /u", installation.library()), 0);
    EXPECT_FALSE(KeyExists(kClassKey));
    for (const wchar_t* parent : kHandlerParents) EXPECT_FALSE(KeyExists(std::wstring(parent) + L"\\ZWQManager"));
    EXPECT_EQ(Changes(before, RegistrySnapshot()), "") << "registering and unregistering changed other keys";
}

// ---- the menu and the command ----

// Book sources, a card chosen in the settings, and the library registered, as after
// integration.
class ShellExtensionMenu : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        installation_ = new Installation();
        const std::wstring& root = installation_->root();
        for (const wchar_t* folder : {L"\\Книги", L"\\Книги\\Папка книги", L"\\Книги\\Daisy", L"\\Книги\\Daisy2", L"\\card",
                                      L"\\card\\BOOK_001", L"\\card2"}) {
            CreateDirectoryW((root + folder).c_str(), nullptr);
        }
        for (const wchar_t* file :
             {L"\\Книги\\Книга.ydr", L"\\Книги\\BOOK.YDR", L"\\Книги\\Архив.rar", L"\\Книги\\Архив.zip",
              L"\\Книги\\Архив.7z", L"\\Книги\\Daisy\\ncc.html", L"\\Книги\\Daisy2\\NCC.HTM", L"\\Книги\\Книга.opf", L"\\Книги\\Заметки.txt",
              L"\\Книги\\Ωmega.ydr", L"\\card\\BOOK_001.ydr", L"\\card\\BOOK_002.ydr", L"\\card\\BOOK_001\\01.mp3",
              L"\\card\\Архив.rar", L"\\card2\\BOOK_001.ydr"}) {
            WriteBytes(root + file, "x");
        }
        // The card's path as the program stores it: Windows-1251, here without a trailing
        // backslash, so "card2" beside it is not on it.
        std::wstring card = root + L"\\card";
        std::string card1251(card.size() * 2, '\0');
        card1251.resize(WideCharToMultiByte(1251, 0, card.data(), static_cast<int>(card.size()), card1251.data(),
                                            static_cast<int>(card1251.size()), nullptr, nullptr));
        settings_ = new UserSettings(card1251);
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        registered_ = Regsvr32(L"/s", installation_->library()) == 0;
    }
    static void TearDownTestSuite() {
        Regsvr32(L"/s /u", installation_->library());
        // Lets go of the library so that its folder can be removed.
        CoFreeUnusedLibrariesEx(0, 0);
        CoUninitialize();
        delete settings_;
        delete installation_;
    }
    void SetUp() override { ASSERT_TRUE(registered_) << "regsvr32 /s failed"; }

    static std::vector<std::wstring> Paths(const std::vector<const wchar_t*>& relative) {
        std::vector<std::wstring> paths;
        for (const wchar_t* path : relative) paths.push_back(installation_->root() + path);
        return paths;
    }

    // The handler for a selection, made and initialised as Explorer does.
    static IContextMenu* MenuFor(const std::vector<std::wstring>& paths) {
        IShellExtInit* init = nullptr;
        const HRESULT made = CoCreateInstance(shellext::kContextMenuClsid, nullptr, CLSCTX_INPROC_SERVER,
                                              IID_IShellExtInit, reinterpret_cast<void**>(&init));
        EXPECT_EQ(made, S_OK);
        if (FAILED(made)) return nullptr;
        DropDataObject data(paths);
        EXPECT_EQ(init->Initialize(nullptr, &data, nullptr), S_OK);
        IContextMenu* menu = nullptr;
        EXPECT_EQ(init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu)), S_OK);
        init->Release();
        return menu;
    }

    static Installation* installation_;
    static UserSettings* settings_;
    static bool registered_;
};

Installation* ShellExtensionMenu::installation_ = nullptr;
UserSettings* ShellExtensionMenu::settings_ = nullptr;
bool ShellExtensionMenu::registered_ = false;

TEST_F(ShellExtensionMenu, OffersWhatAppliesToTheWholeSelection) {
    struct Case {
        std::vector<const wchar_t*> selection;
        std::wstring item;  // empty: no item
        std::wstring help;
    };
    const std::wstring writeHelp = L"Записать выбранные книги на карту памяти программой ZWQ-менеджер";
    const std::wstring deleteHelp = L"Удалить выбранные книги с карты памяти программой ZWQ-менеджер";
    const std::vector<Case> cases = {
        {{L"\\Книги\\Книга.ydr"}, kWriteText, writeHelp},
        {{L"\\Книги\\BOOK.YDR"}, kWriteText, writeHelp},
        {{L"\\Книги\\Архив.rar"}, kWriteText, writeHelp},
        {{L"\\Книги\\Архив.zip"}, kWriteText, writeHelp},
        {{L"\\Книги\\Архив.7z"}, kWriteText, writeHelp},
        {{L"\\Книги\\Daisy\\ncc.html"}, kWriteText, writeHelp},
        {{L"\\Книги\\Daisy2\\NCC.HTM"}, kWriteText, writeHelp},
        {{L"\\Книги\\Книга.opf"}, kWriteText, writeHelp},
        {{L"\\Книги\\Папка книги"}, kWriteText, writeHelp},
        {{L"\\card2\\BOOK_001.ydr"}, kWriteText, writeHelp},  // beside the card, not on it
        {{L"\\Книги\\Книга.ydr", L"\\Книги\\Архив.rar", L"\\Книги\\Папка книги", L"\\Книги\\Daisy\\ncc.html"},
         kWriteText, writeHelp},
        {{L"\\card\\BOOK_001.ydr"}, kDeleteText, deleteHelp},
        {{L"\\card\\BOOK_002.ydr", L"\\card\\BOOK_001.ydr"}, kDeleteText, deleteHelp},
        {{L"\\Книги\\Заметки.txt"}, L"", L""},
        {{L"\\Книги\\Книга.ydr", L"\\Книги\\Заметки.txt"}, L"", L""},
        {{L"\\Книги\\Книга.ydr", L"\\card\\BOOK_001.ydr"}, L"", L""},
        {{L"\\card\\BOOK_001"}, L"", L""},
        {{L"\\card\\BOOK_001\\01.mp3"}, L"", L""},
        {{L"\\card\\Архив.rar"}, L"", L""},
        {{L"\\card"}, L"", L""},  // the card itself
        {{L""}, L"", L""},        // the folder that holds the card
    };
    for (const Case& c : cases) {
        const std::vector<std::wstring> paths = Paths(c.selection);
        SCOPED_TRACE(Utf8(paths.front()) + " and " + std::to_string(paths.size() - 1) + " more");
        IContextMenu* handler = MenuFor(paths);
        ASSERT_NE(handler, nullptr);
        const HMENU menu = CreatePopupMenu();
        const HRESULT added = handler->QueryContextMenu(menu, 0, 100, 200, CMF_NORMAL);
        EXPECT_TRUE(SUCCEEDED(added));
        EXPECT_EQ(HRESULT_CODE(added), c.item.empty() ? 0 : 1);
        EXPECT_EQ(GetMenuItemCount(menu), c.item.empty() ? 0 : 1);
        if (!c.item.empty()) {
            wchar_t text[256] = {};
            GetMenuStringW(menu, 100, text, 256, MF_BYCOMMAND);
            EXPECT_EQ(std::wstring(text), c.item);
            wchar_t help[256] = {};
            EXPECT_EQ(handler->GetCommandString(0, GCS_HELPTEXTW, nullptr, reinterpret_cast<char*>(help), 256), S_OK);
            EXPECT_EQ(std::wstring(help), c.help);
        }
        DestroyMenu(menu);
        handler->Release();
    }
}

TEST_F(ShellExtensionMenu, TheItemStartsTheProgramOnceWithEveryPathQuoted) {
    struct Case {
        std::vector<const wchar_t*> selection;
        const char* verb;  // as Explorer names the item: by its offset (nullptr) or its verb
    };
    const std::vector<Case> cases = {
        {{L"\\Книги\\Книга.ydr", L"\\Книги\\Папка книги", L"\\Книги\\Архив.rar", L"\\Книги\\Ωmega.ydr"}, nullptr},
        {{L"\\card\\BOOK_002.ydr", L"\\card\\BOOK_001.ydr"}, "zwqdelete"},
    };
    for (const Case& c : cases) {
        const std::vector<std::wstring> paths = Paths(c.selection);
        SCOPED_TRACE(Utf8(paths.front()));
        DeleteFileW(installation_->recorded().c_str());
        IContextMenu* handler = MenuFor(paths);
        ASSERT_NE(handler, nullptr);
        const HMENU menu = CreatePopupMenu();
        handler->QueryContextMenu(menu, 0, 100, 200, CMF_NORMAL);
        CMINVOKECOMMANDINFO info{};
        info.cbSize = sizeof info;
        info.fMask = CMIC_MASK_FLAG_NO_UI;
        info.lpVerb = c.verb != nullptr ? c.verb : MAKEINTRESOURCEA(0);
        info.nShow = SW_SHOWNORMAL;
        EXPECT_EQ(handler->InvokeCommand(&info), S_OK);
        DestroyMenu(menu);
        handler->Release();

        // The stand-in program has run once it has recorded its command line.
        std::string recorded;
        for (int poll = 0; poll < kFileLimitPolls && !ReadBytes(installation_->recorded(), recorded); ++poll) Sleep(kPollMs);
        ASSERT_FALSE(recorded.empty()) << "the program was not started";
        const std::wstring line(reinterpret_cast<const wchar_t*>(recorded.data()), recorded.size() / sizeof(wchar_t));

        // Each path whole in double quotes; one that Windows-1251 cannot hold in its short form.
        std::wstring expected = L"\"" + installation_->folder() + L"\\ZWQManager.exe\"";
        for (const std::wstring& path : paths) {
            std::wstring argument = path;
            if (path.find(L'Ω') != std::wstring::npos) {
                wchar_t shortPath[MAX_PATH] = {};
                ASSERT_NE(GetShortPathNameW(path.c_str(), shortPath, MAX_PATH), 0u);
                argument = shortPath;
                EXPECT_EQ(argument.find(L'Ω'), std::wstring::npos);
            }
            expected += L" \"" + argument + L"\"";
        }
        EXPECT_EQ(Utf8(line), Utf8(expected));
    }
}

TEST_F(ShellExtensionMenu, NothingIsAddedForTheDefaultVerbAloneAndOtherCommandsAreRefused) {
    IContextMenu* handler = MenuFor(Paths({L"\\Книги\\Книга.ydr"}));
    ASSERT_NE(handler, nullptr);
    const HMENU menu = CreatePopupMenu();
    EXPECT_EQ(HRESULT_CODE(handler->QueryContextMenu(menu, 0, 100, 200, CMF_DEFAULTONLY)), 0);
    EXPECT_EQ(GetMenuItemCount(menu), 0);
    DestroyMenu(menu);
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof info;
    info.fMask = CMIC_MASK_FLAG_NO_UI;
    info.lpVerb = "zwqdelete";  // the other item's verb
    EXPECT_EQ(handler->InvokeCommand(&info), E_FAIL);
    info.lpVerb = MAKEINTRESOURCEA(1);
    EXPECT_EQ(handler->InvokeCommand(&info), E_FAIL);
    handler->Release();
}

}  // namespace
