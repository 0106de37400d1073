#pragma once
// The order in which a listener expects the files of a folder: by path, folder by folder;
// numbers by their value ("2" before "10"); letters without regard to case, Cyrillic in its
// alphabet (Ё after Е).

#include <string>

// Whether the relative path a (Windows-1251, parts separated by '/' or '\\') comes before b.
bool NaturalLess(const std::string& a, const std::string& b);
