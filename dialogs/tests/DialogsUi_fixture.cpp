#include "dialogs/tests/DialogsUi_fixture.h"

#include "dialogs/Alert.h"
#include "dialogs/DialogUtils.h"
#include "foundation/Buffer.h"
#include "platform/Dialogs.h"
#include "platform/Resources.h"
#include "platform/Scrap.h"
#include "platform/Windows.h"
#include "platform/TextEdit.h"
#include "platform/headless/Headless.h"

void DialogsUiTest::SetUp() {
  UiTest::SetUp();
  Buffer::InitModule();
  DialogUtils::InitModule();
  Alert::ClearAnswers();
  TextEdit::SetScrapText(std::string_view());
}

void DialogsUiTest::TearDown() {
  Alert::ClearAnswers();
  UiTest::TearDown();
  Buffer::Shutdown();
}

void DialogsUiTest::Script(std::string_view steps) {
  EXPECT_TRUE(Headless::RunScript(steps)) << "line " << Headless::ErrorLine();
}

void PutClipboard(std::string_view text) {
  Scrap::ClearCurrentScrap();
  Scrap::PutScrapFlavor(Scrap::kText, text);
}

std::string Clipboard() {
  std::int32_t size = 0;
  if (Scrap::GetScrapFlavorSize(Scrap::kText, size) != Scrap::kNoErr) return "<none>";
  std::string text(static_cast<std::size_t>(size), '\0');
  Scrap::GetScrapFlavorData(Scrap::kText, text, size);
  return text;
}

WithoutTemplate::WithoutTemplate(int id) {
  const std::span<const char> shipped = Resources::ShippedText();
  std::string text(shipped.data(), shipped.size());
  const std::string head = "\ndialog " + std::to_string(id) + " ";
  const std::size_t start = text.find(head);
  EXPECT_NE(start, std::string::npos);
  // Up to the blank line that ends the template.
  const std::size_t end = text.find("\n\n", start + 1);
  text.erase(start + 1, end - start);
  EXPECT_TRUE(Resources::Load(text)) << Resources::ErrorText();
}

WithoutTemplate::~WithoutTemplate() { Resources::Load(Resources::ShippedText()); }

void QueueGoldenCheck(const char* name) {
  Headless::Call(
      [](void* user) {
        EXPECT_TRUE(MatchesGolden(Windows::PixelsOf(Dialogs::GetDialogWindow(Dialogs::FrontDialog())),
                                  static_cast<const char*>(user)));
      },
      const_cast<char*>(name));
}

void QueueItemRead(int item, std::string* text) {
  struct Read {
    int item;
    std::string* text;
  };
  static Read read;
  read = Read{item, text};
  Headless::Call(
      [](void* user) {
        const auto* r = static_cast<Read*>(user);
        char got[TextEdit::kMaxLength + 1];
        Dialogs::GetItemText(Dialogs::FrontDialog(), r->item, got);
        *r->text = got;
      },
      &read);
}
