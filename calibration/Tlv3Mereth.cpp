#include "calibration/Tlv3Mereth.h"

#include <array>
#include <cstdint>
#include <string_view>

#include "acquisition/QRN55Tools.h"
#include "acquisition/ZRV.h"
#include "amplifier/T3AD.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Types.h"
#include "calibration/ProtocolNotebook.h"
#include "calibration/SimulatedHardware.h"
#include "calibration/T3CalibMenu.h"
#include "calibration/T3TestUt.h"
#include "calibration/Tlv3Base.h"
#include "calibration/Tlv3Files.h"
#include "calibration/Tlv3Init.h"
#include "calibration/Tlv3Menus.h"
#include "dialogs/ModDialog.h"
#include "dialogs/ModDialogLoop.h"
#include "dialogs/ModDialogUt.h"
#include "foundation/Decode.h"
#include "foundation/RealTime.h"
#include "foundation/Strings.h"
#include "foundation/TellTaleFile.h"
#include "foundation/TermIO.h"
#include "potentiostat/K5Panel.h"
#include "potentiostat/K5Set_518.h"
#include "selftest/T3TestProbe.h"
#include "selftest/T3Tester.h"
#include "shell/Graphics.h"
#include "shell/MacEnv.h"
#include "shell/ModMenus.h"
#include "shell/Mouse.h"
#include "shell/ModWindow.h"
#include "shell/UserQueue.h"
#include "terminal/ANSIBase.h"
#include "terminal/EditMenus.h"
#include "terminal/TermWindow.h"
#include "usb_amplifier/Tlv6Firmware.h"

