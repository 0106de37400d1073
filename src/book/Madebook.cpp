#include "book/Madebook.h"

#include <algorithm>
#include <cmath>

#include "book/Bookmetadata.h"
#include "book/Bookscan.h"
#include "book/Daisybook.h"
#include "book/Mp3duration.h"
#include "platform/Audiotags.h"
#include "platform/Codepage.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Platform.h"
#include "platform/Xml.h"

namespace {

using platform::Ansi;

constexpr int kMinNameDigits = 3;
constexpr int64_t kKilobyte = 1024;

bool TextFits1251(const std::string& utf8) { return platform::Cp1251ToUtf8(platform::Utf8ToCp1251(utf8)) == utf8; }

std::string LowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// The folder that holds the book's DAISY navigation file: folder itself, or its only entry when
// that is a folder (an archive often holds the book's folder).
std::string DaisyFileIn(platform::IFileSystem& files, const std::string& folder) {
    std::string found = FindDaisyFile(files, folder);
    if (!found.empty()) return found;
    std::vector<platform::DirEntry> entries;
    if (files.ListDirectory(folder, entries) && entries.size() == 1 && entries.front().isDirectory &&
        !files.IsLink(platform::JoinPath(folder, entries.front().name))) {
        found = FindDaisyFile(files, platform::JoinPath(folder, entries.front().name));
    }
    return found;
}

// Takes the playable files of relative (under folder) in their order, with sizes and tags.
void TakeFiles(const std::string& folder, const std::vector<std::string>& relative, const TBookServices& services,
               TMadeBook& book, std::vector<platform::AudioTags>& tags) {
    for (const std::string& name : relative) {
        if (!IsPlayableFile(name)) {
            book.LeftOut.push_back(name);
            continue;
        }
        TMadeFile file;
        file.relative = name;
        file.path = platform::JoinPath(folder, platform::EntryToPath(name));
        file.size = services.files.FileSize(file.path);
        if (file.size < 0) {
            book.LeftOut.push_back(name);
            continue;
        }
        platform::AudioTags tag;
        // A file whose tags or frames cannot be read is still taken, without them.
        services.tags.Read(file.path, tag);
        file.seconds = Mp3Seconds(services.files, file.path);
        tags.push_back(tag);
        book.Files.push_back(std::move(file));
    }
}

}  // namespace

const std::vector<std::string>& PlayableExtensions() {
    static const std::vector<std::string> extensions{".MP3"};
    return extensions;
}

bool IsPlayableFile(const std::string& name) {
    const auto& playable = PlayableExtensions();
    return std::any_of(playable.begin(), playable.end(), [&](const std::string& extension) {
        return platform::HasExtension(platform::EntryFileName(name), extension);
    });
}

int64_t TMadeBook::TotalSize() const {
    int64_t total = 0;
    for (const TMadeFile& file : Files) total += file.size;
    return total;
}

int64_t TMadeBook::TotalSeconds() const {
    if (BookSeconds >= 0) return BookSeconds;
    int64_t total = -1;
    for (const TMadeFile& file : Files) {
        if (file.seconds >= 0) total = std::max<int64_t>(total, 0) + file.seconds;
    }
    return total;
}

int TMadeBook::UnknownTimes() const {
    if (BookSeconds >= 0) return 0;
    return static_cast<int>(std::count_if(Files.begin(), Files.end(), [](const TMadeFile& f) { return f.seconds < 0; }));
}


bool MakeBook(const std::string& path, const std::vector<std::string>& names, const TBookServices& services,
              TMadeBook& book, TNotMade& error) {
    book = TMadeBook();
    const bool folder = services.files.IsDirectory(path);
    const std::string daisyFile = folder ? DaisyFileIn(services.files, path) : path;
    std::vector<platform::AudioTags> tags;
    std::vector<TBookNames> sources;
    std::string bookFolder = path;
    if (!daisyFile.empty()) {
        TDaisyBook daisy;
        if (!ReadDaisyBook(daisyFile, services, daisy, error)) return false;
        book.Daisy = true;
        if (daisy.seconds >= 0) book.BookSeconds = std::llround(daisy.seconds);
        bookFolder = platform::FolderOf(daisyFile);
        TakeFiles(bookFolder, daisy.audio, services, book, tags);
        sources.push_back(TBookNames{daisy.title, daisy.creator, daisy.narrator});
    } else {
        std::vector<std::string> relative;
        if (!ListBookFolder(services.files, path, relative)) {
            error = {TNotMade::Reason::FolderUnreadable, path, {}};
            return false;
        }
        TakeFiles(path, relative, services, book, tags);
    }
    if (book.Files.empty()) {
        error = {TNotMade::Reason::NoAudio, bookFolder, FileKinds(book.LeftOut)};
        return false;
    }
    sources.push_back(NamesFromTags(tags));
    for (const std::string& name : names) sources.push_back(NamesFromName(platform::Cp1251ToUtf8(name)));
    const TBookNames chosen = ChooseNames(sources);
    book.Title = chosen.title;
    book.Author = chosen.author;
    book.Announcer = chosen.announcer;
    return true;
}

std::string CardFileName(std::size_t index, std::size_t count, const std::string& sourceName) {
    int digits = 1;
    for (std::size_t n = count; n >= 10; n /= 10) ++digits;
    const std::string number = std::to_string(index + 1);
    const std::size_t width = static_cast<std::size_t>(std::max(kMinNameDigits, digits));
    return std::string(width > number.size() ? width - number.size() : 0, '0') + number +
           LowerAscii(platform::ExtensionOf(platform::EntryFileName(sourceName)));
}

std::string MadeDisplayName(const TMadeBook& book) {
    const std::string author = Ansi(CleanHeaderValue(book.Author));
    const std::string title = Ansi(CleanHeaderValue(book.Title));
    if (!author.empty() && !title.empty()) return author + " - " + title;
    return author.empty() ? title : author;
}

std::string MadeDescriptorBytes(const TMadeBook& book, const std::string& slotName) {
    std::vector<std::string> lines;  // UTF-8
    lines.push_back("#TITLE=" + CleanHeaderValue(book.Title));
    lines.push_back("#AUTHOR=" + CleanHeaderValue(book.Author));
    const std::string announcer = CleanHeaderValue(book.Announcer);
    if (!announcer.empty()) lines.push_back("#ANNOUNCER=" + announcer);
    lines.push_back("#TOTAL_SIZE_KB=" + std::to_string((book.TotalSize() + kKilobyte - 1) / kKilobyte));
    const int64_t seconds = book.TotalSeconds();
    if (seconds >= 0) lines.push_back("#TOTAL_LENGTH_SEC=" + std::to_string(seconds));
    lines.push_back("#FILE_NUM=" + std::to_string(book.Files.size()));
    for (std::size_t i = 0; i < book.Files.size(); ++i) {
        lines.push_back(slotName + "\\" + CardFileName(i, book.Files.size(), book.Files[i].relative));
    }
    std::string text;
    bool fits = true;
    for (const std::string& line : lines) {
        text += line + "\r\n";
        fits = fits && TextFits1251(line);
    }
    if (fits) return Ansi(text);
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : platform::Utf8ToUtf16(text)) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}
