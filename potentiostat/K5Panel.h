#pragma once

// The panel logic of the PK 5xx potentiostats: every change of a PK setting
// goes through it. It keeps the working record (PKTypes::State, always the
// active amplifier's) and the two stored records (PKTypes::States) together
// with the scale records (K5Scale::Scale, K5Scale::Scales) consistent,
// switches between the disk amplifier (amplifier 0, board 1) and the ring
// amplifier (amplifier 1, board 2), reads the instrument's version and
// serial number, decides the cell mode of both amplifiers together, detects
// the current booster, and replays a whole state to the hardware. Registers
// are written only through K5Set, which sends nothing for a TLV 4 ring
// amplifier's record.
//
// Setters record the value in State even where K5Set refuses it (error 17):
// an index beyond a calibration table is then looked up as index 0. A DAC
// code computed from a calibration value that gives no finite number is
// replaced by the DAC's power-on code (0x8000 for the 16-bit DACs, 2047 for
// the offset DACs, 0 for the IR and clamp gains) and a log line names it.
//
// Main thread only.

#include <cstdint>
#include <span>

#include "potentiostat/K5Scale.h"
#include "potentiostat/PKTypes.h"

namespace K5Panel {

// TRUE after InitState, FALSE from InitModule's start and after Shutdown.
extern bool Initialized;
// The version letters this system accepts ("A,B,C").
extern char KnownVersions[80];

// ---- Start and state ------------------------------------------------------

// Gives the PK modules their start values without touching hardware:
// PKTypes, this module (the working and both stored records become the
// default PK 510 on the USB interface), K5Set, K5Scale, K5Measure.
void InitAllModules();

// Clears the working record from Subtraction on, makes it a PK 510 ('A',
// "PK510_USB") on the USB interface (kind 7) with no ring amplifier, fills
// in the defaults and copies it into both stored records.
void InitState();

// The defaults: into States[0] alone while the TLV 4 ring amplifier's record
// is the working one; otherwise into State, and unless a TLV 4 ring is
// present also into both stored records (States[1] marked the ring's).
void GetDefaultState();
// The default values into the record; the version-given fields (name, serial
// number, version, interface kind, remote, configuration code, options, the
// TLV 4 flag and the shared fields) keep theirs. The channels follow the
// version (VersionToStateFields).
void DoGetDefaultState(PKTypes::PKState& record);

// Replays State to the hardware (and, with a PK 512 ring, the other
// amplifier's stored record to its board), leaving the same amplifier
// active. Ends with the command cache played.
void LoadTheState();

// With an open USB interface: halts it, loads the default state (standby),
// shuts the interface and gives State back its values. Initialized FALSE.
void Shutdown();

// ---- Versions ---------------------------------------------------------------

// For interface kind 7 only: the ring amplifier flags by version ('B' a
// PK 512, 'C' a TLV 4 board, any other none), options empty, and the
// channels: stimulus DAC 2 / voltage ADC 3 / current ADC 4 for amplifier 1,
// 3 / 5 / 6 otherwise; test DAC 10, mux ADC 7, command port 9, status port
// 17, auxiliary channel 1.
void VersionToStateFields(PKTypes::PKState& record);
// FALSE for ',' and ' '; else whether the letter is in KnownVersions.
bool KnownVersion(char letter);
// "PK510_USB", "PK512_USB", "PK518_USB" for 'A', 'B', 'C'; else "PK500_USB".
void VersionToName(char letter, std::span<char> text);
// The version letter into State, both stored records (amplifier 0 keeps the
// booster, amplifier 1 has none) and the three scale records.
void AssignVersion(char letter);
// The first line of the switch file "PK500Version.On", announced as
// FileVersion: "<line>" on the console; FALSE without the file.
bool ReadFileVersion(std::span<char> text);
// The version text from "PK500Version.On", else from the board EEPROM: six
// serial characters and a known letter. Assigns the serial number and the
// letter everywhere; a text that is not 7 characters (error 6) or whose
// letter is unknown (error 10) gives FALSE, 'B' and an empty serial number.
bool ReadSerialString();

// ---- Amplifiers and boards ---------------------------------------------------

// 2 for amplifier 1, else 1.
std::uint8_t AmplifierToBoard(std::uint8_t amplifier);
// Selects the board for the registers (1 or 2; another number is only
// recorded in State.ActiveBoard); nothing when it is selected already.
void SetActiveBoard(std::uint8_t board);
// Makes the amplifier (forced to 0 without a ring amplifier) the active
// one: its board, and with a ring amplifier the record and scale swap,
// also when it is active already (which syncs the shared fields of both
// stored records).
void SetActiveAmpl(std::uint8_t amplifier);

// The disk amplifier's record: States[0] while the working record is the
// ring's, else State. The ring amplifier's: State while it is the working
// one, else States[1].
PKTypes::PKState& GetDiskStatePtr();
PKTypes::PKState& GetRingStatePtr();
// State for the active amplifier, else its stored record / scale record.
PKTypes::PKState& AmplKindToState(std::uint8_t amplifier);
K5Scale::PKScaleRecord& AmplKindToScale(std::uint8_t amplifier);
// The amplifier whose record is not the working one, and its board.
std::uint8_t InactiveAmplifier();
std::uint8_t InactiveAmplifierBoard();

// The ring amplifier is a TLV 4 board; the working (given) record is its.
bool Tlv4_is_Present();
bool Tlv4_is_Active();
bool Tlv4_is_Active_State(const PKTypes::PKState& record);
// A shared setting goes to the other amplifier's board too.
bool SetOtherAmplifier();

// ---- Status and cell mode --------------------------------------------------

// The status word: bit 8 the disk amplifier's overload, bit 9 the ring's,
// bit 10 the manual standby switch. A TLV 4 ring's overload is its board's
// clipping indicator, read now (K5Set_518::Clipping), not bit 9.
void GetStatus(std::uint16_t flags);
// Any mode but standby reads the status first; with the manual standby
// switch set it applies standby instead and gives FALSE.
bool SetCellMode(std::uint8_t mode);
// The mode for both amplifiers (not a TLV 4 ring), then SetCellMode.
bool SetCellModes(std::uint8_t mode);
// The mode for the amplifier, the other keeping its own, under the manual
// standby switch and the PK 512's rule that one amplifier alone measures
// the open-cell potential; cell on waits PKTypes::CellActivateDelay
// before the disk working electrode is connected.
void DoSetCellMode(std::uint8_t amplifier, std::uint8_t mode);

// ---- Booster -----------------------------------------------------------------

// Only the PK 510 (version 'A') takes a booster.
bool CanHaveBooster();
// The booster the switch file "PKBooster.On" forces: 50 gives 2, 20 gives 1;
// any other number (or no file) gives State.BoosterPresent.
std::uint8_t ForceBoosterPresent();
// Measures multiplexer channel 14 (2.5..5.5 V: a booster, below 4 V the
// 50 A one), then the switch file decides; stored in State.BoosterPresent.
std::uint8_t GetBoosterPresent();
// The calibrated mux ADC value of the channel (switched to for 0.01 s and
// back), and whether it lies strictly between low and high.
bool MuxChannelIsHigh(std::uint8_t channel, double low, double high, double& value);

// ---- Ranges and factors --------------------------------------------------------

// Current range texts: 0 "2A" .. 13 "50A", any other "???".
void DecodeCurrentGain(std::uint8_t range, std::span<char> text);
// Feedback resistor and current output gain index of the range (any range
// outside the table as range 1).
void CurrentRangeToFactors(std::uint8_t range, std::uint8_t& feedback, std::uint8_t& outputGain);
// Current monitor gain (V/A) of the range: 0.5 and 0.2 for the booster
// ranges 12 and 13.
double RealCurrentGain(std::uint8_t range);
std::uint8_t MinCurrentRange(char version);  // 11, the most sensitive
std::uint8_t MaxCurrentRange(char version);  // 2, the largest without booster
double RealFeedback(std::uint8_t feedback);            // ohm
double CurrOutAmplGainToFactor(std::uint8_t gain);
double VoltOutAmplGainToFactor(std::uint8_t gain);
double StimInScaleToFactor(std::uint8_t scale);
double ModelCellToOhm(std::uint8_t cell);
double FilterToBandwidth(std::uint8_t filter);  // Hz
double MinCurrentBandwidth();
bool Has90V();
// ZRVBase::MaxOutVolts, divided by State.CurrentGain when galvanostatic.
double MaxOutput();

// ---- Setters ---------------------------------------------------------------------
// Each sends through K5Set's procedure of the same name and records the
// value in State's field of the same name. On a ring record the electrode
// mode, reference and stimulus routing and booster are not sent and read
// 0 / FALSE.

void SetRemote(bool on);
void SetCurrentOutputAmplifierGain(std::uint8_t gain);
void SetMuxChannel(std::uint8_t channel);
void SetModelCell(std::uint8_t cell);
void SetMuxX100(bool on);
void SetMuxOutPath(std::uint8_t path);
void SetTestDacPath(std::uint8_t path);
void SetElectrodeMode(std::uint8_t mode);
void SetRefToGround(bool on);
void SetStimToCE(bool on);
void SetRefToWE(bool on);
// Then the subtraction DAC.
void SetVoltageSubtractOn(bool on);
void SetCurrentSubtractOn(bool on);
// Then the voltage-offset DAC.
void SetVoltageOutputAmplifierGain(std::uint8_t gain);
// Also into the mode's own copy; then the initial-value and stimulus DACs.
void SetStimInScale(std::uint8_t scale);
// Off without a booster present.
void SetCurrentBooster(bool on);
// The amplifier mode is set by loading a state: these change nothing.
void SetAmplMode(std::uint8_t mode);
void UpdateSoftwareCorrections();

// Shared by both amplifiers: sent to the active board (not for a TLV 4
// ring) and, where SetOtherAmplifier, to the other board and its stored
// record; the filters' bandwidths recorded with them.
void SetControlBandwidth(std::uint8_t bandwidth);
void SetStimulusFilter(std::uint8_t filter);
void SetCurrentFilter(std::uint8_t filter);
void SetVoltageFilter(std::uint8_t filter);

// The range (0 and 1 become 2, beyond 11 becomes 11; 12 and 13 the present
// booster's, else 2) with its feedback resistor, output gain, booster and
// the DACs that depend on them; then the subtraction DAC.
void SetCurrentRange(std::uint8_t range);

// Into the voltage (galvanostatic) or current subtraction; then its DAC.
void SetSubtractionValue(double value);
// Off clears both subtraction values; then the subtraction DAC.
void SetSubtractionActive(bool on);

// The IR compensation of the resistance as the gain DAC realises it; the
// switch stays off for a gain code of 0. Nothing sent for a ring record.
void SetIRCompensation(bool on, double resistance);
// The clamp gain (0 off) and the counter-amplifier offset it shifts.
void SetClampGain(double gain);

// ---- Scaling ---------------------------------------------------------------------
// For amplifier 0 or 1, from its record and scale record. The read scales
// leave their outputs alone for a TLV 4 ring (amplifier 1 on a PK 518).

void GetVoltageStimScale(std::uint8_t amplifier, double& factor, double& offset);
void GetCurrentStimScale(std::uint8_t amplifier, double& factor, double& offset);
void GetVoltageReadScale(std::uint8_t amplifier, double& gain, double& offset);
void GetCurrentReadScale(std::uint8_t amplifier, double& gain, double& offset);
// What the subtraction removes from the voltage / current reading.
double GetEdcCorrection(std::uint8_t amplifier);
double GetIdcCorrection(std::uint8_t amplifier);

// ---- DAC updates -----------------------------------------------------------------
// From State and the working scale record unless said otherwise; nothing
// for a TLV 4 ring's record where the Part's hardware has none.

// The holding value into the 16-bit initial-value DAC, then the
// voltage-offset DAC.
void UpdateInitDac();
void UpdateVoltageOffsetDac();
// The other amplifier's initial-value DAC on its board (PK 512 ring only).
void UpdateInitDacOfOtherAmplifier();
// The AD/DA stimulus DAC at the calibrated zero of the stimulus path, or
// the record's fixed code.
void UpdateStimDac();
void UpdateStimDacOfOtherAmplifier();
void UpdateSubtractionDac();
void UpdateCoAmpOffsetDac();
void UpdateWorkElectrOffsetDac();

}  // namespace K5Panel
