#include <archive.h>
#include <archive_entry.h>

#include <sys/stat.h>

#include <algorithm>
#include <clocale>
#include <memory>
#include <string>

#include "platform/Paths.h"
#include "platform/posix/Posixplatform.h"

namespace platform {
namespace {

constexpr std::size_t kReadBlockSize = 1 << 16;

// libarchive converts RAR names by the C library's character-type locale; without a UTF-8
// one, Unicode names come back empty. The program's own locale is put back afterwards.
class Utf8CharacterLocale {
public:
    Utf8CharacterLocale() {
        const char* current = std::setlocale(LC_CTYPE, nullptr);
        saved_ = current == nullptr ? "C" : current;
        if (std::setlocale(LC_CTYPE, "C.UTF-8") == nullptr) std::setlocale(LC_CTYPE, "");
    }
    ~Utf8CharacterLocale() { std::setlocale(LC_CTYPE, saved_.c_str()); }
    Utf8CharacterLocale(const Utf8CharacterLocale&) = delete;
    Utf8CharacterLocale& operator=(const Utf8CharacterLocale&) = delete;

private:
    std::string saved_;
};

struct ReaderDeleter {
    void operator()(archive* a) const { archive_read_free(a); }
};
struct WriterDeleter {
    void operator()(archive* a) const { archive_write_free(a); }
};

// Tells progress how much of the archive file has been read; false when a stop was asked for.
bool ReportRead(archive* reader, int64_t archiveSize, const ExtractProgress& progress, const StopToken& stop) {
    if (progress) progress(std::min<int64_t>(archive_filter_bytes(reader, -1), archiveSize), archiveSize);
    return !stop.Requested();
}

bool CopyData(archive* reader, archive* writer, int64_t archiveSize, const ExtractProgress& progress,
              const StopToken& stop) {
    for (;;) {
        const void* block = nullptr;
        size_t size = 0;
        la_int64_t offset = 0;
        const int r = archive_read_data_block(reader, &block, &size, &offset);
        if (r == ARCHIVE_EOF) return true;
        if (r != ARCHIVE_OK) return false;
        if (archive_write_data_block(writer, block, size, offset) != ARCHIVE_OK) return false;
        if (!ReportRead(reader, archiveSize, progress, stop)) return false;
    }
}

// The kinds of archive books come in: RAR 4 and 5, ZIP, 7z.
void SupportBookFormats(archive* reader) {
    archive_read_support_format_rar(reader);
    archive_read_support_format_rar5(reader);
    archive_read_support_format_zip(reader);
    archive_read_support_format_7zip(reader);
}

}  // namespace

int64_t LibarchiveExtractor::ListedSize(const std::string& archivePath) {
    const Utf8CharacterLocale locale;
    std::unique_ptr<archive, ReaderDeleter> reader(archive_read_new());
    if (!reader) return -1;
    SupportBookFormats(reader.get());
    if (archive_read_open_filename(reader.get(), NativeName(archivePath).c_str(), kReadBlockSize) != ARCHIVE_OK) {
        return -1;
    }
    int64_t total = 0;
    for (;;) {
        archive_entry* entry = nullptr;
        const int r = archive_read_next_header(reader.get(), &entry);
        if (r == ARCHIVE_EOF) return total;
        if (r != ARCHIVE_OK) return -1;
        // Only the headers are read: the data of each entry is skipped, not unpacked.
        if (archive_entry_size_is_set(entry) && archive_entry_filetype(entry) == AE_IFREG) {
            total += archive_entry_size(entry);
        }
    }
}

bool LibarchiveExtractor::Extract(const std::string& archivePath, const std::string& folder,
                                  const ExtractProgress& progress, const StopToken& stop) {
    const Utf8CharacterLocale locale;
    std::unique_ptr<archive, ReaderDeleter> reader(archive_read_new());
    std::unique_ptr<archive, WriterDeleter> writer(archive_write_disk_new());
    if (!reader || !writer) return false;
    SupportBookFormats(reader.get());
    // Entries are placed under the folder by their checked names, so the absolute-path
    // refusal is our own (the joined target path is absolute by design); every refusal that
    // libarchive reports, a warning included, is a failure.
    archive_write_disk_set_options(writer.get(), ARCHIVE_EXTRACT_TIME | ARCHIVE_EXTRACT_SECURE_NODOTDOT |
                                                     ARCHIVE_EXTRACT_SECURE_SYMLINKS);
    const std::string nativeArchive = NativeName(archivePath);
    struct stat st {};
    if (::stat(nativeArchive.c_str(), &st) != 0) return false;
    const int64_t archiveSize = st.st_size;
    if (progress) progress(0, archiveSize);
    if (stop.Requested()) return false;
    if (archive_read_open_filename(reader.get(), nativeArchive.c_str(), kReadBlockSize) != ARCHIVE_OK) {
        return false;
    }
    const std::string base = NativeName(folder);
    for (;;) {
        archive_entry* entry = nullptr;
        const int r = archive_read_next_header(reader.get(), &entry);
        if (r == ARCHIVE_EOF) break;
        if (r != ARCHIVE_OK) return false;
        const auto type = archive_entry_filetype(entry);
        if ((type != AE_IFREG && type != AE_IFDIR) || archive_entry_hardlink(entry) != nullptr) return false;
        const char* name = archive_entry_pathname(entry);
        if (name == nullptr || !IsContainedEntry(name)) return false;
        const std::string target = base + "/" + name;
        archive_entry_set_pathname(entry, target.c_str());
        if (archive_write_header(writer.get(), entry) != ARCHIVE_OK) return false;
        if (type == AE_IFREG && !CopyData(reader.get(), writer.get(), archiveSize, progress, stop)) return false;
        if (archive_write_finish_entry(writer.get()) != ARCHIVE_OK) return false;
        if (!ReportRead(reader.get(), archiveSize, progress, stop)) return false;
    }
    if (archive_write_close(writer.get()) != ARCHIVE_OK) return false;
    if (progress) progress(archiveSize, archiveSize);
    return !stop.Requested();
}

}  // namespace platform
