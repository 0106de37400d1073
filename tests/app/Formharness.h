#pragma once
// The main window's controls in memory, answering from a script and recording what happens,
// so that the window logic is driven exactly as a front end drives it.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/Body.h"
#include "platform/Dialogs.h"
#include "settings/Cardselectunit.h"
#include "support/Testsupport.h"

namespace formtest {

// One log for every control, so tests can see the order of events.
using EventLog = std::vector<std::string>;

// The flags of the window logic's boxes: buttons and icon.
constexpr unsigned kQuestion = 0x23, kInformation = 0x40, kWarning = 0x30, kError = 0x10;

// A box as it was shown: text, caption, flags.
using Said = std::tuple<std::string, std::string, unsigned>;
inline std::vector<Said> SaidBy(const platform::RecordingMessageBoxes& boxes) {
    std::vector<Said> said;
    for (const auto& box : boxes.boxes) said.emplace_back(box.text, box.caption, box.flags);
    return said;
}

class Boxes : public platform::RecordingMessageBoxes {
public:
    explicit Boxes(EventLog& log) : log_(log) {}
    int ShowMessage(const std::string& text, const std::string& caption, unsigned flags) override {
        log_.push_back("box " + caption);
        if (onShow) onShow(caption);
        return RecordingMessageBoxes::ShowMessage(text, caption, flags);
    }
    // Whatever happens while a box is up, by the box's caption.
    std::function<void(const std::string& caption)> onShow;

private:
    EventLog& log_;
};

class List : public ui::IListView {
public:
    void Clear() override {
        rows.clear();
        selected = -1;
    }
    void ReserveRows(std::size_t count) override { reserved = count; }
    void AddRow(const std::string& caption, const std::string& subItem) override { rows.emplace_back(caption, subItem); }
    std::size_t RowCount() override { return rows.size(); }
    std::string RowCaption(std::size_t row) override { return rows.at(row).first; }
    int SelectedRow() override { return selected; }
    void SelectRow(std::size_t row) override { selected = static_cast<int>(row); }

    std::vector<std::pair<std::string, std::string>> rows;
    int selected = -1;
    std::size_t reserved = 0;
};

class Edit : public ui::IEdit {
public:
    explicit Edit(EventLog& log) : log_(log) {}
    void SetText(const std::string& value) override {
        text = value;
        log_.push_back("status " + value);
    }
    std::string text;

private:
    EventLog& log_;
};

struct Announcement : ui::IAnnouncement {
    void Announce(const std::string& value) override { text = value; }
    std::string text;
};

class MenuItem : public ui::IMenuItem {
public:
    void SetCaption(const std::string& value) override { caption = value; }
    void SetChecked(bool value) override { checked = value; }
    std::string caption = "?";
    bool checked = false;
};

class OpenDialog : public ui::IOpenDialog {
public:
    // What the user picks: one file (chosen or typed), several, or nothing (nullopt: cancelled).
    struct Pick {
        Pick(std::nullopt_t /*cancelled*/) {}
        Pick(std::string one) : files{std::move(one)}, chosen(true) {}
        Pick(std::vector<std::string> several) : files(std::move(several)), chosen(true) {}
        std::vector<std::string> files;
        bool chosen = false;
    };

    bool Execute(std::vector<std::string>& fileNames) override {
        ++calls;
        if (answers.empty()) return false;
        const Pick pick = std::move(answers.front());
        answers.pop_front();
        if (pick.chosen) fileNames = pick.files;
        return pick.chosen;
    }
    std::deque<Pick> answers;
    int calls = 0;
};

// The progress window in step with the work: each wake from the worker thread (a report, the
// end) holds the worker until the window's thread has drawn it, so every view the work reports
// is kept, in order, and whatever the test does at a report happens while the work stands
// there. A test presses Cancel at a report, or does whatever the user might do while the
// window is up (onReport). The window never times out: a delayed one stays hidden.
class ProgressWindow : public ui::IProgressWindow {
public:
    struct Shown {
        ui::TProgressView first;
        bool cancellable = false;
        // The delay before the window appears: the first wait's timeout, zero when it appeared at once.
        std::chrono::milliseconds showAfter{};
        bool appeared = false;
        std::vector<ui::TProgressView> views;
    };

