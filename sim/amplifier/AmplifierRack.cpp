#include "sim/amplifier/AmplifierRack.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

namespace {

constexpr std::uint16_t kStrobe = 0x4000;
constexpr std::uint16_t kAmplifierPort = 0x8000;
constexpr std::uint16_t kDataIn = 0x100;
constexpr std::uint16_t kClock = 0x200;
constexpr std::uint16_t kSelectLine = 0x400;

constexpr int kSelectLatch = 24;   // bit 2: the EEPROM's chip select
constexpr int kMuxLatch = 41;
constexpr int kExtensionLatch = 45;  // bit 2 multiplexer off AD 7, bit 3 EEPROM data path
constexpr int kBusLatch = 46;
constexpr int kFreeLatch = 47;
constexpr int kSelectBit = 2;
constexpr int kMuxOffAd7Bit = 2;
constexpr int kDataPathBit = 3;

constexpr int kMuxCommand = 0;
constexpr int kMuxCSlowNetwork = 3;
constexpr int kMuxCFastNetwork = 4;
constexpr int kMuxStimulusBuffer = 11;
constexpr int kMuxTestAtProbe = 15;
constexpr int kMuxReference = 1;
constexpr int kMuxProbeOutput = 6;
constexpr int kMuxFilter1 = 7;
constexpr int kMuxFilter2First = 8;
constexpr int kMuxOldBoardPath = 9;
constexpr int kMuxStimulus = 10;
constexpr int kMuxTestDac = 13;
constexpr int kMuxCurrentMonitor = 14;
constexpr double kReferenceVolts = 5.0;
constexpr int kMuxGainLatch = 39;  // bit 1: x 64 on the boards with the option
constexpr double kMuxHighGain = 64.0;
constexpr double kNarrowOffsetShare = 0.4;
constexpr int kMuxLine = 7;

// The PK boards' EEPROM marker and their status lines.
constexpr char kPKMarker[] = "EEPROM_PK500";
constexpr std::uint16_t kDiskOverload = 1u << 8;
constexpr std::uint16_t kRingOverload = 1u << 9;
constexpr std::uint16_t kManualStandby = 1u << 10;

// The DAC that drives a board's stimulus, by its place in the rack.
constexpr int kStimulusDac[] = {3, 2, 1, 0};
constexpr int kOldStimulusDac[] = {0, 1, 2, 0};
constexpr int kOldSingleBoardStimulusDac = 3;
// The test DAC, by the board's letter and place.
constexpr int kFifthDac = 4;
constexpr int kOldTestDac = 3;
constexpr int kOldSingleBoardTestDac = 2;
constexpr int kTestDac = 0;
// Its current and voltage monitors' AD lines.
constexpr int kCurrentLine[] = {6, 4, 2, 7};
constexpr int kVoltageLine[] = {5, 3, 1, 0};
constexpr int kOldCurrentLine[] = {1, 3, 5, 7};
constexpr int kOldVoltageLine[] = {0, 2, 4, 0};
constexpr int kSingleBoardCurrentLine = 6;
constexpr int kSingleBoardVoltageLine = 5;

double DacOf(std::span<const double> dac_volts, int dac) {
  return static_cast<std::size_t>(dac) < dac_volts.size() ? dac_volts[static_cast<std::size_t>(dac)] : 0.0;
}

}  // namespace

bool IsOldBoardLetter(char letter) { return letter == 0 || std::strchr("ABCDPZ", letter) != nullptr; }