namespace Tlv3Mereth {

bool DoDebug = false;

namespace {

using ModDialogUt::DialogRecord;

constexpr int kItems = 4;
constexpr int kTypeItem = 1;
constexpr int kBoardItem = 2;
constexpr int kSlotItem = 3;
constexpr int kInitializeItem = 4;
constexpr int kBoardEntries = 8;

// Popup values of the amplifier type.
constexpr std::uint8_t kTlv3 = 0;
constexpr std::uint8_t kTlv4 = 1;
constexpr std::uint8_t kTlv4Plus = 2;
constexpr std::uint8_t kTlv4USB = 3;
constexpr std::uint8_t kQRN55 = 5;
constexpr std::uint8_t kTlv6 = 6;
constexpr std::uint8_t kPK518 = 7;

constexpr std::uint8_t kUsePCI = 0;
constexpr std::uint8_t kUseUSB = 1;

struct TypeRow {
  std::string_view entry;
  T3Types::AmplifierKind kind;
  ZRVBase::BoardType board;
};
// The separator chooses what "TLV 3" does.
constexpr std::array<TypeRow, 8> kTypes{{
    {"TLV 3", T3Types::KindTlv3, ZRVBase::BoardZRV24},
    {"TLV 4", T3Types::KindTlv4, ZRVBase::BoardQRN2400},
    {"TLV 4 Plus", T3Types::KindTlv4Plus, ZRVBase::BoardZRV28},
    {"TLV 4 USB", T3Types::KindTlv4USB, ZRVBase::BoardQRN55},
    {"-", T3Types::KindTlv3, ZRVBase::BoardZRV24},
    {"QRN 5+5", T3Types::KindTlv1, ZRVBase::BoardQRN55},
    {"TLV 6", T3Types::KindTlv2, ZRVBase::BoardNone},
    {"PK 518", T3Types::KindTlv4USB, ZRVBase::BoardQRN55},
}};

std::array<ModDialogUt::DialogItem*, kItems + 1> ItemVector{};
ModWindow::WindowParameters NotebookWDescr;
int HelpMenu = 0;
T3Tester::TesterModeSave testerSave;

DialogRecord* Dialog() { return &Tlv3Base::Dialog; }

std::uint8_t& Value(int item) { return *static_cast<std::uint8_t*>(ModDialogUt::ItemOf(Dialog(), item)->Value); }

void EnableItem(int item, bool on) { ModDialogUt::ItemOf(Dialog(), item)->Enabled = on; }

bool Tlv6Selected() { return T3Base::Tlv2Kind(T3Base::BoardVersion) == 2; }

std::span<const char> SoftwareVersion() { return Tlv3Base::SoftwareVersion; }

void InitAllModules() {
  HelpMenu = 0;
  ModDialogLoop::InitAllModules();
  Tlv3Init::InitAllModules();
  K5Panel::InitAllModules();
  T3Tester::SetSoftwareVersionSource(SoftwareVersion);
  T3Tester::CalibrationModuleInits inits;
  inits.testUt = T3TestUt::InitModule;
  T3Tester::SetCalibrationModuleInits(inits);
  T3TestProbe::SetScaleFileProcs({Tlv3Files::LoadScaleFile, Tlv3Files::SaveScaleFile});
  T3CalibMenu::InitTesterModules();
  Tlv6Firmware::InitAllModules();
  ProtocolNotebook::InitModule();
}

// The notebook in Courier 10 at its place below the main dialog, scaled
// and kept on the main screen.
void SetDefaults(ModWindow::WindowParameters& parameters) {
  parameters.fontNumber = static_cast<std::int16_t>(Graphics::Courier);
  parameters.fontSize = 10;
  TermWindow::ClipWindow(parameters, 15, 82, 100, 507, 80, 280);
  ModWindow::ClipToMainScreen(parameters);
}

void SaveNotebookAs() { TermWindow::SaveNotebookAs(); }

struct ItemKey {
  int item;
  char key;
};
constexpr std::array<ItemKey, 6> kEditKeys{{{EditMenus::kSelectAll, 'A'},
                                            {EditMenus::kFind, 'F'},
                                            {EditMenus::kFindSame, 'G'},
                                            {EditMenus::kFindSelect, 'H'},
                                            {EditMenus::kReplace, 'R'},
                                            {EditMenus::kReplaceSame, 'T'}}};

void InstallMenus() {
  ModMenus::CreateMenu(ModMenus::FileMenu, "File");
  for (const std::string_view item : {"Save", "Save As...", "-", "Page Setup...", "Page Margins...", "Print..."}) {
    ModMenus::AppendItem(ModMenus::FileMenu, item);
  }
  ModMenus::AddQuitMenu(Quit, Quit);
  ModMenus::SetCommandKey(ModMenus::FileMenu, 1, 'S');
  ModMenus::SetCommandKey(ModMenus::FileMenu, 6, 'P');
  ModMenus::AppendMenu(ModMenus::FileMenu);
  ModMenus::SetItemProc(ModMenus::FileMenu, 1, TermWindow::SaveNotebook);
  ModMenus::SetItemProc(ModMenus::FileMenu, 2, SaveNotebookAs);
  ModMenus::SetItemProc(ModMenus::FileMenu, 4, EditMenus::DoPageSetup);
  ModMenus::SetItemProc(ModMenus::FileMenu, 5, EditMenus::DoPageMargins);
  ModMenus::SetItemProc(ModMenus::FileMenu, 6, TermWindow::Print);
  TermWindow::CreateMenu();
  for (const ItemKey& k : kEditKeys) ModMenus::SetCommandKey(EditMenus::Menu, k.item, k.key);
}

// The notebook, shown at start only in protocol mode; its "Show Notebook"
// brings it to the front.
void InstallNotebook() {
  TermWindow::Install(NotebookWDescr, DoDebug);
  TermWindow::InstallMenu(true, true);
  ModMenus::SetItemProc(TermWindow::Menu, TermWindow::iOpen, TermWindow::ToFront);
  TermWindow::ClearNotebook();
}

// The exit procedure, in the order that releases the users before what
// they use.
void Shutdown() {
  if (HelpMenu != 0) ModMenus::DeleteMenu(HelpMenu);
  Tlv6Firmware::Shutdown();
  T3CalibMenu::ShutdownTesterModules();
  Tlv3Menus::Shutdown();
  Tlv3Init::Shutdown();
  ModDialog::Shutdown(Dialog());
  ModDialogLoop::ShutAllModules();
  SimulatedHardware::Detach();
}

void FillDialog() {
  DialogRecord* d = Dialog();
  ModDialogUt::FillTextField(d, kTypeItem, ModDialogUt::kList, "SetTlvType", false, "", 10, 24, 100, 16);
  ModDialogUt::FillTextField(d, kSlotItem, ModDialogUt::kList, "SetPCISlot", false, "", 120, 24, 100, 16);
  ModDialogUt::FillTextField(d, kInitializeItem, ModDialogUt::kButton, "Initialize", false, "Initialize", 230, 25,
                             100, 18);
  ModDialogUt::FillTextField(d, kBoardItem, ModDialogUt::kList, "SetT3Board", false, "", 339, 24, 100, 16);
}

void CreateMenuLists() {
  DialogRecord* d = Dialog();
  ModDialogUt::CreateMenuList(d, kBoardItem, "Amplifier");
  for (int n = 1; n <= kBoardEntries; ++n) {
    char entry[24] = {};
    Decode::Integer(n, entry, 0);
    Strings::Concat(entry, ". amplifier");
    ModDialogUt::AddListItem(d, kBoardItem, entry);
  }
  ModDialogUt::CreateMenuList(d, kTypeItem, "Type");
  for (const TypeRow& row : kTypes) ModDialogUt::AddListItem(d, kTypeItem, row.entry);
  ModDialogUt::CreateMenuList(d, kSlotItem, "Interface");
  ModDialogUt::AddListItem(d, kSlotItem, "Use PCI");
  ModDialogUt::AddListItem(d, kSlotItem, "Use USB");
}

// The loop's filter, on every pass: a dialog brought to the front shows
// the notebook's last line; the TLV 6's link and operations move on
// without blocking the loop.
void FilterEvent(ANSITerm::TerminalRecord*, DialogRecord* dialog, int& code, char&, int&, bool) {
  if (dialog != nullptr && (code == ANSIBase::KeyActivate || code == ANSIBase::KeyWindow)) TermWindow::MoveToEnd();
  Tlv6Firmware::PeriodicTask();
}

void SetPCISlotNumber() { ZRV::SetBoardNumber(Value(kSlotItem) == kUseUSB ? 3 : 0); }

void UpdatePCISlot() {
  if (Tlv6Selected()) {
    Value(kSlotItem) = kUseUSB;
    EnableItem(kSlotItem, false);
    return;
  }
  switch (ZRV::GetBoardType()) {
    case ZRVBase::BoardQRN2400:
      Value(kSlotItem) = kUsePCI;
      EnableItem(kSlotItem, false);
      break;
    case ZRVBase::BoardQRN55:
      Value(kSlotItem) = kUseUSB;
      EnableItem(kSlotItem, false);
      break;
    default:
      EnableItem(kSlotItem, true);
  }
}

void SetPCISlot() {
  if (ModDialog::GetSelectionMode() == 3) SetPCISlotNumber();
}

void SetTlvType() {
  if (ModDialog::GetSelectionMode() == 1) return;
  const T3Types::AmplifierKind before = T3Base::AmplKind;
  Tlv3Init::Shutdown();
  T3Base::MapActiveBoard = false;
  const std::uint8_t value = Value(kTypeItem) < kTypes.size() ? Value(kTypeItem) : kTlv3;
  const TypeRow& row = kTypes[value];
  T3AD::SetTlvType(row.kind, row.board);
  if (value == kTlv6) {
    T3Base::BoardVersion = 'C';
    std::fill(std::begin(T3Base::SerialNumber), std::end(T3Base::SerialNumber), 0);
  }
  if (value == kPK518) T3Base::MapActiveBoard = true;
  if (row.kind != before && (row.kind == T3Types::KindTlv3 || row.kind == T3Types::KindTlv4Plus)) {
    Value(kSlotItem) = kUsePCI;
  }
  UpdatePCISlot();
  SetPCISlotNumber();
  ModDialog::UpdateItem(Dialog(), kSlotItem);
  T3CalibMenu::UpdateVersionMenu();
}

void UpdateTlvType() {
  std::uint8_t value = kTlv3;
  if (T3Base::AmplKind == T3Types::KindTlv4USB) {
    value = T3Base::MapActiveBoard ? kPK518 : kTlv4USB;
  } else if (T3Base::AmplKind == T3Types::KindTlv4Plus) {
    value = kTlv4Plus;
  } else if (T3Base::AmplKind == T3Types::KindTlv4) {
    value = kTlv4;
  } else if (T3Base::AmplKind == T3Types::KindTlv1 && T3AD::GetBoardType() == ZRVBase::BoardQRN55) {
    value = kQRN55;
  } else if (Tlv6Selected()) {
    value = kTlv6;
  }
  Value(kTypeItem) = value;
}

void SetT3Board() {
  if (ModDialog::GetSelectionMode() == 1) return;
  const std::uint8_t requested = Value(kBoardItem);
  T3Panel::SetT3Board(requested);
  const std::uint8_t active = T3Types::State.Board;
  if (active != requested) {
    char line[96] = "Error setting amplifier: requested = ";
    Decode::Integer(requested + 1, line, 0);
    Strings::Concat(line, ", still active ");
    Decode::Integer(active + 1, line, 0);
    TermIO::WriteLine(line);
  }
  Value(kBoardItem) = active;
}

void FillProcs() {
  DialogRecord* d = Dialog();
  ModDialogUt::FillProcField(d, kTypeItem, nullptr, SetTlvType, UpdateTlvType);
  ModDialogUt::FillProcField(d, kBoardItem, nullptr, SetT3Board, ModDialogUt::NoProc);
  ModDialogUt::FillProcField(d, kSlotItem, nullptr, SetPCISlot, UpdatePCISlot);
  ModDialogUt::FillProcField(d, kInitializeItem, nullptr, InitializeTlv, ModDialogUt::NoProc);
  EnableItem(kBoardItem, false);
}

// The serial number part of the protocol's identification.
void WriteSerials() {
  char text[80] = {};
  if (Strings::Length(T3Base::SerialNumber) == 0) {
    Strings::Assign(text, "xxxxxx");
  } else if (Strings::Length(T3Base::SerialNumber2) == 0 ||
             Strings::Equal(T3Base::SerialNumber2, T3Base::SerialNumber1)) {
    Strings::Assign(text, T3Base::SerialNumber);
    if (Strings::Length(T3Base::ExtEEPROMVersion2) > 0) {
      Strings::Concat(text, ", ");
      Strings::Concat(text, T3Base::ExtEEPROMVersion2);
    }
  } else {
    Strings::Assign(text, T3Base::SerialNumber1);
    Strings::Concat(text, ", ");
    Strings::Concat(text, T3Base::SerialNumber2);
  }
  Strings::Concat(text, ", ");
  Tlv3Menus::AppendInterfaceName(text);
  TermIO::WriteLine(text);
}

void WriteIdentification() {
  char line[80] = {};
  Strings::Assign(line, T3Base::Title);
  if (T3Base::IsTlv3N) {
    Strings::Concat(line, "/");
    Decode::Integer(T3Base::T3Boards, line, 0);
  }
  Strings::Concat(line, ", version ");
  const char letter[2] = {static_cast<char>(T3Base::BoardVersion), 0};
  Strings::Concat(line, letter);
  TermIO::WriteLine(line);
  WriteSerials();
  TermIO::WriteSet16(T3Base::HardwareVersion, 12);
  TermIO::WriteLn();
}

void SaveProtocol(std::span<const char> stamp) {
  char name[32] = "Protocol_";
  char day[12] = {};
  Strings::Substring(day, stamp, 0, 11);
  Strings::Concat(name, day);
  Strings::Concat(name, ".txt");
  ProtocolNotebook::Save(name);
}

}  // namespace

bool CallMereth() {
  Mouse::SetWaitCursor();
  ModDialogUt::ClearRecord(Dialog());
  SimulatedHardware::Attach(SimulatedHardware::ChosenConfig());
  InitAllModules();
  T3AD::SetTlvType(T3Types::KindTlv4USB, ZRVBase::BoardQRN55);
  T3Tester::SetStart(testerSave);
  SetDefaults(NotebookWDescr);
  InstallMenus();
  UserQueue::InstallAfterProc(Shutdown);
  DoDebug = TellTaleFile::Exists("TlvProtocol.On");
  InstallNotebook();
  T3CalibMenu::Install(false, ModDialogUt::NoProc, WriteFirmware, UpgradeBoardVersion);
  HelpMenu = ModMenus::CreateHelpMenuWithAboutAsOnlyItem();
  if (!ModDialogUt::InitializeRecord(Dialog(), ItemVector, false, false, MacEnv::Version, "Mereth",
                                     Graphics::Helvetica, 12, kItems, 16, 95, 462, 33, 0)) {
    return false;
  }
  if (!ModDialog::Initialize(Dialog(), 1, FillDialog, CreateMenuLists, false, false, true, true, false, "")) {
    return false;
  }
  FillProcs();
  UpdatePCISlot();
  TermWindow::Update();
  MacEnv::HideLogo();
  ModDialog::Update(Dialog());
  Mouse::SetArrowCursor();
  ModDialogLoop::Execute(Dialog()->Terminal, Dialog(), FilterEvent, Dialog()->Stop);
  return true;
}

void InitializeTlv() {
  char stamp[40] = {};
  if (DoDebug) {
    RealTime::ToAltDate(RealTime::GetTime(), stamp, true, false);
    TermIO::WriteLn();
    TermIO::WriteLn();
    TermIO::WriteString(MacEnv::Version);
    TermIO::WriteString("  ->  ");
    TermIO::WriteLine(stamp);
  }
  bool failed = false;
  bool quit = false;
  const std::uint8_t type = Value(kTypeItem);
  DialogRecord* d = Dialog();
  if (type == kTlv6) {
    failed = !Tlv6Firmware::ConnectToTlv6(DoDebug);
  } else if (type == kQRN55) {
    Tlv3Init::InitializeInterface(T3Types::KindTlv1, ZRVBase::BoardQRN55, true, false, "", failed, quit);
    EnableItem(kBoardItem, false);
  } else {
    if (T3Base::MapActiveBoard) K5Set_518::Init_PK510_and_PK518();
    Tlv3Init::InitializeAndCheckForLife(T3Base::AmplKind, false, true, true, false, failed, quit);
    EnableItem(kBoardItem, !failed);
    for (int n = 1; n <= kBoardEntries; ++n) ModDialogUt::EnableItemInList(d, kBoardItem, n, n <= T3Types::State.T3Boards);
  }
  if (type != kTlv6 && !failed && QRN55Tools::FirmwareNeedsUpdating()) {
    Tlv3Init::UpdateQRN55Firmware("QRN5+5", failed, quit);
  }
  if (quit) Quit();
  ModDialog::UpdateItem(d, kBoardItem);
  ModDialog::UpdateItem(d, kTypeItem);
  T3CalibMenu::UpdateVersionMenu();
  if (DoDebug) {
    WriteIdentification();
    SaveProtocol(stamp);
  }
  Mouse::SetArrowCursor();
}

void Quit() {
  if (QRN55Tools::FPGA_Upload_Running()) {
    TermIO::WriteAlertLine("Cannot quit while uploading to the QRN 5+5");
  } else if (Tlv6Firmware::Upload_Running()) {
    TermIO::WriteAlertLine("Cannot quit while uploading to the TLV 6");
  } else {
    ModDialogLoop::Terminate();
  }
}

void WriteFirmware() {
  if (Tlv6Selected()) {
    Tlv6Firmware::Upload(true, DoDebug);
  } else if (T3CalibMenu::EnableQRN55Functions()) {
    T3CalibMenu::QRN55_WriteFirmware();
  }
}

void UpgradeBoardVersion() {
  if (Tlv6Selected()) {
    Tlv6Firmware::SetSerialNumber(true, DoDebug);
  } else {
    T3CalibMenu::UpgradeBoardVersion();
  }
}

}  // namespace Tlv3Mereth
