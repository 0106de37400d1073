#pragma once
// The controls and services of a window as the portable window logic sees them. Each front end
// implements them with its toolkit's widgets; tests implement them in memory.

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "platform/Stoptoken.h"

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

class IMenuItem {
public:
    virtual ~IMenuItem() = default;
    virtual void SetCaption(const std::string& caption) = 0;
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

// The way back from a card operation running on its worker thread to the progress window.
class IProgressReport {
public:
    virtual ~IProgressReport() = default;
    // Hands the view to the window, which draws it on its own thread; only queues it.
    virtual void Report(const TProgressView& view) = 0;
    // Set once the user has asked to stop; the work polls it.
    virtual const platform::StopToken& StopRequest() const = 0;
};

// A modal window over the main window for a long card operation. The work runs on a worker
// thread while the window's thread shows the progress, keeps the main window painted and
// takes no commands; to the window logic it looks like a modal box.
class IProgressWindow {
public:
    virtual ~IProgressWindow() = default;
    // Runs work and returns once it has returned (passing on what it threw). The window shows
    // first until the work reports, and appears once showAfter has passed (at once when
    // zero): a short operation needs none. cancellable: "Отмена" and Escape ask the work to
    // stop through its StopRequest.
    virtual void Run(const TProgressView& first, bool cancellable, std::chrono::milliseconds showAfter,
                     const std::function<void(IProgressReport&)>& work) = 0;
    // Asks the work under way to stop, as "Отмена" does.
    virtual void Cancel() = 0;
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