AmplifierRack::AmplifierRack(const AmplifierRackConfig& config, int rack)
    : _config(config), _rack(rack), _bench(config.seed + static_cast<unsigned>(rack)) {
  for (auto& cables : _cables) cables.fill(-1);
  for (int board = 0; board < kBoards; ++board) _currentClamps.emplace_back(BoardConfig(board).letter);
  for (int board = 0; board < kBoards; ++board) {
    const AmplifierBoardConfig& board_config = BoardConfig(board);
    if (!board_config.present || board >= config.boards_per_rack) continue;
    if (config.analog) {
      _models[static_cast<std::size_t>(board)] = std::make_unique<AmplifierBoardModel>(
          TruthsAt(board, 0), config.noise, config.seed + static_cast<unsigned>(rack * kBoards + board),
          board_config.letter);
      _modelled = true;
    }
    ApplyFaults(board);
    const std::string version = AmplifierVersionString(config, rack, board);
    auto& chip = _chips[static_cast<std::size_t>(board)];
    switch (board_config.eeprom) {
      case AmplifierEEPROMKind::kPage:
        chip = std::make_unique<PageEEPROM>(board_config.image.empty() ? FreshPageImage(version) : board_config.image,
                                            board_config.image_file, board_config.eeprom_faults);
        break;
      case AmplifierEEPROMKind::kSmall:
        chip = std::make_unique<MicrowireEEPROM>(
            board_config.image.empty() ? FreshSmallImage(version) : board_config.image, board_config.image_file,
            board_config.eeprom_faults);
        break;
      case AmplifierEEPROMKind::kNone:
        break;
    }
  }
  if (config.interface == RackInterface::kQRN2400) {
    _extensionChip = std::make_unique<MicrowireEEPROM>(
        FreshSmallImage(config.rack_interface[static_cast<std::size_t>(rack)]));
  }
  for (const ProbeSelectorConfig& selector : config.selectors) {
    if (selector.rack == rack) _selectors.emplace_back(selector);
  }
  if (rack == 0) BuildPotentiostats();
}

void AmplifierRack::BuildPotentiostats() {
  const PotentiostatConfig& config = _config.potentiostat;
  _potentiostats.SetPKWordsCarryBit15(_config.interface == RackInterface::kZRV24);
  for (const PKSimModel model : {PKSimModel::PK510, PKSimModel::PK512}) {
    const PKBoardConfig& board_config = model == PKSimModel::PK510 ? config.pk510 : config.pk512;
    if (!board_config.present) continue;
    auto& board = _pkBoards[static_cast<std::size_t>(model)];
    board = std::make_unique<PKSimBoard>(model, board_config.powered_up_selected && model == PKSimModel::PK510);
    if (board_config.eeprom) {
      board->FitEEPROM(board_config.image.empty() ? FreshPageImage(board_config.version, kPKMarker)
                                                  : board_config.image,
                       board_config.image_file, board_config.eeprom_faults);
    }
    board->SetBoosterVolts(board_config.booster_volts);
    _potentiostats.Attach(board.get());
  }
  _potentiostats.SetStatus(static_cast<std::uint16_t>((config.disk_overload ? kDiskOverload : 0) |
                                                      (config.ring_overload ? kRingOverload : 0) |
                                                      (config.manual_standby ? kManualStandby : 0)));
}

const AmplifierBoardConfig& AmplifierRack::BoardConfig(int board) const {
  return _config.boards[static_cast<std::size_t>(_rack * kBoards + board)];
}

bool AmplifierRack::OnBus(int board) const {
  return ((_bus >> board) & 1) != 0 && board < _config.boards_per_rack && BoardConfig(board).present;
}

int AmplifierRack::SelectedBoard() const {
  for (int board = 0; board < kBoards; ++board) {
    if (OnBus(board)) return board;
  }
  return -1;
}

// ---- Ports ---------------------------------------------------------------------

void AmplifierRack::PortSample(RackPort port, std::uint16_t sample, const SampleInstant& at) {
  PortState& state = _ports[static_cast<std::size_t>(port)];
  const bool resting = (sample & kStrobe) != 0;
  const bool strobe = state.resting && !resting;
  state.resting = resting;
  if (strobe) {
    _strictBits += state.pendingBits;
    state.pendingBits = 0;
    state.afterStrobe = true;
    const bool amplifier = (sample & kAmplifierPort) != 0;
    if (port != RackPort::kOlder && _potentiostats.HasBoards()) _potentiostats.Strobe(sample, at.clock_seconds);
    if (amplifier && port != RackPort::kOlder) AmplifierWord((sample >> 8) & 0x3F, sample & 0xFF, at);
    if (!amplifier && port != RackPort::kCommand) SelectorWord(sample, at);
    return;
  }
  const bool afterStrobe = std::exchange(state.afterStrobe, false);
  state.pendingBits = 0;
  if (!resting) return;
  const SerialLines lines{(sample & kDataIn) != 0, (sample & kClock) != 0};
  int taken = 0;
  if (port == RackPort::kCommand || (port == RackPort::kSingle && (sample & kAmplifierPort) != 0)) {
    _lines = lines;
    _selectLine = (sample & kSelectLine) != 0;
    taken += StepAmplifierChips(at);
  }
  if (port != RackPort::kCommand) taken += StepSelectorChips(lines, at);
  if (afterStrobe) {
    _strictBits += taken;
  } else {
    state.pendingBits = taken;
  }
}

