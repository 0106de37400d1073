#include "support/Bookfixtures.h"

#ifdef ZWQ_TAGLIB
#include <taglib/audioproperties.h>
#include <taglib/fileref.h>
#endif

#include "platform/Audiotags.h"
#include "platform/Paths.h"
#include "platform/Platform.h"
#include "support/Testsupport.h"

namespace testsupport {
namespace {

// Each clip a second long: SMIL 1.0's clip-begin="npt=…" for DAISY 2.02, SMIL 2's clipBegin for
// DAISY 3 (in its clock and time-count forms).
std::string SmilText(const std::vector<std::string>& audio, bool smil2 = false) {
    std::string text = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<smil xmlns=\"http://www.w3.org/2001/SMIL20/\">"
                       "<body><seq>\n";
    int n = 0;
    for (const std::string& src : audio) {
        text += "<par id=\"p" + std::to_string(++n) + "\"><text src=\"x.html#t\"/><audio src=\"" + src +
                (smil2 ? "\" clipBegin=\"0:00:01.5\" clipEnd=\"2500ms\"/></par>\n"
                       : "\" clip-begin=\"npt=0s\" clip-end=\"npt=1s\"/></par>\n");
    }
    return text + "</seq></body></smil>\n";
}

}  // namespace

std::string Fixture(const std::string& name) {
    const std::string program = platform::NativePlatform().folders.ProgramFile();
    return platform::JoinPath(platform::JoinPath(platform::FolderOf(program), "audiofixtures"), platform::Ansi(name));
}

bool TagsReadable() {
    static const bool readable = [] {
        platform::AudioTags tags;
        return platform::NativeAudioTagReader().Read(Fixture("child.mp3"), tags) && !tags.album.empty();
    }();
    return readable;
}

int TaglibSeconds([[maybe_unused]] const std::string& path) {
#ifdef ZWQ_TAGLIB
    const TagLib::FileRef file(platform::ToFsPath(path).c_str(), true, TagLib::AudioProperties::Accurate);
    if (!file.isNull() && file.audioProperties() != nullptr) return file.audioProperties()->lengthInSeconds();
#endif
    return -1;
}

bool ArchivesUnpackable() {
    static const bool unpackable = [] {
        TempDir dir;
        return platform::NativePlatform().extractor.Extract(Fixture("descriptor.zip"), dir.path());
    }();
    return unpackable;
}

void CopyFixture(const std::string& name, const std::string& path) {
    MakeDirs(platform::FolderOf(path));
    WriteFile(path, ReadFile(Fixture(name)));
}

void WriteDaisy2(const std::string& folder, const std::vector<std::pair<std::string, std::string>>& meta,
                 const std::vector<SmilFile>& smil) {
    std::string ncc = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                      "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" \"xhtml1-transitional.dtd\">\n"
                      "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>ncc</title>\n";
    for (const auto& [name, content] : meta) ncc += "<meta name=\"" + name + "\" content=\"" + content + "\" />\n";
    ncc += "</head><body>\n";
    int n = 0;
    for (const SmilFile& file : smil) {
        ncc += "<h1 id=\"h" + std::to_string(++n) + "\"><a href=\"" + file.name + "#p1\">Part</a></h1>\n";
        ncc += "<span class=\"page-normal\"><a href=\"" + file.name + "#p2\">2</a></span>\n";
    }
    WriteFile(platform::JoinPath(folder, "ncc.html"), ncc + "</body></html>\n");
    for (const SmilFile& file : smil) {
        if (file.name.find("..") == std::string::npos && file.name.find(':') == std::string::npos) {
            WriteFile(platform::JoinPath(folder, platform::Ansi(file.name)), SmilText(file.audio));
        }
    }
}

void WriteDaisy3(const std::string& folder, const std::vector<SmilFile>& smil, const std::vector<std::string>& navOrder) {
    std::string opf =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<package xmlns=\"http://openebook.org/namespaces/oeb-package/1.0/\" unique-identifier=\"uid\">\n"
        "<metadata><dc-metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n"
        "<dc:Title>Война и мир</dc:Title><dc:Creator>Толстой</dc:Creator></dc-metadata>\n"
        "<x-metadata><meta name=\"dtb:narrator\" content=\"Ĉe Leganto\"/></x-metadata></metadata>\n"
        "<manifest><item id=\"ncx\" href=\"book.ncx\" media-type=\"application/x-dtbncx+xml\"/>\n";
    std::string spine = "<spine>";
    int n = 0;
    for (const SmilFile& file : smil) {
        const std::string id = "s" + std::to_string(++n);
        opf += "<item id=\"" + id + "\" href=\"" + file.name + "\" media-type=\"application/smil\"/>\n";
        spine += "<itemref idref=\"" + id + "\"/>";
        WriteFile(platform::JoinPath(folder, platform::Ansi(file.name)), SmilText(file.audio, true));
    }
    WriteFile(platform::JoinPath(folder, "book.opf"), opf + "</manifest>" + spine + "</spine></package>\n");
    std::string ncx = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                      "<ncx xmlns=\"http://www.daisy.org/z3986/2005/ncx/\" version=\"2005-1\"><head/>"
                      "<docTitle><text>Война и мир</text></docTitle><navMap>\n";
    n = 0;
    for (const std::string& name : navOrder) {
        ++n;
        ncx += "<navPoint id=\"n" + std::to_string(n) + "\" playOrder=\"" + std::to_string(n) +
               "\"><navLabel><text>Part</text></navLabel><content src=\"" + name + "#p1\"/></navPoint>\n";
    }
    WriteFile(platform::JoinPath(folder, "book.ncx"), ncx + "</navMap></ncx>\n");
}

}  // namespace testsupport
