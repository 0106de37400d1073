#pragma once
// The MP3 files and book archives that the build made for the tests (support/makeaudio.py),
// and DAISY books written by the tests themselves.

#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// The path of a made file (plain2.mp3: 2 s, no tags; plain3.mp3: 3 s; child.mp3 and
// boyhood.mp3: 2 s, album "Детство" / "Отрочество", artist "Лев Толстой"; albumartist.mp3:
// album "Сказки", album artist "Народ"; esperanto.mp3: tags outside Windows-1251; the files
// of every kind lame makes, for their playing times (makeaudio.py's TIMED, id3-picture.mp3); archives:
// "Лев Толстой - Детство.zip", daisy.7z, descriptor.zip, nothing.zip). name is UTF-8.
std::string Fixture(const std::string& name);
// Whether the system's tag reader tells tags (Wine's property system does not: there the book
// takes its names from the folder's).
bool TagsReadable();
// TagLib's playing time of the MP3 file at path in whole seconds; -1 where the tests have no
// TagLib (Windows).
int TaglibSeconds(const std::string& path);
// Whether ZIP and 7z archives can be unpacked here (Wine has no tar.exe).
bool ArchivesUnpackable();
// Copies a made file to path.
void CopyFixture(const std::string& name, const std::string& path);

// A DAISY 2.02 book in folder: ncc.html with the metadata and links to the SMIL files, each
// SMIL file with audio clips of the given sources (written as given, so hostile ones too).
struct SmilFile {
    std::string name;
    std::vector<std::string> audio;
};
void WriteDaisy2(const std::string& folder, const std::vector<std::pair<std::string, std::string>>& meta,
                 const std::vector<SmilFile>& smil);
// A DAISY 3 book: book.opf (metadata, manifest, spine in the order given), book.ncx whose
// navigation points reach the SMIL files in navOrder, and the SMIL files.
void WriteDaisy3(const std::string& folder, const std::vector<SmilFile>& smil, const std::vector<std::string>& navOrder);

}  // namespace testsupport