    void Block(bool stoppable, std::function<void()> stop) override {
        runs.push_back({});
        runs.back().cancellable = stoppable;
        stop_ = std::move(stop);
        const std::lock_guard<std::mutex> lock(mutex_);
        blocked_ = true;
        posted_ = taken_ = consumed_ = 0;
        waits_ = 0;
        drawn_ = false;
    }
    void Draw(const ui::TProgressView& view) override {
        if (!std::exchange(drawn_, true)) {
            runs.back().first = view;
            return;
        }
        runs.back().views.push_back(view);
        ++reports;
        if (reports == cancelAt) Cancel();
        if (onReport) onReport(reports);
    }
    void Appear() override { runs.back().appeared = true; }
    WakeReason WaitForWake(std::optional<std::chrono::milliseconds> timeout) override {
        if (waits_++ == 0 && timeout) runs.back().showAfter = *timeout;
        std::unique_lock<std::mutex> lock(mutex_);
        consumed_ = taken_;
        changed_.notify_all();
        changed_.wait(lock, [this] { return posted_ > taken_; });
        taken_ = posted_;
        return WakeReason::Woken;
    }
    void Wake() override {
        std::unique_lock<std::mutex> lock(mutex_);
        const int mine = ++posted_;
        changed_.notify_all();
        changed_.wait(lock, [this, mine] { return consumed_ >= mine || !blocked_; });
    }
    void Unblock() override {
        const std::lock_guard<std::mutex> lock(mutex_);
        blocked_ = false;
        changed_.notify_all();
    }
    // "Отмена", Escape or the close box.
    void Cancel() {
        if (stop_) stop_();
    }

    std::vector<Shown> runs;
    int reports = 0;    // over all runs, counted from 1
    int cancelAt = 0;   // the report at which "Отмена" is pressed; 0: never
    std::function<void(int report)> onReport;

private:
    std::function<void()> stop_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool blocked_ = false;
    // Wakes posted by the worker, taken by the window's thread, and dealt with (drawn).
    int posted_ = 0, taken_ = 0, consumed_ = 0;
    int waits_ = 0;
    bool drawn_ = false;
};

class Application : public ui::IApplication {
public:
    explicit Application(EventLog& log) : log_(log) {}
    std::vector<std::string> Arguments() override { return arguments; }
    void CloseMainWindow() override {
        closed = true;
        log_.push_back("close");
    }
    void Terminate() override {
        terminated = true;
        log_.push_back("terminate");
    }
    std::vector<std::string> arguments;
    bool closed = false;
    bool terminated = false;

private:
    EventLog& log_;
};

// The card-selection dialog: each showing types the scripted text (if any) and presses the
// scripted button; with the script used up it is cancelled.
// "Новая книга": records the form it is shown and answers from a script (edit, then Записать or
// Отмена); Отмена when the script is empty.
class NewBookDialog : public ui::INewBookDialog {
public:
    bool Execute(TNewBookForm& form) override {
        shown.push_back(form);
        if (script.empty()) return false;
        const auto step = std::move(script.front());
        script.pop_front();
        return step(form);
    }
    std::vector<TNewBookForm> shown;
    std::deque<std::function<bool(TNewBookForm&)>> script;
};

class FolderDialog : public ui::IFolderDialog {
public:
    bool Execute(std::string& folder) override {
        if (answers.empty()) return false;
        folder = answers.front();
        answers.pop_front();
        return true;
    }
    std::deque<std::string> answers;
};

// "Перемещение книги", "Упорядочить книги" and "Описание книги" answered by the test; closed
// when it has no answer.
class ArrangeDialogs : public ui::IPlaceDialog, public ui::ISortDialog, public ui::IBookNamesDialog {
public:
    bool Execute(const std::string&, std::size_t, std::size_t& place) override { return Answer(places, place); }
    bool Execute(TBookOrder& order) override { return Answer(orders, order); }
    bool Execute(TNewBookForm& form) override {
        shown.push_back(form);
        return Answer(names, form);
    }
    std::deque<std::size_t> places;
    std::deque<TBookOrder> orders;
    std::deque<TNewBookForm> names;
    std::vector<TNewBookForm> shown;

private:
    template <typename T>
    static bool Answer(std::deque<T>& answers, T& value) {
        if (answers.empty()) return false;
        value = answers.front();
        answers.pop_front();
        return true;
    }
};

class CardSelectView : public ICardSelectView {
public:
    explicit CardSelectView(EventLog& log) : log_(log) {}
    void SetPrompt(const std::string& value) override { prompt = value; }
    void ClearDrives() override { drives.clear(); }
    void AddDrive(const std::string& text) override { drives.push_back(text); }
    void SetText(const std::string& value) override { text = value; }
    std::string Text() override { return text; }
    int ShowModal() override {
        ++shows;
        log_.push_back("dialog");
        textsShown.push_back(text);
        if (script.empty()) return platform::kIdCancel;
        const auto [button, typed] = script.front();
        script.pop_front();
        if (typed) text = *typed;
        return button;
    }
    std::string prompt;
    std::vector<std::string> drives;
    std::string text;
    std::deque<std::pair<int, std::optional<std::string>>> script;
    std::vector<std::string> textsShown;
    int shows = 0;

private:
    EventLog& log_;
};

// A main window on a test card: a folder "card" and the user's folders inside one temporary folder.
class Harness {
public:
    Harness()
        : test(dir),
          boxes(log),
          status(log),
          application(log),
          cardSelect(log),
          form(Controls(), test.platform) {
        testsupport::MakeDirs(card());
    }

