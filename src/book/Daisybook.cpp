#include "book/Daisybook.h"

#include <functional>
#include <map>
#include <set>

#include "book/Bookscan.h"
#include "book/Daisytime.h"
#include "platform/Codepage.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Xml.h"

namespace {

using platform::Ansi;
using platform::XmlNode;

const char* const kNccNames[] = {"NCC.HTML", "NCC.HTM"};
const char* const kOpfExtension = ".OPF";
const char* const kNcxMediaType = "application/x-dtbncx+xml";
const char* const kSmilMediaType = "application/smil";
const char* const kNcxExtension = ".NCX";

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string Trim(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// The reference without its fragment, its %XX escapes decoded; "." parts dropped.
std::string DecodeReference(const std::string& reference) {
    const std::string path = reference.substr(0, reference.find('#'));
    std::string decoded;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '%' && i + 2 < path.size() && HexValue(path[i + 1]) >= 0 && HexValue(path[i + 2]) >= 0) {
            decoded += static_cast<char>(HexValue(path[i + 1]) * 16 + HexValue(path[i + 2]));
            i += 2;
        } else {
            decoded += path[i] == '\\' ? '/' : path[i];
        }
    }
    std::string clean;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = decoded.find('/', start);
        const std::string part = decoded.substr(start, end == std::string::npos ? end : end - start);
        if (part != "." && !(part.empty() && !clean.empty() && end != std::string::npos)) {
            clean += (clean.empty() ? "" : "/") + part;
        }
        if (end == std::string::npos) return clean;
        start = end + 1;
    }
}

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

void Walk(const XmlNode& node, const std::function<void(const XmlNode&)>& visit) {
    visit(node);
    for (const XmlNode& child : node.children) Walk(child, visit);
}

const XmlNode* FindFirst(const XmlNode& node, const std::string& name) {
    if (node.name == name) return &node;
    for (const XmlNode& child : node.children) {
        if (const XmlNode* found = FindFirst(child, name)) return found;
    }
    return nullptr;
}

class Reader {
public:
    Reader(const std::string& folder, const TBookServices& services, TNotMade& error)
        : folder_(folder), services_(services), error_(error) {}

    // Parses the book's file at relative ('/' parts); false with the error set.
    bool Load(const std::string& relative, bool html, XmlNode& root) {
        std::string bytes;
        if (!services_.files.ReadWholeFile(platform::JoinPath(folder_, platform::EntryToPath(relative)), bytes) ||
            !services_.xml.Parse(bytes, html, root)) {
            error_ = {TNotMade::Reason::BookFileUnreadable, relative, {}};
            return false;
        }
        return true;
    }

    // The file that a reference in the file at base ('/' parts) names, relative to the book's
    // folder as stored; empty for a reference to a place in the same file. False with the
    // error set when the reference leaves the folder or names no file.
    bool Resolve(const std::string& base, const std::string& reference, std::string& relative) {
        relative.clear();
        const std::string trimmed = Trim(reference);
        if (trimmed.empty() || trimmed.front() == '#') return true;
        // The box names the file as the book writes it, without the place inside it.
        const std::string written = Ansi(trimmed.substr(0, trimmed.find('#')));
        const std::string decoded = Ansi(DecodeReference(trimmed));
        if (decoded.empty() || !platform::IsContainedEntry(decoded) || !platform::IsContainedEntry(written)) {
            error_ = {TNotMade::Reason::EntryOutside, written, {}};
            return false;
        }
        const std::string baseFolder = platform::EntryFolder(base);
        const std::string wanted = baseFolder.empty() ? decoded : baseFolder + "/" + decoded;
        relative = FindBookFile(services_.files, folder_, wanted);
        if (relative.empty()) {
            error_ = {TNotMade::Reason::EntryMissing, written, {}};
            return false;
        }
        return true;
    }

    // Appends the audio of the SMIL file at relative to audio, each file once.
    bool ReadSmil(const std::string& relative, TDaisyBook& book) {
        XmlNode root;
        if (!Load(relative, false, root)) return false;
        bool ok = true;
        Walk(root, [&](const XmlNode& node) {
            if (!ok || node.name != "audio") return;
            std::string file;
            ok = Resolve(relative, node.Attribute("src"), file);
            if (ok && !file.empty() && seenAudio_.insert(platform::UpperCase1251(file)).second) book.audio.push_back(file);
            if (ok) AddClip(node);
        });
        return ok;
    }

    // The time the book states, else the sum of its clips.
    double Seconds(double stated) const {
        if (stated >= 0) return stated;
        return clips_ > 0 && clipsKnown_ ? clipSeconds_ : -1;
    }

    // Adds the SMIL file that reference (in the file at base) names to smil, once.
    bool AddSmil(const std::string& base, const std::string& reference, std::vector<std::string>& smil) {
        std::string file;
        if (!Resolve(base, reference, file)) return false;
        if (!file.empty() && seenSmil_.insert(platform::UpperCase1251(file)).second) smil.push_back(file);
        return true;
    }

private:
    // SMIL 1.0 writes clip-begin="npt=…", SMIL 2 clipBegin="…" (0 when left out); a clip
    // without its end plays to the end of its file, which the book does not tell.
    void AddClip(const XmlNode& audio) {
        ++clips_;
        const bool smil1 = !audio.Attribute("clip-end").empty() || !audio.Attribute("clip-begin").empty();
        const std::string begin = audio.Attribute(smil1 ? "clip-begin" : "clipbegin");
        const double from = begin.empty() ? 0 : DaisySeconds(begin);
        const double to = DaisySeconds(audio.Attribute(smil1 ? "clip-end" : "clipend"));
        if (from < 0 || to < from) {
            clipsKnown_ = false;
        } else {
            clipSeconds_ += to - from;
        }
    }

