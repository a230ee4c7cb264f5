// The HTML data log: one entry per command a unit was sent or answered,
// its bytes decoded into named fields and bits. The file is flushed after
// every entry, so it is complete up to the last command if the program
// stops. Texts that come from a unit (serial numbers, description, the
// signature) are escaped: a unit cannot inject markup into the log.
//
// Each entry takes the transfer's status (an error mark when not 0), the
// unit's decoded status (device serial, unit index and frame sizes) and the
// command's block, whose bytes are read least significant first at their
// positions in the 4096-byte block. Entries are written only while open;
// output errors are ignored.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>

#include "Common/QRN55/Driver/QRN55.h"
#include "Common/QRN55/Driver/QRN55UnitStatus.h"

class QRN55DataLogger {
 public:
  QRN55DataLogger() = default;
  ~QRN55DataLogger();
  QRN55DataLogger(const QRN55DataLogger&) = delete;
  QRN55DataLogger& operator=(const QRN55DataLogger&) = delete;

  // Requires a non-empty path. Finishes an open log first, then creates or
  // truncates the file: 0, or 33 when it cannot be created.
  QRN55Status Open(std::span<const char> path);
  void Close();
  bool IsOpen() const { return _file != nullptr; }

  using Block = std::span<const std::uint8_t>;
  void ControlWrite(QRN55Status status, const QRN55UnitStatus& unit_status, Block block);
  void RecordingControl(QRN55Status status, const QRN55UnitStatus& unit_status, Block block);
  void RecordingSettings(QRN55Status status, const QRN55UnitStatus& unit_status, Block block);
  void RecordingStatus(QRN55Status status, const QRN55UnitStatus& unit_status, Block block);
  void DataTransferSize(QRN55Status status, const QRN55UnitStatus& unit_status, Block block);
  void DataOutput(QRN55Status status, const QRN55UnitStatus& unit_status, int byte_count,
                  int transfer_size);
  void DataInput(QRN55Status status, const QRN55UnitStatus& unit_status, int byte_count,
                 int transfer_size);
  // One 64-byte EEPROM step.
  void EEPROMRead(QRN55Status status, const QRN55UnitStatus& unit_status, Block bytes);
  void EEPROMWrite(QRN55Status status, const QRN55UnitStatus& unit_status, Block bytes);
  void PortEWrite(QRN55Status status, const QRN55UnitStatus& unit_status, Block data);
  void PortERead(QRN55Status status, const QRN55UnitStatus& unit_status, Block data);
  void CommandSignatureRead(QRN55Status status, const QRN55UnitStatus& unit_status, Block block);
  // The values decoded from the unit EEPROM.
  void SignatureRead(QRN55Status status, const QRN55UnitStatus& unit_status);

 private:
  bool Begin(QRN55Status status, const QRN55UnitStatus& unit_status);
  void End();
  void Text(std::span<const char> text);
  void ControlRegister(int value);
  void SequenceEntry(int number, int word);
  void ByteTable(Block bytes, int columns);
  void DataTransfer(const char* direction, int frame_samples, int byte_count, int transfer_size);

  std::FILE* _file = nullptr;
};
