#include "amplifier/T3Base.h"

#include <cstring>

#include "foundation/Strings.h"

namespace T3Base {

std::int32_t T3Boards;
bool MapActiveBoard;
std::int32_t MaxSelectors;
bool ComputedCFast;
bool IsTlv3N;
T3Types::AmplifierKind AmplKind;
ZRVBase::BoardType ADBoard;
T3Types::BoardVersionLetter BoardVersion;
char DeviceNumber[kTextSize];
char SerialNumber[kTextSize];
char SerialNumber1[kTextSize];
char SerialNumber2[kTextSize];
char SelectorNumber[kTextSize];
char ExtEEPROMVersion1[kTextSize];
char ExtEEPROMVersion2[kTextSize];
std::int32_t FirstRackBoards;
std::int32_t SecondRackBoards;
bool IsSecondRack;
bool AllowSecondRack;
bool RemapRack1;
bool RemapRack2;
bool TetralRack1;
bool TetralRack2;
bool MuxAdcMappedToAD7;
bool ScaleFromDisk;
bool ForceCFastHigh;
bool ForceVrefX2;
std::uint8_t ActiveBoard;
std::uint16_t ClippingSet;
std::int32_t BoardLatchSwitched;
std::int32_t ClippingSkipCount;
double TimeoutCFast;
double TimeoutOffset;
double TimeoutGLeak;
double TimeoutRsComp;
double StrobeInterval;
std::uint16_t HardwareVersion;
char SelectorVersion[kTextSize];
bool Initialized;
bool DacShiftEnabled;
bool EmulateTlv3N;
bool EmulateTetral;
std::int32_t MaxDigBitIn;
std::int32_t MaxDigBitOut;
bool TesterMode;
bool TimedRangeSwitch;
bool KESP7Active;
bool MaskChipSelectBit;
bool UseSelectProc;
char KnownVersions[kKnownVersionsSize];
char Title[kTextSize];

T3Types::BoardState BoardState;

std::uint8_t Tlv2Kind(T3Types::BoardVersionLetter letter) {
  switch (letter) {
    case 'B':
      return 1;
    case 'C':
      return 2;
    case 'D':
      return 3;
    default:
      return 0;
  }
}

void GetName(T3Types::AmplifierKind kind, std::span<char> name) {
  static constexpr const char* kTlv2Names[] = {"TLV2", "TLV2", "TLV6", "OXU2"};
  const char* text = "TLV3";
  switch (kind) {
    case T3Types::KindTlv1:
      text = "TLV1";
      break;
    case T3Types::KindTlv2:
      text = kTlv2Names[Tlv2Kind(BoardVersion)];
      break;
    case T3Types::KindTlv4:
      text = "TLV4";
      break;
    case T3Types::KindTlv4Plus:
      text = "TLV4_Plus";
      break;
    case T3Types::KindTlv4USB:
      text = MapActiveBoard ? "PK518/2" : "TLV4_USB";
      break;
    case T3Types::KindOMIR:
      text = "oMIR";
      break;
    default:
      break;
  }
  Strings::Assign(name, std::span<const char>(text, std::strlen(text) + 1));
}

void InitBoardState() {
  Strings::Clear(SerialNumber);
  BoardState = T3Types::BoardState{};
  BoardState.TempF2Frequency = 30000.0;
  BoardState.BoardImonAdc1 = 6;
  BoardState.BoardImonAdc2 = 6;
  BoardState.BoardImonAdc3 = 6;
  BoardState.BoardVmonAdc = -2;
  BoardState.VCFilter1 = 2;
  BoardState.TempMux = 5;
  BoardState.TempFilter1 = 2;
  BoardState.TempGain = 1;
}

void InitModule() {
  T3Boards = 1;
  MapActiveBoard = false;
  MaxSelectors = 0;
  ComputedCFast = false;
  IsTlv3N = false;
  AmplKind = T3Types::KindTlv4USB;
  ADBoard = ZRVBase::BoardQRN55;
  BoardVersion = 'T';
  for (auto* text : {DeviceNumber, SerialNumber1, SerialNumber2, SelectorNumber,
                     ExtEEPROMVersion1, ExtEEPROMVersion2, SelectorVersion}) {
    Strings::Clear({text, kTextSize});
  }
  FirstRackBoards = 1;
  SecondRackBoards = 0;
  IsSecondRack = false;
  AllowSecondRack = false;
  RemapRack1 = true;
  RemapRack2 = false;
  TetralRack1 = false;
  TetralRack2 = false;
  MuxAdcMappedToAD7 = false;
  ScaleFromDisk = false;
  ForceCFastHigh = false;
  ForceVrefX2 = false;
  ActiveBoard = 0;
  ClippingSet = 0;
  BoardLatchSwitched = 0;
  ClippingSkipCount = 2;
  TimeoutCFast = 8.0;
  TimeoutOffset = 8.0;
  TimeoutGLeak = 8.0;
  TimeoutRsComp = 8.0;
  StrobeInterval = 5e-6;
  HardwareVersion = 0;
  Initialized = false;
  DacShiftEnabled = false;
  EmulateTlv3N = false;
  EmulateTetral = false;
  MaxDigBitIn = 15;
  MaxDigBitOut = 15;
  TesterMode = false;
  TimedRangeSwitch = true;
  KESP7Active = false;
  MaskChipSelectBit = false;
  UseSelectProc = true;
  Strings::Assign(KnownVersions,
                  "A, B, C, D, E, F, G, H, I, J, K, L, M, N, O, P, Q, R, S, T, U, Y, Z");
  GetName(AmplKind, Title);
  InitBoardState();
}

}  // namespace T3Base
