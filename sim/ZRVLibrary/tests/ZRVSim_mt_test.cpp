#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "sim/ZRVLibrary/ZRVSim.h"
#include "sim/ZRVLibrary/tests/ZRVSim_fixture.h"

namespace {

using namespace ZRVSimTest;

class Threads : public Library {};

// One thread pumps a long ZRV-28 sweep (reads the inputs, refills the
// output) while another polls the board, moves the clock and injects
// overflows: the samples still come back in order.
TEST_F(Threads, PumpingWhileAnotherThreadPolls) {
  Board board(kZRV28);
  board.Ready();
  constexpr int kPipeline = 5;
  constexpr int kChunk = 256;
  constexpr int kChunks = 50;
  std::vector<std::int16_t> first(kChunk);
  for (int n = 0; n < kChunk; ++n) first[n] = static_cast<std::int16_t>(n);
  ASSERT_EQ(board.Sweep({ZRV28Word(0, 0, true, true)}, 8, first), 0);

  std::atomic<bool> done{false};
  std::thread poller([&] {
    while (!done.load()) {
      std::int32_t value = 0;
      ZRV28_GetFIFOReadAvailable(board.device(), &value);
      ZRV28_GetFIFOOverflow(board.device(), &value);
      ZRVSimBoardState state;
      ZRVSim_GetBoardState(kZRVSimZRV28, &state);
      ZRVSim_InjectOverflow(kZRVSimZRV28);
      // Time moves on only while the output has plenty queued, so that a
      // slow pump never lets the stimulus run dry.
      if (state.output_fifo > kChunk / 2) Wait(100'000);
    }
  });

  std::vector<std::int16_t> received;
  std::int32_t written = kChunk;
  std::vector<std::int16_t> chunk(kChunk);
  while (received.size() < static_cast<std::size_t>(kChunk * kChunks)) {
    std::int32_t ready = 0;
    ASSERT_EQ(ZRV28_GetFIFOReadAvailable(board.device(), &ready), 0);
    const bool firstRead = received.empty() && ready > 0;
    const std::int32_t count = std::min(ready, kChunk);
    if (count <= 0) continue;
    chunk.resize(static_cast<std::size_t>(count + (firstRead ? kPipeline : 0)));
    ASSERT_EQ(ZRV28_ReadFIFO(board.device(), static_cast<std::int32_t>(chunk.size()), chunk.data()), 0);
    received.insert(received.end(), chunk.begin() + (firstRead ? kPipeline : 0), chunk.end());
    std::vector<std::int16_t> more(static_cast<std::size_t>(count));
    for (std::int16_t& value : more) value = static_cast<std::int16_t>(written++ % 30000);
    ASSERT_EQ(ZRV28_WriteFIFO(board.device(), count, more.data()), 0);
  }
  done = true;
  poller.join();
  for (std::size_t n = 0; n < received.size(); ++n) {
    ASSERT_EQ(received[n], static_cast<std::int16_t>(n % 30000)) << n;
  }
}

}  // namespace