    double clipSeconds_ = 0;
    bool clipsKnown_ = true;
    int clips_ = 0;
    std::string folder_;
    const TBookServices& services_;
    TNotMade& error_;
    std::set<std::string> seenAudio_, seenSmil_;
};

bool ReadNcc(Reader& reader, const std::string& name, TDaisyBook& book) {
    XmlNode root;
    if (!reader.Load(name, true, root)) return false;
    std::vector<std::string> smil;
    bool ok = true;
    double stated = -1;
    Walk(root, [&](const XmlNode& node) {
        if (!ok) return;
        if (node.name == "meta") {
            const std::string key = Lower(node.Attribute("name"));
            const std::string value = Trim(node.Attribute("content"));
            if (key == "dc:title" && book.title.empty()) book.title = value;
            if (key == "dc:creator" && book.creator.empty()) book.creator = value;
            if (key == "ncc:narrator" && book.narrator.empty()) book.narrator = value;
            if (key == "ncc:totaltime" && stated < 0) stated = DaisySeconds(value);
        } else if (node.name == "a") {
            ok = reader.AddSmil(name, node.Attribute("href"), smil);
        }
    });
    if (!ok) return false;
    if (book.title.empty()) {
        if (const XmlNode* title = FindFirst(root, "title")) book.title = Trim(title->text);
    }
    for (const std::string& file : smil) {
        if (!reader.ReadSmil(file, book)) return false;
    }
    book.seconds = reader.Seconds(stated);
    return true;
}

bool ReadOpf(Reader& reader, const std::string& name, TDaisyBook& book) {
    XmlNode root;
    if (!reader.Load(name, false, root)) return false;
    std::map<std::string, std::pair<std::string, std::string>> manifest;  // id: href, media type
    std::vector<std::string> spine;
    std::string ncx;
    double stated = -1;
    Walk(root, [&](const XmlNode& node) {
        if (node.name == "title" && book.title.empty()) book.title = Trim(node.text);
        if (node.name == "creator" && book.creator.empty()) book.creator = Trim(node.text);
        if (node.name == "meta" && Lower(node.Attribute("name")) == "dtb:narrator" && book.narrator.empty()) {
            book.narrator = Trim(node.Attribute("content"));
        }
        if (node.name == "meta" && Lower(node.Attribute("name")) == "dtb:totaltime" && stated < 0) {
            stated = DaisySeconds(node.Attribute("content"));
        }
        if (node.name == "item") {
            const std::string href = node.Attribute("href");
            const std::string type = Lower(Trim(node.Attribute("media-type")));
            manifest[node.Attribute("id")] = {href, type};
            if (ncx.empty() && (type == kNcxMediaType ||
                                platform::HasExtension(Ansi(DecodeReference(href)), kNcxExtension))) {
                ncx = href;
            }
        }
        if (node.name == "itemref") spine.push_back(node.Attribute("idref"));
    });
    std::vector<std::string> smil;
    // The navigation reaches the SMIL files in reading order; the spine adds any it skips.
    if (!ncx.empty()) {
        std::string ncxFile;
        if (!reader.Resolve(name, ncx, ncxFile)) return false;
        XmlNode navigation;
        if (!reader.Load(ncxFile, false, navigation)) return false;
        const XmlNode* navMap = FindFirst(navigation, "navmap");
        bool ok = true;
        if (navMap != nullptr) {
            Walk(*navMap, [&](const XmlNode& node) {
                if (ok && node.name == "content") ok = reader.AddSmil(ncxFile, node.Attribute("src"), smil);
            });
        }
        if (!ok) return false;
        if (book.title.empty()) {
            if (const XmlNode* title = FindFirst(navigation, "doctitle")) book.title = Trim(title->text);
        }
    }
    for (const std::string& id : spine) {
        const auto item = manifest.find(id);
        if (item == manifest.end()) continue;
        if (item->second.second != kSmilMediaType &&
            !platform::HasExtension(Ansi(DecodeReference(item->second.first)), ".smil")) {
            continue;
        }
        if (!reader.AddSmil(name, item->second.first, smil)) return false;
    }
    for (const std::string& file : smil) {
        if (!reader.ReadSmil(file, book)) return false;
    }
    book.seconds = reader.Seconds(stated);
    return true;
}

}  // namespace

bool IsDaisyFileName(const std::string& name) {
    const std::string upper = platform::UpperCase1251(name);
    for (const char* ncc : kNccNames) {
        if (upper == ncc) return true;
    }
    return platform::HasExtension(name, kOpfExtension);
}

std::string FindDaisyFile(platform::IFileSystem& files, const std::string& folder) {
    std::vector<platform::DirEntry> entries;
    if (!files.ListDirectory(folder, entries)) return std::string();
    std::string opf;
    int opfCount = 0;
    for (const platform::DirEntry& entry : entries) {
        if (entry.isDirectory) continue;
        const std::string upper = platform::UpperCase1251(entry.name);
        for (const char* ncc : kNccNames) {
            if (upper == ncc) return platform::JoinPath(folder, entry.name);
        }
        if (platform::HasExtension(entry.name, kOpfExtension)) {
            opf = platform::JoinPath(folder, entry.name);
            ++opfCount;
        }
    }
    return opfCount == 1 ? opf : std::string();
}

bool ReadDaisyBook(const std::string& path, const TBookServices& services, TDaisyBook& book, TNotMade& error) {
    book = TDaisyBook();
    Reader reader(platform::FolderOf(path), services, error);
    const std::string name = platform::FileNameOf(path);
    if (platform::HasExtension(name, kOpfExtension)) return ReadOpf(reader, name, book);
    return ReadNcc(reader, name, book);
}
