#pragma once
// The controls and services of a window as the portable window logic sees them. Each front end
// implements them with its toolkit's widgets; tests implement them in memory.

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ui {

// A report-style list with one selectable row at a time: a caption and one sub-item per row.
class IListView {
public:
    virtual ~IListView() = default;
    virtual void Clear() = 0;
    // Announces how many rows are coming, so the control can reserve its storage once.
    virtual void ReserveRows(std::size_t count) = 0;
    virtual void AddRow(const std::string& caption, const std::string& subItem) = 0;
    virtual std::size_t RowCount() = 0;
    virtual std::string RowCaption(std::size_t row) = 0;
    // The selected row, or -1.
    virtual int SelectedRow() = 0;
    virtual void SelectRow(std::size_t row) = 0;
};

// A one-line, read-only text field.
class IEdit {
public:
    virtual ~IEdit() = default;
    virtual void SetText(const std::string& text) = 0;
};

// A line at the window's foot that tells what the last command did to the current book. Each
// text set is heard by a screen reader, also the same one again; an empty text clears it.
class IAnnouncement {
public:
    virtual ~IAnnouncement() = default;
    virtual void Announce(const std::string& text) = 0;
};

class IMenuItem {
public:
    virtual ~IMenuItem() = default;
    virtual void SetCaption(const std::string& caption) = 0;
    // Ticks the item or takes its tick away; an item that is never ticked ignores it.
    virtual void SetChecked(bool /*checked*/) {}
};

// The modal dialog that opens book files: several chosen in its list, or one typed name, which
// need not exist.
class IOpenDialog {
public:
    virtual ~IOpenDialog() = default;
    // The chosen files' full paths, in the order the dialog gives them; false when cancelled.
    virtual bool Execute(std::vector<std::string>& fileNames) = 0;
};

// What the progress window shows of a long card operation, worded by the window logic.
struct TProgressView {
    std::string caption;   // the window's title: the work and the book
    std::string activity;  // what is being done: "копирование: файл 3 из 20"
    std::string amount;    // percent, megabytes done of all, time left
    int percent = 0;       // the progress bar, 0 to 100
};

// The progress window of a long card operation as a front end gives it. The progress session
// of the window logic runs the work and decides what the window shows and when; the front end
// blocks input, runs its event loop until woken and draws.
class IProgressWindow {
public:
    virtual ~IProgressWindow() = default;
    // Takes input from the main window at once, as a modal window does, until Unblock; the
    // window keeps being painted. stoppable: "Отмена" shows, and it, Escape and the close box
    // call stop.
    virtual void Block(bool stoppable, std::function<void()> stop) = 0;
    virtual void Draw(const TProgressView& view) = 0;
    // Shows the window over the main window, the focus in it.
    virtual void Appear() = 0;
    enum class WakeReason { Woken, TimedOut };
    // Runs the event loop until Wake is called (also when it was called since the last wait)
    // or, given a timeout, until that has passed.
    virtual WakeReason WaitForWake(std::optional<std::chrono::milliseconds> timeout) = 0;
    // Ends the wait under way or the next one; called from any thread.
    virtual void Wake() = 0;
    // Hides the window and gives the main window its input back.
    virtual void Unblock() = 0;
};

// The application object: its command line and the ways the program ends.
class IApplication {
public:
    virtual ~IApplication() = default;
    // The arguments after the program's own path, as Windows-1251 text.
    virtual std::vector<std::string> Arguments() = 0;
    // Closes the main window, which ends the program.
    virtual void CloseMainWindow() = 0;
    // Asks the application to end once control returns to its message loop.
    virtual void Terminate() = 0;
};

}  // namespace ui
