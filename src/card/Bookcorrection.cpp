// Correcting a listed book's names: its descriptor read once, the three name lines changed in
// it, the whole replaced at once.
#include "book/Descriptornames.h"
#include "card/Zwqcardunit.h"
#include "platform/Paths.h"
#include "platform/Platform.h"

namespace {

using Code = TCardError::Code;

}  // namespace

TCardError TMemoryCard::CorrectBook(std::size_t index, const TBookNames& names) {
    if (index >= Books.size()) return TCardError::Of(Code::Undefined);
    // Finishing the batch writes the moved books' descriptors from the journal, this one's
    // older bytes among them.
    if (BatchAwaitsCheck()) return TCardError::Of(Code::AwaitsCheck);
    if (CleanHeaderValue(names.title).empty() && CleanHeaderValue(names.author).empty()) {
        return TCardError::Of(Code::NoBookInfo);
    }
    platform::IFileSystem& files = platform_.files;
    const std::string descriptor = Books[index]->Path;
    std::string bytes;
    if (!files.ReadWholeFile(descriptor, bytes)) return TCardError::Of(Code::NoBookInfo, descriptor);
    const std::optional<std::string> corrected =
        CorrectDescriptorNames(bytes, names, platform::FolderOf(descriptor), files);
    // A fresh record: the reader leaves an announcer it does not meet as it was.
    auto book = std::make_unique<TBookInfo>();
    if (!corrected || !ParseBookDescriptor(*book, descriptor, *corrected, files)) {
        return TCardError::Of(Code::NoBookInfo, descriptor);
    }
    for (std::size_t i = 0; i < Books.size(); ++i) {
        if (i != index && Books[i]->DisplayName == book->DisplayName) {
            return TCardError::Of(Code::AlreadyOnCard, book->DisplayName);
        }
    }
    if (*corrected != bytes && !files.WriteReplacing(descriptor, *corrected)) return TCardError::Of(Code::Save, descriptor);
    Books[index] = std::move(book);
    return TCardError();
}
