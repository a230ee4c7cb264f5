// One simulated amplifier rack, decoded from the samples on its lines: up to
// four amplifier boards on a rack bus, the QRN 2400 rack interface's
// extension board, the probe selectors and the EEPROM chips.
//
// Ports. The command port carries amplifier words: a word latches when a
// sample with bit 14 clear follows one with bit 14 set, and the strobe
// sample has bit 15 set. The older port carries the probe selectors' words
// the same way with bit 15 clear. The ZRV-24 has one port for both (kSingle):
// bit 15 tells them apart, and only its samples with bit 15 set reach the
// amplifier's lines.
//
// Words. Latch pair 46/47 is the rack bus: latch 46 selects board 0-3 one-hot
// (0: none) and every board hears it. Every other word reaches only the
// selected board; with none selected, address 45 reaches the QRN 2400's
// extension board, whose latch 45 bit 3 selects its 128-byte chip (the rack
// interface's string).
//
// EEPROM lines, taken from the samples where the strobe rests: DI bit 8, CLK
// bit 9, bit 10 the select line of the old boards' 128-byte chip. A board's
// chip sees them, and drives the read-back line, only while the board is
// selected and its data path (latch 45 bit 3) is on, and it is selected:
// the page chip by latch 24 bit 2 low, the 128-byte chip by latch 24 bit 2
// high, or by bit 10 on the old letters (A-D, P, Z).
//
// Potentiostat boards share the first rack's command port: the PK boards of
// the configuration (sim/potentiostat/PKSimBoard.h) sit on a bus that gets
// every strobed word of it, bit 15 set or not (its boards take those in PK
// form: bit 15 clear, on the ZRV-24 set), and the EEPROM lines of its
// resting samples; their EEPROMs share the read-back line, a PK board on
// the mux ADC line takes it over from the amplifier boards' multiplexer,
// and their status bits join the command port's input word on the QRN 5+5.
// With their analog model (PKSimBus::UseAnalogModel) they follow every
// conversion and their monitors drive their AD lines.
//
// Strict count: the bits a selected chip takes from the samples of command
// words (the samples next to a strobe) rather than from line patterns.
//
// Signals, with the rack's DAC voltages (0-3, and 4 the QRN 5+5's fifth
// DAC, the test DAC of the H, N, R, T and Y boards): the selected board's
// multiplexer output (latch 41) is minus its stimulus DAC times the mux gain
// on channel 10, 5.0 V on channel 1 on boards with the EEPROM chip select,
// 0 V otherwise; it reaches logical AD line 7, on a tetral rack only while
// latch 45 bit 2 is clear (else board 3's current monitor). The other lines
// stay at 0 V unless the configuration asks for the analog model
// (sim/amplifier/AmplifierBoardModel.h): then each board's current and
// voltage monitor drive its lines by the channel rule (boards 0-3 of a rack
// of several: 6/5, 4/3, 2/1, 7/0, the old letters 1/0, 3/2, 5/4, 7/0; a
// single board 6/5), with the truths of the probe the board's selector has
// chosen, a monitor past 10 V sets the board's clipping line, and
// the multiplexer carries: 0 the command (with the Rs compensation's
// correction, sim/amplifier/AmplifierTestNodes.h), 6 the probe output, 7 filter 1, 8
// minus filter 2's first section, 9 minus the stimulus DAC on the C, D and Z
// boards (0 V on the others; with the analog model the current-clamp
// stages of sim/amplifier/AmplifierCurrentClamp.h show on 9, 10 and 15 as
// they say), 3 the C-slow and 4 the C-fast network, 10 the stimulus and 11
// the external stimulus buffer (with filter 2's source switches,
// sim/amplifier/AmplifierTestNodes.h), 13 the test DAC, 14 current monitor 1
// (the output amplifier, ahead of filter 2), 15 the test DAC at the probe; x 64 on the P boards with latch 39 bit 1;
// then the channel's own fault, the multiplexer's gain, and the board's
// multiplexer offset and noise. The board's test DAC is the channel rule's:
// the fifth DAC on the H, N, R, T and Y boards, DAC 3 on old boards 0-2 of a
// rack of several, DAC 2 on a single old board, else DAC 0; it also drives
// the board's external stimulus input.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "sim/amplifier/AmplifierBoardElements.h"
#include "sim/amplifier/AmplifierConnections.h"
#include "sim/amplifier/AmplifierCurrentClamp.h"
#include "sim/amplifier/AmplifierRackConfig.h"
#include "sim/amplifier/ProbeBench.h"
#include "sim/amplifier/AmplifierTestNodes.h"
#include "sim/amplifier/ProbeSelector.h"
#include "sim/amplifier/SerialEEPROM.h"
#include "sim/potentiostat/PKSimBoard.h"

