#pragma once
// XML documents (and the HTML of DAISY 2.02 navigation files) read by the system's XML
// library into a small tree. No external entity, DTD or network resource is ever fetched.

#include <string>
#include <utility>
#include <vector>

namespace platform {

struct XmlNode {
    // The element's local name (without its prefix), in lower case.
    std::string name;
    // Attributes by local name in lower case, values as written (UTF-8), in document order.
    std::vector<std::pair<std::string, std::string>> attributes;
    // The text of the element and of everything inside it, in document order (UTF-8).
    std::string text;
    std::vector<XmlNode> children;

    // The value of the attribute of that local name (lower case); empty when absent.
    std::string Attribute(const std::string& localName) const {
        for (const auto& attribute : attributes) {
            if (attribute.first == localName) return attribute.second;
        }
        return std::string();
    }
};

class IXmlReader {
public:
    virtual ~IXmlReader() = default;
    // Parses the document's bytes into root (its document element). html allows the looser
    // HTML syntax where the library has it. False when the bytes are no readable document.
    virtual bool Parse(const std::string& bytes, bool html, XmlNode& root) = 0;
};

// The reader of the system the program was built for.
IXmlReader& NativeXmlReader();

}  // namespace platform
