#include "dialogs/Alert.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

#include "dialogs/DialogUtils.h"
#include "dialogs/ModalAnswer.h"
#include "dialogs/NumberField.h"
#include "foundation/Decode.h"
#include "foundation/IOFiles.h"
#include "foundation/Strings.h"
#include "foundation/platform/Host.h"
#include "platform/Dialogs.h"
#include "platform/TextEdit.h"
#include "platform/Windows.h"
#include "shell/ModSound.h"
#include "shell/Mouse.h"

namespace Alert {

std::atomic<bool> Cancelled{false};

namespace {

using Dialogs::Dialog;
using Titles = std::span<const char>[3];

constexpr int kOkItem = 1;
constexpr int kCancelItem = 2;
constexpr int kRevertItem = 3;
// Items of the editing dialogs.
constexpr int kPromptItem = 3;
constexpr int kTextItem = 4;
constexpr int kPrompt2Item = 6;
constexpr int kText2Item = 7;
constexpr int kBigPromptItem = 5;
constexpr int kBigTextItem = 6;
// Items of the choice dialog: the buttons follow item 1.
constexpr int kMessageItem = 5;

constexpr int kTextLimit = 256;
constexpr int kBigTextLimit = 1023;
constexpr int kPromptSize = 128;
constexpr int kNumberSize = 41;
constexpr char kTruncated[] = "Truncated: ";

// The operator sees the arrow while an alert waits; the shape that long work
// had set comes back afterwards.
class ArrowWhileShown {
 public:
  ArrowWhileShown() : saved_(Mouse::GetCursorShape()) { Mouse::SetCursorShape(Mouse::kArrow); }
  ~ArrowWhileShown() { Mouse::SetCursorShape(saved_); }
  ArrowWhileShown(const ArrowWhileShown&) = delete;
  ArrowWhileShown& operator=(const ArrowWhileShown&) = delete;

 private:
  int saved_;
};

// A dialog of the resource file in front of all windows, disposed at the
// end of the scope; nil when the template is missing.
class FrontDialog {
 public:
  explicit FrontDialog(int id) : dialog_(Dialogs::GetNewDialog(id)) {}
  ~FrontDialog() { Dialogs::DisposeDialog(dialog_); }
  FrontDialog(const FrontDialog&) = delete;
  FrontDialog& operator=(const FrontDialog&) = delete;
  Dialog* Get() const { return dialog_; }
  void Show() const {
    Windows::ShowWindow(Dialogs::GetDialogWindow(dialog_));
    Windows::SelectWindow(Dialogs::GetDialogWindow(dialog_));
  }

