#pragma once

// What every module of the PK 5xx potentiostat family shares: the working
// record of the active amplifier, the stored records of both amplifiers,
// the one error variable of the PK modules with its texts, and two timing
// constants.
//
// A PK instrument has one or two amplifiers: amplifier 0, the disk
// amplifier on the PK 510 main board (board 1), and amplifier 1, where
// fitted, the ring amplifier on a second board (board 2: a PK 512, or in the
// PK 518 an amplifier board of the TLV 4 family). The panel (K5Panel) owns
// the records: it keeps the active amplifier's settings in State and writes
// them back into States[State.ActiveAmplifier] when it switches amplifier,
// so that element is out of date until then. The setting layer (K5Set) only
// reads State's command port and configuration flags.
//
// Errors: a PK procedure that fails sets Error and returns FALSE; the
// caller turns the code into text with ErrorText and shows it. Nothing here
// touches hardware. Main thread only.

#include <cstdint>
#include <span>

namespace PKTypes {

// Cell modes.
inline constexpr std::uint8_t CellOn = 0;
inline constexpr std::uint8_t CellStandby = 1;
inline constexpr std::uint8_t CellOpenCircuit = 2;

// The working and stored record of one amplifier, in memory only (its
// stored "K5STATE" form is converted field by field by its own walker).
// Texts end at a NUL or at their capacity.
struct PKState {
  char Tag[8];
  char Name[16];
  char SerialNumber[8];
  double InitVoltage;        // V, holding potential (potentiostatic)
  double InitCurrent;        // A, holding current (galvanostatic)
  double SharedReal1;        // shared by both records (SyncState)
  double CurrentGain;        // current monitor gain of the present range
  double CurrentBandwidth;   // Hz
  double VoltageBandwidth;   // Hz
  double StimulusBandwidth;  // Hz
  double IRCompValue;        // ohm as realised by the gain DAC, 0 when off
  double SpareReal1;
  double SpareReal2;
  double SpareReal3;
  double SharedReal2;
  double SharedReal3;
  std::int32_t RecordVersion;
  std::int16_t StimDacChannel;
  std::int16_t TestDacChannel;
  std::int16_t VoltageAdcChannel;
  std::int16_t CurrentAdcChannel;
  std::int16_t MuxAdcChannel;
  std::int16_t CommandPort;  // digital output port of the register words
  std::int16_t StatusPort;   // digital input port of the status bits
  std::int16_t AuxChannel;
  std::int16_t FixedStimDac;
  bool UseFixedStimDac;
  char Version;  // 'A' PK 510, 'B' PK 512 pair, 'C' PK 518
  std::uint8_t InterfaceKind;  // 7: the USB interface configuration
  char Spare1;
  bool LittleEndian;  // byte order of the machine that wrote the record
  bool SharedFlag1;
  std::uint8_t SharedByte1;
  char SharedChar1;
  bool Spare2;
  bool Overload;
  bool Remote;
  bool SharedFlag2;
  std::uint8_t ActiveAmplifier;  // 0 disk, 1 ring
  std::uint8_t AmplMode;         // 0 potentiostatic, 1 galvanostatic
  std::uint8_t ConfigCode;
  bool HasRingAmplifier;
  bool IsRingAmplifier;  // FALSE in States[0], TRUE in States[1]
  std::uint8_t BoosterPresent;  // 0 none, 1 the 20 A, 2 the 50 A booster
  bool BoosterActive;
  std::uint8_t CellMode;  // CellOn, CellStandby, CellOpenCircuit
  bool IRCompOn;
  std::uint8_t ElectrodeMode;
  bool ManualStandby;
  double Subtraction;
  double ClampGain;           // 0 = off
  double VoltageSubtraction;  // V
  double CurrentSubtraction;  // A
  std::uint16_t Options;
  std::uint8_t ActiveBoard;  // 1 main board, 2 second board
  std::uint8_t CurrentOutputAmplifierGain;
  std::uint8_t VoltageOutputAmplifierGain;
  std::uint8_t StimInScale;
  std::uint8_t MuxOutPath;
  std::uint8_t TestDacPath;
  std::uint8_t ModelCell;
  std::uint8_t ControlBandwidth;
  std::uint8_t CurrentFilter;
  std::uint8_t VoltageFilter;
  std::uint8_t StimulusFilter;
  std::uint8_t CurrentRange;  // as requested, 0..13
  std::uint8_t ScaleRange;    // as realised, 0..11
  std::uint8_t Feedback;
  std::uint8_t MuxChannel;
  bool VoltageSubtractOn;
  bool CurrentSubtractOn;
  bool RefToGround;
  bool MuxX100;
  bool StimToCE;
  bool RefToWE;
  bool SubtractionActive;
  bool Tlv4Present;  // the ring amplifier is a TLV 4 board (version 'C')
  std::int16_t IRCompGainDac;
  std::int16_t IRCompOffsetDac;
  std::uint8_t StimInScalePotentiostatic;
  std::uint8_t StimInScaleGalvanostatic;
};

extern PKState State;
extern PKState States[2];
extern std::uint8_t Error;
// Seconds the offset-nulling loop may take (error 13 after).
extern double OffsetTimeout;
// Seconds between switching the cell on and connecting the working
// electrode; no wait when 0 or less.
extern double CellActivateDelay;

// Error codes set by the modules of this system.
inline constexpr std::uint8_t NoError = 0;
inline constexpr std::uint8_t ADDAError = 1;
inline constexpr std::uint8_t EEPROMStringFaulty = 6;
inline constexpr std::uint8_t UnknownVersion = 10;
inline constexpr std::uint8_t Timeout = 13;
inline constexpr std::uint8_t MeasureError = 16;
inline constexpr std::uint8_t RangeError = 17;

// The declaration modules (K2Types, K5Types) initialised first; State
// cleared and given its module defaults; States left as they are;
// Error 0; the delays 2 s and 5 s.
void InitModule();

// Appends the text of Error to text, within its capacity (code 1: the AD/DA
// layer's last error text).
void ErrorText(std::span<char> text);

// Carries the fields both amplifiers share from State into
// States[amplifier] (nothing for an amplifier other than 0 or 1), marks
// which amplifier is active in it, and keeps IsRingAmplifier FALSE in copy
// 0 and TRUE in copy 1 whichever copy was named.
void SyncState(std::uint8_t amplifier, std::uint8_t activeAmplifier);

}  // namespace PKTypes
