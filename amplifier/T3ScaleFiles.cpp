#include "amplifier/T3ScaleFiles.h"

#include <algorithm>

#include "amplifier/T3Base.h"
#include "amplifier/T3Error.h"
#include "foundation/Bytes.h"
#include "foundation/SingleBlockFile.h"
#include "foundation/Strings.h"
#include "numerics/LongMath.h"

namespace T3ScaleFiles {

using T3Scale::AddLinType;
using T3Scale::CFastTable;
using T3Scale::F2VarType;
using T3Scale::MulLinType;
using T3Scale::RangeVars;
using T3Scale::ScaleRecord;

char ScaleSearch[kSearchSize] = "SC*.TL?";
char CFastSearch[kSearchSize] = "CF*.TL?";

namespace {

constexpr char kScaleId[] = "TLV3-Scale";
constexpr char kCFastId[] = "TLV3-CFast";
constexpr std::uint16_t kWriterVersion = 0;
// The header check's result for a buffer too short to check; the check
// reports such a buffer as sizes wrong today, but the code keeps its meaning.
constexpr int kBufferTooShort = 1;

constexpr std::uint8_t kRecordTooShort = 15;
constexpr std::uint8_t kWrongLength = 16;
constexpr std::uint8_t kWrongId = 17;
constexpr std::uint8_t kSerialConflict = 9;
constexpr std::uint8_t kLetterConflict = 10;
constexpr std::uint8_t kChecksumWrong = 30;
constexpr std::uint8_t kTooOld = 31;
constexpr std::uint8_t kUnclassified = 33;

// Image sizes of the sub-records and where the blocks of the scale payload
// begin; each block ends where the next begins.
constexpr std::int32_t kSingle = 4;
constexpr std::int32_t kRangeVarsImage = 24;
constexpr std::int32_t kF2VarImage = 10;
constexpr std::int32_t kAddLinImage = 208;
constexpr std::int32_t kMulLinImage = 112;
constexpr std::int32_t kInjectionCapAt = 3 * kRangeVarsImage;
constexpr std::int32_t kF2VarAt = 112;
constexpr std::int32_t kCSlowTableAt = 250;
constexpr std::int32_t kGSeriesTableAt = kCSlowTableAt + kAddLinImage;
constexpr std::int32_t kCFast1TableAt = kGSeriesTableAt + kMulLinImage;
constexpr std::int32_t kCFast2TableAt = kCFast1TableAt + kAddLinImage;
constexpr std::int32_t kRsTableAt = kCFast2TableAt + kAddLinImage;
constexpr std::int32_t kGLeakTableAt = kRsTableAt + kMulLinImage;
constexpr std::int32_t kSpareTableAt = kGLeakTableAt + kMulLinImage;
constexpr std::int32_t kVCStimDacOffsetAt = kSpareTableAt + kMulLinImage;
constexpr std::int32_t kBoardLetterAt = 1330;
constexpr std::int32_t kSerialAt = 1332;
constexpr std::int32_t kSerialStored = 6;
constexpr std::int32_t kCalibDateAt = 1398;
constexpr std::int32_t kTagAt = 1418;
constexpr std::int32_t kUsedPayload = 1436;

static_assert(kInjectionCapAt == 72);
static_assert(104 + 2 * kSingle == kF2VarAt);
static_assert(kF2VarAt + 2 * kF2VarImage == 132);
static_assert(kGSeriesTableAt == 458 && kCFast1TableAt == 570 && kCFast2TableAt == 778);
static_assert(kRsTableAt == 986 && kGLeakTableAt == 1098 && kSpareTableAt == 1210);
static_assert(kVCStimDacOffsetAt == kScalePayloadWithoutSerial);
static_assert(kSerialAt + kSerialStored == 1338);
static_assert(kCalibDateAt + T3Scale::kDateLength == 1414);
static_assert(kTagAt + T3Scale::kTagLength + 2 == kUsedPayload &&
              kUsedPayload <= kScalePayloadSize);
static_assert(SingleBlockFile::kHeaderSize + kScalePayloadSize == kScaleFileSize);
static_assert(T3Scale::kCFastWords * kSingle == kCFastPayloadSize);
static_assert(SingleBlockFile::kHeaderSize + kCFastPayloadSize == kCFastFileSize);
static_assert(kScaleFileSize <= SingleBlockFile::kTempBufferSize &&
              kCFastFileSize <= SingleBlockFile::kTempBufferSize);

// Where Max and OutValue lie in a linearisation table of so many steps.
constexpr std::int32_t LinTableMaxAt(std::size_t steps) {
  return 4 + 2 * static_cast<std::int32_t>(steps);
}
constexpr std::int32_t LinTableOutAt(std::size_t steps) {
  return LinTableMaxAt(steps) + (2 + static_cast<std::int32_t>(steps)) * kSingle;
}
static_assert(LinTableMaxAt(T3Scale::kAddLinSteps) == 68 &&
              LinTableOutAt(T3Scale::kAddLinSteps) == 204);
static_assert(LinTableOutAt(T3Scale::kAddLinSteps) + 4 == kAddLinImage);
static_assert(LinTableMaxAt(T3Scale::kMulLinSteps) == 36 &&
              LinTableOutAt(T3Scale::kMulLinSteps) == 108);
static_assert(LinTableOutAt(T3Scale::kMulLinSteps) + 4 == kMulLinImage);

// One walk over a scale record: converts each field through the Bytes
// procedures and notes what makes the record unusable.
class ScaleWalk {
 public:
  bool AllFinite() const { return allFinite_; }
  bool SizesFit() const { return sizesFit_; }

