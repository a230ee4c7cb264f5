// K5EEPROM's stored form of the PK state, "K5STATE".

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "foundation/Bytes.h"
#include "foundation/TermIO.h"
#include "foundation/platform/Host.h"
#include "potentiostat/K5EEPROM.h"
#include "potentiostat/K5Panel.h"

namespace K5EEPROM {

namespace {

using PKTypes::PKState;

constexpr std::int32_t kSecondRecordAt = 160;
constexpr std::int32_t kInterfaceKindAt = 106;
constexpr std::int32_t kByteOrderAt = 68;

// Stored connection-kind codes by InterfaceKind 1..7.
constexpr std::uint8_t kKindCodes[] = {6, 1, 2, 3, 4, 5, 7};

std::uint8_t KindToCode(std::uint8_t kind) {
  return kind >= 1 && kind <= std::size(kKindCodes) ? kKindCodes[kind - 1] : 0;
}

std::uint8_t CodeToKind(std::uint8_t code) {
  for (std::uint8_t kind = 1; kind <= std::size(kKindCodes); ++kind) {
    if (kKindCodes[kind - 1] == code) return kind;
  }
  return 0;
}

// Every stored field but the connection kind and the second record's
// offset, through the Bytes procedures of the walk's mode.
void WalkRecord(PKState& r) {
  Bytes::ProcessPoly8(0, r.Tag, sizeof r.Tag);
  Bytes::ProcessInt32(8, r.RecordVersion);
  Bytes::ProcessLReal(12, r.InitVoltage);
  Bytes::ProcessLReal(20, r.InitCurrent);
  Bytes::ProcessLReal(28, r.IRCompValue);
  Bytes::ProcessLReal(36, r.CurrentBandwidth);
  Bytes::ProcessLReal(44, r.SpareReal1);
  Bytes::ProcessLReal(52, r.SharedReal2);
  Bytes::ProcessLReal(60, r.SharedReal1);
  Bytes::ProcessBool(kByteOrderAt, r.LittleEndian);
  Bytes::ProcessByte(69, r.ActiveBoard);
  Bytes::ProcessByte(70, r.CurrentOutputAmplifierGain);
  Bytes::ProcessBool(71, r.RefToWE);
  Bytes::ProcessBool(72, r.Spare2);
  Bytes::ProcessBool(75, r.IRCompOn);
  Bytes::ProcessBool(76, r.Overload);
  Bytes::ProcessByte(77, r.VoltageOutputAmplifierGain);
  Bytes::ProcessByte(78, r.StimInScale);
  Bytes::ProcessByte(79, r.MuxOutPath);
  Bytes::ProcessByte(80, r.TestDacPath);
  Bytes::ProcessByte(81, r.ModelCell);
  Bytes::ProcessByte(82, r.ControlBandwidth);
  Bytes::ProcessByte(83, r.CellMode);
  Bytes::ProcessByte(84, r.AmplMode);
  Bytes::ProcessByte(85, r.ElectrodeMode);
  Bytes::ProcessByte(86, r.CurrentFilter);
  Bytes::ProcessByte(87, r.VoltageFilter);
  Bytes::ProcessByte(88, r.StimulusFilter);
  Bytes::ProcessByte(89, r.CurrentRange);
  Bytes::ProcessByte(90, r.ScaleRange);
  Bytes::ProcessBool(91, r.SharedFlag1);
  Bytes::ProcessByte(92, r.SharedByte1);
  Bytes::ProcessChar(93, r.SharedChar1);
  Bytes::ProcessByte(94, r.Feedback);
  Bytes::ProcessByte(95, r.MuxChannel);
  Bytes::ProcessChar(96, r.Version);
  Bytes::ProcessByte(97, r.ActiveAmplifier);
  Bytes::ProcessBool(98, r.HasRingAmplifier);
  Bytes::ProcessBool(99, r.VoltageSubtractOn);
  Bytes::ProcessSet16(100, r.Options);
  Bytes::ProcessBool(102, r.SharedFlag2);
  Bytes::ProcessByte(103, r.ConfigCode);
  Bytes::ProcessBool(104, r.CurrentSubtractOn);
  Bytes::ProcessBool(105, r.BoosterActive);
  Bytes::ProcessBool(107, r.Remote);
  Bytes::ProcessBool(108, r.Tlv4Present);
  Bytes::ProcessByte(109, r.BoosterPresent);
  Bytes::ProcessBool(110, r.IsRingAmplifier);
  Bytes::ProcessChar(111, r.Spare1);
  Bytes::ProcessPoly8(112, r.SerialNumber, sizeof r.SerialNumber);
  Bytes::ProcessLReal(120, r.CurrentGain);
  Bytes::ProcessLReal(128, r.SpareReal2);
  Bytes::ProcessLReal(136, r.SpareReal3);
  Bytes::ProcessLReal(144, r.SharedReal3);
  Bytes::ProcessInt16(152, r.StimDacChannel);
  Bytes::ProcessInt16(154, r.VoltageAdcChannel);
  Bytes::ProcessInt16(156, r.CurrentAdcChannel);
  Bytes::ProcessInt16(158, r.MuxAdcChannel);
  Bytes::ProcessBool(162, r.RefToGround);
  Bytes::ProcessBool(163, r.MuxX100);
  Bytes::ProcessBool(164, r.StimToCE);
  Bytes::ProcessBool(165, r.SubtractionActive);
  Bytes::ProcessInt16(166, r.TestDacChannel);
  Bytes::ProcessLReal(168, r.ClampGain);
  Bytes::ProcessLReal(176, r.Subtraction);
  Bytes::ProcessSToLReal(184, r.StimulusBandwidth);
  Bytes::ProcessSToLReal(188, r.VoltageBandwidth);
}

// The index fields that later pick table entries, with the default state's
// value for one out of range.
struct IndexField {
  const char* name;
  std::uint8_t PKState::* field;
  std::uint8_t highest;
  std::uint8_t fallback;
};

constexpr IndexField kIndexFields[] = {
    {"ActiveAmplifier", &PKState::ActiveAmplifier, 1, 0},
    {"AmplMode", &PKState::AmplMode, 1, 0},
    {"Feedback", &PKState::Feedback, 2, 0},
    {"ScaleRange", &PKState::ScaleRange, 11, 2},
    {"VoltageOutputAmplifierGain", &PKState::VoltageOutputAmplifierGain, 3, 0},
    {"StimInScale", &PKState::StimInScale, 3, 0},
};

void KeepIndicesInRange(PKState& record) {
  for (const IndexField& index : kIndexFields) {
    std::uint8_t& value = record.*index.field;
    if (value <= index.highest) continue;
    const std::string line = std::string("K5STATE: ") + index.name + " " + std::to_string(value) +
                             " out of range, " + std::to_string(index.fallback) + " taken";
    TermIO::WriteLine(std::span(line.c_str(), line.size() + 1));
    value = index.fallback;
  }
}

void WriteRecord(const PKState& state, std::span<std::uint8_t> area, std::uint16_t secondRecordAt) {
  std::fill(area.begin(), area.end(), std::uint8_t{0});
  PKState record = state;
  record.LittleEndian = Platform::IsLittleEndian();
  std::uint8_t kind = KindToCode(state.InterfaceKind);
  Bytes::InitProcs(std::as_writable_bytes(area), Bytes::kPack);
  WalkRecord(record);
  Bytes::ProcessByte(kInterfaceKindAt, kind);
  Bytes::ProcessWord16(kSecondRecordAt, secondRecordAt);
  Bytes::InitModule();
}

// One record from its area (StateRecordSize bytes); the offset it gives
// for a second record.
std::uint16_t ReadRecord(std::span<const std::uint8_t> area, PKState& into, bool swap) {
  std::array<std::uint8_t, StateRecordSize> work;
  std::copy_n(area.begin(), StateRecordSize, work.begin());
  PKState record{};
  std::uint8_t kind = 0;
  std::uint16_t secondRecordAt = 0;
  Bytes::InitProcs(std::as_writable_bytes(std::span(work)), swap ? Bytes::kSwap : Bytes::kCopy);
  WalkRecord(record);
  Bytes::ProcessByte(kInterfaceKindAt, kind);
  Bytes::ProcessWord16(kSecondRecordAt, secondRecordAt);
  Bytes::InitModule();
  record.InterfaceKind = CodeToKind(kind);
  K5Panel::VersionToName(record.Version, record.Name);
  if (record.VoltageBandwidth < 1.0) record.VoltageBandwidth = K5Panel::FilterToBandwidth(record.VoltageFilter);
  KeepIndicesInRange(record);
  into = record;
  return secondRecordAt;
}

}  // namespace

bool IsPK500StateFile(std::span<const std::uint8_t> buffer) {
  constexpr char kTag[] = "K5STATE";
  return buffer.size() >= std::strlen(kTag) && std::memcmp(buffer.data(), kTag, std::strlen(kTag)) == 0;
}

void StateToFile(std::span<const PKState, 2> states, std::span<std::uint8_t> buffer, bool both) {
  const std::size_t first = std::min<std::size_t>(StateRecordSize, buffer.size());
  WriteRecord(states[0], buffer.first(first), both ? StateRecordSize : 0);
  if (both) {
    WriteRecord(states[1], buffer.subspan(first, std::min<std::size_t>(StateRecordSize, buffer.size() - first)), 0);
  }
}

void FileToState(std::span<const std::uint8_t> buffer, std::span<PKState, 2> states, bool swap, bool both) {
  if (buffer.size() < StateRecordSize) return;
  const std::uint16_t secondRecordAt = ReadRecord(buffer, states[0], swap);
  // The second record stands only where the writer puts it.
  if (both && secondRecordAt == StateRecordSize && buffer.size() >= 2 * StateRecordSize) {
    ReadRecord(buffer.subspan(StateRecordSize), states[1], swap);
  }
}

}  // namespace K5EEPROM
