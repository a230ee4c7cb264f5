#include <cstdint>
#include <string_view>

#include "acquisition/ZRVBase.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Select.h"
#include "amplifier/T3Types.h"
#include "calibration/T3CalibMenuService.h"
#include "calibration/Tlv3Base.h"
#include "calibration/Tlv3Init.h"
#include "calibration/Tlv3Menus.h"
#include "dialogs/Alert.h"
#include "dialogs/InputDialog.h"
#include "foundation/Decode.h"
#include "foundation/Strings.h"
#include "selftest/T3TestProbe.h"
#include "shell/ModMenus.h"

namespace Tlv3Menus {

int Tlv3Menu = 0;
int CFastMenu = 0;
int iBatchControl = 0, iBackground = 0, iCFastMode = 0, iCFastRange = 0, iVrefX2 = 0, iWriteCapTrack = 0,
    iAutoCSlow = 0, iAutoRsComp = 0, iTimeouts = 0, iRmembDelay = 0, iSearchDelay = 0, iPulseInterval = 0,
    iCalibMenu = 0, iInitTlv3 = 0, iJoinQrnUnits = 0, iSplitQrnUnits = 0, iSerialNo = 0;

namespace {

using Strings::Concat;

constexpr double kDefaultRmembDelay = 0.3;
constexpr double kShortestSearchDelay = 0.3333;
constexpr double kShortestTimeout = 1.0;
constexpr double kLargestCSlowAmplitude = 0.02;  // V
constexpr double kSmallestCSlowAmplitude = 0.001;
constexpr std::int16_t kFewestCSlowCycles = 4;
constexpr std::int16_t kMostCSlowCycles = 38;
constexpr int kComputedEntry = 2;  // of "CFastMode"

bool Newer(T3Types::AmplifierKind kind) { return kind >= T3Types::KindTlv3; }

bool Tlv6Connected() {
  return T3Base::AmplKind == T3Types::KindTlv2 && T3Base::Tlv2Kind(T3Base::BoardVersion) == 2;
}

// Some board's state has the facility.
bool SomeBoardHas(bool T3Types::AmplifierState::*facility) {
  for (std::int32_t board = 0; board < T3Base::T3Boards; ++board) {
    const T3Types::AmplifierState* state = T3Select::GetStateAdr(board);
    if (state != nullptr && state->*facility) return true;
  }
  return false;
}

void SetIndex(bool present, int& item, int& counter) {
  item = present ? counter++ : 0;
}

void Append(int item, std::span<const char> text, ModMenus::Procedure procedure) {
  if (item <= 0) return;
  ModMenus::AppendItem(Tlv3Menu, text);
  if (procedure != nullptr) ModMenus::SetItemProc(Tlv3Menu, item, procedure);
}

void SetMark(int item, bool on) {
  if (item > 0) ModMenus::CheckItem(Tlv3Menu, item, on);
}

void Enable(int item, bool on) {
  if (item > 0) ModMenus::EnableItem(Tlv3Menu, item, on);
}

void EnableBackground() {
  Tlv3Base::BackgroundEnabled = !Tlv3Base::BackgroundEnabled;
  UpdateMenu();
}

void ToggleWriteCapTrack() {
  Tlv3Base::WriteCapTrack = !Tlv3Base::WriteCapTrack;
  UpdateMenu();
}

void SetComputedCFast() {
  T3Base::ComputedCFast = ModMenus::SelectedItem == kComputedEntry;
  UpdateMenu();
}

void SetAutoRsComp() {}

void SetSearchDelay() {
  double delay = Alert::Fixed("Search Mode Delay [s] (default: 2s):", T3Types::State.SearchDelay, 1);
  if (delay < kShortestSearchDelay) delay = kShortestSearchDelay;
  T3Types::State.SearchDelay = delay;
  T3Select::SyncCommonParameters();
}

void AtLeastShortestTimeout(double& seconds) {
  if (seconds < kShortestTimeout) seconds = kShortestTimeout;
}

void SetTimeouts() {
  if (!InputDialog::Three("Timeout parameters (min=1s, def=8s)", "Auto C-fast [s]", &T3Base::TimeoutCFast,
                          InputDialog::kDouble, "Auto Offset [s]", &T3Base::TimeoutOffset, InputDialog::kDouble,
                          "Auto G-leak [s]", &T3Base::TimeoutGLeak, InputDialog::kDouble)) {
    return;
  }
  AtLeastShortestTimeout(T3Base::TimeoutCFast);
  AtLeastShortestTimeout(T3Base::TimeoutOffset);
  AtLeastShortestTimeout(T3Base::TimeoutGLeak);
}

// An amplitude outside 1 to 20 mV: below is refused, above only when the
// operator declines it.
bool AmplitudeAccepted(double volts) {
  if (volts <= kLargestCSlowAmplitude && volts >= kSmallestCSlowAmplitude) return true;
  char message[256] = "The C-slow Peak Amplitude ( ";
  char number[16] = {};
  Decode::Engineering(volts, number, 7);
  Concat(message, number);
  if (volts > kLargestCSlowAmplitude) {
    Concat(message, "V ) is very large.");
    Concat(message, Alert::LF);
    Concat(message, "Default is 5mV.");
    Alert::Beep();
    return Alert::Choice(message, "", "Accept", "Decline", 3) == 2;
  }
  Concat(message, "V ) must be  >=  1mV.");
  Concat(message, Alert::LF);
  Concat(message, "Default is 5mV.");
  Alert::Beep();
  Alert::OK(message);
  return false;
}

bool CyclesAccepted(std::int16_t cycles) {
  if (cycles >= kFewestCSlowCycles && cycles <= kMostCSlowCycles) return true;
  char message[256] = {};
  Strings::Assign(message, std::string_view(cycles > kMostCSlowCycles ? "Too many C-slow Cycles: "
                                                                       : "Too few C-slow Cycles: "));
  Decode::Integer(cycles, message, 0);
  Concat(message, ".");
  Concat(message, Alert::LF);
  Concat(message, "Min is 4, max is 38, default is 10.");
  Alert::Beep();
  Alert::Choice(message, "", "", "Ok", 3);
  return false;
}

// Asks again, with the refused values, until they are accepted or the
// dialog is cancelled.
void SetAutoCSlow() {
  T3Types::AmplifierState& state = T3Types::State;
  double millivolts = state.AutoCSlowAmplitude * 1000.0;
  std::int16_t cycles = state.AutoCSlowCycles;
  double timeout = state.AutoCSlowTimeout;
  for (;;) {
    if (!InputDialog::Three("Auto C-slow parameters", "Amplitude [mV] (def=5mV)", &millivolts, InputDialog::kDouble,
                            "Cycles (def=10)", &cycles, InputDialog::kInt16, "Timeout [s] (def=8s)", &timeout,
                            InputDialog::kDouble)) {
      return;
    }
    const double volts = millivolts * 0.001;
    AtLeastShortestTimeout(timeout);
    const bool amplitudeAccepted = AmplitudeAccepted(volts);
    // The cycle count is judged even after the amplitude was refused.
    const bool cyclesAccepted = CyclesAccepted(cycles);
    if (amplitudeAccepted && cyclesAccepted) {
      state.AutoCSlowAmplitude = volts;
      state.AutoCSlowTimeout = timeout;
      state.AutoCSlowCycles = cycles;
      T3Select::SyncCommonParameters();
      return;
    }
  }
}

// The name the operator knows the hardware by: the amplifier's title, or
// for the older kinds the interface (with the TLV 6 before it).
void HardwareName(std::span<char> text) {
  if (Newer(T3Base::AmplKind)) {
    Concat(text, T3Base::Title);
    return;
  }
  if (Tlv6Connected()) {
    char name[T3Base::kTextSize] = {};
    T3Base::GetName(T3Base::AmplKind, name);
    Concat(text, name);
    Concat(text, " and ");
  }
  AppendInterfaceName(text);
}

void SetVersionText() {
  if (iSerialNo <= 0) return;
  char text[ModMenus::kTextSize] = {};
  GetVersionInfo(text);
  ModMenus::SetItemText(Tlv3Menu, iSerialNo, text);
}

void InitializeTlv3() {
  char question[256] = "Are you sure you want to RE-INITIALIZE the ";
  if (Newer(T3Base::AmplKind)) {
    Concat(question, T3Base::Title);
  } else {
    AppendInterfaceName(question);
  }
  Concat(question, " ?");
  Alert::Beep();
  if (!Alert::YesNo(question, true)) return;
  bool failed = false;
  bool quit = false;
  if (Newer(T3Base::AmplKind)) {
    Tlv3Base::ResetProc();
    Tlv3Init::InitializeAndCheckForLife(T3Base::AmplKind, false, T3Base::AllowSecondRack, true, false, failed, quit);
    Tlv3Base::ResetProc();
  } else {
    Tlv3Init::InitializeInterface(T3Base::AmplKind, T3Base::ADBoard, true, true, "", failed, quit);
  }
  SetVersionText();
}

void AppendSeparator() { ModMenus::AppendItem(Tlv3Menu, "-"); }

}  // namespace

void InitModule() {
  Tlv3Menu = CFastMenu = 0;
  iBatchControl = iBackground = iCFastMode = iCFastRange = iVrefX2 = iWriteCapTrack = iAutoCSlow = iAutoRsComp =
      iTimeouts = iRmembDelay = iSearchDelay = iPulseInterval = iCalibMenu = iInitTlv3 = iJoinQrnUnits =
          iSplitQrnUnits = iSerialNo = 0;
}

void Shutdown() {
  if (Tlv3Menu != 0) ModMenus::DeleteMenu(Tlv3Menu);
  CFastMenu = 0;
  iCalibMenu = 0;
}

void Install(std::span<const char> title, T3Types::AmplifierKind kind, bool background, bool refreshInterval,
             bool searchDelay, bool pulseInterval, bool calibrate, bool initialize, bool batchControl) {
  const bool newer = Newer(kind);
  const bool qrn55 = T3Base::ADBoard == ZRVBase::BoardQRN55;
  const bool info = newer || T3Base::ADBoard >= ZRVBase::BoardQRN2400 || Tlv6Connected();
  int counter = 1;
  SetIndex(batchControl, iBatchControl, counter);
  SetIndex(background, iBackground, counter);
  SetIndex(newer, iCFastMode, counter);
  SetIndex(newer && SomeBoardHas(&T3Types::AmplifierState::HasCFastHigh), iCFastRange, counter);
  SetIndex(newer && SomeBoardHas(&T3Types::AmplifierState::HasVrefX2), iVrefX2, counter);
  SetIndex(newer, iWriteCapTrack, counter);
  SetIndex(newer, iAutoCSlow, counter);
  SetIndex(newer && !T3Panel::HasRefGainTrim(), iAutoRsComp, counter);
  SetIndex(newer, iTimeouts, counter);
  SetIndex(refreshInterval, iRmembDelay, counter);
  SetIndex(searchDelay, iSearchDelay, counter);
  SetIndex(pulseInterval, iPulseInterval, counter);
  if (newer || initialize) ++counter;
  SetIndex(calibrate && newer, iCalibMenu, counter);
  SetIndex(initialize, iInitTlv3, counter);
  SetIndex(initialize && qrn55, iJoinQrnUnits, counter);
  SetIndex(initialize && qrn55, iSplitQrnUnits, counter);
  if (info) ++counter;
  SetIndex(info, iSerialNo, counter);

  ModMenus::CreateNamedMenu(Tlv3Menu, "AmplMenu", title);
  Append(iBatchControl, "Enable Batch Control", nullptr);
  Append(iBackground, "Enable Background", EnableBackground);
  Append(iCFastMode, "C-fast Mode", nullptr);
  Append(iCFastRange, "Extended C-fast Range", ToggleCFastRange);
  Append(iVrefX2, "Extended Stimulus Range", ToggleVrefX2);
  Append(iWriteCapTrack, "Log Tracking", ToggleWriteCapTrack);
  Append(iAutoCSlow, "Auto C-slow Settings", SetAutoCSlow);
  Append(iAutoRsComp, "Auto Rs-Comp Settings", SetAutoRsComp);
  Append(iTimeouts, "Timeout Settings", SetTimeouts);
  Append(iRmembDelay, "Monitor Refresh Interval", SetRmembDelay);
  Append(iSearchDelay, "Search Mode Delay", SetSearchDelay);
  Append(iPulseInterval, "Minimum Test Pulse Interval", nullptr);
  if (newer || initialize) AppendSeparator();
  Append(iCalibMenu, "Test and Calibrate", nullptr);
  Append(iInitTlv3, "Initialize", InitializeTlv3);
  Append(iJoinQrnUnits, "Join two Units", T3CalibMenu::JoinUnits);
  Append(iSplitQrnUnits, "Split joined Units", T3CalibMenu::SplitUnits);
  if (newer) {
    ModMenus::CreateMenu(CFastMenu, "CFastMode");
    ModMenus::AppendItem(CFastMenu, "Use Lookup Table");
    ModMenus::SetItemProc(CFastMenu, 1, SetComputedCFast);
    ModMenus::AppendItem(CFastMenu, "Computed");
    ModMenus::SetItemProc(CFastMenu, kComputedEntry, SetComputedCFast);
    ModMenus::AttachMenu(CFastMenu, Tlv3Menu, iCFastMode);
  }
  if (info) {
    AppendSeparator();
    Append(iSerialNo, "Info", ShowHardwareOptions);
  }
  if (iInitTlv3 > 0) {
    char text[ModMenus::kTextSize] = "Initialize ";
    HardwareName(text);
    ModMenus::SetItemText(Tlv3Menu, iInitTlv3, text);
  }
  SetVersionText();
  ModMenus::AppendMenu(Tlv3Menu);
  UpdateMenu();
}

void UpdateMenu() {
  if (Tlv3Menu == 0) return;
  const T3Types::AmplifierState& state = T3Types::State;
  Enable(iCFastRange, state.HasCFastHigh);
  Enable(iVrefX2, state.HasVrefX2);
  SetMark(iCFastRange, state.CFastHigh);
  SetMark(iVrefX2, state.VrefX2);
  SetMark(iBatchControl, Tlv3Base::BatchControlEnabled);
  SetMark(iBackground, Tlv3Base::BackgroundEnabled);
  SetMark(iWriteCapTrack, Tlv3Base::WriteCapTrack);
  if (CFastMenu == 0) return;
  const bool computed = state.CFastHigh || T3Base::ComputedCFast;
  for (int entry : {1, kComputedEntry}) {
    ModMenus::EnableItem(CFastMenu, entry, !state.CFastHigh);
    ModMenus::CheckItem(CFastMenu, entry, computed == (entry == kComputedEntry));
  }
}

void ToggleCFastRange() {
  T3Panel::ToggleCFastRange();
  UpdateMenu();
}

void ToggleVrefX2() {
  // The scale record of the other stimulus range, as the registered loader
  // finds it for the new settings.
  if (!T3Panel::ToggleVrefX2(T3TestProbe::LoadScaleFile)) {
    Alert::OK("Changing Stimulus Range: scale file failed to load!");
  }
  UpdateMenu();
}

void SetRmembDelay() {
  const double delay = Alert::Fixed("Monitor refresh interval [s] (def: 0.3s):", Tlv3Base::RmembDelay, 3);
  Tlv3Base::RmembDelay = delay < 0 ? kDefaultRmembDelay : delay;
}

}  // namespace Tlv3Menus