  void Real(std::int32_t offset, double& field) {
    Bytes::ProcessSToLReal(offset, field);
    allFinite_ = allFinite_ && LongMath::IsValidNumber(field);
  }

  template <std::size_t N>
  void Reals(std::int32_t offset, std::array<double, N>& fields) {
    for (std::size_t i = 0; i < N; ++i)
      Real(offset + static_cast<std::int32_t>(i) * kSingle, fields[i]);
  }

  // Each element on its own, so that a payload ending inside the array
  // still gives the elements before its end.
  template <typename Field, std::size_t N>
  static void Each16(std::int32_t offset, std::array<Field, N>& fields,
                     void (*process)(std::int32_t, Field&)) {
    for (std::size_t i = 0; i < N; ++i)
      process(offset + static_cast<std::int32_t>(i) * 2, fields[i]);
  }

  void Range(std::int32_t offset, RangeVars& range) {
    Bytes::ProcessSet16(offset + 0, range.RangeSwitches);
    Bytes::ProcessSet16(offset + 2, range.ProbeResistor);
    Bytes::ProcessWord16(offset + 4, range.ProbeOffsetDac);
    Bytes::ProcessWord16(offset + 6, range.TFastDacB);
    Bytes::ProcessWord16(offset + 8, range.TFastDacA);
    Bytes::ProcessWord16(offset + 10, range.TSlowDacB);
    Bytes::ProcessWord16(offset + 12, range.TSlowDacA);
    Bytes::ProcessSet16(offset + 14, range.HFCompSwitches);
    Bytes::ProcessWord16(offset + 16, range.HFCompDac);
    Bytes::ProcessWord16(offset + 18, range.GainTrimDac);
    Real(offset + 20, range.Gain);
    static_assert(20 + kSingle == kRangeVarsImage);
  }

  // Byte 1 is not used.
  void F2Var(std::int32_t offset, F2VarType& var) {
    Bytes::ProcessBool(offset + 0, var.HighQ);
    Real(offset + 2, var.Factor1);
    Real(offset + 6, var.Factor2);
    static_assert(6 + kSingle == kF2VarImage);
  }

  void AddLin(std::int32_t offset, AddLinType& table) { Table(offset, table, table.Offsets); }
  void MulLin(std::int32_t offset, MulLinType& table) { Table(offset, table, table.Factors); }

