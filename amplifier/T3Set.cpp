#include "amplifier/T3Set.h"

#include <cstring>
#include <string_view>

#include "acquisition/ZRV.h"
#include "amplifier/T3AD.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Selector.h"
#include "foundation/Decode.h"
#include "foundation/LogUtil.h"
#include "foundation/Strings.h"
#include "foundation/TellTaleFile.h"
#include "foundation/TermIO.h"

namespace T3Set {

T3Types::SwitchShadow SwitchState{};
bool SendToHardware = false;
bool DebugWrite = false;

namespace {

constexpr int kTextSize = 80;
constexpr std::int32_t kRangeError = 25;

constexpr const char* kNames[T3Types::kElementCount] = {
    "IC7A ", "IC7B ", "IC8A ", "IC8B ", "IC34A", "IC34B", "IC25A", "IC25B",
    "IC56A", "IC56B", "IC22A", "IC22B", "IC24A", "IC24B", "IC77A", "IC77B",
    "IC4A ", "IC4B ", "IC12A", "IC12B", "IC50A", "IC50B", "IC41A", "IC41B",
    "IC75 ", "IC80 ", "IC2  ", "IC14 ", "IC10 ", "IC96 ", "IC16 ", "IC18 ",
    "IC32 ", "IC38 ", "IC51 ", "L1   ", "IC55 ", "IC58 ", "IC45 ", "IC26 ",
    "L3   ", "L4   ", "IC66 ", "IC57 ", "IC88 ", "Ext  ", "L5   ", "free "};

bool IsElement(std::int32_t address) { return address >= 0 && address < T3Types::kElementCount; }

std::uint16_t& Shadow(std::int32_t address) { return SwitchState.Element[address]; }

bool Bit(std::int32_t value, int bit) { return ((value >> bit) & 1) != 0; }

bool LetterIn(std::string_view letters) {
  const char letter = T3Base::BoardVersion;
  return letter != 0 && letters.find(letter) != std::string_view::npos;
}

std::span<const char> Text(const char* text) { return {text, std::strlen(text) + 1}; }

void Append(std::span<char> text, const char* piece) { Strings::Concat(text, Text(piece)); }

void EchoLabel(const char* sent, const char* computed) {
  if (DebugWrite) TermIO::WriteString(Text(SendToHardware ? sent : computed));
}

// The send step of one word: echoed, and played when the hardware is on.
void SendWord(std::int32_t address, std::int32_t data) {
  const std::uint16_t word = ByteToSend(address, data);
  if (DebugWrite) {
    TermIO::WriteSet16(word, 16);
    TermIO::WriteString("   ");
  }
  if (SendToHardware) T3AD::SendByte(word);
}

void EchoEnd() {
  if (DebugWrite) TermIO::WriteLn();
}

// Sets bits of one latch and sends it. A setter that changes two latches
// changes both before it sends the first: a pair shares one word.
void SetBits(std::int32_t latch, std::initializer_list<std::pair<int, bool>> bits) {
  for (const auto& [bit, on] : bits) Set1Switch(latch, bit, on);
  SendSwitchValue(latch);
}

void SetLatch(std::int32_t latch, std::int32_t value) {
  Set4Switches(latch, value);
  SendSwitchValue(latch);
}

// The current-clamp circuit; the older boards 'A', 'B', 'P' switch it with
// the opposite level.
void ActivateCurrentClamp(bool on) { SetBits(32, {{3, on != LetterIn("ABP")}}); }

}  // namespace

void InitModule() {
  SendToHardware = false;
  DebugWrite = TellTaleFile::Exists("T3Debug.On") && TellTaleFile::Number("T3Debug.On") < 1.0;
  SwitchState = T3Types::SwitchShadow{};
}

std::uint16_t ByteToSend(std::int32_t address, std::int32_t data) {
  return static_cast<std::uint16_t>(((address * 256) & 0x3FFF) | (data & 0xFF));
}

std::int32_t IC_Kind(std::int32_t address) {
  if (address < 0 || address > 47) return 4;
  if (address <= 13) return 0;
  if (address <= 23) return 1;
  if (address <= 46) return 2;
  return 3;
}

void IC_Name(std::int32_t address, std::span<char> name) {
  Strings::Clear(name);
  Append(name, IsElement(address) ? kNames[address] : "???? ");
}

void SendDAC8(std::int32_t address, std::int32_t value) {
  if (!IsElement(address)) return;
  Shadow(address) = static_cast<std::uint16_t>(value);
  EchoLabel("  DAC8     ", "  dac8     ");
  SendWord(address, value);
  if (DebugWrite) WriteDac(address);
  EchoEnd();
}

void SendDAC12(std::int32_t address, std::int32_t value) {
  if (!IsElement(address)) return;
  Shadow(address) = static_cast<std::uint16_t>(value);
  const std::int32_t channel = (address & 1) != 0 ? 0x40 : 0;
  const std::int32_t pair = address & ~1;
  EchoLabel("  DAC12    ", "  dac12    ");
  for (std::int32_t nibble = 0; nibble < 3; ++nibble) {
    SendWord(pair, (value & 0xF) + channel + 16 * nibble);
    if (DebugWrite && nibble == 0) WriteDac(address);
    EchoEnd();
    value >>= 4;
  }
  SendWord(pair, channel + 0x30);
  EchoEnd();
}

std::uint16_t SwitchValueToSend(std::int32_t address) {
  const std::int32_t even = address & ~1;
  const std::int32_t odd = address | 1;
  const std::int32_t high = IsElement(odd) ? Shadow(odd) & 0xF : 0;
  const std::int32_t low = IsElement(even) ? Shadow(even) & 0xF : 0;
  return ByteToSend(even, high * 16 + low);
}

void SendSwitchValue(std::int32_t address) {
  if (!IsElement(address)) return;
  EchoLabel("  SWITCH   ", "  switch   ");
  SendWord(address, SwitchValueToSend(address) & 0xFF);
  if (DebugWrite) WriteSwitch(address);
  EchoEnd();
}

void Set1Switch(std::int32_t address, std::int32_t bit, bool on) {
  if (!IsElement(address) || bit < 0 || bit > 3) return;
  const auto mask = static_cast<std::uint16_t>(1u << bit);
  Shadow(address) = on ? (Shadow(address) | mask) : (Shadow(address) & ~mask);
}

void Set4Switches(std::int32_t address, std::int32_t value) {
  if (!IsElement(address)) return;
  Shadow(address) = static_cast<std::uint16_t>(value & 0xF);
}

void DacToString(std::int32_t address, std::span<char> text) {
  IC_Name(address, text);
  Append(text, "[");
  Decode::Integer(address, text, 2);
  Append(text, "]");
  Decode::Integer(IsElement(address) ? Shadow(address) : 0, text, 5);
}

void SwitchToString(std::int32_t address, std::span<char> text) {
  IC_Name(address, text);
  Append(text, "[");
  Decode::Integer(address, text, 2);
  Append(text, "] ");
  char bits[] = "----";
  const std::int32_t state = IsElement(address) ? Shadow(address) : 0;
  for (int bit = 0; bit < 4; ++bit) {
    if (Bit(state, bit)) bits[bit] = static_cast<char>('A' + bit);
  }
  Append(text, bits);
}

void WriteDac(std::int32_t address) {
  char text[kTextSize];
  DacToString(address, text);
  TermIO::WriteString(text);
}

void WriteSwitch(std::int32_t address) {
  char text[kTextSize];
  SwitchToString(address, text);
  TermIO::WriteString(text);
}

void TFastDacs(std::int32_t a, std::int32_t b) {
  SendDAC8(1, a);
  SendDAC8(0, b);
}

void TSlowDacs(std::int32_t a, std::int32_t b) {
  SendDAC8(3, a);
  SendDAC8(2, b);
}

void StimScaleDacs(std::int32_t a, std::int32_t b) {
  SendDAC8(4, a);
  SendDAC8(5, b);
}

void F2OffsetDac(std::int32_t value) { SendDAC8(6, value); }
void CSlowFractionDac(std::int32_t value) { SendDAC8(7, value); }
void CFastAmp2Dac(std::int32_t value) { SendDAC8(8, value); }
void CFastAmp1Dac(std::int32_t value) { SendDAC8(9, value); }

void F2Part1Dacs(std::int32_t value) {
  SendDAC8(10, value);
  SendDAC8(11, value);
}

void F2Part2Dacs(std::int32_t value) {
  SendDAC8(12, value);
  SendDAC8(13, value);
}

void CCTrackDac(std::int32_t value) { SendDAC12(14, value); }
void CCOffsetDac(std::int32_t value) { SendDAC12(15, value); }
void VpOffsetDac(std::int32_t value) { SendDAC12(16, value); }
void ProbeOffsetDac(std::int32_t value) { SendDAC12(17, value); }
void HFCompDac(std::int32_t value) { SendDAC12(18, value); }
void GainTrimDac(std::int32_t value) { SendDAC12(19, value); }
void CSlowDac(std::int32_t value) { SendDAC12(20, value); }
void GSeriesDac(std::int32_t value) { SendDAC12(21, value); }
void GLeakDac(std::int32_t value) { SendDAC12(22, value); }

void RsCompDac(std::int32_t value) {
  if (!T3Panel::HasRefGainTrim()) SendDAC12(23, value);
}

void RefGainTrimDac(std::int32_t value) {
  if (T3Panel::HasRefGainTrim()) SendDAC12(23, value);
}

void CCScale(std::int32_t f) {
  if (LetterIn("ABP")) {
    SetBits(32, {{3, Bit(f, 1)}});
    SetBits(33, {{0, Bit(f, 0)}});
  } else if (LetterIn("D")) {
    SetBits(24, {{0, Bit(f, 0)}});
  } else if (T3Base::BoardVersion != 0 && !LetterIn("CZ")) {
    SetBits(24, {{0, !Bit(f, 0)}});
  }
}

void ExtCCStim(bool on) { SetBits(24, {{1, on}}); }

void EEPROMSelect(bool on) {
  const bool activeLow = T3Types::State.EEPROMKind == 2;
  SetBits(24, {{2, on != activeLow}});
}

void CCMode(bool on) {
  if (!on) ActivateCurrentClamp(false);
  SetBits(33, {{1, !on}, {3, on}});
  if (on) ActivateCurrentClamp(true);
  if (!LetterIn("ABCDPZ")) SetBits(24, {{3, on}});
  SetBits(40, {{1, !on}});
}

void CCTrackTau(std::int32_t n) {
  static constexpr std::int32_t kLatch[] = {14, 12, 8, 13, 9};
  SetLatch(25, n >= 1 && n <= 5 ? kLatch[n - 1] : 0);
}

void TestDacToProbeOut(bool on) { SetBits(26, {{0, !on}, {1, on}}); }
void TRangeSwitches(std::int32_t f) { SetBits(26, {{2, Bit(f, 0)}, {3, Bit(f, 1)}}); }
void HFCompSwitches(std::int32_t f) { SetBits(27, {{0, Bit(f, 0)}, {1, Bit(f, 1)}}); }
void TestDacToOutputAmp(bool on) { SetBits(27, {{2, !on}, {3, on}}); }

void Filter1(std::int32_t n) { SetLatch(28, n >= 0 && n < 4 ? 1 << n : 0); }

void BathSense(bool on) { SetBits(29, {{0, !on}}); }
void F2ImonBypass(bool on) { SetBits(29, {{1, on}}); }
void CFastHigh(bool on) { SetBits(29, {{2, on}}); }
void VrefX2(bool on) { SetBits(29, {{3, on}}); }
void OutputFilter(std::int32_t f) { SetBits(30, {{0, Bit(f, 0)}, {1, Bit(f, 1)}}); }
void TestDacOutAmpShunt(bool on) { SetBits(30, {{3, on}}); }

void OutputAmpGain(std::int32_t gain) {
  struct Row {
    std::int32_t gain;
    bool bit0;
    bool bit1;
    bool low;
  };
  static constexpr Row kRows[] = {{1, false, false, true},  {2, true, false, true},
                                  {4, true, true, true},    {10, false, false, false},
                                  {20, true, false, false}, {40, true, true, false}};
  for (const Row& row : kRows) {
    if (row.gain != gain) continue;
    Set1Switch(30, 2, row.low);
    Set1Switch(31, 0, row.bit0);
    Set1Switch(31, 1, row.bit1);
    SendSwitchValue(30);
    SendSwitchValue(31);
    return;
  }
  T3Error::Error = kRangeError;
}

void Filter2Source(bool first, bool second, bool third) {
  Set1Switch(31, 2, first);
  Set1Switch(31, 3, second);
  Set1Switch(44, 2, third);
  SendSwitchValue(31);
  SendSwitchValue(44);
}

void StimSource(std::int32_t n) { SetBits(32, {{0, n == 2}, {1, n == 1}, {2, n == 0}}); }

void VmonX100(bool on) { SetBits(33, {{0, on}}); }

void CCFastSpeed(bool on) {
  if (LetterIn("CD")) SetBits(33, {{0, !on}});
}

void StimFilter(bool on) { SetBits(33, {{2, on}}); }

void CSlowSwitches(std::int32_t n) {
  Set1Switch(35, 0, Bit(n, 4));
  Set4Switches(34, n);
  SendSwitchValue(34);
  SendSwitchValue(35);
}

void GSeriesSwitches(std::int32_t f) {
  SetBits(35, {{1, Bit(f, 0)}, {2, Bit(f, 1)}, {3, Bit(f, 2)}});
}

void CFastTau2Switches(std::int32_t n) { SetLatch(36, n); }
void CFastAmp2Switches(std::int32_t n) { SetLatch(37, n); }
void GLeakSwitch(bool on) { SetBits(38, {{0, on}}); }

void RsCompOn(bool on) {
  if (!T3Panel::HasRefGainTrim()) SetBits(38, {{1, on}});
}

void RefGainTrimOn(bool on) {
  if (T3Panel::HasRefGainTrim()) SetBits(38, {{1, on}});
}

void RsCompSwitch(bool on) { SetBits(38, {{2, on}}); }
void RsCompSlow(bool on) { SetBits(38, {{3, on}}); }
void Filter2HighQ(bool on) { SetBits(39, {{0, on}}); }
void MuxGainx64(bool on) { SetBits(39, {{1, on}}); }
void TestIntegratorSource(std::int32_t f) { SetBits(39, {{2, Bit(f, 0)}, {3, Bit(f, 1)}}); }
void ProbeSpeed(bool on) { SetBits(40, {{0, on}}); }
void ProbeResistor(std::int32_t f) { SetBits(40, {{2, Bit(f, 0)}, {3, Bit(f, 1)}}); }
void MuxChannel(std::int32_t n) { SetLatch(41, n); }

void CSlowInjCaps(std::int32_t f) {
  Set1Switch(42, 0, Bit(f, 0));
  Set1Switch(42, 1, Bit(f, 1));
  Set1Switch(43, 3, Bit(f, 2));
  SendSwitchValue(42);
  SendSwitchValue(43);
}

void TestIntInjCaps(std::int32_t f) { SetBits(42, {{2, Bit(f, 0)}, {3, Bit(f, 1)}}); }

void CFastAmp1Switches(std::int32_t f) {
  SetBits(43, {{2, Bit(f, 2)}, {1, Bit(f, 1)}, {0, Bit(f, 0)}});
}

void LowGainCClamp(bool on) { SetBits(44, {{0, on}}); }
void GentleSwitch(bool on) { SetBits(44, {{1, on}}); }
void TestDacOut(bool on) { SetBits(45, {{0, on}}); }
void ExtensionEEPROMSelect(bool on) { SetBits(45, {{1, !on}, {3, on}}); }
void QMuxAdc(bool on) { SetBits(45, {{2, !on}}); }
void EEPROMDataPath(bool on) { SetBits(45, {{3, on}}); }

void T3BoardLatch(std::int32_t b) {
  SetLatch(46, b >= 0 && b < 4 ? 1 << b : 0);
  LogUtil::WriteToLogInt("T3Set: T3BoardLatch", b);
}

void InitFree() { SetLatch(47, 0); }

void InitHardware() {
  ZRV::ZeroDacs();
  EEPROMSelect(false);
  EEPROMDataPath(false);
  SetBits(24, {{2, false}, {3, false}});
  SetBits(32, {{3, false}});

  ExtCCStim(false);
  CCTrackTau(0);
  CCTrackDac(2047);
  StimSource(0);
  CCMode(false);
  CCScale(0);
  MuxGainx64(false);
  CSlowDac(4080);
  CSlowSwitches(0);
  TestDacOutAmpShunt(false);

  T3Panel::GetDefaultState();
  T3Panel::LoadTheState();

  StimFilter(false);
  HFCompDac(1024);
  GainTrimDac(1024);
  ProbeOffsetDac(2048);
  TFastDacs(128, 255);
  TSlowDacs(128, 255);
  HFCompSwitches(0);
  TRangeSwitches(0);
  F2Part1Dacs(30);
  F2Part2Dacs(30);
  Filter2HighQ(false);
  F2OffsetDac(128);
  VrefX2(T3Base::ForceVrefX2);
  if (T3Base::ForceCFastHigh) CFastHigh(true);
}

void WriteState() {
  TermIO::WriteLn();
  for (std::int32_t address = 0; address < 24; ++address) {
    WriteDac(address);
    TermIO::WriteString("        ");
    WriteSwitch(address + 24);
    TermIO::WriteLn();
  }
  if (T3Base::MaxSelectors <= 0) return;
  TermIO::WriteString("Selector_pos= ");
  TermIO::WriteInt(T3Selector::SelectorPosition + 1, 0);
  TermIO::WriteString(", board= ");
  TermIO::WriteInt(T3Selector::SelectorBoard + 1, 0);
  TermIO::WriteString(", DA-units= ");
  TermIO::WriteInt(T3Selector::SelectorDacUnits, 4);
  TermIO::WriteString(", EEPROM= ");
  TermIO::WriteBoolean(T3Selector::SelectorEEPROM);
  TermIO::WriteLn();
}

}  // namespace T3Set
