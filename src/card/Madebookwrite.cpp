// Writing a book the program makes itself: the files copied to the card under names by their
// place (001.mp3, ...), then the descriptor made for them.

#include "book/Booksource.h"
#include "book/Daisybook.h"
#include "book/String_routines_unit.h"
#include "card/Cardroot.h"
#include "card/Zwqcardunit.h"
#include "platform/Audiotags.h"
#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "platform/Platform.h"
#include "platform/Xml.h"

namespace {

using Code = TCardError::Code;

const char* const kArchiveDescriptor = "BOOK_001.YDR";

bool IsBookArchive(const std::string& path) { return IsMadeBookArchiveName(platform::FileNameOf(path)); }

TCardError Error(Code code, std::string subject = std::string()) {
    TCardError error;
    error.code = code;
    error.subject = std::move(subject);
    return error;
}

TCardError NotMade(std::string words) {
    TCardError error = Error(Code::NotMade);
    error.advice = std::move(words);
    return error;
}

TWriteOutcome Failed(TCardError error) {
    TWriteOutcome outcome;
    outcome.cancelled = error.code == Code::Cancelled;
    outcome.error = std::move(error);
    return outcome;
}

// text with every occurrence of from, left to right, put as to.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    if (from.empty()) return text;
    for (std::size_t pos = text.find(from); pos != std::string::npos; pos = text.find(from, pos + to.size())) {
        text.replace(pos, from.size(), to);
    }
    return text;
}

// The name the user knows the book by: the archive's or the folder's, without extension.
std::string BookName(const std::string& path, bool folder) {
    const std::string name = platform::FileNameOf(platform::StripTrailingSeparators(path));
    if (folder) return name;
    const std::string extension = platform::ExtensionOf(name);
    return name.substr(0, name.size() - extension.size());
}

}  // namespace


std::string TMemoryCard::DescriptorIn(const std::string& folder) {
    std::vector<platform::DirEntry> entries;
    platform_.files.ListDirectory(folder, entries);
    for (const platform::DirEntry& entry : entries) {
        if (!entry.isDirectory && AnsiUpperCase(entry.name) == kArchiveDescriptor) {
            return platform::JoinPath(folder, entry.name);
        }
    }
    return std::string();
}

bool TMemoryCard::IsMadeBookSource(const std::string& path) {
    return IsBookArchive(path) || IsDaisyFileName(platform::FileNameOf(path)) ||
           (!path.empty() && platform_.files.IsDirectory(path));
}

void TMemoryCard::DropMadeBook() {
    if (!madeExtraction_.empty()) RemoveFolderTree(madeExtraction_);
    madeExtraction_.clear();
}

TCardError TMemoryCard::PrepareMadeBook(const std::string& path, TMadeBook& book, const TProgressCallback& progress,
                                        const platform::StopToken& stop) {
    Cancelled = false;
    DropMadeBook();
    book = TMadeBook();
    const auto failed = [&](TCardError error) {
        Cancelled = error.code == Code::Cancelled;
        LastError = error;
        return error;
    };
    const TBookServices services{platform_.files, platform::NativeAudioTagReader(), platform::NativeXmlReader()};
    std::string words;
    if (!IsBookArchive(path)) {
        const bool folder = platform_.files.IsDirectory(path);
        // A folder that holds a descriptor book is written as that book.
        const std::string descriptor = folder ? DescriptorIn(platform::StripTrailingSeparators(path)) : std::string();
        if (!descriptor.empty()) {
            book.DescriptorPath = descriptor;
            return TCardError();
        }
        // An ncc.html or .opf is known by the name of the folder that holds it.
        const std::string name = BookName(folder ? path : platform::FolderOf(path), true);
        if (!MakeBook(folder ? platform::StripTrailingSeparators(path) : path, name, services, book, words)) {
            return failed(NotMade(words));
        }
        return TCardError();
    }

    // What the archive unpacks to must fit on the card, as far as its listing tells.
    const int64_t listed = platform_.extractor.ListedSize(path);
    const int64_t freeBytes = platform_.files.FreeBytes(CardPath);
    if (listed >= 0 && freeBytes >= 0 && listed > freeBytes) {
        TCardError error = Error(Code::NoRoom);
        error.neededBytes = listed;
        error.freeBytes = freeBytes;
        return failed(error);
    }
    if (!CreateTempFolder()) return failed(Error(Code::Unpack));
    madeExtraction_ = TempFolder;
    const TCardError notUnpacked = UnpackIntoTemp(path, progress, stop);
    if (notUnpacked.code != Code::None) {
        DropMadeBook();
        return failed(notUnpacked);
    }
    book.DescriptorPath = DescriptorIn(TempFolder);
    if (!book.DescriptorPath.empty()) return TCardError();
    if (!MakeBook(TempFolder, BookName(path, false), services, book, words)) {
        // The box names the archive the user chose, not the folder it was unpacked to.
        words = Replaced(words, TempFolder, path);
        DropMadeBook();
        return failed(NotMade(words));
    }
    return TCardError();
}

TWriteOutcome TMemoryCard::WriteMadeBook(const TMadeBook& book, const TProgressCallback& progress,
                                         const platform::StopToken& stop) {
    LastError = Error(Code::Undefined);
    Cancelled = false;
    if (!book.DescriptorPath.empty()) {
        // A descriptor book out of an archive or a folder goes the way of every descriptor book.
        extractionToDrop_ = madeExtraction_;
        TWriteOutcome outcome = AddBookFromDescriptor(book.DescriptorPath, progress, stop);
        extractionToDrop_.clear();
        DropMadeBook();
        return outcome;
    }
    TWriteOutcome outcome = CopyMadeBook(book, NewBookSlotName(), progress, stop);
    DropMadeBook();
    return Outcome(outcome);
}

TWriteOutcome TMemoryCard::CopyMadeBook(const TMadeBook& book, const std::string& name,
                                        const TProgressCallback& progress, const platform::StopToken& stop) {
    const std::string displayName = MadeDisplayName(book);
    if (displayName.empty() || book.Files.empty()) return Failed(Error(Code::NoBookInfo));
    for (const auto& listed : Books) {
        if (listed->DisplayName == displayName) return Failed(Error(Code::AlreadyOnCard, displayName));
    }
    if (name.empty()) return Failed(Error(Code::NoSlotName));
    const std::string descriptorBytes = MadeDescriptorBytes(book, name);
    std::vector<PlannedFile> plan;
    for (std::size_t i = 0; i < book.Files.size(); ++i) {
        PlannedFile file;
        file.entry = book.Files[i].relative;
        file.source = book.Files[i].path;
        file.name = CardFileName(i, book.Files.size(), book.Files[i].relative);
        file.size = book.Files[i].size;
        plan.push_back(std::move(file));
    }
    const TCardError refused = CheckFits(plan, static_cast<int64_t>(descriptorBytes.size()));
    if (refused.code != Code::None) return Failed(refused);

    return CopyIntoSlot(
        plan, name, descriptorBytes, displayName, [](const PlannedFile& file) { return file.source; },
        // The unpacked copy is no longer needed: gone before the flush, it is never written out.
        [this] { DropMadeBook(); }, progress, stop);
}