void AmplifierRack::AmplifierWord(int address, std::uint8_t data, const SampleInstant& at) {
  if (address == kBusLatch || address == kFreeLatch) {
    _bus = data & 0xF;
    for (int board = 0; board < kBoards; ++board) {
      if (board < _config.boards_per_rack && BoardConfig(board).present) {
        _elements[static_cast<std::size_t>(board)].Word(address, data, at);
      }
    }
  } else if (_bus == 0) {
    if (address == kExtensionLatch && _extensionChip) _extension.Word(address, data, at);
  } else {
    for (int board = 0; board < kBoards; ++board) {
      if (OnBus(board)) _elements[static_cast<std::size_t>(board)].Word(address, data, at);
    }
  }
  StepAmplifierChips(at);
}

void AmplifierRack::SelectorWord(std::uint16_t word, const SampleInstant& at) {
  for (ProbeSelector& selector : _selectors) selector.Word(word, at);
}

// ---- EEPROM chips ------------------------------------------------------------------

bool AmplifierRack::ChipSelected(int board) const {
  const AmplifierBoardElements& elements = Board(board);
  if (!OnBus(board) || !elements.LatchBit(kExtensionLatch, kDataPathBit)) return false;
  if (BoardConfig(board).eeprom == AmplifierEEPROMKind::kPage) return !elements.LatchBit(kSelectLatch, kSelectBit);
  if (IsOldBoardLetter(BoardConfig(board).letter)) return _selectLine;
  return elements.LatchBit(kSelectLatch, kSelectBit);
}

bool AmplifierRack::ExtensionSelected() const {
  return _bus == 0 && _extension.LatchBit(kExtensionLatch, kDataPathBit);
}

int AmplifierRack::StepAmplifierChips(const SampleInstant& at) {
  int taken = 0;
  for (int board = 0; board < kBoards; ++board) {
    if (SerialEEPROM* chip = BoardChip(board)) taken += chip->Step(ChipSelected(board), _lines, at.clock_seconds);
  }
  if (_extensionChip) taken += _extensionChip->Step(ExtensionSelected(), _lines, at.clock_seconds);
  taken += _potentiostats.EEPROMLines(_lines, at.clock_seconds);
  return taken;
}

int AmplifierRack::StepSelectorChips(SerialLines lines, const SampleInstant& at) {
  int taken = 0;
  for (ProbeSelector& selector : _selectors) taken += selector.Lines(lines, at);
  return taken;
}

bool AmplifierRack::AmplifierDataOut(double clock_seconds) const {
  bool high = _extensionChip && _extensionChip->DataOut(clock_seconds);
  for (const auto& chip : _chips) high = high || (chip && chip->DataOut(clock_seconds));
  return high || _potentiostats.EEPROMDataOut(clock_seconds);
}

bool AmplifierRack::SelectorDataOut(double clock_seconds) const {
  for (const ProbeSelector& selector : _selectors) {
    if (selector.DataOut(clock_seconds)) return true;
  }
  return false;
}

// ---- Signals ---------------------------------------------------------------------------

int AmplifierRack::StimulusDac(int board) const {
  if (!IsOldBoardLetter(BoardConfig(board).letter)) return kStimulusDac[board];
  return _config.boards_per_rack == 1 ? kOldSingleBoardStimulusDac : kOldStimulusDac[board];
}

int AmplifierRack::TestDac(int board) const {
  const char letter = BoardConfig(board).letter;
  if (letter != 0 && std::strchr("HNRTY", letter) != nullptr) return kFifthDac;
  if (!IsOldBoardLetter(letter)) return kTestDac;
  if (_config.boards_per_rack == 1) return kOldSingleBoardTestDac;
  return board < kBoards - 1 ? kOldTestDac : kTestDac;
}

AmplifierRack::MonitorLines AmplifierRack::LinesOf(int board) const {
  if (_config.boards_per_rack == 1) return {kSingleBoardCurrentLine, kSingleBoardVoltageLine};
  if (IsOldBoardLetter(BoardConfig(board).letter)) return {kOldCurrentLine[board], kOldVoltageLine[board]};
  return {kCurrentLine[board], kVoltageLine[board]};
}

