// A simulated ZRV-24 or ZRV-28 PCI board: sequence memory, sampling clock,
// output and input FIFOs with the converter pipeline between them (see
// ZRVSim.h for what it does). The entries take the caller's device record
// and answer kInvalidDevice for any record other than the one that opened
// the board. The library's lock is held around every call.
#pragma once

#include <array>
#include <cstdint>
#include <deque>

#include "acquisition/ZRVLibraryCalls.h"
#include "sim/ZRVLibrary/ZRVSim.h"
#include "sim/ZRVLibrary/ZRVSimWiring.h"

class ZRVSimSequencedBoard {
 public:
  // family: kZRVSimZRV24 or kZRVSimZRV28.
  ZRVSimSequencedBoard(std::int32_t family, ZRVSimWiring* wiring);

  // Closed, default settings, the given wiring.
  void Reset(ZRVSimWiring* wiring);
  void SetWiring(ZRVSimWiring* wiring);
  const ZRVSimSettings& Settings() const { return _settings; }
  void Configure(const ZRVSimSettings& settings);

  std::int32_t StructureSize() const;
  std::int32_t Open(void* device, std::int32_t board);
  std::int32_t Initialize(void* device, std::int32_t mode);
  std::int32_t FIFOSize(void* device) const;
  std::int32_t Close(void* device);
  std::int32_t SetSamplingInterval(void* device, std::int32_t ticks);
  std::int32_t InitializeAcquisition(void* device);
  std::int32_t SetSequence(void* device, std::int32_t length, const std::uint16_t* words);
  std::int32_t Start(void* device, std::int32_t trigger, std::int32_t outputEnable,
                     std::int32_t option3, std::int32_t option4);
  std::int32_t WriteFIFO(void* device, std::int32_t count, const std::int16_t* samples);
  std::int32_t GetFIFOReadAvailable(void* device, std::int32_t* count);
  std::int32_t ReadFIFO(void* device, std::int32_t count, std::int16_t* samples);
  std::int32_t IsClipping(void* device, std::int32_t* flag);
  std::int32_t GetFIFOOverflow(void* device, std::int32_t* flag);
  std::int32_t Stop(void* device);
  std::int32_t SetDACShift(void* device, const std::int32_t* shifts);
  std::int32_t SetRange(void* device, const std::int32_t* ranges);
  std::int32_t SetExternalTriggerMode(void* device, std::int32_t first, std::int32_t second);

  void Trigger();
  void InjectOverflow() { _injectedOverflow = true; }
  void InjectClipping() { _clipped = true; }
  // What the board is and does now.
  void Look(ZRVSimBoardState& state);

 private:
  // Where one sequence step sends its output and takes its input.
  enum class Output { kNone, kDac, kUser, kTlv, kBothPorts };
  struct Step {
    Output output;
    int dac;
    bool digitalInput;
    int adc;
  };

  bool IsZRV28() const { return _family == kZRVSimZRV28; }
  std::int32_t Check(const void* device) const;
  Step Decode(std::uint16_t word) const;
  int PipelineLength() const;
  bool OutputCanMove() const;
  void Advance();
  void RunStep(const Step& step);
  void SendOutput(const Step& step);
  std::int16_t Convert(const Step& step);
  void ClearSweep();

  std::int32_t _family;
  ZRVSimWiring* _wiring;
  ZRVSimSettings _settings{};

  bool _open = false;
  void* _device = nullptr;
  std::int32_t _board = 0;
  std::int32_t _capacity = 0;
  bool _initialised = false;
  std::int32_t _initialisations = 0;
  std::int32_t _mode = 0;
  std::int32_t _ticks = 0;
  std::array<std::uint16_t, kZRVSimMaxSequence> _sequence{};
  std::array<Step, kZRVSimMaxSequence> _steps{};  // the words decoded
  std::int32_t _sequenceLength = 0;
  std::int32_t _sequenceLoads = 0;
  bool _sequenceSends = false;  // some step has an output
  std::array<std::int32_t, ZRVLibraryCalls::kRangeCount> _ranges{};
  std::array<std::int32_t, ZRVLibraryCalls::kDacShiftCount> _dacShifts{};
  std::array<std::int32_t, 2> _externalTriggerMode{};

  // The sweep.
  bool _armed = false;  // InitializeAcquisition since the last start
  bool _running = false;
  bool _waitingForTrigger = false;
  std::array<std::int32_t, 4> _startArguments{};
  double _startTime = 0.0;
  std::int64_t _stepsDone = 0;
  std::deque<std::int16_t> _outputFifo;
  std::deque<std::int16_t> _inputFifo;
  std::deque<std::int16_t> _pipeline;
  std::int32_t _fillUnread = 0;  // pipeline fill values at the input FIFO's front
  bool _outputStarted = false;
  bool _overflow = false;
  bool _injectedOverflow = false;
  bool _clipped = false;

  ZRVSimOutputs _outputs;
  ZRVSimInputs _inputs;
};
