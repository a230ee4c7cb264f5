// The operator dialogs of T3TestUt: the unit identification, the cable
// request of the sample-and-hold test and the external-test instructions.
#include <array>
#include <cstdio>
#include <string>

#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "amplifier/T3AD.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Types.h"
#include "calibration/T3TestUt.h"
#include "dialogs/Alert.h"
#include "dialogs/LoopDialog.h"
#include "dialogs/ModDialog.h"
#include "dialogs/ModDialogLoop.h"
#include "dialogs/ModDialogUt.h"
#include "foundation/RealTime.h"
#include "foundation/Strings.h"
#include "shell/Graphics.h"
#include "shell/Mouse.h"

namespace T3TestUt {

namespace {

using namespace ModDialogUt;

// ---- Unit identification --------------------------------------------------------

constexpr double kBlinkSeconds = 0.333;

char MessageText[128] = {};
char Select_start[128] = {};
RealTime::TimeSeconds BlinkTime = 0;

bool IdentifyStart() {
  ToggleRack();
  return true;
}

bool AgreeToAbort() { return true; }

// Only "Continue" ends the identification.
bool IdentifyDone() { return false; }

// The selected board lies in the second rack: its number within its rack is
// below its global number.
bool BoardInSecondRack() {
  const std::int32_t board = T3Types::State.Board;
  return T3Panel::GetBoardToSet(board) < board;
}

// ---- External-test instructions ----------------------------------------------------

constexpr int kDoneItem = 1;
constexpr int kCancelItem = 2;
constexpr int kInstructionItem = 3;
constexpr int kFirstLineItem = 4;
constexpr int kItemCount = 8;
constexpr char kEscape = 27;

DialogRecord Dialog;
std::array<DialogItem*, kItemCount + 1> ItemVector{};
bool cancelled = false;

void Put(ConnectionLines& lines, std::size_t n, const std::string& text) {
  Strings::Assign(lines[n], std::string_view(text));
}

std::string Dac(int n) { return "Dac-" + std::to_string(n); }
std::string Adc(int n) { return "Adc-" + std::to_string(n); }

void FillText(int item, int type, std::span<const char> name, std::span<const char> text, int left, int bottom,
              int width) {
  FillItemField(&Dialog, item, type, name, false, text, left, bottom, width, 18, 3, 13, 12, 1, type == kButton ? 1 : 0,
                false, 65535, 65535, 65535);
}

void FillDialog() {
  ConnectionLines lines{};
  ConnectionsOf(lines);
  FillText(kDoneItem, kButton, "Done", "Done", 220, 170, 80);
  FillText(kCancelItem, kButton, "Cancel", "Cancel", 40, 170, 80);
  FillText(kInstructionItem, kText, "Instruction", "Connect:", 25, 30, 320);
  int placed = 0;
  for (std::size_t n = 0; n < lines.size(); ++n) {
    if (Strings::Length(lines[n]) == 0) continue;
    const std::string name = "Line" + std::to_string(n + 1);
    FillText(kFirstLineItem + static_cast<int>(n), kText, std::string_view(name), lines[n], 45, 50 + 20 * placed, 320);
    ++placed;
  }
  SetCommandKey(&Dialog, kDoneItem, kCharacterKey, '\r', 0, true, true);
  SetCommandKey(&Dialog, kCancelItem, kCharacterKey, kEscape, 0, true, true);
}

void Close(bool cancel) {
  cancelled = cancel;
  Dialog.Stop = true;
}

void HandleDone() { Close(false); }
void HandleCancel() { Close(true); }

std::string ExternalTestTitle() {
  std::string title = "External Test";
  if (T3Base::IsTlv3N) title += ": " + std::to_string(T3Types::State.Board + 1) + ". Amplifier";
  if (T3Base::MaxSelectors > 0) title += ", " + std::to_string(T3Types::State.Selector) + ". Probe";
  return title;
}

}  // namespace

// ---- Unit identification --------------------------------------------------------

void DecodeActiveRack(std::span<char> message) {
  const bool second = T3Base::IsSecondRack;
  const char* unit = second ? "2. Unit" : "1. Unit";
  switch (T3AD::GetBoardType()) {
    case ZRVBase::BoardQRN2400: unit = second ? "2. Rack" : "1. Rack"; break;
    case ZRVBase::BoardQRN55: unit = second ? "Slave Unit" : "Master Unit"; break;
    default: break;
  }
  Strings::Assign(message, "The flashing green LED identifies the ");
  Strings::Concat(message, std::string_view(unit));
}

void ToggleRack() {
  if (T3Base::IsSecondRack) {
    T3Panel::SetT3Board(0);
  } else if (T3Base::SecondRackBoards > 0) {
    T3Panel::SetT3Board(T3Base::FirstRackBoards);
  }
  DecodeActiveRack(MessageText);
}

void FlashRackLED() {
  const RealTime::TimeSeconds now = RealTime::GetTime();
  if (now > BlinkTime) {
    T3Panel::SetT3Board(T3Types::State.Board);
    VrnlBoards::FlushCache();
    BlinkTime = now + kBlinkSeconds;
  }
  Mouse::SetWatchCursor();
}

bool IdentifyActiveRack() {
  if (ZRV::Status() == ZRV::StateClosed) return false;
  const std::int32_t board = T3Types::State.Board;
  BlinkTime = 0;
  DecodeActiveRack(MessageText);
  Strings::Assign(Select_start, "Click on CONTINUE when the active unit is identified");
  bool aborted = false;
  const bool ran = LoopDialog::Show("Identify Amplifier Unit", IdentifyStart, ToggleRack, AgreeToAbort, IdentifyDone,
                                    FlashRackLED, MessageText, MessageText, "Next", "Continue", Select_start,
                                    Select_start, aborted, false);
  T3Panel::SetT3Board(board);
  return ran && !aborted;
}

// ---- Cable requests ------------------------------------------------------------------

bool TestDacSH_Alert() {
  if (T3Base::AmplKind != T3Types::KindTlv4 && T3Base::AmplKind != T3Types::KindTlv4Plus) return true;
  const bool second = BoardInSecondRack();
  const std::string message = "Connect: " + Dac(second ? 4 : 0) + " to " + Adc(second ? 8 : 0);
  Alert::Beep();
  return Alert::Choice(std::string_view(message), "Cancel", "", "Done", 3) == 3;
}

void ConnectionsOf(ConnectionLines& lines) {
  for (auto& line : lines) line[0] = 0;
  const bool second = BoardInSecondRack();
  const int n = second ? 4 : 0;
  const int m = second ? 8 : 0;
  const bool tlv3 = T3Base::AmplKind == T3Types::KindTlv3;
  const std::int32_t boards = T3Panel::GetActiveT3Boards();
  if (boards > 1 && tlv3) {
    Put(lines, 0, Dac(n + T3Types::State.Board) + " to Test Input");
    Put(lines, 1, Dac(n + 3) + " to Stim Input");
    Put(lines, 2, Adc(m + 6) + " to FILTER-1");
  } else if (boards > 1) {
    std::size_t next = 0;
    if (boards <= 2) Put(lines, next++, Dac(n + 1) + " to Ext. Stim. Input CC");
    Put(lines, next++, Dac(n) + " to Ext. Stim. Input VC");
    Put(lines, next, Adc(m) + " to FILTER-1");
  } else {
    Put(lines, 0, Dac(n) + (tlv3 ? " to Test Input" : " to Ext. Stim. Input CC"));
    Put(lines, 1, Dac(n + 1) + (tlv3 ? " to Stim Input" : " to Ext. Stim. Input VC"));
    Put(lines, 2, Adc(m) + " to V-Monitor");
    Put(lines, 3, Adc(m + 1) + " to FILTER-1");
    Put(lines, 4, Adc(m + 2) + " to FILTER-2");
  }
}

bool TestAlert(int left, int top) {
  ClearRecord(&Dialog);
  if (T3Panel::GetActiveT3Boards() == 4) return true;
  if (T3Base::SecondRackBoards > 0) IdentifyActiveRack();
  const int cursor = Mouse::GetCursorShape();
  const std::string title = ExternalTestTitle();
  if (!InitializeRecord(&Dialog, ItemVector, false, false, std::string_view(title), "ExternalTest",
                        Graphics::Helvetica, 12, kItemCount, left, top + 180, 340, 180, 0) ||
      !ModDialog::Initialize(&Dialog, 2, FillDialog, NoProc, false, false, true, true, true, "")) {
    return false;
  }
  FillProcField(&Dialog, kDoneItem, nullptr, HandleDone, nullptr);
  FillProcField(&Dialog, kCancelItem, nullptr, HandleCancel, nullptr);
  cancelled = true;
  Dialog.Stop = false;
  Mouse::SetArrowCursor();
  ModDialog::Update(&Dialog);
  Alert::Beep();
  ModDialogLoop::ModalPoll(&Dialog, NoProc, true);
  ModDialog::Shutdown(&Dialog);
  Mouse::SetCursorShape(cursor);
  return !cancelled;
}

}  // namespace T3TestUt
