#include "potentiostat/tests/PKGolden_fixture.h"

#include <string>

namespace {

// The power-on set-ups, word by word from the register maps, from zeroed
// shadows.
const char* const kPK510InitHardware[] = {
    "14:0E",                                                      // ActiveBoard(1)
    "54:00 20:40 20:50 20:60 20:70 16:00 16:10 16:20 16:30",      // DAC8 54, DAC12 21 and 16
    "12:0F",                                                      // latch 12
    "00:00 00:00 02:00 02:00 04:00 04:00 06:00 06:00 08:00 08:00 10:00 10:00",  // 0-11
    "12:0F 28:00 28:00 14:0E 40:00 44:00 46:00 46:00 48:00 50:00 50:00",        // 13 ... 51
    "56:00 56:00 58:00 58:00",                                    // 56-59
    "34:40 44:00 48:80 43:00",                                    // InitDacValue
    "34:00 44:00 48:80 42:00",                                    // SubtractDacValue
    "16:4F 16:5F 16:67 16:70",                                    // WorkElectrOffsetDac
    "18:0F 18:1F 18:27 18:30",                                    // CoAmpOffsetDac
    "18:4F 18:5F 18:67 18:70",                                    // VoltageOffsetDac
    "20:00 20:10 20:20 20:30",                                    // IRCompGainDac
    "22:0F 22:1F 22:27 22:30",                                    // IRCompOffsetDac
    "22:4F 22:5F 22:67 22:70",                                    // CurrentOffsetDac
    "55:00",                                                      // ClampGainDac
    "24:08",                                                      // Feedback
    "36:30",                                                      // CurrentOutputAmplifierGain
    "52:0E",                                                      // VoltageOutputAmplifierGain
    "34:04 30:40",                                                // MuxOutPath
    "30:40",                                                      // TestDacPath
    "24:78",                                                      // ModelCell
    "26:00 36:38",                                                // ControlBandwidth(5)
    "52:0E 60:02 38:00",                                          // CurrentFilter(4)
    "52:0E 60:22 38:00",                                          // VoltageFilter(4)
    "62:04 62:04",                                                // StimulusFilter(4)
    "30:40",                                                      // WorkingElectrode
    "30:4A",                                                      // StimInScale
    "32:00 32:00 32:00",                                          // EEPROMSelect, IRComp, ElectrodeMode
    "32:00 32:20 32:20",                                          // Cell, Standby, OpenCellPotential
    "36:38",                                                      // OCP_RingOn
    "32:20 26:00",                                                // AmplMode
    "34:14 34:34",                                                // subtract paths
    "52:0E",                                                      // ClampGainOn
    "26:80 26:80",                                                // RefToGround, StimToCE
    "24:79",                                                      // RefToWE
    "26:80",                                                      // MuxX100
    "34:3C",                                                      // BoosterActive
    "40:90",                                                      // MuxChannel(9)
    "34:3C",                                                      // EnableMuxAdc
    "32:28",                                                      // Remote
};

const char* const kPK512InitHardware[] = {
    "12:0E",                                                      // ActiveBoard(2)
    "29:00 14:0F",                                                // DAC8 29, latch 14
    "00:00 00:00 02:00 02:00 04:00 04:00 06:00 06:00 08:00 08:00 10:00 10:00",  // 0-11
    "12:0E 20:00 20:00 26:00 28:00 28:00 14:0F 32:00 36:00 40:00",              // 13 ... 40
    "44:00 46:00 46:00 48:00 50:00 50:00 54:00 54:00 56:00 56:00 58:00 58:00",  // 45-59
    "34:40 44:00 48:80 43:00",                                    // InitDacValue
    "34:00 44:00 48:80 42:00",                                    // SubtractDacValue
    "16:4F 16:5F 16:67 16:70",                                    // WorkElectrOffsetDac
    "18:4F 18:5F 18:67 18:70",                                    // VoltageOffsetDac
    "22:4F 22:5F 22:67 22:70",                                    // CurrentOffsetDac
    "24:08",                                                      // Feedback
    "36:10",                                                      // CurrentOutputAmplifierGain
    "52:02 24:09",                                                // VoltageOutputAmplifierGain
    "34:04 30:40",                                                // MuxOutPath
    "30:40",                                                      // TestDacPath
    "24:09",                                                      // ModelCell
    "52:02 60:02 38:00",                                          // CurrentFilter(4)
    "52:02 60:22 38:00",                                          // VoltageFilter(4)
    "62:04 62:04",                                                // StimulusFilter(4)
    "30:40 30:4A",                                                // WorkingElectrode, StimInScale
    "32:00",                                                      // EEPROMSelect
    "26:00 26:00",                                                // OpenCellPotential, OCP_GalMode
    "34:04 24:09 26:00",                                          // AmplMode
    "34:14 34:34",                                                // subtract paths
    "26:00",                                                      // MuxX100
    "40:90",                                                      // MuxChannel(9)
    "34:34",                                                      // EnableMuxAdc
    "18:0F 18:1F 18:27 18:30",                                    // MeasuredVoltageOffsetDac
    "28:7F",                                                      // OCP_Offset(127)
    "16:0F 16:1F 16:27 16:30",                                    // CMR1Dac
    "22:0F 22:1F 22:27 22:30",                                    // CMR2Dac
    "32:08",                                                      // Remote
};

template <std::size_t N>
std::vector<Word> Join(const char* const (&lines)[N]) {
  std::string text;
  for (const char* line : lines) text += std::string(line) + " ";
  return ParseWords(text);
}

}  // namespace

std::vector<Word> PK510InitHardwareWords() { return Join(kPK510InitHardware); }
std::vector<Word> PK512InitHardwareWords() { return Join(kPK512InitHardware); }
