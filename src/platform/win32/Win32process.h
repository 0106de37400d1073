#pragma once
// Running a helper program to its end, as the extractors do.

#include <windows.h>

#include <functional>
#include <string>

#include "platform/Archive.h"

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

// Runs extract, an extractor's run with a keepGoing as RunProcess takes it, so that progress
// hears how far it has come: the bytes unpacked under folder so far against the archive's
// size (never going back, never beyond it), on every look at the running program and once
// more, whole, when it has succeeded. A stop asked for through stop, polled on every look,
// makes it fail.
bool ExtractReporting(const std::string& archive, const std::string& folder, const ExtractProgress& progress,
                      const StopToken& stop,
                      const std::function<bool(const std::function<bool()>& keepGoing)>& extract);

// One argument of a command line in double quotes; a trailing backslash is doubled so that it
// does not escape the closing quote.
std::wstring QuotedArgument(const std::wstring& argument);
// The argument as it is when it holds no blank, else QuotedArgument.
std::wstring QuotedWhenBlank(const std::wstring& argument);

// The short (8.3) form of an existing path, or the path itself when the volume has none.
std::wstring ShortPath(const std::wstring& path);

}  // namespace platform
