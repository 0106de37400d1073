#pragma once
// Identifiers shared by the resource script and the program (the resource compiler takes
// only preprocessor definitions).

#define IDI_ZWQMANAGER 1
