#include "dialogs/Alert.h"

#include <cstdio>
#include <deque>
#include <mutex>

#include "foundation/IOFiles.h"
#include "foundation/Strings.h"
#include "foundation/platform/Host.h"
#include "shell/Mouse.h"

namespace Alert {

namespace {

struct Script {
  std::mutex mutex;
  std::deque<int> answers;
};

Script& TheScript() {
  static Script script;
  return script;
}

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

void WriteText(std::span<const char> text) {
  const int length = Strings::Length(text);
  for (int i = 0; i < length; ++i) std::fputc(text[i] == LF[0] ? '\n' : text[i], stderr);
}

// The message, then the buttons with the default marked and the one pressed.
void Show(std::span<const char> message, const std::span<const char> (&titles)[3],
          const bool (&shown)[3], int defaultButton, int pressed) {
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

// The next scripted answer that names a shown button, else the default
// when it is shown, else 0.
int Press(const bool (&shown)[3], int defaultButton) {
  Script& script = TheScript();
  while (!script.answers.empty()) {
    const int answer = script.answers.front();
    script.answers.pop_front();
    if (answer >= 1 && answer <= 3 && shown[answer - 1]) return answer;
  }
  return defaultButton >= 1 && defaultButton <= 3 && shown[defaultButton - 1] ? defaultButton : 0;
}

int Run(std::span<const char> message, const std::span<const char> (&titles)[3], int defaultButton) {
  const ArrowWhileShown arrow;
  const bool shown[3] = {Strings::Length(titles[0]) > 0, Strings::Length(titles[1]) > 0,
                         Strings::Length(titles[2]) > 0};
  const std::lock_guard<std::mutex> lock(TheScript().mutex);
  const int pressed = Press(shown, defaultButton);
  Show(message, titles, shown, defaultButton, pressed);
  return pressed;
}

}  // namespace

void Beep() { Platform::Sys_Beep(1); }

void OK(std::span<const char> message) {
  const std::span<const char> titles[3] = {"OK", "", ""};
  const ArrowWhileShown arrow;
  const bool shown[3] = {true, false, false};
  const std::lock_guard<std::mutex> lock(TheScript().mutex);
  Show(message, titles, shown, 1, 1);
}

bool YesNo(std::span<const char> question, bool yesIsDefault) {
  const std::span<const char> titles[3] = {"Yes", "No", ""};
  return Run(question, titles, yesIsDefault ? 1 : 2) == 1;
}

int Choice(std::span<const char> message, std::span<const char> button1,
           std::span<const char> button2, std::span<const char> button3, int defaultButton) {
  const std::span<const char> titles[3] = {button1, button2, button3};
  return Run(message, titles, defaultButton);
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

void PushAnswer(int button) {
  Script& script = TheScript();
  const std::lock_guard<std::mutex> lock(script.mutex);
  script.answers.push_back(button);
}

void ClearAnswers() {
  Script& script = TheScript();
  const std::lock_guard<std::mutex> lock(script.mutex);
  script.answers.clear();
}

}  // namespace Alert