AmplifierAnalogTruths AmplifierRack::TruthsAt(int board, int position) const {
  const AmplifierBoardConfig& board_config = BoardConfig(board);
  const auto probe = static_cast<std::size_t>(position - 1);
  AmplifierAnalogTruths truths =
      position > 0 && probe < board_config.probes.size() ? board_config.probes[probe] : board_config.analog;
  // Of the old boards only the A and P boards' probe offset DAC moves the
  // probe by its full span.
  if (IsOldBoardLetter(board_config.letter) && board_config.letter != 'A' && board_config.letter != 'P') {
    truths.probe_offset_span_volts *= kNarrowOffsetShare;
  }
  if (const auto& circuit = _modelCircuits[static_cast<std::size_t>(board)]) truths.cell = *circuit;
  _bench.Apply(board, position, truths);
  truths = FaultyTruths(truths, board_config.faults);
  for (std::size_t g = 0; g < truths.cc_amperes_per_volt.size(); ++g) {
    truths.cc_amperes_per_volt[g] *= board_config.current_clamp_faults.gain[g];
  }
  return truths;
}

void AmplifierRack::ApplyFaults(int board) {
  const auto b = static_cast<std::size_t>(board);
  const AmplifierBoardFaults& faults = BoardConfig(board).faults;
  for (const HeldElement& held : HeldElements(_appliedFaults[b])) _elements[b].Hold(held.address, 0, 0);
  for (const HeldElement& held : HeldElements(faults)) _elements[b].Hold(held.address, held.mask, held.value);
  // The voltage monitor's x 100 switch, latch 33 bit 0.
  if (BoardConfig(board).connection_faults.vmon_x100_dead) _elements[b].Hold(33, 1, 0);
  _appliedFaults[b] = faults;
  _appliedCCFaults[b] = BoardConfig(board).current_clamp_faults;
  _appliedConnectionFaults[b] = BoardConfig(board).connection_faults;
  if (auto& model = _models[b]) model->UseTruths(TruthsAt(board, _positions[b]));
}

void AmplifierRack::SetBench(int board, int position, const BenchPosition& bench) {
  _bench.Set(board, position, bench);
  if (auto& model = _models[static_cast<std::size_t>(board)]) {
    model->UseTruths(TruthsAt(board, _positions[static_cast<std::size_t>(board)]));
  }
}

double AmplifierRack::ProbeNoiseDensity(int board, double hz) const {
  const AmplifierBoardModel* model = Model(board);
  const BenchPosition* bench = _bench.At(board, ProbePosition(board));
  if (model == nullptr || bench == nullptr || !bench->probe.noise) return 0.0;
  return ProbeBench::Density(*model, Board(board), bench->probe, hz);
}

void AmplifierRack::SwitchModelCircuit(int board, const AmplifierCell& cell) {
  _modelCircuits[static_cast<std::size_t>(board)] = cell;
  if (auto& model = _models[static_cast<std::size_t>(board)]) {
    model->UseTruths(TruthsAt(board, _positions[static_cast<std::size_t>(board)]));
  }
}

void AmplifierRack::PlugCable(int board, BoardInput input, int dac) {
  _cables[static_cast<std::size_t>(board)][static_cast<std::size_t>(input)] = dac;
}

AmplifierDrive AmplifierRack::DriveOf(int board, std::span<const double> dac_volts) const {
  const auto& cables = _cables[static_cast<std::size_t>(board)];
  const int test = cables[static_cast<std::size_t>(BoardInput::kTest)];
  const int reference = cables[static_cast<std::size_t>(BoardInput::kReference)];
  AmplifierDrive drive{DacOf(dac_volts, StimulusDac(board)), DacOf(dac_volts, test >= 0 ? test : TestDac(board)),
                       reference >= 0 ? DacOf(dac_volts, reference) : 0.0};
  drive.external = _connections.Input(board, FrontInput::kStimulus, dac_volts, drive.test);
  drive.front_test = _connections.Input(board, FrontInput::kTest, dac_volts, drive.test);
  drive.external_cc = BoardConfig(board).current_clamp_faults.external_cc_dead ? 0.0 : drive.front_test;
  return drive;
}

