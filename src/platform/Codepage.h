#pragma once
// Code pages of the system: every text inside the program is Windows-1251. These routines
// convert at the edges (file names on the disk, UTF-16 descriptors, OEM descriptors, the
// toolkits' own strings) and upper-case by the Russian locale. They use our own tables, so
// every platform gives the same result.

#include <string>
#include <string_view>

namespace platform {

// The character put in place of one that Windows-1251 cannot hold.
inline constexpr char kDefaultChar = '?';

std::u16string Cp1251ToUtf16(std::string_view text);
// Characters that Windows-1251 lacks (and unpaired surrogates) become kDefaultChar.
std::string Utf16ToCp1251(std::u16string_view text);

std::string Cp1251ToUtf8(std::string_view text);
// Invalid UTF-8 and characters that Windows-1251 lacks become kDefaultChar.
std::string Utf8ToCp1251(std::string_view text);
// UTF-16 to UTF-8 and back, for the toolkit edges. Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

// The OEM-to-ANSI conversion of a Russian system: code page 866 to Windows-1251.
std::string Oem866ToCp1251(std::string_view text);

// Upper-casing of Windows-1251 text as the Russian locale does it: Latin a-z, Cyrillic
// а-я, ё and the other Cyrillic letter pairs of the code page. Other bytes stay.
std::string UpperCase1251(std::string_view text);
char UpperCase1251(char c);

// A text written in the source as UTF-8, as the program holds it.
inline std::string Ansi(std::string_view utf8) { return Utf8ToCp1251(utf8); }

}  // namespace platform
