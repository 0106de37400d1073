// The library's entry points: loading, the class factory Explorer asks for our handler, and
// whether the library may be unloaded.
#include "shellext/Contextmenu.h"
#include "shellext/Librarystate.h"

#include <new>

namespace shellext {
namespace {

class TClassFactory final : public IClassFactory {
public:
    TClassFactory() { ObjectCreated(); }
    TClassFactory(const TClassFactory&) = delete;
    TClassFactory& operator=(const TClassFactory&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr) return E_POINTER;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        auto* menu = new (std::nothrow) TContextMenu();
        if (menu == nullptr) return E_OUTOFMEMORY;
        const HRESULT result = menu->QueryInterface(riid, object);
        menu->Release();  // the caller's reference, if any, keeps it
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        ServerLocked(lock != FALSE);
        return S_OK;
    }

private:
    ~TClassFactory() { ObjectDestroyed(); }

    LONG references_ = 1;
};

}  // namespace

}  // namespace shellext

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        shellext::SetModule(instance);
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!IsEqualCLSID(clsid, shellext::kContextMenuClsid)) return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new (std::nothrow) shellext::TClassFactory();
    if (factory == nullptr) return E_OUTOFMEMORY;
    const HRESULT result = factory->QueryInterface(riid, object);
    factory->Release();
    return result;
}

STDAPI DllCanUnloadNow() {
    return shellext::MayUnload() ? S_OK : S_FALSE;
}

}  // extern "C"