int AmplifierRack::ProbePosition(int board) const {
  for (const ProbeSelector& selector : _selectors) {
    if (selector.Serves(board)) return selector.Probe(board);
  }
  return 0;
}

void AmplifierRack::Convert(const SampleInstant& at, std::span<const double> dac_volts) {
  if (_dacLevels.empty() || !std::equal(dac_volts.begin(), dac_volts.end(), _dacLevels.back().volts.begin(),
                                         _dacLevels.back().volts.end())) {
    _dacLevels.push_back({at, {dac_volts.begin(), dac_volts.end()}});
  }
  _potentiostats.Convert(at.sweep_seconds, dac_volts);
  for (int board = 0; board < kBoards; ++board) {
    if (board < _config.boards_per_rack &&
        (BoardConfig(board).faults != _appliedFaults[static_cast<std::size_t>(board)] ||
         BoardConfig(board).current_clamp_faults != _appliedCCFaults[static_cast<std::size_t>(board)] ||
         BoardConfig(board).connection_faults != _appliedConnectionFaults[static_cast<std::size_t>(board)])) {
      ApplyFaults(board);
    }
    if (auto& model = _models[static_cast<std::size_t>(board)]) {
      const int position = ProbePosition(board);
      if (int& was = _positions[static_cast<std::size_t>(board)]; position != was) {
        model->UseTruths(TruthsAt(board, position));
        was = position;
      }
      const AmplifierDrive drive = DriveOf(board, dac_volts);
      model->Convert(Board(board), drive, at.clock_seconds);
      _bench.Convert(board, position, *model, Board(board), at.clock_seconds);
      AmplifierTestNodes& nodes = _testNodes[static_cast<std::size_t>(board)];
      nodes.Convert(*model, Board(board), drive);
      if (nodes.FiltersMultiplexer()) nodes.FilterMultiplexer(model->Seconds(), BoardMuxVolts(board, dac_volts));
      const AmplifierBoardConfig& board_config = BoardConfig(board);
      _currentClamps[static_cast<std::size_t>(board)].Convert(Board(board), drive.stimulus, drive.test,
                                                              at.clock_seconds, board_config.current_clamp,
                                                              board_config.current_clamp_faults);
    }
  }
  if (_config.analog) ConvertSampleHold(at, dac_volts);
}

void AmplifierRack::ConvertSampleHold(const SampleInstant& at, std::span<const double> dac_volts) {
  const int selected = SelectedBoard();
  const AmplifierBoardConfig& board_config = BoardConfig(std::max(selected, 0));
  _connections.Convert(selected >= 0 ? &Board(selected) : nullptr, DacOf(dac_volts, 0), at.clock_seconds,
                       board_config.sample_hold, board_config.connection_faults);
}

std::uint8_t AmplifierRack::ClippingLines() const {
  std::uint8_t lines = 0;
  for (int board = 0; board < _config.boards_per_rack; ++board) {
    if (!BoardConfig(board).present) continue;
    const AmplifierBoardModel* model = Model(board);
    const bool held = BoardConfig(board).stuck_clipping || _heldClipping[static_cast<std::size_t>(board)];
    const bool clips = model != nullptr && model->Monitors().clipping && !BoardConfig(board).faults.clipping_never_set;
    if (held || clips) lines |= 1u << board;
  }
  return lines;
}

double AmplifierRack::MuxVolts(std::span<const double> dac_volts) const {
  if (const std::optional<double> volts = _potentiostats.MuxAdcVolts()) return *volts;
  const int board = SelectedBoard();
  return board < 0 ? 0.0 : BoardMuxVolts(board, dac_volts);
}