enum class RackPort { kCommand, kOlder, kSingle };

// The rack's DAC voltages from a conversion on.
struct DacLevel {
  SampleInstant at;
  std::vector<double> volts;
};

class AmplifierRack {
 public:
  static constexpr int kBoards = AmplifierRackConfig::kBoardsPerRack;
  static constexpr int kAdLines = 8;

  AmplifierRack(const AmplifierRackConfig& config, int rack);

  void PortSample(RackPort port, std::uint16_t sample, const SampleInstant& at);
  // Moves the analog model to the instant of a conversion with the rack's
  // DAC voltages from then on; the lines read after it show that instant.
  void Convert(const SampleInstant& at, std::span<const double> dac_volts);

  // What the operator does at the bench, from the next conversion on: the
  // model circuit's switch puts another circuit on the board's probe (at
  // every selector position), and a BNC cable joins one of the rack's DACs
  // (-1: none) to an input of the board. Unplugged, the test input takes
  // the board's test DAC and the reference input rests at 0 V.
  enum class BoardInput { kTest, kReference };
  void SwitchModelCircuit(int board, const AmplifierCell& cell);
  void PlugCable(int board, BoardInput input, int dac);
  // The front panel's cables and the test DAC's sample-and-hold
  // (sim/amplifier/AmplifierConnections.h); with the analog model a cable
  // on an AD line shows what it carries there.
  AmplifierConnections& Connections() { return _connections; }
  // The probe tests' bench at the board's selector position (0 without a
  // selector; sim/amplifier/ProbeBench.h), from the next conversion on; it
  // takes the place of the model circuit there.
  void SetBench(int board, int position, const BenchPosition& bench);
  // Nil without a bench there.
  const BenchPosition* Bench(int board, int position) const { return _bench.At(board, position); }
  // The bench's probe noise density (V^2/Hz) at the board's current monitor
  // at hz with the elements as they are; 0 without the analog model or the
  // bench's noise.
  double ProbeNoiseDensity(int board, double hz) const;

  // The read-back lines of the amplifier's and the selectors' chips.
  bool AmplifierDataOut(double clock_seconds) const;
  bool SelectorDataOut(double clock_seconds) const;
  // The potentiostat boards' status bits (0 without them).
  std::uint16_t PotentiostatStatus() const { return _potentiostats.Status(); }
  // Bit b: board b clips.
  std::uint8_t ClippingLines() const;
  // Holds the board's clipping line high (or lets it follow the board).
  void HoldClipping(int board, bool high) { _heldClipping[static_cast<std::size_t>(board & 3)] = high; }

  // A DAC missing from dac_volts drives 0 V.
  double MuxVolts(std::span<const double> dac_volts) const;
  // The multiplexer's output of one board, selected or not.
  double BoardMuxVolts(int board, std::span<const double> dac_volts) const;
  // Logical AD line 0-7 of the rack.
  double AdVolts(int line, std::span<const double> dac_volts) const;

