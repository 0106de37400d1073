#pragma once
// The controls and services of a window as the portable window logic sees them. Each front end
// implements them with its toolkit's widgets; tests implement them in memory.

#include <cstddef>
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

class IMenuItem {
public:
    virtual ~IMenuItem() = default;
    virtual void SetCaption(const std::string& caption) = 0;
};

// The modal dialog that opens one existing or typed file name.
class IOpenDialog {
public:
    virtual ~IOpenDialog() = default;
    // False when cancelled.
    virtual bool Execute(std::string& fileName) = 0;
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
