// Shared by the dialogs' tests: the headless layer on the virtual clock,
// the buffer heap for the paste buffer, the dialog utilities, no queued
// answers; the system clipboard's text read and written directly.
#pragma once

#include "platform/tests/Golden_fixture.h"

#include <string>
#include <string_view>

class DialogsUiTest : public UiTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Queues the script's steps (Headless::RunScript).
  static void Script(std::string_view steps);
};

void PutClipboard(std::string_view text);
// "<none>" when the clipboard holds no text.
std::string Clipboard();

// The shipped resource text without the template of this number, for the
// test's duration.
class WithoutTemplate {
 public:
  explicit WithoutTemplate(int id);
  ~WithoutTemplate();
  WithoutTemplate(const WithoutTemplate&) = delete;
  WithoutTemplate& operator=(const WithoutTemplate&) = delete;
};

// A step that compares the front dialog's pixels with the golden of this
// name when it comes (the name must outlive the step).
void QueueGoldenCheck(const char* name);
// A step that copies the front dialog's item text into *text (one such
// step queued at a time).
void QueueItemRead(int item, std::string* text);