  // For tests.
  std::uint8_t Bus() const { return _bus; }
  // The selected board (the lowest one on the bus), -1 for none.
  int SelectedBoard() const;
  const AmplifierBoardElements& Board(int board) const { return _elements[static_cast<std::size_t>(board)]; }
  const AmplifierBoardElements& ExtensionBoard() const { return _extension; }
  // Nil when the board has no chip.
  SerialEEPROM* BoardChip(int board) { return _chips[static_cast<std::size_t>(board)].get(); }
  // The PK boards' bus (its record of the strobed words, its status bits),
  // and a PK board, nil when the configuration has none of the model.
  PKSimBus& Potentiostats() { return _potentiostats; }
  PKSimBoard* Potentiostat(PKSimModel model) { return _pkBoards[static_cast<std::size_t>(model)].get(); }
  MicrowireEEPROM* ExtensionChip() { return _extensionChip.get(); }
  std::vector<ProbeSelector>& Selectors() { return _selectors; }
  // Nil without the analog model or the board. Its truths are those of the
  // probe the board's selector has chosen.
  const AmplifierBoardModel* Model(int board) const { return _models[static_cast<std::size_t>(board)].get(); }
  // The probe selector's position for the board; 0 without one.
  int ProbePosition(int board) const;
  long StrictBits() const { return _strictBits; }
  // The conversions at which the rack's DAC voltages changed, in order.
  const std::vector<DacLevel>& DacLevels() const { return _dacLevels; }

 private:
  struct PortState {
    bool resting = false;
    bool afterStrobe = false;
    int pendingBits = 0;  // taken at the sample before; counted when a strobe follows
  };

  struct MonitorLines {
    int current;
    int voltage;
  };

  const AmplifierBoardConfig& BoardConfig(int board) const;
  AmplifierAnalogTruths TruthsAt(int board, int position) const;
  // Puts the board's faults as the configuration has them now on its
  // elements and its model.
  void ApplyFaults(int board);
  int StimulusDac(int board) const;
  int TestDac(int board) const;
  AmplifierDrive DriveOf(int board, std::span<const double> dac_volts) const;
  void ConvertSampleHold(const SampleInstant& at, std::span<const double> dac_volts);
  MonitorLines LinesOf(int board) const;
  bool MuxOffAd7() const;
  bool OnBus(int board) const;
  void AmplifierWord(int address, std::uint8_t data, const SampleInstant& at);
  void SelectorWord(std::uint16_t word, const SampleInstant& at);
  bool ChipSelected(int board) const;
  bool ExtensionSelected() const;
  // Steps every chip with the present lines; the bits they took.
  int StepAmplifierChips(const SampleInstant& at);
  int StepSelectorChips(SerialLines lines, const SampleInstant& at);
  void BuildPotentiostats();

  const AmplifierRackConfig& _config;
  int _rack;
  std::uint8_t _bus = 0;
  std::array<AmplifierBoardElements, kBoards> _elements{};
  std::array<std::unique_ptr<SerialEEPROM>, kBoards> _chips;
  std::array<std::unique_ptr<AmplifierBoardModel>, kBoards> _models;
  bool _modelled = false;  // any board has its model (only the constructor makes them)
  std::array<AmplifierTestNodes, kBoards> _testNodes;
  std::array<int, kBoards> _positions{};
  std::array<std::optional<AmplifierCell>, kBoards> _modelCircuits;
  // By board and input: the DAC plugged in, -1 none.
  std::array<std::array<int, 2>, kBoards> _cables;
  AmplifierBoardElements _extension;
  std::unique_ptr<MicrowireEEPROM> _extensionChip;
  std::vector<ProbeSelector> _selectors;
  std::array<PortState, 3> _ports{};
  SerialLines _lines;
  bool _selectLine = false;
  long _strictBits = 0;
  std::array<std::unique_ptr<PKSimBoard>, 2> _pkBoards;
  PKSimBus _potentiostats;
  std::vector<DacLevel> _dacLevels;
  std::array<bool, kBoards> _heldClipping{};
  ProbeBench _bench;
  std::array<AmplifierBoardFaults, kBoards> _appliedFaults{};
  std::array<CurrentClampFaults, kBoards> _appliedCCFaults{};
  std::array<ConnectionFaults, kBoards> _appliedConnectionFaults{};
  AmplifierConnections _connections;
  // The current-clamp stages beside the model, with the analog model.
  std::vector<AmplifierCurrentClamp> _currentClamps;
};

// True for the old letters, whose boards have no EEPROM chip select.
bool IsOldBoardLetter(char letter);
