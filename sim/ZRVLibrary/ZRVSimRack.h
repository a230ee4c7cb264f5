// A simulated QRN 2400: one or two racks behind the library's rack calls,
// channel set-up by records, per-channel sample queues, single scans (see
// ZRVSim.h for what it does). The handle it gives is the rack itself; every
// other handle gets kInvalidDevice. The library's lock is held around every
// call.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "acquisition/ZRVLibraryCalls.h"
#include "sim/ZRVLibrary/ZRVSim.h"
#include "sim/ZRVLibrary/ZRVSimWiring.h"

class ZRVSimRack {
 public:
  explicit ZRVSimRack(ZRVSimWiring* wiring);

  // Closed, default settings, no global configuration, the given wiring.
  void Reset(ZRVSimWiring* wiring);
  void SetWiring(ZRVSimWiring* wiring);
  const ZRVSimSettings& Settings() const { return _settings; }
  void Configure(const ZRVSimSettings& settings);

  std::int32_t GlobalConfig(const ZRVLibraryCalls::GlobalConfigRecord* config);
  std::int32_t OpenDevice(std::int32_t deviceType, std::int32_t board, std::int32_t flags,
                          void** handle);
  std::int32_t InitDevice(void* handle, const ZRVLibraryCalls::InitRecord* init);
  std::int32_t GetSerialNumbers(void* handle, std::int32_t which, std::uint32_t* master,
                                std::uint32_t* slave);
  std::int32_t GetDeviceInfo(void* handle, ZRVLibraryCalls::DeviceInfoRecord* info);
  std::int32_t CloseDevice(void* handle);
  std::int32_t AsyncIO(void* handle, std::int32_t count, ZRVLibraryCalls::DataRecord* records);
  std::int32_t SingleScan(void* handle, std::int32_t count,
                          ZRVLibraryCalls::SingleScanRecord* records);
  std::int32_t ResetChannels(void* handle);
  std::int32_t SetChannels(void* handle, std::int32_t count,
                           const ZRVLibraryCalls::ChannelRecord* records);
  std::int32_t UpdateChannels(void* handle);
  std::int32_t ReadWriteFIFO(void* handle, std::int32_t count,
                             ZRVLibraryCalls::DataRecord* records);
  std::int32_t Start(void* handle, const ZRVLibraryCalls::StartRecord* start);
  std::int32_t UpdateNow(void* handle);
  std::int32_t GetState(void* handle, ZRVLibraryCalls::StateRecord* state);
  std::int32_t GetDataAvailable(void* handle, std::int32_t count,
                                ZRVLibraryCalls::DataRecord* records);
  std::int32_t Stop(void* handle);

  void Trigger();
  void InjectOverflow() { _injectedOverflow = true; }
  void InjectClipping(std::int32_t input);
  // What the board is and does now.
  void Look(ZRVSimBoardState& state);

 private:
  // A hardware channel number resolved to the line it drives or reads.
  struct Line {
    enum Kind { kAnalog, kUser, kTlv, kFast } kind;
    int index;  // DAC or ADC number for analog lines
    int rack;
  };
  // One channel of a continuous sweep.
  struct Channel {
    bool output;
    Line line;
    std::int32_t number;
    std::int64_t delay;   // nanoseconds after the start
    std::int64_t period;  // nanoseconds
    std::int64_t next;    // index of the next conversion
    std::deque<std::int16_t> queue;
    bool last = false;    // outputs: the queued data end the output

    std::int64_t NextTime() const { return delay + next * period; }
  };

  std::int32_t Check(const void* handle) const;
  bool Resolve(bool output, std::int32_t channel, Line& line) const;
  bool Stalled(const Line& line) const;
  void Drive(const Line& line, std::int32_t value);
  // Sees the lines, then gives what the line reads.
  std::int32_t Read(const Line& line);
  // What the line reads in the last look.
  std::int32_t LineValue(const Line& line);
  // Shows the wiring what the lines drive now and latches the clipping
  // lines it reports.
  void See();
  void LatchClippingLines(std::uint16_t lines);
  Channel* Find(bool output, std::int32_t channel);
  void Advance();
  // Runs the conversions due by now; TRUE when one stopped at a full queue.
  bool RunDue(std::int64_t now);
  bool NothingCanChange() const;
  void SkipTo(std::int64_t now);
  // FALSE when the channel's queue was full.
  bool Convert(Channel& channel);

  ZRVSimWiring* _wiring;
  ZRVSimSettings _settings{};
  std::int32_t _linkFailuresLeft = 0;
  std::int32_t _configuredFifoBytes = 0;  // from ZRV_GlobalConfig, 0 none

  bool _open = false;
  std::int32_t _board = 0;
  std::int32_t _racks = 1;
  std::int32_t _fifoBytes = 0;
  bool _initialised = false;
  std::int32_t _initialisations = 0;
  std::int32_t _clockMode = 0;

  std::vector<ZRVLibraryCalls::ChannelRecord> _setUp;  // from SetChannels
  std::vector<Channel> _channels;                     // from UpdateChannels
  std::size_t _inputCapacity = 0;                     // samples per input
  bool _armed = false;
  bool _running = false;
  bool _waitingForTrigger = false;
  bool _outputEnabled = false;
  double _startTime = 0.0;
  std::uint32_t _overflowWord = 0;
  bool _injectedOverflow = false;
  std::uint32_t _clipping = 0;

  ZRVSimOutputs _outputs;
  ZRVSimInputs _inputs;
  // A sweep's digital inputs at one instant are one look: a digital
  // conversion at the instant of the last look, with no DAC changed since,
  // reads that look again (the digital outputs look themselves). Without
  // this every bit of a bit-banged EEPROM transfer would run the rack's
  // whole model twice.
  bool _lookStands = false;
  double _lookInstant = 0.0;

  // What the calls received, for Look.
  ZRVLibraryCalls::GlobalConfigRecord _lastConfig{};
  ZRVLibraryCalls::InitRecord _lastInit{};
  ZRVLibraryCalls::StartRecord _lastStart{};
  ZRVLibraryCalls::StateRecord _lastStateRequest{};
  ZRVLibraryCalls::DataRecord _lastAvailableRequest{};
  std::vector<ZRVLibraryCalls::DataRecord> _lastFifo;
  std::vector<ZRVLibraryCalls::DataRecord> _lastIo;
  std::vector<ZRVLibraryCalls::SingleScanRecord> _lastScan;
};
