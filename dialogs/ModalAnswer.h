// Where the dialogs of this folder get the operator's answer.
//
// On screen (the UI layer runs and the call comes from the main thread)
// a dialog is drawn and runs the layer's modal loop. Scripted input goes
// first; when none is left, the next answer that tests queued (Push)
// becomes a click on that answer's item, so it runs through the same loop;
// with no answer queued either, a headless run takes the dialog's default
// item once, and after that ends as a quit request would. On a real
// display the operator answers; a queued answer is taken as a hit at once.
//
// Off screen (no UI layer, or another thread) nothing is drawn: the caller
// writes its text to stderr and takes Take's answer or its default.
#pragma once

#include "platform/Dialogs.h"

#include <mutex>

namespace ModalAnswer {

void Push(int answer);
void Clear();
// The next queued answer; false when there is none. The caller holds
// Mutex.
bool Take(int& answer);
// Held by off-screen callers around their text and answer, so that
// threads do not mix them.
std::mutex& Mutex();

bool OnScreen();
// True when nobody sees the dialogs (headless or off screen): their text
// then goes to stderr.
bool Unseen();

// Maps a queued answer to the item it clicks (an item not shown: the
// answer is skipped, as a click beside the buttons would be). Nil for a
// dialog that takes no queued answers (a box with only OK).
using ItemOfAnswer = int (*)(int answer, const void* context);

// The hits of one on-screen dialog, the front one.
class Session {
 public:
  Session(Dialogs::ModalFilter filter, ItemOfAnswer itemOf, const void* context, int defaultItem);
  // The next item hit (never 0 from a filter that only swallowed a key);
  // 0 when a quit request, or a headless run out of answers, ends the
  // dialog.
  int Next();

 private:
  Dialogs::ModalFilter filter_;
  ItemOfAnswer itemOf_;
  const void* context_;
  int defaultItem_;
  bool defaultTaken_ = false;
};

}  // namespace ModalAnswer
