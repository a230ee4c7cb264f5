#include "dialogs/ModalAnswer.h"

#include "platform/Backend.h"
#include "platform/Events.h"
#include "platform/Session.h"
#include "platform/headless/Headless.h"

#include <deque>
#include <thread>

namespace ModalAnswer {

std::mutex& Mutex() {
  static std::mutex mutex;
  return mutex;
}

namespace {

// Static initialisation runs on the main thread.
const std::thread::id mainThread = std::this_thread::get_id();

std::deque<int>& Answers() {
  static std::deque<int> answers;
  return answers;
}

// The program's session wraps the headless backend in its own operations, so
// both the bare backend (tests) and a headless session count.
bool HeadlessBackend() { return Backend::Current() == &Headless::Ops() || ::Session::IsHeadless(); }

bool TakeLocked(int& answer) {
  const std::lock_guard<std::mutex> lock(Mutex());
  return Take(answer);
}

}  // namespace

void Push(int answer) {
  const std::lock_guard<std::mutex> lock(Mutex());
  Answers().push_back(answer);
}

void Clear() {
  const std::lock_guard<std::mutex> lock(Mutex());
  Answers().clear();
}

bool Take(int& answer) {
  std::deque<int>& answers = Answers();
  if (answers.empty()) return false;
  answer = answers.front();
  answers.pop_front();
  return true;
}

bool OnScreen() { return Backend::Current() != nullptr && std::this_thread::get_id() == mainThread; }

bool Unseen() { return !OnScreen() || HeadlessBackend(); }

Session::Session(Dialogs::ModalFilter filter, ItemOfAnswer itemOf, const void* context, int defaultItem)
    : filter_(filter), itemOf_(itemOf), context_(context), defaultItem_(defaultItem) {}

int Session::Next() {
  for (;;) {
    int answer = 0;
    if (HeadlessBackend()) {
      if (Headless::PendingSteps() == 0) {
        if (itemOf_ != nullptr && TakeLocked(answer)) {
          Headless::ClickItem(itemOf_(answer, context_));
        } else {
          if (defaultTaken_ || defaultItem_ <= 0) return 0;
          defaultTaken_ = true;
          return defaultItem_;
        }
      }
    } else if (itemOf_ != nullptr && TakeLocked(answer)) {
      if (const int item = itemOf_(answer, context_); Dialogs::IsItemVisible(Dialogs::FrontDialog(), item)) return item;
      continue;
    }
    int item = 0;
    Dialogs::ModalDialog(filter_, item);
    if (!Dialogs::ModalEnded()) {
      if (item > 0) return item;
      continue;
    }
    // Scripted input ran out inside the dialog: the queued answers go on.
    if (!(HeadlessBackend() && Events::InputEnded())) return 0;
  }
}

}  // namespace ModalAnswer
