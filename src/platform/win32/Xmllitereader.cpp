// XML by the system's XmlLite (xmllite.dll, looked up at run time: the cross toolchain has no
// import library for it): DTDs are parsed but never fetched (no resolver), entity expansion
// stays within XmlLite's limit. DAISY 2.02's ncc.html is XHTML, so it reads as XML.
#include <windows.h>
#include <shlwapi.h>
#include <xmllite.h>

#include <string>
#include <vector>

#include "platform/Codepage.h"
#include "platform/Xml.h"

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
    T* get() const { return p_; }

private:
    T* p_ = nullptr;
};

std::string Utf8Of(const WCHAR* text) {
    if (text == nullptr) return std::string();
    return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text)));
}

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// The node's local name; a name with a colon (read without its namespace) by its last part.
std::string LocalNameOf(::IXmlReader* reader) {
    const WCHAR* name = nullptr;
    if (FAILED(reader->GetLocalName(&name, nullptr))) return std::string();
    std::string text = Lower(Utf8Of(name));
    const std::size_t colon = text.rfind(':');
    return colon == std::string::npos ? text : text.substr(colon + 1);
}

using CreateXmlReaderFunction = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);

CreateXmlReaderFunction CreateReaderFunction() {
    static const CreateXmlReaderFunction function = [] {
        // From the system folder only, never from beside a book or the current folder.
        wchar_t system[MAX_PATH] = {};
        const UINT length = GetSystemDirectoryW(system, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) return CreateXmlReaderFunction{};
        const std::wstring path = std::wstring(system, length) + L"\\xmllite.dll";
        const HMODULE library = LoadLibraryW(path.c_str());
        return library == nullptr ? nullptr
                                  : reinterpret_cast<CreateXmlReaderFunction>(
                                        reinterpret_cast<void*>(GetProcAddress(library, "CreateXmlReader")));
    }();
    return function;
}

class XmlLiteReader : public IXmlReader {
public:
    bool Parse(const std::string& bytes, bool /*html*/, XmlNode& root) override {
        ComPtr<IStream> stream;
        stream.Out()[0] = SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<UINT>(bytes.size()));
        if (stream.get() == nullptr) return false;
        ComPtr<::IXmlReader> reader;
        const CreateXmlReaderFunction create = CreateReaderFunction();
        if (create == nullptr || FAILED(create(__uuidof(::IXmlReader), reinterpret_cast<void**>(reader.Out()), nullptr))) {
            return false;
        }
        reader.get()->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Parse);
        if (FAILED(reader.get()->SetInput(stream.get()))) return false;
        std::vector<XmlNode> open;
        bool done = false;
        XmlNodeType type = XmlNodeType_None;
        HRESULT hr = S_OK;
        while (!done && (hr = reader.get()->Read(&type)) == S_OK) {
            switch (type) {
            case XmlNodeType_Element: {
                XmlNode node;
                node.name = LocalNameOf(reader.get());
                const bool empty = reader.get()->IsEmptyElement() != FALSE;
                for (HRESULT a = reader.get()->MoveToFirstAttribute(); a == S_OK; a = reader.get()->MoveToNextAttribute()) {
                    const WCHAR* value = nullptr;
                    reader.get()->GetValue(&value, nullptr);
                    node.attributes.emplace_back(LocalNameOf(reader.get()), Utf8Of(value));
                }
                reader.get()->MoveToElement();
                open.push_back(std::move(node));
                if (!empty) break;
                [[fallthrough]];
            }
            case XmlNodeType_EndElement: {
                if (open.empty()) return false;
                XmlNode node = std::move(open.back());
                open.pop_back();
                if (open.empty()) {
                    root = std::move(node);
                    done = true;
                } else {
                    open.back().text += node.text;
                    open.back().children.push_back(std::move(node));
                }
                break;
            }
            case XmlNodeType_Text:
            case XmlNodeType_CDATA:
            case XmlNodeType_Whitespace: {
                const WCHAR* value = nullptr;
                if (!open.empty() && SUCCEEDED(reader.get()->GetValue(&value, nullptr))) open.back().text += Utf8Of(value);
                break;
            }
            default:
                break;
            }
        }
        return done;
    }
};

}  // namespace

IXmlReader& NativeXmlReader() {
    static XmlLiteReader reader;
    return reader;
}

}  // namespace platform
