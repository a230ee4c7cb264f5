// libFuzzer target: typed text stored into number, boolean and string items,
// and random values (not-a-number and infinities among them) shown with
// random widths, digits, factors and units. Every text must end within its
// field; a stored number must be finite, within the item's limits and its
// kind's range, or the old value kept; a string must end within its
// variable.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "dialogs/ItemValue.h"
#include "dialogs/ModDialog.h"
#include "dialogs/ModDialogTools.h"
#include "dialogs/ModDialogUt.h"

namespace {

using namespace ModDialogUt;

void Check(bool condition) {
  if (!condition) std::abort();
}

struct Range {
  double low;
  double high;
};

Range KindRange(int kind) {
  switch (kind) {
    case kSingle: return {-std::numeric_limits<float>::max(), std::numeric_limits<float>::max()};
    case kInt32: return {-2147483648.0, 2147483647.0};
    case kInt16: return {-32768, 32767};
    case kBoolean: return {0, 1};
    case kByte: return {0, 255};
    default: return {-std::numeric_limits<double>::max(), std::numeric_limits<double>::max()};
  }
}

// Within the kind's range and, as far as that range reaches, within the
// limits (integers may round half a unit beyond them, singles a little).
bool Legal(const DialogItem& item, double value) {
  const Range kind = KindRange(item.ValueKind);
  if (!std::isfinite(value) || value < kind.low || value > kind.high) return false;
  if (item.ValueKind == kBoolean) return value == 0 || value == 1;
  const double low = std::max(item.Minimum, kind.low);
  const double high = std::min(item.Maximum, kind.high);
  if (low > high) return true;
  const double slack = item.ValueKind >= kInt32 ? 0.5 : (item.ValueKind == kSingle ? 1e-6 * std::fabs(value) : 0);
  return value >= low - slack && value <= high + slack;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  DialogRecord dialog;
  ClearRecord(&dialog);
  DialogItem root;
  DialogItem item;
  std::array<DialogItem*, 2> items{&root, &item};
  dialog.Items = items.data();
  dialog.ItemCount = 1;
  dialog.Open = true;
  ModDialog::DialogPtr = &dialog;

  static constexpr int kKinds[] = {kDouble, kSingle, kInt32, kInt16, kBoolean, kByte, kString};
  item.Type = kDrag;
  item.ValueKind = static_cast<std::uint8_t>(input.PickValueInArray(kKinds));
  item.NumberFormat = input.ConsumeIntegralInRange<std::uint8_t>(0, 3);
  item.ZeroText = input.ConsumeIntegralInRange<std::uint8_t>(0, 2);
  item.Justification = input.ConsumeIntegralInRange<std::uint8_t>(0, 3);
  item.Length = input.ConsumeIntegralInRange<std::int16_t>(0, kNameSize - 1);
  item.Digits = input.ConsumeIntegralInRange<std::int16_t>(-2, 40);
  item.Factor = input.ConsumeFloatingPoint<double>();
  if (item.Factor == 0 || std::isnan(item.Factor)) item.Factor = 1;
  double low = input.ConsumeFloatingPoint<double>();
  double high = input.ConsumeFloatingPoint<double>();
  if (!std::isfinite(low)) low = -1e9;
  if (!std::isfinite(high)) high = 1e9;
  item.Minimum = std::min(low, high);
  item.Maximum = std::max(low, high);
  const std::string unit = input.ConsumeRandomLengthString(kUnitSize - 1);
  std::memcpy(item.Unit, unit.c_str(), unit.size() + 1);

  alignas(8) std::byte variable[kNameSize + 8] = {};
  item.Value = variable;
  const std::string old = input.ConsumeRandomLengthString(item.Length);
  double before = 0;
  if (item.ValueKind == kString) {
    std::memcpy(variable, old.c_str(), old.size() + 1);
  } else {
    const double shown = input.ConsumeFloatingPoint<double>();
    if (!ItemValue::Write(item, shown)) std::memcpy(variable, &shown, sizeof shown);
    ItemValue::Read(item, before);
  }

  ModDialogTools::ConvertToString(1);
  Check(std::memchr(item.Text, '\0', sizeof item.Text) != nullptr);

  const std::string typed = input.ConsumeRemainingBytesAsString();
  ModDialogTools::StoreEditedText(1, std::span<const char>(typed.data(), typed.size()), item.ValueKind == kString);
  if (item.ValueKind == kString) {
    Check(std::memchr(variable, '\0', static_cast<std::size_t>(item.Length) + 1) != nullptr);
  } else {
    double after = 0;
    Check(ItemValue::Read(item, after));
    const bool kept = after == before || (std::isnan(after) && std::isnan(before));
    Check(kept || Legal(item, after));
  }
  ModDialogTools::ConvertToString(1);
  Check(std::memchr(item.Text, '\0', sizeof item.Text) != nullptr);
  return 0;
}
