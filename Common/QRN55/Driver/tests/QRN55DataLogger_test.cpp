// The HTML data log: a golden file for a scripted command sequence, and the
// decoding of single entries.
#include "Common/QRN55/Driver/QRN55DataLogger.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "Common/QRN55/Driver/QRN55Unit.h"
#include "Common/QRN55/Driver/tests/QRN55Bench_fixture.h"

namespace {

std::string TemporaryPath() {
  char pattern[] = "/tmp/qrn55-log-XXXXXX";
  const int descriptor = mkstemp(pattern);
  if (descriptor >= 0) close(descriptor);
  return pattern;
}

std::string Contents(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::span<const char> Text(const std::string& text) { return {text.c_str(), text.size() + 1}; }

// The log that `write` makes, from its first line to its closing text.
std::string LogOf(const std::function<void(QRN55DataLogger&)>& write) {
  const std::string path = TemporaryPath();
  QRN55DataLogger logger;
  EXPECT_EQ(logger.Open(Text(path)), QRN55_STATUS_SUCCESS);
  write(logger);
  logger.Close();
  std::string log = Contents(path);
  unlink(path.c_str());
  return log;
}

std::vector<std::uint8_t> Block(std::vector<std::uint8_t> head) {
  head.resize(4096, 0);
  return head;
}

TEST(DataLog, ScriptedSequenceMatchesGoldenFile) {
  QRN55SimUnitConfig config = UnitConfig("A&B<1>");
  config.record.description = "VRNL QRN55 \"lab\"";
  QRN55SimulatedUnit sim(config);
  QRN55GlobalContext context(sim.volumes);
  QRN55Unit unit(context);
  const std::string data_file = sim.DataFile();
  ASSERT_EQ(unit.Open(Text(data_file)), QRN55_STATUS_SUCCESS);

  const std::string path = TemporaryPath();
  QRN55DataLogger& logger = context.GetDataLogger();
  ASSERT_EQ(logger.Open(Text(path)), QRN55_STATUS_SUCCESS);
  context.EnableLogging();
  ASSERT_TRUE(context.IsLogging());

  QRN55UnitStatus& status = unit.GetUnitStatus();
  QRN55UnitCommand& command = unit.GetUnitCommand();
  EXPECT_EQ(unit.ControlWrite(1, 2.5), QRN55_STATUS_SUCCESS);
  const int input_1[] = {1, 0};
  const int input_2[] = {8, 4};
  const int output_1[] = {1, 6};
  const int output_2[] = {0, 2};
  ASSERT_EQ(status.SetupAcquisition(2, input_1, input_2, output_1, output_2, 5, 0),
            QRN55_STATUS_SUCCESS);
  EXPECT_EQ(command.ContinuousInitialize(status), QRN55_STATUS_SUCCESS);
  std::uint64_t count;
  int bits;
  int clipping;
  EXPECT_EQ(command.ContinuousStatus(status, count, bits, clipping), QRN55_STATUS_SUCCESS);
  sim.unit.InjectFault(QRN55SimFault::kReadError, 0xA00000, 1);
  EXPECT_EQ(command.ContinuousStatus(status, count, bits, clipping), QRN55_STATUS_FILE_IO);
  std::vector<std::uint8_t> fifo(4096);
  EXPECT_EQ(command.SetDataTransferSize(status, 12, 0), QRN55_STATUS_SUCCESS);
  EXPECT_EQ(command.FIFOWrite(status, 12, 4096, fifo), QRN55_STATUS_SUCCESS);
  EXPECT_EQ(command.ContinuousStart(status), QRN55_STATUS_SUCCESS);
  EXPECT_EQ(command.SetDataTransferSize(status, 12, 0), QRN55_STATUS_SUCCESS);
  EXPECT_EQ(command.FIFORead(status, 12, 4096, fifo), QRN55_STATUS_SUCCESS);
  EXPECT_EQ(command.ContinuousStop(status), QRN55_STATUS_SUCCESS);
  std::array<std::uint8_t, 64> eeprom;
  for (int i = 0; i < 64; ++i) eeprom[i] = static_cast<std::uint8_t>(3 * i);
  unit.ServiceUnlock(true);
  EXPECT_EQ(unit.ServiceEEPROMWrite(0x100, eeprom), QRN55_STATUS_SUCCESS);
  unit.ServiceUnlock(false);
  EXPECT_EQ(unit.ServiceEEPROMRead(0x100, eeprom), QRN55_STATUS_SUCCESS);
  EXPECT_EQ(unit.ServicePortEEnable(true), QRN55_STATUS_SUCCESS);
  std::array<std::uint8_t, 20> port_e;
  for (int i = 0; i < 20; ++i) port_e[i] = static_cast<std::uint8_t>(0xF0 + i);
  EXPECT_EQ(unit.ServicePortEWrite(port_e), QRN55_STATUS_SUCCESS);
  EXPECT_EQ(unit.ServicePortERead(port_e), QRN55_STATUS_SUCCESS);
  EXPECT_EQ(command.CommandSignatureRead(status), QRN55_STATUS_SUCCESS);
  EXPECT_EQ(command.SignatureRead(status), QRN55_STATUS_SUCCESS);
  context.DisableLogging();
  EXPECT_EQ(unit.ControlWrite(0, 1.0), QRN55_STATUS_SUCCESS);  // not logged
  logger.Close();

  const std::string golden = std::string(QRN55_TEST_DATA_DIR) + "/qrn55_data_log.html";
  const std::string log = Contents(path);
  EXPECT_EQ(log, Contents(golden)) << "the log is kept in " << path;
  if (log == Contents(golden)) unlink(path.c_str());
}

TEST(DataLog, LoggingNeedsAnOpenLog) {
  QRN55SimulatedUnit sim;
  QRN55GlobalContext context(sim.volumes);
  context.EnableLogging();
  EXPECT_FALSE(context.IsLogging());
  QRN55DataLogger logger;
  QRN55UnitStatus status;
  logger.ControlWrite(0, status, Block({0x18, 0x00}));  // closed: nothing happens
  EXPECT_FALSE(logger.IsOpen());
  EXPECT_EQ(logger.Open("/"), QRN55_STATUS_LOG_CREATE);
  EXPECT_FALSE(logger.IsOpen());
}

TEST(DataLog, SecondOpenFinishesTheFirstFile) {
  const std::string first = TemporaryPath();
  const std::string second = TemporaryPath();
  QRN55DataLogger logger;
  ASSERT_EQ(logger.Open(Text(first)), QRN55_STATUS_SUCCESS);
  ASSERT_EQ(logger.Open(Text(second)), QRN55_STATUS_SUCCESS);
  EXPECT_EQ(Contents(first),
            "<html><head><title>QRN55 data log</title></head><body>\n</body></html>");
  logger.Close();
  EXPECT_TRUE(Contents(second).ends_with("</body></html>"));
  unlink(first.c_str());
  unlink(second.c_str());
}

TEST(DataLog, EntryTexts) {
  QRN55UnitStatus status;
  status.unit_index = 1;
  std::strcpy(status.device_serial_number, "D1");
  struct Case {
    const char* name;
    std::function<void(QRN55DataLogger&)> write;
    std::string expected;  // a piece of the log
  };
  std::vector<std::uint8_t> settings = Block({});
  settings[8] = 1;  // frame interval 1
  std::vector<std::uint8_t> sequence = Block({});
  sequence[24] = 0x44;  // entry 1
  sequence[22] = 0xC0;  // entry 2
  sequence[20] = 0xFF;  // entry 3
  sequence[21] = 0xFF;
  sequence[19] = 0x8F;  // entry 4: outputs 15 and 8
  const std::vector<Case> cases = {
      {"control write",
       [&](auto& log) {
         log.ControlWrite(0, status, Block({0x18, 0x00}));
       },
       "<p>Device D1 unit 1 Control write: value 6144</p><ul>\n<li>Channel 1</li>\n"
       "<li>Data 2048 <em>potential  2.500V</em></li></ul>\n"},
      {"failed transfer",
       [&](auto& log) {
         log.ControlWrite(19, status, Block({0, 1}));
       },
       "<p>Device D1 unit 1 <strong>error 19 </strong> Control write: value 1</p>"},
      {"reset 3",
       [&](auto& log) {
         log.RecordingControl(0, status, Block({3, 0x86}));
       },
       "<li>Operation code 3 <em>reset</em></li>\n<li>Control register 0x86</li>\n"
       " bit 1 <em>Start acquisition internal trigger</em> bit 2 <em>Start acquisition external "
       "trigger</em> bit 7 <em>FIFO reset</em></ul>\n"},
      {"reset 0",
       [&](auto& log) {
         log.RecordingControl(0, status, Block({0, 0}));
       },
       "<li>Operation code 0 <em>reset</em></li>\n"},
      {"undefined",
       [&](auto& log) {
         log.RecordingControl(0, status, Block({9, 0}));
       },
       "<li>Operation code 9 <em><strong>undefined</strong></em></li>\n"},
      {"read size 0, interval 1", [&](auto& log) { log.RecordingSettings(0, status, settings); },
       "<li>Read size 0 bytes</li>\n<li>Write size 0 bytes</li>\n"
       "<li>Frame interval 1 <em>    0.000ms</em></li>\n"},
      {"sequence words", [&](auto& log) { log.RecordingSettings(0, status, sequence); },
       "<li>Sequence entry 1 value 0044<em> ADC0 (chip 0) User digital input DAC0 DAC0</em></li>\n"
       "<li>Sequence entry 2 value 00c0<em> User digital input TLV digital input DAC0 DAC0</em>"
       "</li>\n<li>Sequence entry 3 value 0xffff <em>terminate</em></li>\n"
       "<li>Sequence entry 4 value 8f00<em> <strong>DAC undefined</strong>  <strong>DAC "
       "undefined</strong> </em></li>\n"},
      {"status",
       [&](auto& log) {
         log.RecordingStatus(0, status, Block({0x40, 0x42, 0x0F, 0, 0, 0, 0, 0, 0xC3, 0x31}));
       },
       "<li>Sequence     1000000 samples</li>\n<li>Status 0xc3 bit 0 <em>Output FIFO "
       "underflow</em> bit 1 <em>Input FIFO overflow</em> bit 6 <em>Undefined </em> bit 7 "
       "<em>Undefined</em></li>\n<li>Clipping 0x31 bit 0 <em>Board 1</em> bit 4 "
       "<em>Undefined</em> bit 5 <em>Undefined</em></li>\n</ul>\n"},
      {"port E of 20 bytes",
       [&](auto& log) {
         std::vector<std::uint8_t> data(20);
         for (int i = 0; i < 20; ++i) data[i] = static_cast<std::uint8_t>(i);
         log.PortERead(0, status, data);
       },
       "Port E read transfer size 20 bytes</p>\n<table border=\"no\"><thead><tr><td>Position</td>"
       "<td>0</td><td>1</td><td>2</td><td>3</td><td>4</td><td>5</td><td>6</td><td>7</td><td>8</td>"
       "<td>9</td><td>a</td><td>b</td><td>c</td><td>d</td><td>e</td><td>f</td></tr></thead>\n"
       "<tbody>\n<tr><td>0</td><td>0</td><td>1</td><td>2</td><td>3</td><td>4</td><td>5</td>"
       "<td>6</td><td>7</td><td>8</td><td>9</td><td>a</td><td>b</td><td>c</td><td>d</td><td>e</td>"
       "<td>f</td></tr>\n<tr><td>10</td><td>10</td><td>11</td><td>12</td><td>13</td><td></td>"
       "<td></td><td></td><td></td><td></td><td></td><td></td><td></td><td></td><td></td><td></td>"
       "<td></td></tr>\n</tbody></table>\n"},
      {"data input",
       [&](auto& log) {
         status.acquisition_input_frame_samples = 3;
         log.DataInput(0, status, 600, 4096);
       },
       "Data input transfer size 4096 bytes input 600 bytes <em>300 samples 100 frames</em></p>\n"},
      {"data output without frames", [&](auto& log) { log.DataOutput(0, status, 600, 4096); },
       "Data output transfer size 4096 bytes output 600 bytes</p>\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string log = LogOf(c.write);
    EXPECT_NE(log.find(c.expected), std::string::npos) << log;
  }
}

TEST(DataLog, UnitTextsAreEscaped) {
  QRN55UnitStatus status;
  std::strcpy(status.device_serial_number, "<b>&\"'\x01\xE9");
  std::strcpy(status.unit_serial_number, "</p>");
  std::strcpy(status.description, "<script>");
  const std::string log = LogOf([&](QRN55DataLogger& logger) {
    logger.CommandSignatureRead(0, status, Block({'V', '<', 'N', 0, 1, 2}));
    logger.SignatureRead(0, status);
  });
  EXPECT_NE(log.find("<p>Device &lt;b&gt;&amp;&quot;&#39;&#xFFFD;&#233; unit 0 "),
            std::string::npos);
  EXPECT_NE(log.find("<li>Signature V&lt;N</li>\n"), std::string::npos);
  EXPECT_NE(log.find("<li>Unit serial number &lt;/p&gt;</li>\n"), std::string::npos);
  EXPECT_NE(log.find("<li>Device description &lt;script&gt;</li>\n"), std::string::npos);
  EXPECT_EQ(log.find("<script>"), std::string::npos);
}

}  // namespace
