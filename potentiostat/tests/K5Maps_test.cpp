#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "potentiostat/K5Set.h"
#include "potentiostat/K5Set_510.h"
#include "potentiostat/K5Set_512.h"
#include "potentiostat/PKTypes.h"
#include "potentiostat/tests/PKBus_fixture.h"
#include "potentiostat/tests/PKGolden_fixture.h"

namespace {

enum Board { PK510, PK512 };

// "24:8 31:C": latch nibbles (hex) in the order the latches are sent.
std::vector<std::pair<unsigned, unsigned>> ParseNibbles(const std::string& text) {
  std::vector<std::pair<unsigned, unsigned>> nibbles;
  std::istringstream in(text);
  std::string item;
  while (in >> item) {
    const auto colon = item.find(':');
    nibbles.emplace_back(std::stoul(item.substr(0, colon)), std::stoul(item.substr(colon + 1), nullptr, 16));
  }
  return nibbles;
}

struct LatchRow {
  Board board;
  const char* label;
  std::function<void()> call;
  const char* nibbles;
};

// From zeroed shadows: the latches each call writes, in sending order.
const LatchRow kLatchRows[] = {
    {PK510, "Feedback 0", [] { K5Set_510::Board.Feedback(0); }, "24:8"},
    {PK510, "Feedback 1", [] { K5Set_510::Board.Feedback(1); }, "24:4"},
    {PK510, "Feedback 2", [] { K5Set_510::Board.Feedback(2); }, "24:0"},
    {PK512, "Feedback 0", [] { K5Set_512::Board.Feedback(0); }, "24:8"},
    {PK512, "Feedback 1", [] { K5Set_512::Board.Feedback(1); }, "24:4"},
    {PK512, "Feedback 2", [] { K5Set_512::Board.Feedback(2); }, "24:0"},
    {PK510, "CurrentOutputAmplifierGain 0", [] { K5Set_510::CurrentOutputAmplifierGain(0); }, "37:3"},
    {PK510, "CurrentOutputAmplifierGain 1", [] { K5Set_510::CurrentOutputAmplifierGain(1); }, "37:7"},
    {PK510, "CurrentOutputAmplifierGain 2", [] { K5Set_510::CurrentOutputAmplifierGain(2); }, "37:4"},
    {PK510, "CurrentOutputAmplifierGain 3", [] { K5Set_510::CurrentOutputAmplifierGain(3); }, "37:6"},
    {PK512, "CurrentOutputAmplifierGain 0", [] { K5Set_512::CurrentOutputAmplifierGain(0); }, "37:1"},
    {PK512, "CurrentOutputAmplifierGain 1", [] { K5Set_512::CurrentOutputAmplifierGain(1); }, "37:5"},
    {PK512, "CurrentOutputAmplifierGain 2", [] { K5Set_512::CurrentOutputAmplifierGain(2); }, "37:6"},
    {PK512, "CurrentOutputAmplifierGain 3", [] { K5Set_512::CurrentOutputAmplifierGain(3); }, "37:4"},
    {PK510, "VoltageOutputAmplifierGain 0", [] { K5Set_510::VoltageOutputAmplifierGain(0); }, "52:E"},
    {PK510, "VoltageOutputAmplifierGain 1", [] { K5Set_510::VoltageOutputAmplifierGain(1); }, "52:C"},
    {PK510, "VoltageOutputAmplifierGain 2", [] { K5Set_510::VoltageOutputAmplifierGain(2); }, "52:8"},
    {PK510, "VoltageOutputAmplifierGain 3", [] { K5Set_510::VoltageOutputAmplifierGain(3); }, "52:0"},
    {PK512, "VoltageOutputAmplifierGain 0", [] { K5Set_512::VoltageOutputAmplifierGain(0); }, "52:2 24:1"},
    {PK512, "VoltageOutputAmplifierGain 1", [] { K5Set_512::VoltageOutputAmplifierGain(1); }, "52:0 24:1"},
    {PK512, "VoltageOutputAmplifierGain 2", [] { K5Set_512::VoltageOutputAmplifierGain(2); }, "52:0 24:2"},
    {PK512, "VoltageOutputAmplifierGain 3", [] { K5Set_512::VoltageOutputAmplifierGain(3); }, "52:0 24:0"},
    {PK510, "MuxOutPath 0", [] { K5Set_510::Board.MuxOutPath(0); }, "34:4 31:4"},
    {PK510, "MuxOutPath 1", [] { K5Set_510::Board.MuxOutPath(1); }, "34:4 31:8"},
    {PK510, "MuxOutPath 2", [] { K5Set_510::Board.MuxOutPath(2); }, "34:2 31:4"},
    {PK512, "MuxOutPath 0", [] { K5Set_512::Board.MuxOutPath(0); }, "34:4 31:4"},
    {PK512, "MuxOutPath 1", [] { K5Set_512::Board.MuxOutPath(1); }, "34:4 31:8"},
    {PK512, "MuxOutPath 2", [] { K5Set_512::Board.MuxOutPath(2); }, "34:2 31:4"},
    {PK510, "TestDacPath 0", [] { K5Set_510::Board.TestDacPath(0); }, "31:0"},
    {PK510, "TestDacPath 1", [] { K5Set_510::Board.TestDacPath(1); }, "31:2"},
    {PK510, "TestDacPath 2", [] { K5Set_510::Board.TestDacPath(2); }, "31:1"},
    {PK512, "TestDacPath 0", [] { K5Set_512::Board.TestDacPath(0); }, "31:0"},
    {PK512, "TestDacPath 1", [] { K5Set_512::Board.TestDacPath(1); }, "31:2"},
    {PK512, "TestDacPath 2", [] { K5Set_512::Board.TestDacPath(2); }, "31:1"},
    {PK510, "ModelCell 0", [] { K5Set_510::ModelCell(0); }, "25:7"},
    {PK510, "ModelCell 1", [] { K5Set_510::ModelCell(1); }, "25:6"},
    {PK510, "ModelCell 2", [] { K5Set_510::ModelCell(2); }, "25:5"},
    {PK510, "ModelCell 3", [] { K5Set_510::ModelCell(3); }, "25:3"},
    {PK512, "ModelCell 0", [] { K5Set_512::ModelCell(0); }, "25:0"},
    {PK512, "ModelCell 1", [] { K5Set_512::ModelCell(1); }, "25:7"},
    {PK512, "ModelCell 2", [] { K5Set_512::ModelCell(2); }, "25:4"},
    {PK512, "ModelCell 3", [] { K5Set_512::ModelCell(3); }, "25:6"},
    {PK512, "ModelCell 4", [] { K5Set_512::ModelCell(4); }, "25:5"},
    {PK510, "ControlBandwidth 0", [] { K5Set_510::ControlBandwidth(0); }, "26:4 36:0"},
    {PK510, "ControlBandwidth 1", [] { K5Set_510::ControlBandwidth(1); }, "26:1 36:0"},
    {PK510, "ControlBandwidth 2", [] { K5Set_510::ControlBandwidth(2); }, "26:0 36:1"},
    {PK510, "ControlBandwidth 3", [] { K5Set_510::ControlBandwidth(3); }, "26:0 36:2"},
    {PK510, "ControlBandwidth 4", [] { K5Set_510::ControlBandwidth(4); }, "26:0 36:4"},
    {PK510, "ControlBandwidth 5", [] { K5Set_510::ControlBandwidth(5); }, "26:0 36:8"},
    {PK510, "ControlBandwidth 6", [] { K5Set_510::ControlBandwidth(6); }, "26:8 36:0"},
    {PK510, "ControlBandwidth 7", [] { K5Set_510::ControlBandwidth(7); }, "26:2 36:0"},
    {PK510, "CurrentFilter 0", [] { K5Set_510::Board.CurrentFilter(0); }, "53:0 60:0 39:F"},
    {PK510, "CurrentFilter 1", [] { K5Set_510::Board.CurrentFilter(1); }, "53:0 60:8 39:F"},
    {PK510, "CurrentFilter 2", [] { K5Set_510::Board.CurrentFilter(2); }, "53:2 60:0 39:F"},
    {PK510, "CurrentFilter 3", [] { K5Set_510::Board.CurrentFilter(3); }, "53:0 60:4 39:0"},
    {PK510, "CurrentFilter 4", [] { K5Set_510::Board.CurrentFilter(4); }, "53:0 60:2 39:0"},
    {PK510, "CurrentFilter 5", [] { K5Set_510::Board.CurrentFilter(5); }, "53:0 60:1 39:0"},
    {PK510, "CurrentFilter 6", [] { K5Set_510::Board.CurrentFilter(6); }, "53:1 60:0 39:0"},
    {PK512, "CurrentFilter 0", [] { K5Set_512::Board.CurrentFilter(0); }, "53:0 60:0 39:F"},
    {PK512, "CurrentFilter 2", [] { K5Set_512::Board.CurrentFilter(2); }, "53:2 60:0 39:F"},
    {PK512, "CurrentFilter 6", [] { K5Set_512::Board.CurrentFilter(6); }, "53:1 60:0 39:0"},
    {PK510, "VoltageFilter 0", [] { K5Set_510::Board.VoltageFilter(0); }, "53:0 61:0 38:F"},
    {PK510, "VoltageFilter 1", [] { K5Set_510::Board.VoltageFilter(1); }, "53:0 61:8 38:F"},
    {PK510, "VoltageFilter 2", [] { K5Set_510::Board.VoltageFilter(2); }, "53:8 61:0 38:F"},
    {PK510, "VoltageFilter 3", [] { K5Set_510::Board.VoltageFilter(3); }, "53:0 61:4 38:0"},
    {PK510, "VoltageFilter 4", [] { K5Set_510::Board.VoltageFilter(4); }, "53:0 61:2 38:0"},
    {PK510, "VoltageFilter 5", [] { K5Set_510::Board.VoltageFilter(5); }, "53:0 61:1 38:0"},
    {PK510, "VoltageFilter 6", [] { K5Set_510::Board.VoltageFilter(6); }, "53:4 61:0 38:0"},
    {PK512, "VoltageFilter 1", [] { K5Set_512::Board.VoltageFilter(1); }, "53:0 61:8 38:F"},
    {PK512, "VoltageFilter 2", [] { K5Set_512::Board.VoltageFilter(2); }, "53:8 61:0 38:F"},
    {PK512, "VoltageFilter 6", [] { K5Set_512::Board.VoltageFilter(6); }, "53:4 61:0 38:0"},
    {PK510, "StimulusFilter 0", [] { K5Set_510::Board.StimulusFilter(0); }, "62:0 63:4"},
    {PK510, "StimulusFilter 1", [] { K5Set_510::Board.StimulusFilter(1); }, "62:0 63:2"},
    {PK510, "StimulusFilter 2", [] { K5Set_510::Board.StimulusFilter(2); }, "62:0 63:1"},
    {PK510, "StimulusFilter 3", [] { K5Set_510::Board.StimulusFilter(3); }, "62:8 63:0"},
    {PK510, "StimulusFilter 4", [] { K5Set_510::Board.StimulusFilter(4); }, "62:4 63:0"},
    {PK510, "StimulusFilter 5", [] { K5Set_510::Board.StimulusFilter(5); }, "62:2 63:0"},
    {PK510, "StimulusFilter 6", [] { K5Set_510::Board.StimulusFilter(6); }, "62:1 63:0"},
    {PK510, "StimulusFilter 7", [] { K5Set_510::Board.StimulusFilter(7); }, "62:0 63:8"},
    {PK512, "StimulusFilter 3", [] { K5Set_512::Board.StimulusFilter(3); }, "62:8 63:0"},
    {PK512, "StimulusFilter 7", [] { K5Set_512::Board.StimulusFilter(7); }, "62:0 63:8"},
    {PK510, "StimInScale 0", [] { K5Set_510::Board.StimInScale(0); }, "30:A"},
    {PK510, "StimInScale 1", [] { K5Set_510::Board.StimInScale(1); }, "30:8"},
    {PK510, "StimInScale 2", [] { K5Set_510::Board.StimInScale(2); }, "30:2"},
    {PK510, "StimInScale 3", [] { K5Set_510::Board.StimInScale(3); }, "30:E"},
    {PK512, "StimInScale 0", [] { K5Set_512::Board.StimInScale(0); }, "30:A"},
    {PK512, "StimInScale 3", [] { K5Set_512::Board.StimInScale(3); }, "30:E"},
    {PK510, "AmplMode 1", [] { K5Set_510::AmplMode(1); }, "33:8 27:2"},
    {PK510, "AmplMode 2", [] { K5Set_510::AmplMode(2); }, "33:0 27:0"},
    {PK512, "AmplMode 1", [] { K5Set_512::AmplMode(1); }, "34:1 25:8 27:2"},
    {PK512, "AmplMode 2", [] { K5Set_512::AmplMode(2); }, "34:0 25:0 27:0"},
    {PK510, "WorkingElectrode", [] { K5Set_510::Board.WorkingElectrode(true); }, "30:1"},
    {PK510, "EEPROMSelect", [] { K5Set_510::Board.EEPROMSelect(true); }, "32:1"},
    {PK510, "IRCompensationOn", [] { K5Set_510::IRCompensationOn(true); }, "32:2"},
    {PK510, "ElectrodeMode 1", [] { K5Set_510::ElectrodeMode(1); }, "32:4"},
    {PK510, "ElectrodeMode 2", [] { K5Set_510::ElectrodeMode(2); }, "32:0"},
    {PK510, "Remote", [] { K5Set_510::Board.Remote(true); }, "32:8"},
    {PK510, "Cell", [] { K5Set_510::Cell(true); }, "33:1"},
    {PK510, "Standby", [] { K5Set_510::Standby(true); }, "33:2"},
    {PK510, "OpenCellPotential", [] { K5Set_510::OpenCellPotential(true); }, "33:4"},
    {PK510, "OCP_RingOn", [] { K5Set_510::OCP_RingOn(true); }, "37:8"},
    {PK510, "VoltageSubtractOn", [] { K5Set_510::Board.VoltageSubtractOn(true); }, "35:1"},
    {PK510, "CurrentSubtractOn", [] { K5Set_510::Board.CurrentSubtractOn(true); }, "35:2"},
    {PK510, "ClampGainOn", [] { K5Set_510::ClampGainOn(true); }, "52:1"},
    {PK510, "StimToCE", [] { K5Set_510::StimToCE(true); }, "27:1"},
    {PK510, "RefToWE on", [] { K5Set_510::RefToWE(true); }, "24:0"},
    {PK510, "RefToWE off", [] { K5Set_510::RefToWE(false); }, "24:1"},
    {PK510, "MuxX100", [] { K5Set_510::Board.MuxX100(true); }, "27:4"},
    {PK510, "RefToGround off", [] { K5Set_510::RefToGround(false); }, "27:8"},
    {PK510, "BoosterActive off", [] { K5Set_510::BoosterActive(false); }, "34:8"},
    {PK510, "EnableMuxAdc off", [] { K5Set_510::Board.EnableMuxAdc(false); }, "35:8"},
    {PK510, "EnableMuxAdc on", [] { K5Set_510::Board.EnableMuxAdc(true); }, "35:0"},
    {PK510, "MuxChannel 0x1B", [] { K5Set_510::Board.MuxChannel(0x1B); }, "41:B"},
    {PK512, "WorkingElectrode", [] { K5Set_512::Board.WorkingElectrode(true); }, "30:1"},
    {PK512, "EEPROMSelect", [] { K5Set_512::Board.EEPROMSelect(true); }, "32:1"},
    {PK512, "Remote", [] { K5Set_512::Board.Remote(true); }, "32:8"},
    {PK512, "OpenCellPotential", [] { K5Set_512::OpenCellPotential(true); }, "27:8"},
    {PK512, "OCP_GalMode", [] { K5Set_512::OCP_GalMode(true); }, "27:8"},
    {PK512, "VoltageSubtractOn", [] { K5Set_512::Board.VoltageSubtractOn(true); }, "35:1"},
    {PK512, "CurrentSubtractOn", [] { K5Set_512::Board.CurrentSubtractOn(true); }, "35:2"},
    {PK512, "MuxX100", [] { K5Set_512::Board.MuxX100(true); }, "27:4"},
    {PK512, "EnableMuxAdc off", [] { K5Set_512::Board.EnableMuxAdc(false); }, "35:8"},
    {PK512, "MuxChannel 9", [] { K5Set_512::Board.MuxChannel(9); }, "41:9"},
};

struct RangeRow {
  Board board;
  const char* label;
  std::function<void()> call;
};

const RangeRow kOutOfRange[] = {
    {PK510, "Feedback 3", [] { K5Set_510::Board.Feedback(3); }},
    {PK510, "CurrentOutputAmplifierGain 4", [] { K5Set_510::CurrentOutputAmplifierGain(4); }},
    {PK510, "VoltageOutputAmplifierGain 4", [] { K5Set_510::VoltageOutputAmplifierGain(4); }},
    {PK510, "MuxOutPath 3", [] { K5Set_510::Board.MuxOutPath(3); }},
    {PK510, "TestDacPath 3", [] { K5Set_510::Board.TestDacPath(3); }},
    {PK510, "ModelCell 4", [] { K5Set_510::ModelCell(4); }},
    {PK510, "ControlBandwidth 8", [] { K5Set_510::ControlBandwidth(8); }},
    {PK510, "CurrentFilter 7", [] { K5Set_510::Board.CurrentFilter(7); }},
    {PK510, "VoltageFilter 7", [] { K5Set_510::Board.VoltageFilter(7); }},
    {PK510, "StimulusFilter 8", [] { K5Set_510::Board.StimulusFilter(8); }},
    {PK510, "StimInScale 4", [] { K5Set_510::Board.StimInScale(4); }},
    {PK512, "Feedback 255", [] { K5Set_512::Board.Feedback(255); }},
    {PK512, "CurrentOutputAmplifierGain 4", [] { K5Set_512::CurrentOutputAmplifierGain(4); }},
    {PK512, "VoltageOutputAmplifierGain 4", [] { K5Set_512::VoltageOutputAmplifierGain(4); }},
    {PK512, "MuxOutPath 3", [] { K5Set_512::Board.MuxOutPath(3); }},
    {PK512, "TestDacPath 3", [] { K5Set_512::Board.TestDacPath(3); }},
    {PK512, "ModelCell 5", [] { K5Set_512::ModelCell(5); }},
    {PK512, "CurrentFilter 7", [] { K5Set_512::Board.CurrentFilter(7); }},
    {PK512, "VoltageFilter 7", [] { K5Set_512::Board.VoltageFilter(7); }},
    {PK512, "StimulusFilter 8", [] { K5Set_512::Board.StimulusFilter(8); }},
    {PK512, "StimInScale 4", [] { K5Set_512::Board.StimInScale(4); }},
};

class K5Maps : public PKBusTest {
 protected:
  // Fresh simulated boards on the bus, the row's board selected.
  PKSimBoard& SelectedBoard(Board board) {
    AttachBoards(board == PK510);
    if (board == PK510) return pk510_;
    pk512_.Strobe(K5Set::CommandWord(12, 0x0E));
    return pk512_;
  }
  static const K5Set::Shadow& ShadowOf(Board board) {
    return board == PK510 ? K5Set_510::SwitchState : K5Set_512::SwitchState;
  }
};

TEST_F(K5Maps, EveryLatchRowWritesItsBitsAndSendsInOrder) {
  K5Set::SendToHardware = true;
  for (const LatchRow& row : kLatchRows) {
    K5Set::InitModule();
    K5Set::SendToHardware = true;
    const PKSimBoard& board = SelectedBoard(row.board);
    const auto nibbles = ParseNibbles(row.nibbles);
    std::map<unsigned, unsigned> latch;
    for (const auto& [address, nibble] : nibbles) latch[address] = nibble;
    std::vector<Word> words;
    for (const auto& [address, nibble] : nibbles) {
      const unsigned even = address & ~1u;
      words.emplace_back(even, (latch[even + 1] << 4) | latch[even]);
    }
    row.call();
    EXPECT_EQ(Take(), words) << row.label;
    for (unsigned a = 0; a < 64; ++a) {
      const unsigned expected = latch.count(a) != 0 ? latch[a] : 0;
      const unsigned select = board.SelectLatch();
      EXPECT_EQ(ShadowOf(row.board)[a], expected) << row.label << " shadow " << a;
      if (a != select) EXPECT_EQ(board.Register(a), expected) << row.label << " register " << a;
    }
  }
}

TEST_F(K5Maps, SelectorsOutOfRangeSetError17AndSendNothing) {
  for (const RangeRow& row : kOutOfRange) {
    K5Set::InitModule();
    K5Set::SendToHardware = true;
    K5Set_510::SwitchState.fill(0x5);
    K5Set_512::SwitchState.fill(0x5);
    PKTypes::Error = 0;
    row.call();
    EXPECT_EQ(PKTypes::Error, PKTypes::RangeError) << row.label;
    EXPECT_TRUE(Take().empty()) << row.label;
    for (unsigned a = 0; a < 64; ++a) ASSERT_EQ(ShadowOf(row.board)[a], 0x5) << row.label;
  }
}

TEST_F(K5Maps, SelectLatchKeepsItsPartnerNibble) {
  K5Set::SendToHardware = true;
  K5Set_510::SwitchState[15] = 0x3;
  K5Set_510::ActiveBoard(1);
  K5Set_510::ActiveBoard(0);
  K5Set_510::ActiveBoard(2);
  EXPECT_EQ(Take(), ParseWords("14:3E 14:3F 14:3F"));
  K5Set_512::ActiveBoard(2);
  K5Set_512::ActiveBoard(1);
  EXPECT_EQ(Take(), ParseWords("12:0E 12:0F"));
}

TEST_F(K5Maps, PK510InitHardwareGoldenWords) {
  K5Set::SendToHardware = true;
  const PKSimBoard& board = SelectedBoard(PK510);
  K5Set_510::InitHardware();
  const std::vector<Word> words = Take();
  const std::vector<Word> golden = PK510InitHardwareWords();
  ASSERT_EQ(words.size(), golden.size());
  for (std::size_t n = 0; n < golden.size(); ++n) EXPECT_EQ(words[n], golden[n]) << "word " << n;
  const K5Set::Shadow& shadow = K5Set_510::SwitchState;
  EXPECT_EQ(shadow[42], 0x8000);
  EXPECT_EQ(shadow[43], 0x8000);
  EXPECT_EQ(shadow[44], 0);
  EXPECT_EQ(shadow[48], 0x80);
  EXPECT_EQ(shadow[35] & 0b0100, 0);
  for (unsigned a = 0; a < 64; ++a) EXPECT_EQ(board.Register(a), shadow[a]) << a;
  EXPECT_EQ(board.RouteMismatches(), 0);
}

TEST_F(K5Maps, PK512InitHardwareGoldenWords) {
  K5Set::SendToHardware = true;
  const PKSimBoard& board = SelectedBoard(PK512);
  K5Set_512::InitHardware();
  const std::vector<Word> words = Take();
  const std::vector<Word> golden = PK512InitHardwareWords();
  ASSERT_EQ(words.size(), golden.size());
  for (std::size_t n = 0; n < golden.size(); ++n) EXPECT_EQ(words[n], golden[n]) << "word " << n;
  const K5Set::Shadow& shadow = K5Set_512::SwitchState;
  EXPECT_EQ(shadow[28], 127);
  EXPECT_EQ(shadow[14], 0xF);
  for (unsigned a = 0; a < 64; ++a) EXPECT_EQ(board.Register(a), shadow[a]) << a;
  EXPECT_EQ(board.RouteMismatches(), 0);
}

TEST_F(K5Maps, WriteStateOfAPK510) {
  K5Set_510::InitHardware();
  K5Set::SelectedBoard = K5Set::SecondBoard;
  K5Set::WriteState();
  EXPECT_EQ(K5Set::SelectedBoard, K5Set::SecondBoard);
  const std::vector<std::string> expected = {
      "",
      "ic129a[42]32768        ic46  [31] --C-",
      "ic129b[43]32768        ic47  [38] ----",
      "ic78a [18] 2047        ic48  [61] -B--",
      "ic78b [19] 2047        ic52  [39] ----",
      "ic91b [55]    0        ic53  [60] -B--",
      "ic95b [17] 2047        ic57  [30] -B-D",
      "ic96a [22] 2047        ic58  [62] --C-",
      "ic96b [23] 2047        ic60  [26] ----",
      "ic97a [20]    0        ic61  [36] ---D",
      "ic11  [14] -BCD        ic63  [52] -BCD",
      "ic13  [25] ABC-        ic66  [37] AB--",
      "ic14  [41] A--D        ic68  [63] ----",
      "ic15  [53] ----        ic90  [33] -B--",
      "ic17  [27] ---D        ic122 [24] A--D",
      "ic44  [32] ---D        ic123 [35] AB--",
      "ic45  [34] --CD",
  };
  EXPECT_EQ(Records(), expected);
}

TEST_F(K5Maps, WriteStateOfAPK512Pair) {
  K5Set_510::InitModule();
  K5Set_512::InitHardware();
  PKTypes::State.HasRingAmplifier = true;
  K5Set::WriteState();
  std::vector<std::string> records = Records();
  ASSERT_EQ(records.size(), 2u + 16u + 1u + 14u);
  EXPECT_EQ(records[1], "Ampl-1: ");
  EXPECT_EQ(records[2], "ic129a[42]    0        ic46  [31] ----");
  EXPECT_EQ(records[18], "Ampl-2: ");
  const std::vector<std::string> pk512(records.begin() + 19, records.end());
  const std::vector<std::string> expected = {
      "ic133a[42]32768        ic30  [60] -B--",
      "ic133b[43]32768        ic46  [25] ----",
      "ic77a [18] 2047        ic47  [41] A--D",
      "ic77b [19] 2047        ic48  [53] ----",
      "ic93a [28]  127        ic50  [27] ----",
      "ic94a [16] 2047        ic51  [12] -BCD",
      "ic94b [17] 2047        ic55  [30] -B-D",
      "ic95a [22] 2047        ic56  [32] ---D",
      "ic95b [23] 2047        ic57  [62] --C-",
      "ic21  [31] --C-        ic63  [52] -B--",
      "ic23  [34] --C-        ic66  [37] A---",
      "ic24  [38] ----        ic68  [63] ----",
      "ic25  [61] -B--        ic123 [24] A--D",
      "ic29  [39] ----        ic124 [35] AB--",
  };
  EXPECT_EQ(pk512, expected);
}

}  // namespace
