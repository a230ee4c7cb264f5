// Fuzz entry points of the calibration-file readers: any bytes as a scale
// file and as a C-fast file. The libFuzzer targets (fuzz/ScaleFile_fuzz.cpp,
// fuzz/CFastFile_fuzz.cpp) and the test that replays their corpora call the
// same functions.
//
// Each input is read under each of the three laboratory rules (neither
// check, GLP::Check, GLP::Enforce), and a scale file once without and once
// with an expected serial number. Beyond not crashing and staying inside
// the file (the sanitizers watch that), every read must end in one of two
// ways, else the entry point aborts:
//   - accepted: every real finite, every table's Index <= Size <= its last
//     step, and the record written and read back comes back the same (its
//     date and serial number aside, its reals as singles);
//   - refused: a code the readers document, and the record cleared, a
//     scale record keeping only the header's date (untouched when the file
//     is too short to hold a header).
// Whatever lies outside the header and the stated payload must not change
// the outcome: the same file with those bytes inverted reads alike.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "amplifier/T3Error.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3ScaleFiles.h"
#include "foundation/GLP.h"
#include "foundation/SingleBlockFile.h"
#include "fuzz/ScaleRecordFields.h"
#include "numerics/LongMath.h"

namespace CalibrationFilesFuzz {

inline void Require(bool condition) {
  if (!condition) std::abort();
}

using Image = std::vector<std::byte>;

inline Image ImageOf(std::span<const std::uint8_t> data) {
  Image image(data.size());
  if (!data.empty()) std::memcpy(image.data(), data.data(), data.size());
  return image;
}

// What the header says, read from a copy (a check under the laboratory
// rules clears the checksum field of the image it is given).
struct Header {
  bool sizesFit = false;
  std::uint32_t headerSize = 0;
  std::uint32_t dataSize = 0;
  char date[16] = {};
};
inline Header HeaderOf(const Image& file, const char* id) {
  Image copy = file;
  Header header;
  std::uint16_t version = 0;
  bool swapped = false;
  const int code =
      SingleBlockFile::CheckHeader(copy, {id, std::strlen(id) + 1}, header.date, header.headerSize,
                                   header.dataSize, version, swapped);
  header.sizesFit = code != SingleBlockFile::kSizesWrong;
  return header;
}

// The file with every byte outside the header and the payload inverted.
inline Image OutsideInverted(Image file, const Header& header) {
  for (std::size_t i = SingleBlockFile::kHeaderSize; i < file.size(); ++i) {
    if (i < header.headerSize || i >= std::uint64_t{header.headerSize} + header.dataSize) {
      file[i] = ~file[i];
    }
  }
  return file;
}

inline bool IsDocumentedRefusal(int code) {
  for (int documented : {9, 10, 15, 16, 17, 30, 31, 33}) {
    if (code == documented) return true;
  }
  return false;
}

// Runs check under each laboratory rule, restoring the rules afterwards.
template <typename Check>
void UnderEachRule(Check check) {
  const double expiry = GLP::CalibExpiry;
  const bool checkRule = GLP::Check;
  const bool enforce = GLP::Enforce;
  for (int rules = 0; rules < 3; ++rules) {
    GLP::CalibExpiry = 366.0;
    GLP::Check = rules == 1;
    GLP::Enforce = rules == 2;
    check(rules == 0);
  }
  GLP::CalibExpiry = expiry;
  GLP::Check = checkRule;
  GLP::Enforce = enforce;
}

template <typename Table>
bool StepsFit(const Table& table) {
  return table.Index <= table.Size && table.Size < table.Codes.size();
}

// The record's fields as compared after a write and a read: its date and
// serial number left out.
inline auto Comparable(const T3Scale::ScaleRecord& record) {
  auto fields = ScaleRecordFields::Describe(record);
  std::erase_if(fields, [](const auto& field) {
    return field.first == "CalibDate" || field.first == "SerialNumber";
  });
  return fields;
}

struct ScaleRead {
  bool ok = false;
  int code = 0;
  T3Scale::ScaleRecord record;
};

inline ScaleRead ReadScale(Image file, const T3Scale::ScaleRecord& before, const char* serial,
                           char letter) {
  ScaleRead read;
  read.record = before;
  T3Error::Error = 0;
  char fileSerial[16];
  char fileLetter = 0;
  read.ok =
      T3ScaleFiles::FileToScale(file, read.record, sizeof(T3Scale::ScaleRecord),
                                {serial, std::strlen(serial) + 1}, letter, fileSerial, fileLetter);
  read.code = T3Error::Error;
  return read;
}

inline void CheckAcceptedScale(const T3Scale::ScaleRecord& accepted) {
  T3Scale::ScaleRecord record = accepted;
  bool finite = true;
  ScaleRecordFields::ForEach(record, [&](const auto&, auto& field) {
    if constexpr (std::is_same_v<std::remove_reference_t<decltype(field)>, double>) {
      finite = finite && LongMath::IsValidNumber(field);
    }
  });
  Require(finite);
  Require(StepsFit(record.CSlowTable) && StepsFit(record.GSeriesTable) &&
          StepsFit(record.CFast1Table) && StepsFit(record.CFast2Table) &&
          StepsFit(record.RsTable) && StepsFit(record.GLeakTable) && StepsFit(record.SpareTable));
  std::span<std::byte> written;
  Require(T3ScaleFiles::ScaleToFile(record, written));
  const ScaleRead back = ReadScale(Image(written.begin(), written.end()), {}, "", 0);
  Require(back.ok);
  Require(Comparable(back.record) == Comparable(accepted));
}

// The input as a scale file.
inline void ScaleFile(std::span<const std::uint8_t> data) {
  const Image file = ImageOf(data);
  const Header header = HeaderOf(file, "TLV3-Scale");
  T3Scale::ScaleRecord before;
  before.Tag = {'u', 'n', 't', 'o', 'u', 'c', 'h', 'e', 'd'};
  before.VmonFactor = 0.5;
  UnderEachRule([&](bool noRules) {
    for (const auto& [serial, letter] : {std::pair{"", '\0'}, {"123456", 'C'}}) {
      const ScaleRead read = ReadScale(file, before, serial, letter);
      if (read.ok) {
        CheckAcceptedScale(read.record);
      } else {
        Require(IsDocumentedRefusal(read.code));
        T3Scale::ScaleRecord expected;
        if (file.size() < static_cast<std::size_t>(SingleBlockFile::kHeaderSize)) {
          expected = before;
        } else {
          std::memcpy(expected.CalibDate.data(), header.date, expected.CalibDate.size());
        }
        Require(read.record == expected);
      }
      if (noRules && header.sizesFit) {
        const ScaleRead other = ReadScale(OutsideInverted(file, header), before, serial, letter);
        Require(other.ok == read.ok && other.code == read.code && other.record == read.record);
      }
    }
  });
}

struct CFastRead {
  bool ok = false;
  int code = 0;
  T3Scale::CFastTable table;
};

inline CFastRead ReadCFast(Image file, const T3Scale::CFastTable& before) {
  CFastRead read;
  read.table = before;
  T3Error::Error = 0;
  read.ok = T3ScaleFiles::FileToCFast(file, read.table, sizeof(T3Scale::CFastTable));
  read.code = T3Error::Error;
  return read;
}

// The table's singles in their order in the files.
inline std::vector<float> Words(const T3Scale::CFastTable& table) {
  std::vector<float> words;
  for (const T3Scale::CFastLookup& lookup : table.Tables) {
    words.push_back(lookup.SampleInterval);
    for (const T3Scale::CFastKernels* kernels : {&lookup.CFast1, &lookup.CFast2, &lookup.Tau}) {
      for (const auto& row : *kernels) words.insert(words.end(), row.begin(), row.end());
    }
  }
  return words;
}

inline bool SameBits(const T3Scale::CFastTable& a, const T3Scale::CFastTable& b) {
  const std::vector<float> x = Words(a);
  const std::vector<float> y = Words(b);
  return std::memcmp(x.data(), y.data(), x.size() * sizeof(float)) == 0;
}

// The input as a C-fast file.
inline void CFastFile(std::span<const std::uint8_t> data) {
  const Image file = ImageOf(data);
  const Header header = HeaderOf(file, "TLV3-CFast");
  T3Scale::CFastTable before;
  before.Tables[0].SampleInterval = 1.5e-5f;
  UnderEachRule([&](bool noRules) {
    const CFastRead read = ReadCFast(file, before);
    if (read.ok) {
      T3Scale::CFastTable table = read.table;
      const std::vector<float> words = Words(table);
      Require(std::all_of(words.begin(), words.end(),
                          [](float w) { return LongMath::IsValidNumber(w); }));
      std::span<std::byte> written;
      Require(T3ScaleFiles::CFastToFile(table, written));
      const CFastRead back = ReadCFast(Image(written.begin(), written.end()), {});
      Require(back.ok && SameBits(back.table, read.table));
    } else {
      Require(IsDocumentedRefusal(read.code));
      const bool tooShort = file.size() < static_cast<std::size_t>(SingleBlockFile::kHeaderSize);
      Require(SameBits(read.table, tooShort ? before : T3Scale::CFastTable{}));
    }
    if (noRules && header.sizesFit) {
      const CFastRead other = ReadCFast(OutsideInverted(file, header), before);
      Require(other.ok == read.ok && other.code == read.code && SameBits(other.table, read.table));
    }
  });
}

}  // namespace CalibrationFilesFuzz
