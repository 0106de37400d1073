// Tags by the shell's property system (the handlers that Windows has for MP3 files read the ID3
// tags), for one file at a time.
#include <windows.h>
#include <objbase.h>
#include <propsys.h>
#include <shobjidl.h>
// After the types it needs: the property keys are defined here, not only declared.
#include <initguid.h>
#include <propkey.h>

#include "platform/Audiotags.h"
#include "platform/Codepage.h"

namespace platform {
namespace {

template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() {
        if (p_ != nullptr) p_->Release();
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    T** Out() { return &p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

std::string Utf8Of(const wchar_t* text) {
    if (text == nullptr) return std::string();
    return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text)));
}

// The first text of a property that holds one text or a list of them.
std::string TextProperty(IPropertyStore* store, const PROPERTYKEY& key) {
    PROPVARIANT value;
    PropVariantInit(&value);
    std::string text;
    if (SUCCEEDED(store->GetValue(key, &value))) {
        if (value.vt == VT_LPWSTR) {
            text = Utf8Of(value.pwszVal);
        } else if (value.vt == (VT_VECTOR | VT_LPWSTR) && value.calpwstr.cElems > 0) {
            text = Utf8Of(value.calpwstr.pElems[0]);
        }
    }
    PropVariantClear(&value);
    return text;
}

class PropertyTagReader : public IAudioTagReader {
public:
    bool Read(const std::string& path, AudioTags& tags) override {
        // COM on this thread for the call; a thread that has it already keeps its own.
        const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        const std::u16string wide = Cp1251ToUtf16(path);
        ComPtr<IPropertyStore> store;
        const HRESULT opened = SHGetPropertyStoreFromParsingName(reinterpret_cast<const wchar_t*>(wide.c_str()), nullptr,
                                                                 GPS_DEFAULT, IID_IPropertyStore,
                                                                 reinterpret_cast<void**>(store.Out()));
        bool ok = SUCCEEDED(opened) && static_cast<bool>(store);
        if (ok) {
            tags.album = TextProperty(store.operator->(), PKEY_Music_AlbumTitle);
            tags.artist = TextProperty(store.operator->(), PKEY_Music_Artist);
            tags.albumArtist = TextProperty(store.operator->(), PKEY_Music_AlbumArtist);
        }
        if (SUCCEEDED(com)) CoUninitialize();
        return ok;
    }
};

}  // namespace

IAudioTagReader& NativeAudioTagReader() {
    static PropertyTagReader reader;
    return reader;
}

}  // namespace platform
