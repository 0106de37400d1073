// XML by libxml2: no network, no entity expansion, no DTD loading; HTML by its HTML parser
// when the document is no well-formed XML.
#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cctype>
#include <memory>

#include "platform/Xml.h"

namespace platform {
namespace {

struct DocDeleter {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};

std::string Lower(const xmlChar* name) {
    std::string text = name == nullptr ? std::string() : reinterpret_cast<const char*>(name);
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// HTML parsing keeps "dc:title" as the whole name; the part after the colon is the local one.
std::string LocalName(const xmlChar* name) {
    const std::string text = Lower(name);
    const std::size_t colon = text.rfind(':');
    return colon == std::string::npos ? text : text.substr(colon + 1);
}

void Convert(const xmlNode* element, XmlNode& node) {
    node.name = LocalName(element->name);
    for (const xmlAttr* attribute = element->properties; attribute != nullptr; attribute = attribute->next) {
        xmlChar* value = xmlNodeGetContent(reinterpret_cast<const xmlNode*>(attribute));
        node.attributes.emplace_back(LocalName(attribute->name),
                                     value == nullptr ? std::string() : reinterpret_cast<const char*>(value));
        xmlFree(value);
    }
    for (const xmlNode* child = element->children; child != nullptr; child = child->next) {
        if (child->type == XML_ELEMENT_NODE) {
            node.children.emplace_back();
            Convert(child, node.children.back());
            node.text += node.children.back().text;
        } else if ((child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) &&
                   child->content != nullptr) {
            node.text += reinterpret_cast<const char*>(child->content);
        }
    }
}

class LibxmlReader : public IXmlReader {
public:
    bool Parse(const std::string& bytes, bool html, XmlNode& root) override {
        const int size = static_cast<int>(bytes.size());
        if (static_cast<std::size_t>(size) != bytes.size()) return false;
        std::unique_ptr<xmlDoc, DocDeleter> doc(
            xmlReadMemory(bytes.data(), size, nullptr, nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
        if (!doc && html) {
            doc.reset(htmlReadMemory(bytes.data(), size, nullptr, nullptr,
                                     HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_RECOVER));
        }
        const xmlNode* element = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
        if (element == nullptr) return false;
        root = XmlNode();
        Convert(element, root);
        return true;
    }
};

}  // namespace

IXmlReader& NativeXmlReader() {
    static LibxmlReader reader;
    return reader;
}

}  // namespace platform
