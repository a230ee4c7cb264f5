// The Calibrate menu's external gain and zero corrections.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "amplifier/T3Base.h"
#include "amplifier/T3EEPROM.h"
#include "amplifier/T3Init.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3Types.h"
#include "calibration/T3CalibMenu.h"
#include "calibration/Tlv3Files.h"
#include "dialogs/Alert.h"
#include "dialogs/InputDialog.h"
#include "foundation/TermIO.h"

namespace T3CalibMenu {

namespace {

constexpr int kRanges = 3;
constexpr int kNewValue = 3;
constexpr double kLeastWord = 1.0;
constexpr double kMostWord = 4093.999999999999;
constexpr const char* kRangeNames[kRanges] = {"low", "medium", "high"};

using RangeValues = std::array<double, kRanges>;

// The three values in the dialog until every one passes its check, in
// range order (TRUE), or the operator cancels (FALSE).
bool Ask(const char* title, const std::array<const char*, kRanges>& labels, RangeValues& values,
         bool (*check)(double value, bool& cancel)) {
  for (;;) {
    if (!InputDialog::Three(std::string_view(title), std::string_view(labels[0]), &values[0], InputDialog::kDouble,
                            std::string_view(labels[1]), &values[1], InputDialog::kDouble,
                            std::string_view(labels[2]), &values[2], InputDialog::kDouble)) {
      return false;
    }
    bool cancel = false;
    if (std::ranges::all_of(values, [&](double value) { return check(value, cancel); })) return true;
    if (cancel) return false;
  }
}

// The current range to the hardware again, the record saved, the user
// interface in line.
void Apply() {
  T3Panel::SetRange(T3Types::State.Range);
  SaveScaleFile();
  Sync_GUI_ToAmplProc();
}

bool Refused(const char* message, bool& cancel) {
  cancel = Alert::Choice(std::string_view(message), "Cancel", "", "New Value", kNewValue) != kNewValue;
  return false;
}

// A stored factor the word cannot be rescaled by is taken as 1.0, as the
// scale-file reader takes a 0.
double StoredFactor(int range) {
  const double factor = T3Scale::Scale.ExtGain[static_cast<std::size_t>(range)];
  return std::isfinite(factor) && factor != 0.0 ? factor : 1.0;
}

void ReportNotApplied(const std::string& ranges) {
  const std::string message = "The gain factor of the " + ranges +
                              " range was not applied: the gain trim DAC would leave its span.";
  TermIO::WriteLine(std::string_view(message));
  Alert::OK(std::string_view(message));
}

}  // namespace

bool CheckFactor(double factor, bool& cancel) {
  cancel = false;
  if (factor >= 0.8 && factor <= 1.2) return true;
  return Refused("Correction factors must be > 0.8 and < 1.2 !", cancel);
}

bool CheckOffset(double offset, bool& cancel) {
  cancel = false;
  if (std::fabs(offset) <= 0.2) return true;
  return Refused("Offsets must be <= 0.2V and >= -0.2V !", cancel);
}

bool FixGain(int range, double factor) {
  T3Scale::RangeVars& vars = T3Scale::Scale.Range[static_cast<std::size_t>(range)];
  const double word = static_cast<double>(vars.GainTrimDac) * StoredFactor(range) / factor;
  if (!(word >= kLeastWord && word <= kMostWord)) return false;
  T3Scale::Scale.ExtGain[static_cast<std::size_t>(range)] = factor;
  vars.GainTrimDac = static_cast<std::uint16_t>(std::round(word));
  return true;
}

void ExternalGainCalibration() {
  RangeValues factors{};
  for (int range = 0; range < kRanges; ++range) factors[static_cast<std::size_t>(range)] = StoredFactor(range);
  if (!Ask("External Gain Correction Factors:",
           {"   Gain [0.005..0.2mV/pA]", "   Gain [0.5..20mV/pA]", "   Gain [50..2000mV/pA]"}, factors, CheckFactor)) {
    return;
  }
  std::string notApplied;
  for (int range = 0; range < kRanges; ++range) {
    if (FixGain(range, factors[static_cast<std::size_t>(range)])) continue;
    notApplied += notApplied.empty() ? "" : " and the ";
    notApplied += kRangeNames[range];
  }
  if (!notApplied.empty()) ReportNotApplied(notApplied);
  Apply();
}

void ExternalZeroCalibration() {
  RangeValues offsets{};
  for (int range = 0; range < kRanges; ++range) {
    offsets[static_cast<std::size_t>(range)] = T3Scale::Scale.VpOffsetCorr[static_cast<std::size_t>(range)];
  }
  if (!Ask("External Zero Offsets:",
           {"   Offset [V] of low range", "   Offset [V] of med. range", "   Offset [V] of high range"}, offsets,
           CheckOffset)) {
    return;
  }
  for (int range = 0; range < kRanges; ++range) {
    T3Scale::Scale.VpOffsetCorr[static_cast<std::size_t>(range)] = offsets[static_cast<std::size_t>(range)];
  }
  Apply();
}

void SaveScaleFile() {
  const bool toFile = !T3EEPROM::IsReadTarget();
  if (!Tlv3Files::AskAndSaveScaleFile()) return;
  TermIO::WriteLn();
  if (toFile) {
    TermIO::WriteLine(std::string_view(std::string("Scale file '") + T3Init::ScaleFileName + "' saved."));
  } else {
    TermIO::WriteLine("Scale record saved.");
  }
}

}  // namespace T3CalibMenu
