#pragma once
// The card's findings and errors in the words the user reads (Windows-1251).

#include <string>
#include <vector>

#include "card/Cardfindings.h"
#include "card/Cardoutcomes.h"

// Names for a message: "a, b, c" and, past a few, how many more.
std::string NamesText(const std::vector<std::string>& names);
// "12 файлов M4B, 1 файл JPG"; and whether any of the kinds is audio the player does not play.
std::string FileKindsText(const std::vector<TFileKind>& kinds);
bool OtherAudioIn(const std::vector<TFileKind>& kinds);
// The card check's findings in words, one line each, for a message box.
std::string CardFindingsText(const std::vector<TCardFinding>& findings);
// What a repair mended and what it left alone, in words.
std::string CardRepairText(const TCardRepair& repair);
// Why a write failed, in words; empty for no error.
std::string CardErrorText(const TCardError& error);
