#include "card/internal/Bookplan.h"

#include <set>

#include "book/String_routines_unit.h"
#include "card/internal/Cardroot.h"
#include "platform/Files.h"
#include "platform/Paths.h"

namespace card {

TBookPlan PlanDescriptorBook(const TBookInfo& book, platform::IFileSystem& files) {
    TBookPlan plan;
    plan.displayName = book.DisplayName;
    const std::string sourceFolder = platform::FolderOf(book.Path);
    std::set<std::string> names;
    for (const std::string& entry : book.Files) {
        TPlannedFile file;
        file.name = platform::EntryFileName(entry);
        file.shownAs = platform::JoinPath(sourceFolder, entry);
        // A book only ever reads inside its own folder, and its files land side by side in one
        // folder of the card, whose names ignore letter case.
        const bool usable = platform::IsContainedEntry(entry) && !file.name.empty() &&
                            names.insert(AnsiUpperCase(file.name)).second;
        file.source = platform::JoinPath(sourceFolder, platform::EntryToPath(entry));
        file.size = usable ? files.FileSize(file.source) : -1;
        if (file.size < 0) {
            plan.refused = TCardError::Of(TCardError::Code::Copy, file.shownAs);
            break;
        }
        plan.files.push_back(std::move(file));
    }
    std::vector<std::string> header;
    for (const std::string& line : book.Lines) {
        if (line.empty() || line.front() == '#') header.push_back(line);
    }
    plan.descriptor = [header, names = plan.files](const std::string& slotName) {
        std::vector<std::string> lines = header;
        for (const TPlannedFile& file : names) lines.push_back(slotName + kCardEntrySeparator + file.name);
        return JoinLines(lines);
    };
    return plan;
}

TCardError PlanMadeBook(const TMadeBook& book, TBookPlan& plan) {
    plan.displayName = MadeDisplayName(book);
    if (plan.displayName.empty() || book.Files.empty()) return TCardError::Of(TCardError::Code::NoBookInfo);
    for (std::size_t i = 0; i < book.Files.size(); ++i) {
        TPlannedFile file;
        file.source = book.Files[i].path;
        file.name = CardFileName(i, book.Files.size(), book.Files[i].relative);
        file.shownAs = file.source;
        file.size = book.Files[i].size;
        plan.files.push_back(std::move(file));
    }
    plan.descriptor = [book](const std::string& slotName) { return MadeDescriptorBytes(book, slotName); };
    return TCardError();
}

}  // namespace card