 private:
  // Both table types: Size, Index, the codes, Max, Min, one real per step
  // (offset or factor), OutValue and OutCode. A Size beyond the steps makes
  // the record unusable; Index is kept inside 0..Size.
  template <typename LinTable, std::size_t Steps>
  void Table(std::int32_t offset, LinTable& table, std::array<double, Steps>& stepValues) {
    Bytes::ProcessCard16(offset + 0, table.Size);
    Bytes::ProcessCard16(offset + 2, table.Index);
    Each16(offset + 4, table.Codes, Bytes::ProcessSet16);
    const std::int32_t maxAt = offset + LinTableMaxAt(Steps);
    Real(maxAt, table.Max);
    Real(maxAt + kSingle, table.Min);
    Reals(maxAt + 2 * kSingle, stepValues);
    const std::int32_t outAt = offset + LinTableOutAt(Steps);
    Bytes::ProcessCard16(outAt, table.OutValue);
    Bytes::ProcessSet16(outAt + 2, table.OutCode);
    if (table.Size >= Steps) {
      sizesFit_ = false;
    } else {
      table.Index = std::min(table.Index, table.Size);
    }
  }

  bool allFinite_ = true;
  bool sizesFit_ = true;
};

void CompleteOlderFields(ScaleRecord& record) {
  if (record.VmonFactor == 0.0 || record.VmonFactor == 1.0) record.VmonFactor = 0.01;
  if (record.CCOffsetDac[1] == 0 && record.CCOffsetDac[2] == 0) {
    record.CCOffsetDac[1] = 2048;
    record.CCOffsetDac[2] = 2048;
  }
  if (record.CCOffsetDac[3] == 0) record.CCOffsetDac[3] = 2048;
}

// The amplifier error of a SingleBlockFile::CheckHeader result; acceptance
// leaves the error as it was.
void MapError(int headerResult) {
  switch (headerResult) {
    case SingleBlockFile::kAccepted:
      return;
    case kBufferTooShort:
      T3Error::Error = kRecordTooShort;
      return;
    case SingleBlockFile::kSizesWrong:
      T3Error::Error = kWrongLength;
      return;
    case SingleBlockFile::kWrongId:
      T3Error::Error = kWrongId;
      return;
    case SingleBlockFile::kChecksumWrong:
      T3Error::Error = kChecksumWrong;
      return;
    case SingleBlockFile::kExpired:
      T3Error::Error = kTooOld;
      return;
    default:
      T3Error::Error = kUnclassified;
      return;
  }
}

bool Fail(std::uint8_t error) {
  T3Error::Error = error;
  return false;
}

// The payload of an accepted file, made the image of the next walk.
struct Payload {
  std::uint32_t dataSize = 0;
  bool ok = false;
};
Payload OpenPayload(std::span<std::byte> file, std::span<const char> id, std::span<char> date) {
  std::uint32_t headerSize = 0;
  std::uint32_t dataSize = 0;
  std::uint16_t version = 0;
  bool swapped = false;
  const int result =
      SingleBlockFile::CheckHeader(file, id, date, headerSize, dataSize, version, swapped);
  MapError(result);
  if (result != SingleBlockFile::kAccepted) return {};
  // CheckHeader has made sure that the data lie inside the file.
  Bytes::InitProcs(file.subspan(headerSize, dataSize), swapped ? Bytes::kSwap : Bytes::kCopy);
  return {dataSize, true};
}

bool IsScalePayloadSize(std::uint32_t size) {
  return size == kScalePayloadSize || size == kScalePayloadWithoutVmon ||
         size == kScalePayloadWithoutSerial;
}

// The image of a file of size bytes in SingleBlockFile::TempBuffer, its
// payload cleared and made the image of a packing walk.
std::span<std::byte> StartFile(std::int32_t size) {
  const auto image = std::span(SingleBlockFile::TempBuffer).first(static_cast<std::size_t>(size));
  const auto payload = image.subspan(SingleBlockFile::kHeaderSize);
  std::fill(payload.begin(), payload.end(), std::byte{0});
  Bytes::InitProcs(payload, Bytes::kPack);
  return image;
}

}  // namespace

bool ProcessScaleRecord(ScaleRecord& record, bool complete, bool eepromFields) {
  ScaleWalk walk;
  for (int r = 0; r < T3Scale::kGainRanges; ++r) walk.Range(r * kRangeVarsImage, record.Range[r]);
  walk.Reals(kInjectionCapAt, record.InjectionCap);
  walk.Reals(88, record.CSlowRangeMax);
  walk.Reals(104, record.CCStimScale);
  walk.F2Var(kF2VarAt, record.F2Var[0]);
  walk.F2Var(kF2VarAt + kF2VarImage, record.F2Var[1]);
  walk.Reals(132, record.CFastTau);
  walk.Real(196, record.CFastFactor);
  walk.Real(200, record.CSlowFactor);
  walk.Real(204, record.GSeriesFactor);
  walk.Real(208, record.RsFactor);
  walk.Real(212, record.RsFractionFactor);
  walk.Real(216, record.GLeakFactor);
  walk.Real(220, record.StimScaleSlope);
  walk.Real(224, record.StimScaleOffset);
  walk.Real(228, record.VpOffsetScale);
  walk.Real(232, record.VpOffsetZero);
  walk.Real(236, record.StimDacScale);
  Bytes::ProcessCard16(240, record.F2OffsetDac[0]);
  walk.Real(242, record.StimDacOffset);
  walk.Real(246, record.StimDacGain);
  walk.AddLin(kCSlowTableAt, record.CSlowTable);
  walk.MulLin(kGSeriesTableAt, record.GSeriesTable);
  walk.AddLin(kCFast1TableAt, record.CFast1Table);
  walk.AddLin(kCFast2TableAt, record.CFast2Table);
  walk.MulLin(kRsTableAt, record.RsTable);
  walk.MulLin(kGLeakTableAt, record.GLeakTable);
  walk.MulLin(kSpareTableAt, record.SpareTable);
  Bytes::ProcessInt16(kVCStimDacOffsetAt, record.VCStimDacOffset);
  Bytes::ProcessInt16(1324, record.CCStimDacOffset[0]);
  Bytes::ProcessInt16(1326, record.CCStimDacOffset[1]);
  Bytes::ProcessInt16(1328, record.MuxAdcOffset);
  Bytes::ProcessChar(kBoardLetterAt, record.BoardLetter);
  Bytes::ProcessByte(1331, record.CalibADBoard);
  Bytes::ProcessPoly8(kSerialAt, record.SerialNumber.data(), kSerialStored);
  walk.Reals(1338, record.ExtGain);
  Bytes::ProcessWord16(1350, record.CCOffsetDac[0]);
  Bytes::ProcessWord16(1352, record.CCOffsetDac[1]);
  Bytes::ProcessWord16(1354, record.CCOffsetDac[2]);
  Bytes::ProcessInt16(1356, record.CCStimDacOffset[2]);
  walk.Reals(1358, record.VpOffsetCorr);
  walk.Real(kScalePayloadWithoutVmon, record.VmonFactor);
  walk.Reals(1374, record.F1Bandwidth);
  Bytes::ProcessByte(1390, record.Filter2Law);
  Bytes::ProcessBool(1391, record.ExtStimRange);
  Bytes::ProcessWord16(1392, record.CCOffsetDac[3]);
  walk.Real(1394, record.VmonOffset);
  if (eepromFields)
    Bytes::ProcessPoly8(kCalibDateAt, record.CalibDate.data(), T3Scale::kDateLength);
  Bytes::ProcessCard16(1414, record.F2OffsetDac[1]);
  Bytes::ProcessInt16(1416, record.CCStimDacOffset[3]);
  Bytes::ProcessPoly8(kTagAt, record.Tag.data(), T3Scale::kTagLength);
  Bytes::ProcessInt16(1434, record.RefGainTrimDac);

  if (complete) CompleteOlderFields(record);
  if (!walk.SizesFit()) return Fail(kWrongLength);
  if (!walk.AllFinite()) return Fail(kUnclassified);
  return true;
}

bool ProcessCFastRecord(std::int32_t payloadOffset, CFastTable& table) {
  bool allFinite = true;
  std::int32_t offset = payloadOffset;
  auto single = [&](float& field) {
    Bytes::ProcessSReal(offset, field);
    allFinite = allFinite && LongMath::IsValidNumber(field);
    offset += kSingle;
  };
  for (T3Scale::CFastLookup& lookup : table.Tables) {
    single(lookup.SampleInterval);
    for (T3Scale::CFastKernels* kernels : {&lookup.CFast1, &lookup.CFast2, &lookup.Tau}) {
      for (auto& row : *kernels) {
        for (float& coefficient : row) single(coefficient);
      }
    }
  }
  return allFinite || Fail(kUnclassified);
}

bool FileToScale(std::span<std::byte> file, ScaleRecord& record, std::int32_t recordSize,
                 std::span<const char> expectedSerial, char expectedLetter,
                 std::span<char> fileSerial, char& fileLetter) {
  if (recordSize < static_cast<std::int32_t>(sizeof(ScaleRecord))) return Fail(kRecordTooShort);
  if (file.size() < static_cast<std::size_t>(SingleBlockFile::kHeaderSize))
    return Fail(kWrongLength);
  record = {};
  Strings::Clear(fileSerial);
  fileLetter = 0;
  const Payload payload = OpenPayload(file, kScaleId, record.CalibDate);
  if (!payload.ok) return false;
  if (!IsScalePayloadSize(payload.dataSize)) return Fail(kWrongLength);

  char serial[kSerialStored] = {};
  Bytes::ProcessChar(kBoardLetterAt, fileLetter);
  Bytes::ProcessPoly8(kSerialAt, serial, kSerialStored);
  Strings::Assign(fileSerial, serial);
  if (Strings::Length(expectedSerial) > 0) {
    if (Strings::Length(fileSerial) > 0) {
      if (!Strings::Equal(fileSerial, expectedSerial)) return Fail(kSerialConflict);
    } else if (fileLetter != expectedLetter) {
      return Fail(kLetterConflict);
    }
  }

  if (!ProcessScaleRecord(record, true, false)) {
    const auto date = record.CalibDate;
    record = {};
    record.CalibDate = date;
    return false;
  }
  for (double& gain : record.ExtGain) {
    if (gain == 0.0) gain = 1.0;
  }
  return true;
}

bool ScaleToFile(ScaleRecord& record, std::span<std::byte>& file) {
  file = {};
  Strings::Assign(record.SerialNumber, T3Base::SerialNumber);
  const std::span<std::byte> image = StartFile(kScaleFileSize);
  if (!ProcessScaleRecord(record, false, false)) return false;
  SingleBlockFile::MakeHeader(kScaleId, image, kScalePayloadSize, kScaleFileSize, kWriterVersion);
  file = image;
  return true;
}

bool FileToCFast(std::span<std::byte> file, CFastTable& table, std::int32_t tableSize) {
  if (tableSize < static_cast<std::int32_t>(sizeof(CFastTable))) return Fail(kRecordTooShort);
  if (file.size() < static_cast<std::size_t>(SingleBlockFile::kHeaderSize))
    return Fail(kWrongLength);
  table = {};
  char date[16];
  const Payload payload = OpenPayload(file, kCFastId, date);
  if (!payload.ok) return false;
  if (payload.dataSize > static_cast<std::uint32_t>(kCFastPayloadSize)) return Fail(kWrongLength);
  if (!ProcessCFastRecord(0, table)) {
    table = {};
    return false;
  }
  return true;
}

bool CFastToFile(CFastTable& table, std::span<std::byte>& file) {
  file = {};
  const std::span<std::byte> image = StartFile(kCFastFileSize);
  if (!ProcessCFastRecord(0, table)) return false;
  SingleBlockFile::MakeHeader(kCFastId, image, kCFastPayloadSize, kCFastFileSize, kWriterVersion);
  file = image;
  return true;
}

}  // namespace T3ScaleFiles
