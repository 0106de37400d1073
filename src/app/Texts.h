#pragma once
// The texts the user reads in the window logic's boxes, status line and progress window, as
// Windows-1251 text. The card's own words for its findings and errors are the card's.

#include <string>

namespace texts {

extern const std::string kMegabytes;  // " Мб"
extern const std::string kKilobytes;
extern const std::string kOf;         // " из "

// The status line.
extern const std::string kStatusBooks;
extern const std::string kStatusTotal;
extern const std::string kStatusFree;
extern const std::string kStatusEnd;
extern const std::string kCardNotFound;

// The line under it that says what the last command did to the current book: "Книга
// перемещена на место " + its place.
extern const std::string kMovedToPlace;

// Boxes.
extern const std::string kCardMissing;
extern const std::string kCaptionCheck;
extern const std::string kBookWord;
extern const std::string kWrittenTail;
extern const std::string kCaptionWrite;
extern const std::string kWriteErrorHead;
extern const std::string kWriteErrorTail;
extern const std::string kDeleteQuestionHead;
extern const std::string kDeleteQuestionTail;
extern const std::string kCaptionDelete;
extern const std::string kDeleteAwaitsCheck;
extern const std::string kCaptionEdit;
extern const std::string kEditAwaitsCheck;
extern const std::string kCheckNowQuestion;
extern const std::string kDeletedTail;
extern const std::string kNoBooks;
extern const std::string kDeleteManyHead;
extern const std::string kDeleteManyTail;
extern const std::string kCaptionDeleteMany;
extern const std::string kDeleteManyErrors;
extern const std::string kDeleteManyDone;
extern const std::string kCaptionWriteMany;
extern const std::string kWriteManyErrors;
extern const std::string kWriteManyDone;
extern const std::string kCaptionCardCheck;
extern const std::string kRepairQuestion;
extern const std::string kTroubleQuestion;
extern const std::string kBookAccusative;
extern const std::string kRemovalUnfinished;
extern const std::string kRemovalStaysListed;
extern const std::string kWriteCancelledHead;
extern const std::string kWriteCancelledTail;
extern const std::string kWrittenBeforeCancel;
extern const std::string kCloseDuringWrite;
extern const std::string kRemovedLeftAlone;
// A removal the card refused, or that a held descriptor stopped: "Книга X" + kRemovalCardRefused;
// "Книгу X" + kRemovalHeld + kHeldFile + path + kHeldTail + kRemovalHeldAdvice; "Книга X" +
// kRenumberingStopped + kHeldFile + path + kHeldTail + kRenumberingAdvice.
extern const std::string kRemovalCardRefused;
extern const std::string kRemovalHeld;
extern const std::string kHeldFile;
extern const std::string kHeldTail;
extern const std::string kRemovalHeldAdvice;
extern const std::string kRenumberingStopped;
extern const std::string kRenumberingAdvice;
extern const std::string kAboutCaption;
// The about box, with the version and the maker's address.
std::string AboutText(const std::string& version, const std::string& makerAddress);
// The answer to "--help", the switches named as this system spells them.
std::string HelpText(const std::string& version, const std::string& integrate, const std::string& desintegrate,
                     const std::string& check);
extern const std::string kProgramName;  // "ZWQ-менеджер"

// The progress window.
extern const std::string kWriteCaption;
extern const std::string kDeleteCaption;
extern const std::string kRepairCaption;
extern const std::string kArrangeCaption;
extern const std::string kArranging;
extern const std::string kBatchHead;
extern const std::string kBatchTail;
extern const std::string kPreparing;
extern const std::string kRemoving;
extern const std::string kChecking;
extern const std::string kRepairing;
extern const std::string kUnpacking;
extern const std::string kCopying;
extern const std::string kFlushing;
extern const std::string kVerifying;
extern const std::string kRenumbering;
extern const std::string kPercent;
extern const std::string kSeparator;
extern const std::string kTimeLeft;
extern const std::string kSecondSingular;
extern const std::string kSecondPlural;
extern const std::string kMinuteSingular;
extern const std::string kMinutePlural;
extern const std::string kCancel;  // "Отмена"

}  // namespace texts
