// zwq-demo-card CARD_FOLDER SETTINGS_FILE
//
// Writes a small memory card for trying the program: three books in slots 1 to 3, each a
// descriptor BOOK_nnn.ydr (Windows-1251, CR LF, as the program writes them) beside a folder
// BOOK_nnn with short generated WAV tones, and a settings file naming that card. The card
// folder must not exist yet or be empty.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <numbers>
#include <string>
#include <system_error>
#include <vector>

#include "platform/Codepage.h"

namespace {

namespace fs = std::filesystem;
using platform::Ansi;

constexpr int kSampleRate = 22050;
constexpr int kBitsPerSample = 16;
constexpr int kChannels = 1;
constexpr int kBitsPerByte = 8;
constexpr int kBytesPerSample = kBitsPerSample / kBitsPerByte;
constexpr double kAmplitude = 8000.0;
constexpr double kFadeSeconds = 0.05;
constexpr std::uintmax_t kKilobyte = 1024;
constexpr int kWavHeaderBytes = 44;
constexpr int kRiffChunkHeaderBytes = 8;  // "RIFF" and the size, not counted in the size
constexpr unsigned kByteMask = 0xFF;
constexpr int kFmtChunkBytes = 16;
constexpr int kPcmFormat = 1;
constexpr std::size_t kNameBuffer = 32;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

struct Chapter {
    double seconds = 0;
    double frequency = 0;
};

struct DemoBook {
    const char* author = "";  // UTF-8
    const char* title = "";
    const char* announcer = "";
    std::vector<Chapter> chapters;
};

// Little-endian fields of a RIFF header.
template <typename Unsigned>
void PutLittleEndian(std::string& out, Unsigned value) {
    for (std::size_t byte = 0; byte < sizeof value; ++byte) {
        out.push_back(static_cast<char>((value >> (byte * kBitsPerByte)) & kByteMask));
    }
}
void Put16(std::string& out, uint16_t value) { PutLittleEndian(out, value); }
void Put32(std::string& out, uint32_t value) { PutLittleEndian(out, value); }

// A mono 16-bit PCM WAV file of a sine tone, faded in and out.
std::string ToneWav(const Chapter& chapter) {
    const auto samples = static_cast<uint32_t>(chapter.seconds * kSampleRate);
    const uint32_t dataBytes = samples * kBytesPerSample * kChannels;
    std::string wav;
    wav.reserve(kWavHeaderBytes + dataBytes);
    wav += "RIFF";
    Put32(wav, kWavHeaderBytes - kRiffChunkHeaderBytes + dataBytes);
    wav += "WAVEfmt ";
    Put32(wav, kFmtChunkBytes);
    Put16(wav, kPcmFormat);
    Put16(wav, kChannels);
    Put32(wav, kSampleRate);
    Put32(wav, kSampleRate * kBytesPerSample * kChannels);
    Put16(wav, kBytesPerSample * kChannels);
    Put16(wav, kBitsPerSample);
    wav += "data";
    Put32(wav, dataBytes);
    const double fadeSamples = kFadeSeconds * kSampleRate;
    for (uint32_t i = 0; i < samples; ++i) {
        const double edge = std::min({1.0, i / fadeSamples, (samples - 1.0 - i) / fadeSamples});
        const double value = kAmplitude * edge * std::sin(2.0 * std::numbers::pi * chapter.frequency * i / kSampleRate);
        Put16(wav, static_cast<uint16_t>(static_cast<int16_t>(std::lround(value))));
    }
    return wav;
}

bool WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string Crlf(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

bool WriteBook(const fs::path& card, int number, const DemoBook& book) {
    char slot[kNameBuffer] = {};
    std::snprintf(slot, sizeof slot, "BOOK_%03d", number);
    std::error_code error;
    fs::create_directories(card / slot, error);
    if (error) return false;
    std::vector<std::string> entries;
    std::uintmax_t totalBytes = 0;
    double totalSeconds = 0;
    for (std::size_t i = 0; i < book.chapters.size(); ++i) {
        char name[kNameBuffer] = {};
        std::snprintf(name, sizeof name, "%02zu.wav", i + 1);
        const std::string wav = ToneWav(book.chapters[i]);
        if (!WriteBytes(card / slot / name, wav)) return false;
        totalBytes += wav.size();
        totalSeconds += book.chapters[i].seconds;
        entries.push_back(std::string(slot) + "\\" + name);
    }
    std::vector<std::string> lines = {
        "#TITLE=" + Ansi(book.title),
        "#AUTHOR=" + Ansi(book.author),
        "#ANNOUNCER=" + Ansi(book.announcer),
        "#TOTAL_SIZE_KB=" + std::to_string((totalBytes + kKilobyte - 1) / kKilobyte),
        "#TOTAL_LENGTH_SEC=" + std::to_string(static_cast<long>(totalSeconds)),
        "#FILE_NUM=" + std::to_string(book.chapters.size()),
    };
    lines.insert(lines.end(), entries.begin(), entries.end());
    return WriteBytes(card / (std::string(slot) + ".ydr"), Crlf(lines));
}

}  // namespace

int main(int argc, char** argv) {
    constexpr int kArguments = 3;
    if (argc != kArguments) {
        std::cerr << "usage: zwq-demo-card CARD_FOLDER SETTINGS_FILE\n";
        return kExitUsage;
    }
    const fs::path card = fs::absolute(argv[1]);
    const fs::path settings = fs::absolute(argv[2]);
    std::error_code error;
    if (fs::exists(card, error) && !fs::is_empty(card, error)) {
        std::cerr << "zwq-demo-card: " << card.string() << " is not empty\n";
        return kExitFailure;
    }
    const std::vector<DemoBook> books = {
        {"Иван Петров", "Звуки леса", "Анна Белова", {{20.0, 440.0}, {20.0, 494.0}}},
        {"Мария Соколова", "Морские истории", "Олег Ветров", {{20.0, 523.0}, {20.0, 587.0}, {20.0, 659.0}}},
        {"Пётр Иванов", "Короткий рассказ", "Анна Белова", {{10.0, 392.0}}},
    };
    for (std::size_t i = 0; i < books.size(); ++i) {
        if (!WriteBook(card, static_cast<int>(i) + 1, books[i])) {
            std::cerr << "zwq-demo-card: cannot write the books into " << card.string() << "\n";
            return kExitFailure;
        }
    }
    fs::create_directories(settings.parent_path(), error);
    // The settings hold Windows-1251 text, as the program reads it.
    if (error || !WriteBytes(settings, Crlf({"CARD_PATH=" + platform::Utf8ToCp1251(card.string())}))) {
        std::cerr << "zwq-demo-card: cannot write " << settings.string() << "\n";
        return kExitFailure;
    }
    return 0;
}
