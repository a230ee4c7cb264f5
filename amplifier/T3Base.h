// The module-wide facts about the attached amplifier: its kind and board
// letter, the boards, racks and probe selectors found, the AD/DA board it
// is driven through, the time-outs of the automatic functions, and the
// working values of the selected board (BoardState).
//
// Ownership: the initialisation and board detection set the hardware
// facts; the board selection keeps BoardState per board and selector
// position; the calibration runs, the self-tests, the potentiostat link and
// the main program read and set the flags directly (TesterMode,
// ForceVrefX2, ScaleFromDisk ...). Every global has the start value given
// beside it, which InitModule restores. Main thread only.
#pragma once

#include <cstdint>
#include <span>

#include "acquisition/ZRVBase.h"
#include "amplifier/T3Types.h"

namespace T3Base {

// ==== Interface =============================================================

inline constexpr int kTextSize = 16;
inline constexpr int kKnownVersionsSize = 128;

extern std::int32_t T3Boards;                 // boards found [1]
extern bool MapActiveBoard;                   // PK518/2 maps the active board [FALSE]
extern std::int32_t MaxSelectors;             // selector positions, 0 none [0]
extern bool ComputedCFast;                    // automatic C-fast by measurement [FALSE]
extern bool IsTlv3N;                          // multi-board TLV 3 [FALSE]
extern T3Types::AmplifierKind AmplKind;       // [5]
extern ZRVBase::BoardType ADBoard;            // [3]
extern T3Types::BoardVersionLetter BoardVersion;  // ['T']
extern char DeviceNumber[kTextSize];          // USB interface serial number
extern char SerialNumber[kTextSize];          // amplifier serial number
extern char SerialNumber1[kTextSize];         // of the first rack
extern char SerialNumber2[kTextSize];         // of the second rack
extern char SelectorNumber[kTextSize];        // probe selector serial number
extern char ExtEEPROMVersion1[kTextSize];     // interface EEPROM version, rack 1
extern char ExtEEPROMVersion2[kTextSize];     // rack 2
extern std::int32_t FirstRackBoards;          // [1]
extern std::int32_t SecondRackBoards;         // [0]
extern bool IsSecondRack;                     // selected board in rack 2 [FALSE]
extern bool AllowSecondRack;                  // [FALSE]
extern bool RemapRack1;                       // [TRUE]
extern bool RemapRack2;                       // [FALSE]
extern bool TetralRack1;                      // [FALSE]
extern bool TetralRack2;                      // [FALSE]
extern bool MuxAdcMappedToAD7;                // [FALSE]
extern bool ScaleFromDisk;                    // scale from a file [FALSE]
extern bool ForceCFastHigh;                   // [FALSE]
extern bool ForceVrefX2;                      // [FALSE]
extern std::uint8_t ActiveBoard;              // clipping bookkeeping [0]
extern std::uint16_t ClippingSet;             // clipping flags last read [empty]
extern std::int32_t BoardLatchSwitched;       // clipping reads pending [0]
extern std::int32_t ClippingSkipCount;        // [2]
extern double TimeoutCFast;                   // s [8.0]
extern double TimeoutOffset;                  // s [8.0]
extern double TimeoutGLeak;                   // s [8.0]
extern double TimeoutRsComp;                  // s [8.0]
extern double StrobeInterval;                 // s [5e-6]
extern std::uint16_t HardwareVersion;         // option bits [empty]
extern char SelectorVersion[kTextSize];
extern bool Initialized;                      // [FALSE]
extern bool DacShiftEnabled;                  // ZRV-28 DAC shift [FALSE]
extern bool EmulateTlv3N;                     // [FALSE]
extern bool EmulateTetral;                    // [FALSE]
extern std::int32_t MaxDigBitIn;              // [15]
extern std::int32_t MaxDigBitOut;             // [15]
extern bool TesterMode;                       // a self-test runs [FALSE]
extern bool TimedRangeSwitch;                 // [TRUE]
extern bool KESP7Active;                      // trigger board ready [FALSE]
extern bool MaskChipSelectBit;                // clear output bit 10 around commands [FALSE]
extern bool UseSelectProc;                    // small EEPROM behind the chip select [TRUE]
extern char KnownVersions[kKnownVersionsSize];  // accepted letters, "A, B, ..., Z"
extern char Title[kTextSize];                 // GetName of AmplKind ["TLV4_USB"]

extern T3Types::BoardState BoardState;

// The TLV 2 family's sub-model by board letter: 'B' 1 (TLV2), 'C' 2 (TLV6),
// 'D' 3 (OXU2), any other 0 (TLV2).
std::uint8_t Tlv2Kind(T3Types::BoardVersionLetter letter);

// name := the kind's name, cut to the capacity of name: 0 "TLV1"; 1 "TLV2",
// "TLV6" or "OXU2" by Tlv2Kind(BoardVersion); 2 "TLV3"; 3 "TLV4";
// 4 "TLV4_Plus"; 5 "TLV4_USB", or "PK518/2" while MapActiveBoard is set;
// 6 "oMIR"; any other "TLV3".
void GetName(T3Types::AmplifierKind kind, std::span<char> name);

// SerialNumber := empty; BoardState := its defaults.
void InitBoardState();

// Every global to its start value, Title from AmplKind, then
// InitBoardState.
void InitModule();

}  // namespace T3Base
