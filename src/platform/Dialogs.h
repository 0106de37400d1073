#pragma once
// Modal message boxes. The portable modules decide what a box says; the front end that owns
// the windows shows it. Until a front end provides one, and in tests, boxes are recorded.

#include <deque>
#include <string>
#include <vector>

namespace platform {

// Flags of a box, with the values the Windows message box uses.
enum MessageFlags : unsigned {
    kMbOk = 0x00,
    kMbYesNoCancel = 0x03,
    kMbIconError = 0x10,
    kMbIconQuestion = 0x20,
    kMbIconWarning = 0x30,
    kMbIconInformation = 0x40,
};
inline constexpr unsigned kMbButtonsMask = 0x0F;
inline constexpr unsigned kMbIconMask = 0xF0;

// The button that closed a box.
enum MessageResult : int {
    kIdOk = 1,
    kIdCancel = 2,
    kIdYes = 6,
    kIdNo = 7,
};

class IMessageBoxes {
public:
    virtual ~IMessageBoxes() = default;
    // Shows a modal box with a Windows-1251 text and caption; returns the button pressed.
    virtual int ShowMessage(const std::string& text, const std::string& caption, unsigned flags) = 0;
};

// Keeps every box it is asked to show and answers from a script: the queued answers in turn,
// then OK for a box with one button and Cancel for a question.
class RecordingMessageBoxes : public IMessageBoxes {
public:
    struct Box {
        std::string text;
        std::string caption;
        unsigned flags = 0;
    };

    int ShowMessage(const std::string& text, const std::string& caption, unsigned flags) override {
        boxes.push_back(Box{text, caption, flags});
        if (!answers.empty()) {
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return (flags & kMbButtonsMask) == kMbYesNoCancel ? kIdCancel : kIdOk;
    }

    std::vector<Box> boxes;
    std::deque<int> answers;
};

}  // namespace platform
