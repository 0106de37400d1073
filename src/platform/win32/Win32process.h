#pragma once
// Running a helper program to its end, as the extractors do.

#include <windows.h>

#include <functional>
#include <string>

namespace platform {

// How a run ended.
struct ProcessRun {
    enum class Outcome { NotStarted, Exited, Stopped };
    Outcome outcome = Outcome::NotStarted;
    DWORD exitCode = 0;
    // What the program wrote to its standard output, when the caller asked for it.
    std::string output;

    bool Succeeded() const { return outcome == Outcome::Exited && exitCode == 0; }
};

// Starts program with the whole command line (the program's own name first), without a
// console window, so that it cannot take the keyboard from the program's boxes, and waits for
// its end. keepGoing, when set, is asked about every kProcessPollMilliseconds; when it answers
// false the program is ended and the run counts as Stopped.
//
// captureOutput false: the program inherits our handles and environment. True: its standard
// output is collected into ProcessRun::output, its input and error output are the null device,
// so that it can neither wait for an answer nor fill a pipe nobody reads.
ProcessRun RunProcess(const std::wstring& program, const std::wstring& commandLine, bool captureOutput,
                      const std::function<bool()>& keepGoing);

constexpr DWORD kProcessPollMilliseconds = 100;

// The short (8.3) form of an existing path, or the path itself when the volume has none.
std::wstring ShortPath(const std::wstring& path);

}  // namespace platform
