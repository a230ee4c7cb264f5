#include "usb_amplifier/Tlv6FirmwareFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "dialogs/Alert.h"
#include "dialogs/FileSelect.h"
#include "foundation/GLP.h"
#include "foundation/RealTime.h"
#include "usb_amplifier/tests/Tlv6FirmwareImage_fixture.h"
#include "usb_amplifier/tests/SimTlv6_fixture.h"

namespace {

using Tlv6FirmwareFile::FirmwareBufferPtr;

class FirmwareFileTest : public SimTlv6Test {
 protected:
  void SetUp() override {
    SimTlv6Test::SetUp();
    GLP::InitModule();
  }
  bool Load(const std::string& name) {
    FileSelect::PushChoice(Text(Path(name)));
    return Tlv6FirmwareFile::LoadFirmwareFile();
  }
};

TEST_F(FirmwareFileTest, AValidFileIsHeldWithItsBlocksZeroPadded) {
  const std::vector<std::uint8_t> data = TestImage(100);
  PutFile("fw.TLV", FirmwareFile(data, 7).Bytes());
  ASSERT_TRUE(Load("fw.TLV"));
  ASSERT_NE(FirmwareBufferPtr, nullptr);
  EXPECT_EQ(FirmwareBufferPtr->blockCount, 4u);
  EXPECT_EQ(FirmwareBufferPtr->currentBlock, -1);
  EXPECT_EQ(FirmwareBufferPtr->fileSize, 382u);
  const std::vector<std::uint8_t> held(FirmwareBufferPtr->data, FirmwareBufferPtr->data + 128);
  std::vector<std::uint8_t> padded = data;
  padded.resize(128, 0);
  EXPECT_EQ(held, padded);
}

TEST_F(FirmwareFileTest, LoaderRefusals) {
  struct Row {
    const char* name;
    std::function<void(FirmwareFile&)> change;
    const char* alert;
  };
  const std::vector<Row> rows = {
      {"a scale file", [](FirmwareFile& f) { f.id = "TLV3-Scale"; }, "Not an Tlv6 firmware file."},
      {"a changed image byte", [](FirmwareFile& f) { f.corruptAfterChecksum = 300; },
       "CRC error in firmware file header."},
      {"a changed date byte", [](FirmwareFile& f) { f.corruptAfterChecksum = 31; },
       "CRC error in firmware file header."},
      {"a short file", [](FirmwareFile& f) { f.truncateTo = 200; }, "Error in firmware file header."},
      {"a file shorter than its data", [](FirmwareFile& f) { f.truncateTo = 282 + 64; },
       "Error in firmware file header."},
      {"trailing bytes", [](FirmwareFile& f) { f.trailing = 5; }, "Error in firmware file header."},
      {"data size 0", [](FirmwareFile& f) { f.data.clear(); }, "Error in firmware file header."},
      {"format 202", [](FirmwareFile& f) { f.format = 202; }, "Error in firmware file header."},
      {"a data size near 2^32", [](FirmwareFile& f) { f.dataSizeField = 0xFFFFFFF0u; },
       "Error in firmware file header."},
      {"a header size of 300", [](FirmwareFile& f) { f.headerSizeField = 300; },
       "Error in firmware file header."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    GLP::Check = false;
    GLP::Enforce = true;
    GLP::CalibExpiry = 12.5;
    FirmwareFile file(TestImage(100), 3);
    row.change(file);
    PutFile("bad.TLV", file.Bytes());
    Stderr();
    EXPECT_FALSE(Load("bad.TLV"));
    EXPECT_NE(Stderr().rfind(row.alert), std::string::npos);
    EXPECT_FALSE(GLP::Check);
    EXPECT_TRUE(GLP::Enforce);
    EXPECT_EQ(GLP::CalibExpiry, 12.5);
  }
}

TEST_F(FirmwareFileTest, TheOtherByteOrderAndAnOldDateAreAccepted) {
  GLP::Enforce = true;
  GLP::CalibExpiry = 1.0;
  FirmwareFile file(TestImage(65), 12);
  file.bigEndian = true;
  file.date = "01-Jan-1995";
  PutFile("be.TLV", file.Bytes());
  ASSERT_TRUE(Load("be.TLV"));
  EXPECT_EQ(FirmwareBufferPtr->blockCount, 3u);
}

TEST_F(FirmwareFileTest, CancelledChoiceAndMissingFileLoadNothing) {
  EXPECT_FALSE(Tlv6FirmwareFile::LoadFirmwareFile());
  EXPECT_FALSE(Load("missing.TLV"));
  EXPECT_NE(Stderr().find("Error loading firmware file"), std::string::npos);
}

TEST_F(FirmwareFileTest, ASmallerFileReusesTheBlockALargerMakesANewOne) {
  ASSERT_TRUE(Tlv6FirmwareFile::CreateFirmwareBuffer(282 + 4096));
  const Tlv6FirmwareFile::FirmwareBlocks* first = FirmwareBufferPtr;
  const std::uint64_t total = first->totalSize;
  ASSERT_TRUE(Tlv6FirmwareFile::CreateFirmwareBuffer(282 + 64));
  EXPECT_EQ(FirmwareBufferPtr, first);
  EXPECT_EQ(FirmwareBufferPtr->totalSize, total);
  EXPECT_EQ(FirmwareBufferPtr->blockCount, 2u);
  EXPECT_EQ(FirmwareBufferPtr->capacity, 282u + 4096);
  ASSERT_TRUE(Tlv6FirmwareFile::CreateFirmwareBuffer(282 + 8192));
  EXPECT_EQ(FirmwareBufferPtr->capacity, 282u + 8192);
  EXPECT_EQ(FirmwareBufferPtr->blockCount, 256u);
}

TEST_F(FirmwareFileTest, MakeFirmwareFileWrapsARawImage) {
  ShowDialogs();
  struct Row {
    int bytes;
    std::uint64_t fileSize;
    std::uint32_t blocks;
  };
  for (const Row& row : {Row{64, 346, 2}, Row{65, 347, 3}}) {
    SCOPED_TRACE(row.bytes);
    const std::vector<std::uint8_t> raw = TestImage(row.bytes);
    PutFile("image.bin", std::string(raw.begin(), raw.end()));
    FileSelect::PushChoice(Text(Path("image.bin")));
    for (const char* refused : {"0", "100", "-5"}) {
      Enter({refused});
      PressReturn();
    }
    Enter({"7"});
    Stderr();
    Tlv6FirmwareFile::MakeFirmwareFile();
    const std::string alerts = Stderr();
    std::size_t refusals = 0;
    for (std::size_t at = 0; (at = alerts.find("Tlv6 Firmware Version must be > 0 and < 100!", at)) !=
                             std::string::npos;
         ++at) {
      ++refusals;
    }
    EXPECT_EQ(refusals, 3u);

    char date[16] = "";
    RealTime::ToDate(RealTime::GetTime(), date, false, false);
    std::string name = std::string("Tlv6Firmware_") + date + "_07.TLV";
    for (char& c : name) c = c == '/' ? '-' : c;
    ASSERT_TRUE(FileExists(name)) << Listing();
    EXPECT_EQ(Records().back(), "FPGA files stored to \"" + Path(name) + "\"");
    EXPECT_EQ(FileContent(name).size(), row.fileSize);
    ASSERT_TRUE(Load(name));
    EXPECT_EQ(FirmwareBufferPtr->blockCount, row.blocks);
    EXPECT_EQ(ReadVersion(FileContent(name)), 7);
    std::remove(Path(name).c_str());
  }
}

TEST_F(FirmwareFileTest, VersionsOneAndNinetyNineAreTaken) {
  ShowDialogs();
  PutFile("image.bin", "abc");
  for (const char* version : {"1", "99"}) {
    FileSelect::PushChoice(Text(Path("image.bin")));
    Enter({version});
    Tlv6FirmwareFile::MakeFirmwareFile();
  }
  EXPECT_NE(Listing().find("_01.TLV"), std::string::npos) << Listing();
  EXPECT_NE(Listing().find("_99.TLV"), std::string::npos) << Listing();
}

TEST_F(FirmwareFileTest, AnEmptyRawImageMakesNoFile) {
  ShowDialogs();
  PutFile("empty.bin", "");
  FileSelect::PushChoice(Text(Path("empty.bin")));
  Enter({"5"});
  Tlv6FirmwareFile::MakeFirmwareFile();
  EXPECT_EQ(Listing().find(".TLV"), std::string::npos) << Listing();
}

TEST_F(FirmwareFileTest, ACancelledVersionMakesNoFile) {
  ShowDialogs();
  PutFile("image.bin", "abc");
  FileSelect::PushChoice(Text(Path("image.bin")));
  Enter({"0"});
  PressReturn();
  CancelEntry();
  Stderr();
  Tlv6FirmwareFile::MakeFirmwareFile();
  EXPECT_EQ(Listing().find(".TLV"), std::string::npos) << Listing();
  EXPECT_NE(Stderr().find("Firmware Version:"), std::string::npos);
}

}  // namespace