 private:
  Dialog* dialog_;
};

void WriteText(std::span<const char> text) {
  const int length = Strings::Length(text);
  for (int i = 0; i < length; ++i) std::fputc(text[i] == LF[0] ? '\n' : text[i], stderr);
}

// The message, then the buttons with the default marked and the one pressed.
void Show(std::span<const char> message, const Titles& titles, const bool (&shown)[3], int defaultButton,
          int pressed) {
  WriteText(message);
  std::fputs("\n ", stderr);
  for (int i = 0; i < 3; ++i) {
    if (!shown[i]) continue;
    std::fputs(i + 1 == defaultButton ? " [[" : " [", stderr);
    WriteText(titles[i]);
    std::fputs(i + 1 == defaultButton ? "]]" : "]", stderr);
  }
  std::fputs(" -> ", stderr);
  if (pressed >= 1 && pressed <= 3) WriteText(titles[pressed - 1]);
  std::fputs("\n", stderr);
  std::fflush(stderr);
}

// The next queued answer that names a shown button, else the default when
// it is shown, else 0.
int Press(const bool (&shown)[3], int defaultButton) {
  int answer = 0;
  while (ModalAnswer::Take(answer)) {
    if (answer >= 1 && answer <= 3 && shown[answer - 1]) return answer;
  }
  return defaultButton >= 1 && defaultButton <= 3 && shown[defaultButton - 1] ? defaultButton : 0;
}

// Off screen: the text and the queued or default answer. A box with one
// button takes no queued answer: they are left for the questions.
int AnswerUnseen(std::span<const char> message, const Titles& titles, const bool (&shown)[3], int defaultButton,
                 bool takesAnswers) {
  const std::lock_guard<std::mutex> lock(ModalAnswer::Mutex());
  const int pressed = takesAnswers ? Press(shown, defaultButton) : defaultButton;
  Show(message, titles, shown, defaultButton, pressed);
  return pressed;
}

void ShowIfUnseen(std::span<const char> message, const Titles& titles, const bool (&shown)[3], int defaultButton,
                  int pressed) {
  if (!ModalAnswer::Unseen()) return;
  const std::lock_guard<std::mutex> lock(ModalAnswer::Mutex());
  Show(message, titles, shown, defaultButton, pressed);
}

// The answer each item of an alert template gives (index: item - 1).
struct AlertLayout {
  int id;
  int answerOfItem[3];
};

constexpr AlertLayout kOkLayout{131, {1, 0, 0}};
constexpr AlertLayout kNoYesLayout{132, {2, 1, 0}};
constexpr AlertLayout kYesNoLayout{133, {1, 2, 0}};
// Item i gives i, 4 - i and (i mod 3) + 1.
constexpr AlertLayout kYesDefaultLayout{134, {1, 2, 3}};
constexpr AlertLayout kCancelDefaultLayout{135, {3, 2, 1}};
constexpr AlertLayout kNoDefaultLayout{136, {2, 3, 1}};

int ItemOfAlertAnswer(int answer, const void* context) {
  const auto& layout = *static_cast<const AlertLayout*>(context);
  const int* found = std::find(std::begin(layout.answerOfItem), std::end(layout.answerOfItem), answer);
  return answer > 0 && found != std::end(layout.answerOfItem) ? static_cast<int>(found - layout.answerOfItem) + 1 : 0;
}

int ItemIsAnswer(int answer, const void*) { return answer; }

// Runs an alert template with the four parameter texts; the answer of the
// item hit, 0 when it ended without one.
int RunAlert(const AlertLayout& layout, bool takesAnswers, std::span<const char> p0, std::span<const char> p1 = {},
             std::span<const char> p2 = {}, std::span<const char> p3 = {}) {
  Dialogs::ParamText(p0, p1, p2, p3);
  const FrontDialog alert(layout.id);
  if (alert.Get() == nullptr) return 0;
  Dialogs::SetDefaultItem(alert.Get(), kOkItem);
  alert.Show();
  ModalAnswer::Session session(nullptr, takesAnswers ? ItemOfAlertAnswer : nullptr, &layout, kOkItem);
  const int item = session.Next();
  return item >= 1 && item <= 3 ? layout.answerOfItem[item - 1] : 0;
}

// A question with buttons of fixed titles in one of the alert layouts.
int Ask(std::span<const char> message, const Titles& titles, int defaultButton, const AlertLayout& layout,
        bool takesAnswers = true) {
  const ArrowWhileShown arrow;
  const bool shown[3] = {Strings::Length(titles[0]) > 0, Strings::Length(titles[1]) > 0,
                         Strings::Length(titles[2]) > 0};
  if (!ModalAnswer::OnScreen()) return AnswerUnseen(message, titles, shown, defaultButton, takesAnswers);
  const int pressed = RunAlert(layout, takesAnswers, message);
  ShowIfUnseen(message, titles, shown, defaultButton, pressed);
  return pressed;
}

void WriteEdit(std::span<const char> prompt1, std::span<const char> text1, std::span<const char> prompt2,
               std::span<const char> text2, bool twoTexts, bool ok) {
  WriteText(prompt1);
  std::fputs("\n  [", stderr);
  WriteText(text1);
  std::fputs("]\n", stderr);
  if (twoTexts) {
    WriteText(prompt2);
    std::fputs("\n  [", stderr);
    WriteText(text2);
    std::fputs("]\n", stderr);
  }
  std::fputs(ok ? " -> OK\n" : " -> Cancel\n", stderr);
  std::fflush(stderr);
}

// Off screen: the queued answer or OK, the texts unchanged.
bool EditUnseen(std::span<const char> prompt1, std::span<const char> text1, std::span<const char> prompt2,
                std::span<const char> text2, bool twoTexts) {
  const std::lock_guard<std::mutex> lock(ModalAnswer::Mutex());
  int answer = kOkItem;
  ModalAnswer::Take(answer);
  const bool ok = answer != kCancelItem;
  WriteEdit(prompt1, text1, prompt2, text2, twoTexts, ok);
  Cancelled = !ok;
  return ok;
}

void WriteEditIfUnseen(std::span<const char> prompt1, std::span<const char> text1, std::span<const char> prompt2,
                       std::span<const char> text2, bool twoTexts, bool ok) {
  if (!ModalAnswer::Unseen()) return;
  const std::lock_guard<std::mutex> lock(ModalAnswer::Mutex());
  WriteEdit(prompt1, text1, prompt2, text2, twoTexts, ok);
}

// Runs the edit dialog's hits until OK (true) or Cancel or the end (false,
// Cancelled set). revert, when given, is called for the revert button.
bool RunEdit(Dialogs::ModalFilter filter, void (*revert)(Dialog*, const void*), Dialog* d, const void* context) {
  ModalAnswer::Session session(filter, ItemIsAnswer, nullptr, kOkItem);
  for (;;) {
    const int item = session.Next();
    if (item == kOkItem) return true;
    if (item == kCancelItem || item == 0) {
      Cancelled = true;
      return false;
    }
    if (item == kRevertItem && revert != nullptr) revert(d, context);
  }
}

// One run of the editing dialog 150 or 153; with OK and editable the texts
// are read back whole (up to their working size), so that the caller sees
// a text too long for its variable instead of one cut silently.
bool DoEditStrings(std::span<const char> prompt1, std::span<char> text1, std::span<const char> prompt2,
                   std::span<char> text2, bool twoTexts, bool editable, int templateID) {
  Cancelled = false;
  const ArrowWhileShown arrow;
  if (!ModalAnswer::OnScreen()) return EditUnseen(prompt1, text1, prompt2, text2, twoTexts);
  const DialogUtils::ScrapExchange exchange;
  const FrontDialog dialog(templateID);
  Dialog* d = dialog.Get();
  if (d == nullptr) {
    Cancelled = true;
    return false;
  }
  DialogUtils::SetItemText(d, kPromptItem, prompt1);
  Dialogs::SetItemText(d, kTextItem, text1);
  DialogUtils::SetItemProc(d, kOkItem, DialogUtils::OutlineButtonUPP);
  if (twoTexts) {
    DialogUtils::SetItemText(d, kPrompt2Item, prompt2);
    Dialogs::SetItemText(d, kText2Item, text2);
  }
  Dialogs::SelectItemText(d, kTextItem, 0, editable ? TextEdit::kMaxLength : 0);
  dialog.Show();
  const bool ok = RunEdit(DialogUtils::FilterUPP, nullptr, d, nullptr);
  if (ok && editable) {
    Dialogs::GetItemText(d, kTextItem, text1);
    if (twoTexts) Dialogs::GetItemText(d, kText2Item, text2);
  }
  WriteEditIfUnseen(prompt1, text1, prompt2, text2, twoTexts, ok);
  return ok;
}

}  // namespace

namespace {

// The caller's text for the revert button of the big text.
void RevertBigText(Dialog* d, const void* callerText) {
  Dialogs::SetItemText(d, kBigTextItem, *static_cast<const std::span<const char>*>(callerText));
  Dialogs::SelectItemText(d, kBigTextItem, 0, TextEdit::kMaxLength);
}

// One run of the big-text dialog 2000. Its text is set and read through
// the edit item whole, up to 1,023 characters. Not editable, OK gives
// FALSE as well.
bool DoEditBigString(std::span<const char> prompt, std::span<const char> callerText, std::span<char> text,
                     bool returnIsOK, bool editable) {
  Cancelled = false;
  if (!ModalAnswer::OnScreen()) return EditUnseen(prompt, text, {}, {}, false) && editable;
  const DialogUtils::ScrapExchange exchange;
  const FrontDialog dialog(2000);
  Dialog* d = dialog.Get();
  if (d == nullptr) {
    Cancelled = true;
    return false;
  }
  if (returnIsOK) DialogUtils::SetItemProc(d, kOkItem, DialogUtils::OutlineButtonUPP);
  DialogUtils::SetItemText(d, kBigPromptItem, prompt);
  Dialogs::SetItemText(d, kBigTextItem, text);
  Dialogs::SelectItemText(d, kBigTextItem, 0, editable ? TextEdit::kMaxLength : 0);
  dialog.Show();
  const bool ok = RunEdit(returnIsOK ? DialogUtils::FilterUPP : DialogUtils::FilterNoCRUPP,
                          editable ? RevertBigText : nullptr, d, &callerText);
  if (ok && editable) Dialogs::GetItemText(d, kBigTextItem, text);
  WriteEditIfUnseen(prompt, text, {}, {}, false, ok);
  return ok && editable;
}

// The longest text a variable takes: its capacity less the NUL, at most
// the limit.
int Longest(std::span<char> variable, int limit) {
  return std::min(static_cast<int>(variable.size()) - 1, limit);
}

void CutTo(std::span<char> text, int length) {
  if (Strings::Length(text) > length) text[static_cast<std::size_t>(length)] = '\0';
}

void TruncatedPrompt(std::span<char> working, std::span<const char> prompt) {
  Strings::Assign(working, kTruncated);
  Strings::Concat(working, prompt);
}

// A number's text in the field of template 150; the field's text when
// left with OK, else empty.
bool EditNumber(std::span<const char> prompt, std::span<char> field) {
  char unused[1] = "";
  return DoEditStrings(prompt, field, {}, unused, false, true, 150);
}

double ReadReal(std::span<const char> prompt, std::span<char> field, double value) {
  double read = value;
  if (EditNumber(prompt, field) && NumberField::ReadReal(field, read)) return read;
  return value;
}

}  // namespace

void Beep() { Bell(1); }

void Bell(int count) {
  ModSound::Off();
  for (int i = 0; i < std::max(count, 1); ++i) Platform::Sys_Beep(1);
}

namespace {

AnswerProc answerProc;

// The seam's operator reads the message; FALSE when the answer was 0.
// A box that takes queued answers gets it queued.
bool AskOperator(std::span<const char> message, bool queued) {
  if (!answerProc) return true;
  const int answer = answerProc(std::string_view(message.data(), static_cast<std::size_t>(Strings::Length(message))));
  if (answer == 0) return false;
  if (queued) ModalAnswer::Push(answer);
  return true;
}

}  // namespace

void OK(std::span<const char> message) {
  AskOperator(message, false);
  const Titles titles = {"OK", "", ""};
  Ask(message, titles, 1, kOkLayout, false);
}

bool YesNo(std::span<const char> question, bool yesIsDefault) {
  const Titles titles = {"Yes", "No", ""};
  return Ask(question, titles, yesIsDefault ? 1 : 2, yesIsDefault ? kYesNoLayout : kNoYesLayout) == 1;
}

int YesNoCancel(std::span<const char> question, int defaultAnswer) {
  const Titles titles = {"Yes", "No", "Cancel"};
  const AlertLayout& layout =
      defaultAnswer == 1 ? kYesDefaultLayout : defaultAnswer == 3 ? kCancelDefaultLayout : kNoDefaultLayout;
  const int answer = Ask(question, titles, layout.answerOfItem[0], layout);
  return answer == 0 ? 3 : answer;
}

int Choice(std::span<const char> message, std::span<const char> button1, std::span<const char> button2,
           std::span<const char> button3, int defaultButton) {
  if (!AskOperator(message, true)) return 0;
  const ArrowWhileShown arrow;
  const Titles titles = {button1, button2, button3};
  const bool shown[3] = {Strings::Length(button1) > 0, Strings::Length(button2) > 0, Strings::Length(button3) > 0};
  const bool validDefault = defaultButton >= 1 && defaultButton <= 3 && shown[defaultButton - 1];
  if (!ModalAnswer::OnScreen()) return AnswerUnseen(message, titles, shown, defaultButton, true);
  const FrontDialog dialog(137);
  Dialog* d = dialog.Get();
  if (d == nullptr) return 0;
  DialogUtils::SetItemText(d, kMessageItem, message);
  for (int b = 1; b <= 3; ++b) {
    DialogUtils::SetItemText(d, b + 1, titles[b - 1]);
    DialogUtils::ShowControl(d, b + 1, shown[b - 1]);
  }
  if (validDefault) DialogUtils::SetItemProc(d, defaultButton + 1, DialogUtils::OutlineButtonUPP);
  dialog.Show();
  // Answer b is a click on item b + 1.
  ModalAnswer::Session session(
      nullptr, [](int answer, const void*) { return answer >= 1 && answer <= 3 ? answer + 1 : 0; }, nullptr,
      validDefault ? defaultButton + 1 : 0);
  int pressed = -1;
  while (pressed < 0) {
    const int item = session.Next();
    if (item == 0) {
      pressed = 0;
    } else if (item == 1 && validDefault) {
      pressed = 1;
    } else if (item >= 2 && item <= 4 && shown[item - 2]) {
      pressed = item - 1;
    }
  }
  ShowIfUnseen(message, titles, shown, defaultButton, pressed);
  return pressed;
}

namespace {

bool EditTexts(std::span<const char> prompt1, std::span<char> text1, std::span<const char> prompt2,
               std::span<char> text2, bool twoTexts) {
  const int longest1 = Longest(text1, kTextLimit);
  const int longest2 = Longest(text2, kTextLimit);
  char workingPrompt1[kPromptSize];
  char workingPrompt2[kPromptSize];
  char working1[kTextLimit + 1];
  char working2[kTextLimit + 1];
  Strings::Assign(workingPrompt1, prompt1);
  Strings::Assign(workingPrompt2, prompt2);
  Strings::Assign(working1, text1);
  Strings::Assign(working2, text2);
  for (;;) {
    CutTo(working1, longest1);
    if (twoTexts) CutTo(working2, longest2);
    if (!DoEditStrings(workingPrompt1, working1, workingPrompt2, working2, twoTexts, true, twoTexts ? 153 : 150)) {
      return false;
    }
    const bool fits1 = Strings::Length(working1) <= longest1;
    const bool fits2 = !twoTexts || Strings::Length(working2) <= longest2;
    if (fits1 && fits2) {
      Strings::Assign(text1, working1);
      if (twoTexts) Strings::Assign(text2, working2);
      return true;
    }
    if (!fits1) TruncatedPrompt(workingPrompt1, prompt1);
    if (!fits2) TruncatedPrompt(workingPrompt2, prompt2);
  }
}

bool ShowTexts(std::span<const char> prompt1, std::span<const char> text1, std::span<const char> prompt2,
               std::span<const char> text2, bool twoTexts) {
  char shown1[kTextLimit + 1];
  char shown2[kTextLimit + 1];
  Strings::Assign(shown1, text1);
  Strings::Assign(shown2, text2);
  return DoEditStrings(prompt1, shown1, prompt2, shown2, twoTexts, false, twoTexts ? 153 : 150);
}

}  // namespace

bool EditString(std::span<const char> prompt, std::span<char> text) {
  char unused[1] = "";
  return EditTexts(prompt, text, {}, unused, false);
}

bool Edit2Strings(std::span<const char> prompt1, std::span<char> text1, std::span<const char> prompt2,
                  std::span<char> text2) {
  return EditTexts(prompt1, text1, prompt2, text2, true);
}

bool EditBigString(std::span<const char> prompt, std::span<char> text, bool returnIsOK) {
  const ArrowWhileShown arrow;
  const int longest = Longest(text, kBigTextLimit);
  char workingPrompt[kPromptSize];
  char working[kBigTextLimit + 1];
  Strings::Assign(workingPrompt, prompt);
  Strings::Assign(working, text);
  for (;;) {
    CutTo(working, longest);
    if (!DoEditBigString(workingPrompt, text, working, returnIsOK, true)) return false;
    if (Strings::Length(working) <= longest) {
      Strings::Assign(text, working);
      return true;
    }
    TruncatedPrompt(workingPrompt, prompt);
  }
}

bool ShowString(std::span<const char> prompt, std::span<const char> text) {
  return ShowTexts(prompt, text, {}, {}, false);
}

bool Show2Strings(std::span<const char> prompt1, std::span<const char> text1, std::span<const char> prompt2,
                  std::span<const char> text2) {
  return ShowTexts(prompt1, text1, prompt2, text2, true);
}

void ShowBigString(std::span<const char> prompt, std::span<const char> text) {
  const ArrowWhileShown arrow;
  char shown[kBigTextLimit + 1];
  Strings::Assign(shown, text);
  DoEditBigString(prompt, shown, shown, false, false);
}

std::int32_t Number(std::span<const char> prompt, std::int32_t value) {
  char field[kNumberSize];
  Decode::Integer(value, field, 0);
  std::int32_t read = value;
  if (EditNumber(prompt, field) && NumberField::ReadInteger(field, read)) return read;
  return value;
}

double Real(std::span<const char> prompt, double value) {
  char field[kNumberSize];
  Decode::Scientific(value, field, 14);
  return ReadReal(prompt, field, value);
}

double Fixed(std::span<const char> prompt, double value, int decimals) {
  char field[kNumberSize];
  Decode::Fixed(value, field, 16, decimals);
  return ReadReal(prompt, field, value);
}

void IOError(std::span<const char> message) {
  Beep();
  char line[129];
  char error[81];
  Strings::Assign(line, message);
  Strings::Concat(line, ": ");
  IOFiles::Message(IOFiles::GetError(), error);
  Strings::Concat(line, error);
  OK(line);
}

void Big(std::span<const char> text1, std::span<const char> text2, std::span<const char> text3,
         std::span<const char> text4) {
  const ArrowWhileShown arrow;
  if (ModalAnswer::Unseen()) {
    const std::lock_guard<std::mutex> lock(ModalAnswer::Mutex());
    for (const std::span<const char> text : {text1, text2, text3, text4}) {
      WriteText(text);
      std::fputs("\n", stderr);
    }
    std::fflush(stderr);
  }
  if (ModalAnswer::OnScreen()) RunAlert(AlertLayout{160, {1, 0, 0}}, false, text1, text2, text3, text4);
}

void PushAnswer(int button) { ModalAnswer::Push(button); }

void ClearAnswers() { ModalAnswer::Clear(); }

void SetAnswerProc(AnswerProc proc) { answerProc = std::move(proc); }

}  // namespace Alert