double AmplifierRack::BoardMuxVolts(int board, std::span<const double> dac_volts) const {
  const AmplifierBoardConfig& board_config = BoardConfig(board);
  if (board_config.mux_gain == 0.0) return 0.0;
  const AmplifierBoardModel* model = Model(board);
  const bool old = IsOldBoardLetter(board_config.letter);
  const auto dac = [&](int index) { return DacOf(dac_volts, index); };
  const auto monitored = [&](double AmplifierMonitors::* signal) { return model != nullptr ? model->Monitors().*signal : 0.0; };
  double volts = 0.0;
  const int channel = Board(board).Element(kMuxLatch);
  // The test integrator's capacitor takes its channel over.
  const std::optional<double> clamp =
      model != nullptr ? _currentClamps[static_cast<std::size_t>(board)].Mux(channel) : std::nullopt;
  if (model != nullptr && model->Monitors().integrator_channel != 0 && channel == model->Monitors().integrator_channel) {
    volts = model->Monitors().integrator;
  } else if (clamp) {
    volts = *clamp;
  } else {
    switch (channel) {
      case kMuxCommand:
        volts = monitored(&AmplifierMonitors::command) +
                (model != nullptr ? _testNodes[static_cast<std::size_t>(board)].CommandCorrection() : 0.0);
        break;
      case kMuxCSlowNetwork: volts = monitored(&AmplifierMonitors::c_slow_network); break;
      case kMuxCFastNetwork: volts = monitored(&AmplifierMonitors::c_fast_network); break;
      case kMuxStimulusBuffer:
        volts = model != nullptr ? _testNodes[static_cast<std::size_t>(board)].StimulusBuffer() : 0.0;
        break;
      case kMuxTestAtProbe: volts = monitored(&AmplifierMonitors::test_at_probe); break;
      case kMuxReference: volts = old ? 0.0 : kReferenceVolts; break;
      case kMuxProbeOutput: volts = monitored(&AmplifierMonitors::probe); break;
      case kMuxFilter1: volts = monitored(&AmplifierMonitors::filter1); break;
      case kMuxFilter2First: volts = monitored(&AmplifierMonitors::filter2_first); break;
      // The C, D and Z boards route the stimulus DAC there, inverted.
      case kMuxOldBoardPath: volts = board_config.letter != 0 && std::strchr("CDZ", board_config.letter) != nullptr
                                             ? -dac(StimulusDac(board))
                                             : 0.0;
        break;
      case kMuxStimulus:
        volts = model != nullptr ? _testNodes[static_cast<std::size_t>(board)].Stimulus() : -dac(StimulusDac(board));
        break;
      case kMuxTestDac: volts = dac(TestDac(board)); break;
      case kMuxCurrentMonitor: volts = monitored(&AmplifierMonitors::current1); break;
      default: break;
    }
  }
  if (model != nullptr) volts = _bench.Mux(board, ProbePosition(board), channel, volts, *model, Board(board));
  const MuxChannelFault& fault = board_config.mux_channels[static_cast<std::size_t>(channel)];
  volts = volts * fault.gain + fault.offset_volts;
  if (board_config.letter == 'P' && Board(board).LatchBit(kMuxGainLatch, 1)) volts *= kMuxHighGain;
  volts *= board_config.mux_gain;
  if (model != nullptr) volts += model->Truths().mux_offset_volts + model->Monitors().mux_noise;
  return std::clamp(volts, -AmplifierBoardModel::kLimitVolts, AmplifierBoardModel::kLimitVolts);
}

bool AmplifierRack::MuxOffAd7() const {
  const int board = SelectedBoard();
  return _config.boards_per_rack == kBoards && board >= 0 && Board(board).LatchBit(kExtensionLatch, kMuxOffAd7Bit);
}

double AmplifierRack::AdVolts(int line, std::span<const double> dac_volts) const {
  if (line == kMuxLine && !MuxOffAd7()) return MuxVolts(dac_volts);
  if (const auto cable = _connections.OnLine(line); cable && _config.analog) {
    if (cable->board < 0) return _connections.SampleHold();
    const AmplifierBoardModel* model = Model(cable->board);
    if (model == nullptr) return 0.0;
    switch (cable->output) {
      case FrontOutput::kVoltageMonitor: return model->Monitors().voltage;
      case FrontOutput::kFilter1: return model->Monitors().current1;
      case FrontOutput::kFilter2: return model->Monitors().current;
    }
  }
  if (_potentiostats.HasBoards()) {
    if (const std::optional<double> volts = _potentiostats.AdVolts(line)) return *volts;
  }
  if (!_modelled) return 0.0;
  for (int board = 0; board < kBoards; ++board) {
    const AmplifierBoardModel* model = Model(board);
    if (model == nullptr) continue;
    if (LinesOf(board).current == line) {
      return _testNodes[static_cast<std::size_t>(board)].CurrentMonitor(model->Monitors().current);
    }
    if (LinesOf(board).voltage == line) return model->Monitors().voltage;
  }
  return 0.0;
}