    TForm1Controls Controls() {
        return TForm1Controls{boxes, books, status,   n9,       openDialog, application, cardSelect,
                              progress, &newBook, &folderDialog, &arrange, &arrange, &arrange, &announcement, &n17};
    }
    // The test's platform with another file system, such as one with the card's mishaps.
    platform::Platform PlatformWith(platform::IFileSystem& files) {
        return platform::Platform{files, test.folders, test.platform.extractor, test.drives, test.system,
                                  platform::IntegrationStyle::FreeDesktop, nullptr};
    }

    std::string card() const { return dir / "card"; }
    std::string settingsFile() const { return dir / "appdata/kv8102tz/ZWQManager/ZWQManager.ini"; }
    void StoreSettings(const std::vector<std::string>& lines) {
        testsupport::WriteFile(settingsFile(), testsupport::Crlf(lines));
    }
    // Settings naming the test card, the integration question already answered.
    void StoreCard() { StoreSettings({"CARD_PATH=" + card(), "IS_ASKED_FOR_INTEGRATION=YES"}); }
    // The list's rows, and the caption of the current row (empty when no row is selected).
    std::vector<std::string> Rows() const {
        std::vector<std::string> rows;
        for (const auto& row : books.rows) rows.push_back(row.first);
        return rows;
    }
    std::string Current() const { return books.selected < 0 ? std::string() : books.rows.at(books.selected).first; }
    // Slot numbers of the books on the card, by title, from a fresh scan.
    std::map<std::string, int> Slots() {
        TMemoryCard model(test.platform);
        model.SetCardPath(card());
        model.Scan();
        std::map<std::string, int> slots;
        for (const auto& book : model.Books) slots[book->Title] = book->Number;
        return slots;
    }

    testsupport::TempDir dir;
    testsupport::TestPlatform test;
    EventLog log;
    Boxes boxes;
    List books;
    Edit status;
    MenuItem n9, n17;
    OpenDialog openDialog;
    Application application;
    CardSelectView cardSelect;
    ProgressWindow progress;
    NewBookDialog newBook;
    FolderDialog folderDialog;
    ArrangeDialogs arrange;
    Announcement announcement;
    TForm1 form;
};

}  // namespace formtest
