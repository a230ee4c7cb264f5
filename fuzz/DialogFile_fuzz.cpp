// libFuzzer target: layout files loaded into a dialog of every item type.
// Whatever the file holds, loading must not read past it, and every
// loaded field must lie within the ranges the items are held to: sizes,
// lengths and digits clamped, divisors and drag doubles usable, texts
// ending within their fields.
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "dialogs/IODialog.h"
#include "dialogs/ModDialogUt.h"
#include "dialogs/tests/EveryItemType.h"
#include "foundation/Buffer.h"
#include "platform/Fonts.h"

namespace {

using namespace ModDialogUt;

char gPath[] = "/tmp/dialogfile_fuzz_XXXXXX";

void Check(bool condition) {
  if (!condition) std::abort();
}

bool EndsWithin(const char* text, std::size_t size) { return std::memchr(text, 0, size) != nullptr; }

void CheckItem(const DialogItem& item) {
  Check(item.FontSize >= 1 && item.FontSize <= IODialog::kMaxFontSize);
  Check(item.Length >= 0 && item.Length <= IODialog::kMaxLength);
  Check(item.Digits >= 0 && item.Digits <= IODialog::kMaxDigits);
  Check(item.LineSpacing >= 1);
  Check(item.Factor != 0 && std::isfinite(item.Factor));
  Check(EndsWithin(item.Name, sizeof item.Name) && EndsWithin(item.Text, sizeof item.Text));
  Check(EndsWithin(item.Unit, sizeof item.Unit) && EndsWithin(item.Area.Prefix, sizeof item.Area.Prefix));
  if (item.Type != kDrag) return;
  const DragParameters& d = item.Area.Drag;
  Check(std::isfinite(d.DragStep) && std::isfinite(d.RelativeStep) && std::isfinite(d.DragFactor) &&
        std::isfinite(d.ReversalFactor));
  Check(d.PixelsPerStep >= 1);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Buffer::InitModule();
  const int fd = mkstemp(gPath);
  if (fd < 0) std::abort();
  close(fd);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::FILE* file = std::fopen(gPath, "wb");
  if (file == nullptr) std::abort();
  if (size > 0) std::fwrite(data, 1, size, file);
  std::fclose(file);

  DialogRecord dialog;
  std::array<DialogItem*, kTypeCount + 1> items{};
  ClearRecord(&dialog);
  if (!InitializeRecord(&dialog, items, true, true, "Fuzzed", "Fuzzed", Fonts::kGeneva, 12, kTypeCount, 40, 300,
                        460, 230, 0)) {
    std::abort();
  }
  FillEveryItemType(&dialog);
  IODialog::Load(&dialog, gPath, true);
  for (int i = 0; i <= kTypeCount; ++i) CheckItem(*dialog.Items[i]);
  Buffer::Delete(dialog.Buffer);
  return 0;
}
