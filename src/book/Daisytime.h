#pragma once
// The times a DAISY book states: its total playing time (ncc:totalTime in DAISY 2.02,
// dtb:totalTime in DAISY 3) and the begin and end of each audio clip in its SMIL files.

#include <string>

// Seconds of a time as DAISY books write it: a clock value ("1:02:03", "02:03", "1:02:03.5",
// "62:03"), a SMIL 1.0 "npt=" value ("npt=12.5s", "npt=0:01:02.5") or a time count ("12.5s",
// "1.5h", "20min", "500ms", "12.5"). Negative when the text is none of these.
double DaisySeconds(const std::string& text);
