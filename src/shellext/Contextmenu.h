#pragma once
// The context-menu handler: Explorer hands it the selection (IShellExtInit), it adds one item
// or none (IContextMenu) and, when the item is chosen, starts ZWQManager.exe from its own
// folder with every selected path, so the program runs them as one command-line batch.

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "shellext/Menuchoice.h"

namespace shellext {

class TContextMenu final : public IShellExtInit, public IContextMenu {
public:
    TContextMenu();
    TContextMenu(const TContextMenu&) = delete;
    TContextMenu& operator=(const TContextMenu&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IShellExtInit
    HRESULT STDMETHODCALLTYPE Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* data, HKEY progId) override;

    // IContextMenu
    HRESULT STDMETHODCALLTYPE QueryContextMenu(HMENU menu, UINT index, UINT firstId, UINT lastId, UINT flags) override;
    HRESULT STDMETHODCALLTYPE InvokeCommand(CMINVOKECOMMANDINFO* info) override;
    HRESULT STDMETHODCALLTYPE GetCommandString(UINT_PTR command, UINT type, UINT* reserved, CHAR* name,
                                               UINT size) override;

private:
    ~TContextMenu();
    // Whether an invocation names our item, by its offset or its verb.
    bool IsOurCommand(const CMINVOKECOMMANDINFO* info) const;
    // Starts the program without waiting for it; false after telling the user why not.
    bool StartProgram(HWND owner, bool quiet) const;

    LONG references_ = 1;
    std::vector<std::wstring> paths_;
    MenuItem item_ = MenuItem::None;
};

}  // namespace shellext
