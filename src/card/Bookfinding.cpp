// Finding the book at a path the user gave, before anything is written: a descriptor beside its
// files, or a source the program makes a book of (a folder of MP3 files, a DAISY book, a RAR, ZIP
// or 7z archive of either or of a ready book).
#include <algorithm>

#include "book/Booksource.h"
#include "book/String_routines_unit.h"
#include "book/Daisybook.h"
#include "book/Madebook.h"
#include "card/Zwqcardunit.h"
#include "card/internal/Extraction.h"
#include "platform/Archive.h"
#include "platform/Audiotags.h"
#include "platform/Paths.h"
#include "platform/Platform.h"
#include "platform/Xml.h"

namespace {

using Code = TCardError::Code;

// The folder's ready book descriptor (any letter case), or empty.
std::string DescriptorIn(platform::IFileSystem& files, const std::string& folder) {
    std::vector<platform::DirEntry> entries;
    files.ListDirectory(folder, entries);
    for (const platform::DirEntry& entry : entries) {
        if (!entry.isDirectory && AnsiUpperCase(entry.name) == AnsiUpperCase(kReadyBookDescriptor)) {
            return platform::JoinPath(folder, entry.name);
        }
    }
    return std::string();
}

// The name the user knows the book by: the archive's or the folder's, without extension.
std::string BookName(const std::string& path, bool folder) {
    const std::string name = platform::FileNameOf(platform::StripTrailingSeparators(path));
    if (folder) return name;
    const std::string extension = platform::ExtensionOf(name);
    return name.substr(0, name.size() - extension.size());
}

// The name of the only folder at the top of an unpacked archive, when nothing of the book lies
// beside it: what the book's maker named it, where the archive's name is often what a download
// site chose. Empty otherwise.
std::string TopFolderName(platform::IFileSystem& files, const std::string& unpacked) {
    std::vector<platform::DirEntry> entries;
    if (!files.ListDirectory(unpacked, entries)) return std::string();
    std::string folder;
    for (const platform::DirEntry& entry : entries) {
        if (entry.isDirectory ? !folder.empty() : IsPlayableFile(entry.name) || IsBookSourceName(entry.name)) {
            return std::string();
        }
        if (entry.isDirectory) folder = entry.name;
    }
    return folder;
}

bool HoldsDescriptor(const std::vector<std::string>& files) {
    return std::any_of(files.begin(), files.end(), [](const std::string& file) { return IsDescriptorFileName(file); });
}

TCardError NotMade(const TNotMade& why) {
    TCardError error = TCardError::Of(Code::NotMade, why.subject);
    error.notMade = why.reason;
    error.leftOut = why.leftOut;
    return error;
}

}  // namespace

TFoundBook::TFoundBook() = default;
TFoundBook::~TFoundBook() = default;
TFoundBook::TFoundBook(TFoundBook&&) noexcept = default;
TFoundBook& TFoundBook::operator=(TFoundBook&&) noexcept = default;

bool TMemoryCard::IsMadeBookSource(const std::string& path) {
    const std::string name = platform::FileNameOf(path);
    return IsBookArchiveName(name) || IsDaisyFileName(name) || (!path.empty() && platform_.files.IsDirectory(path));
}

std::unique_ptr<card::TExtraction> TMemoryCard::CreateTempFolder() {
    TempFolder = kNoTempFolder;
    std::unique_ptr<card::TExtraction> extraction = card::TExtraction::Make(platform_.files, platform_.folders);
    if (extraction) TempFolder = extraction->Folder();
    return extraction;
}

void TMemoryCard::RemoveFolderTree(const std::string& folder) {
    if (!folder.empty() && folder != kNoTempFolder) platform_.files.RemoveTree(folder);
}

void TMemoryCard::RemoveStaleTempFolders() { card::RemoveStaleExtractions(platform_.files, platform_.folders); }

TCardError TMemoryCard::FindBook(const std::string& path, TFoundBook& found, const TProgressCallback& progress,
                                 const platform::StopToken& stop) {
    found = TFoundBook();
    const std::string name = platform::FileNameOf(path);
    if (IsMadeBookSource(path)) return FindMadeBook(path, found, progress, stop);
    if (!IsDescriptorFileName(name)) return TCardError::Of(Code::UnsupportedFormat, platform::ExtensionOf(path));
    found.book.DescriptorPath = path;
    return TCardError();
}

TCardError TMemoryCard::FindMadeBook(const std::string& path, TFoundBook& found, const TProgressCallback& progress,
                                     const platform::StopToken& stop) {
    const TBookServices services{platform_.files, platform::NativeAudioTagReader(), platform::NativeXmlReader()};
    TNotMade why;
    if (!IsBookArchiveName(platform::FileNameOf(path))) {
        const bool folder = platform_.files.IsDirectory(path);
        // A folder that holds a descriptor book is written as that book.
        found.book.DescriptorPath =
            folder ? DescriptorIn(platform_.files, platform::StripTrailingSeparators(path)) : std::string();
        if (!found.book.DescriptorPath.empty()) return TCardError();
        // An ncc.html or .opf is known by the name of the folder that holds it.
        const std::string name = BookName(folder ? path : platform::FolderOf(path), true);
        if (!MakeBook(folder ? platform::StripTrailingSeparators(path) : path, {name}, services, found.book, why)) {
            return NotMade(why);
        }
        return TCardError();
    }

    // What the archive unpacks to must fit on the card, as far as its listing tells.
    const int64_t listed = platform_.extractor.ListedSize(path);
    const int64_t freeBytes = platform_.files.FreeBytes(CardPath);
    if (listed >= 0 && freeBytes >= 0 && listed > freeBytes) {
        TCardError error = TCardError::Of(Code::NoRoom);
        error.neededBytes = listed;
        error.freeBytes = freeBytes;
        return error;
    }
    found.extraction = CreateTempFolder();
    if (!found.extraction) return TCardError::Of(Code::Unpack);
    const std::string unpacked = found.extraction->Folder();
    const TCardError notUnpacked = found.extraction->Unpack(platform_.extractor, path, progress, stop);
    if (notUnpacked.failed()) return notUnpacked;
    found.book.DescriptorPath = DescriptorIn(platform_.files, unpacked);
    if (!found.book.DescriptorPath.empty()) return TCardError();
    const std::vector<std::string> names = {TopFolderName(platform_.files, unpacked), BookName(path, false)};
    const bool made = MakeBook(unpacked, names, services, found.book, why);
    // A RAR was made for ready books, its descriptor at the top: one that holds a descriptor
    // deeper down, or nothing to make a book of, is refused as such.
    if (IsRarName(platform::FileNameOf(path)) &&
        (made ? HoldsDescriptor(found.book.LeftOut) : why.reason == TNotMade::Reason::NoAudio)) {
        found.book = TMadeBook();
        return TCardError::Of(Code::NoDescriptorInArchive);
    }
    if (made) return TCardError();
    // The box names the archive the user chose, not the folder it was unpacked to.
    if (why.subject.compare(0, unpacked.size(), unpacked) == 0) why.subject = path + why.subject.substr(unpacked.size());
    return NotMade(why);
}
