#include "dialogs/ItemValue.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace ItemValue {

namespace {

using namespace ModDialogUt;

// Rounded and held within the integer type's range.
template <typename T>
T Integral(double value) {
  const double low = static_cast<double>(std::numeric_limits<T>::min());
  const double high = static_cast<double>(std::numeric_limits<T>::max());
  return static_cast<T>(std::clamp(std::round(value), low, high));
}

}  // namespace

bool Read(const DialogItem& item, double& value) {
  if (item.Value == nullptr) return false;
  switch (item.ValueKind) {
    case kDouble: value = Load<double>(item.Value); return true;
    case kSingle: value = Load<float>(item.Value); return true;
    case kInt32: value = Load<std::int32_t>(item.Value); return true;
    case kInt16: value = Load<std::int16_t>(item.Value); return true;
    case kBoolean:
    case kByte: value = Load<std::uint8_t>(item.Value); return true;
    default: return false;
  }
}

bool Write(DialogItem& item, double value) {
  if (item.Value == nullptr || !std::isfinite(value)) return false;
  switch (item.ValueKind) {
    case kDouble: Store(item.Value, value); return true;
    case kSingle: {
      const double limit = std::numeric_limits<float>::max();
      Store(item.Value, static_cast<float>(std::clamp(value, -limit, limit)));
      return true;
    }
    case kInt32: Store(item.Value, Integral<std::int32_t>(value)); return true;
    case kInt16: Store(item.Value, Integral<std::int16_t>(value)); return true;
    case kBoolean: Store(item.Value, static_cast<std::uint8_t>(value > 0 ? 1 : 0)); return true;
    case kByte: Store(item.Value, Integral<std::uint8_t>(value)); return true;
    default: return false;
  }
}

double WithinKind(int kind, double value) {
  const auto within = [value](auto type) {
    using T = decltype(type);
    return std::clamp(value, static_cast<double>(std::numeric_limits<T>::lowest()),
                      static_cast<double>(std::numeric_limits<T>::max()));
  };
  switch (kind) {
    case kSingle: return within(float{});
    case kInt32: return within(std::int32_t{});
    case kInt16: return within(std::int16_t{});
    case kBoolean:
    case kByte: return within(std::uint8_t{});
    default: return value;
  }
}

}  // namespace ItemValue
