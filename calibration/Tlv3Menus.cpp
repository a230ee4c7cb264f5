#include "calibration/Tlv3Menus.h"

#include <string_view>

#include "acquisition/QRN55Interface.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Types.h"
#include "dialogs/Alert.h"
#include "foundation/Decode.h"
#include "foundation/Strings.h"

namespace Tlv3Menus {

namespace {

using Strings::Concat;

bool Empty(std::span<const char> text) { return Strings::Length(text) == 0; }

void ConcatInt(std::span<char> text, std::int32_t value) { Decode::Integer(value, text, 0); }

void ConcatLetter(std::span<char> text, char letter) {
  const char one[2] = {letter, 0};
  Concat(text, one);
}

bool LetterKnown() { return T3Base::BoardVersion != 0; }

// ", Version " and the letter when it is known; unknown shows "?" where
// asked.
void ConcatVersion(std::span<char> text, bool questionWhenUnknown) {
  if (!LetterKnown() && !questionWhenUnknown) return;
  Concat(text, ", Version ");
  ConcatLetter(text, LetterKnown() ? static_cast<char>(T3Base::BoardVersion) : '?');
}

void ConcatSerialLine(std::span<char> text) {
  if (Empty(T3Base::SerialNumber)) return;
  Concat(text, Alert::LF);
  Concat(text, "Serial Number: ");
}

// The older family, the TLV 6 and the bare QRN 5+5.
void OlderKinds(HardwareTexts& t) {
  Strings::Assign(t[0], T3Base::Title);
  ConcatVersion(t[0], false);
  const bool noBoard = ZRV::GetBoardType() == ZRVBase::BoardNone;
  if (!noBoard) {
    Concat(t[0], ", ");
    AppendInterfaceInfo(t[0]);
  }
  ConcatSerialLine(t[0]);
  if (!Empty(T3Base::SerialNumber)) Concat(t[0], T3Base::SerialNumber);
  if (noBoard) return;
  if (!Empty(T3Base::DeviceNumber)) {
    Concat(t[1], "Device Number: ");
    Concat(t[1], T3Base::DeviceNumber);
  }
  Concat(t[1], Alert::LF);
  if (!Empty(T3Base::ExtEEPROMVersion1) &&
      Strings::Comp(T3Base::ExtEEPROMVersion1, T3Base::SerialNumber, 0, 0, 6, 6, false) != 0) {
    Concat(t[1], "Unit-1 Number: ");
    Concat(t[1], T3Base::ExtEEPROMVersion1);
  }
  if (!Empty(T3Base::ExtEEPROMVersion2)) {
    Concat(t[2], "Unit-2 Number: ");
    Concat(t[2], T3Base::ExtEEPROMVersion2);
  }
  if (T3Base::KESP7Active) {
    Concat(t[3], Alert::LF);
    Concat(t[3], "KESP7: ");
    ConcatInt(t[3], T3Base::MaxDigBitOut + 1);
    Concat(t[3], " dig-out");
  }
}

// The serial number part that the identification lines share: one serial
// (with the second unit's text), or the two racks' serials.
void ConcatSerials(std::span<char> text) {
  if (Empty(T3Base::SerialNumber2) || Strings::Equal(T3Base::SerialNumber2, T3Base::SerialNumber1)) {
    Concat(text, T3Base::SerialNumber);
    if (!Empty(T3Base::ExtEEPROMVersion2)) {
      Concat(text, ", ");
      Concat(text, T3Base::ExtEEPROMVersion2);
    }
  } else {
    Concat(text, T3Base::SerialNumber1);
    Concat(text, ", ");
    Concat(text, T3Base::SerialNumber2);
  }
}

void BoardCount(std::span<char> text) {
  Concat(text, "/");
  ConcatInt(text, T3Base::T3Boards);
}

// The TLV 3 and TLV 4 family.
void NewerKinds(HardwareTexts& t) {
  const T3Types::AmplifierState& state = T3Types::State;
  Strings::Assign(t[0], T3Base::Title);
  if (T3Base::IsTlv3N) BoardCount(t[0]);
  ConcatVersion(t[0], true);
  Concat(t[0], ", ");
  AppendInterfaceInfo(t[0]);
  if (T3Base::EmulateTlv3N) Concat(t[0], " EMULATION");
  if (!Empty(T3Base::SerialNumber)) {
    ConcatSerialLine(t[0]);
    ConcatSerials(t[0]);
  }

  if (!Empty(T3Base::DeviceNumber)) {
    Concat(t[1], "Device Number: ");
    Concat(t[1], T3Base::DeviceNumber);
  }
  Concat(t[1], Alert::LF);
  Concat(t[1], Alert::LF);
  if (state.HasCCTracking) {
    Concat(t[1], "Has TRUE-CC");
    Concat(t[1], ", ");
    Concat(t[1], "Slow Freq. VC");
  } else if (state.HasCCFast) {
    Concat(t[1], "Has CC-fast");
  }

  Concat(t[2], "CC-ranges:  ");
  bool listed = false;
  const auto range = [&](bool present, std::string_view name) {
    if (!present) return;
    if (listed) Concat(t[2], ", ");
    Concat(t[2], name);
    listed = true;
  };
  range(state.HasCCRange0, "0.1pA/mV");
  range(state.HasCCRange1, "1pA/mV");
  range(state.HasHighCCGains, "10pA/mV, 100pA/mV");
  if (state.HasInternalVmon) {
    Concat(t[2], Alert::LF);
    Concat(t[2], "Has internal V-mon connection");
    if (state.HasVmonX100) Concat(t[2], ", V-mon x 100");
  }

  std::span<char> t4 = t[3];
  bool before = false;
  if (state.HasCFastHigh) {
    Concat(t4, "Has extended C-fast");
    before = true;
  }
  if (state.HasVrefX2) {
    Concat(t4, std::string_view(before ? ", " : "Has "));
    Concat(t4, "ext.stim.range");
    before = true;
  }
  if (T3Base::IsTlv3N) {
    if (before) Concat(t4, Alert::LF);
    Concat(t4, T3Base::Title);
    BoardCount(t4);
    before = true;
  }
  if (T3Base::MaxSelectors > 0) {
    if (before) Concat(t4, std::string_view(T3Base::IsTlv3N ? ", " : Alert::LF));
    Concat(t4, "Probes: ");
    ConcatInt(t4, T3Base::MaxSelectors);
    Concat(t4, "/");
    ConcatLetter(t4, T3Base::SelectorVersion[0]);
  } else if (T3Base::IsTlv3N || T3Base::KESP7Active) {
    Concat(t4, std::string_view(before ? Alert::LF : ", "));
    if (T3Base::KESP7Active) Concat(t4, "KESP7: ");
    ConcatInt(t4, T3Base::MaxDigBitOut + 1);
    Concat(t4, " dig-out");
  }
}

void MoveUp(std::array<char, kInfoSize>& to, std::array<char, kInfoSize>& from) {
  to = from;
  from.fill(0);
}

}  // namespace

void GetHardwareOptions(HardwareTexts& texts) {
  for (auto& text : texts) text.fill(0);
  if (T3Base::AmplKind < T3Types::KindTlv3) {
    OlderKinds(texts);
  } else {
    NewerKinds(texts);
  }
  if (ZRVBase::NumberAdcChannels > 8) {
    if (!Empty(texts[3])) Concat(texts[3], Alert::LF);
    ConcatInt(texts[3], ZRVBase::NumberDacChannels);
    Concat(texts[3], " DAC, ");
    ConcatInt(texts[3], ZRVBase::NumberAdcChannels);
    Concat(texts[3], " ADC");
  }
  if (Empty(texts[2])) MoveUp(texts[2], texts[3]);
  if (Empty(texts[1])) {
    MoveUp(texts[1], texts[2]);
    MoveUp(texts[2], texts[3]);
  }
}

void ShowHardwareOptions() {
  HardwareTexts texts;
  GetHardwareOptions(texts);
  Alert::Big(texts[0], texts[1], texts[2], texts[3]);
}

void GetVersionInfo(std::span<char> text) {
  Strings::Clear(text);
  const T3Types::AmplifierKind kind = T3Base::AmplKind;
  if (kind >= T3Types::KindTlv3) {
    GetAmplInfo(text);
    return;
  }
  if (kind == T3Types::KindTlv2 && T3Base::BoardVersion > 'B') {
    GetAmplInfo(text);
    if (ZRV::GetBoardType() != ZRVBase::BoardNone) {
      Concat(text, ", ");
      AppendInterfaceName(text);
    }
    return;
  }
  if (kind == T3Types::KindTlv2 && LetterKnown()) {
    GetAmplInfo(text);
    Concat(text, ", ");
  }
  AppendInterfaceName(text);
  if (!Empty(T3Base::ExtEEPROMVersion1)) {
    Concat(text, ", Serial No ");
    Concat(text, T3Base::ExtEEPROMVersion1);
  }
}

void AppendInterfaceName(std::span<char> text) {
  char name[80] = {};
  ZRVBase::ToInterfaceName(ZRV::GetBoardType(), name);
  Concat(text, name);
}

void AppendInterfaceInfo(std::span<char> text) {
  AppendInterfaceName(text);
  if (ZRV::GetBoardType() != ZRVBase::BoardQRN55) return;
  int driver = 0;
  int firmware = 0;
  int fpga = 0;
  if (QRN55Interface::GetVersions(0, driver, firmware, fpga) != 0) return;
  Concat(text, " (Driver: ");
  ConcatInt(text, driver);
  Concat(text, ", Firmware: ");
  ConcatInt(text, firmware);
  Concat(text, ", FPGA: ");
  ConcatInt(text, fpga);
  Concat(text, ")");
}

void GetAmplInfo(std::span<char> text) {
  Strings::Assign(text, T3Base::Title);
  if (T3Base::T3Boards > 1) BoardCount(text);
  if (!Empty(T3Base::SerialNumber)) {
    Concat(text, ", Serial No ");
    Concat(text, T3Base::SerialNumber);
  }
  if (LetterKnown()) {
    Concat(text, "-");
    ConcatLetter(text, static_cast<char>(T3Base::BoardVersion));
  }
}

}  // namespace Tlv3Menus
