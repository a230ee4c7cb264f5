#include "Common/QRN55/Driver/QRN55DataLogger.h"

#include <string>

#include "Common/QRN55/Driver/QRN55Assert.h"
#include "foundation/Strings.h"

namespace {

int UInt16At(QRN55DataLogger::Block block, int offset) {
  return block[offset] | block[offset + 1] << 8;
}

std::int32_t Int32At(QRN55DataLogger::Block block, int offset) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(block[offset]) |
                                   static_cast<std::uint32_t>(block[offset + 1]) << 8 |
                                   static_cast<std::uint32_t>(block[offset + 2]) << 16 |
                                   static_cast<std::uint32_t>(block[offset + 3]) << 24);
}

const char* const kControlRegisterBits[8] = {
    " bit 0 <em>Master reset</em>",
    " bit 1 <em>Start acquisition internal trigger</em>",
    " bit 2 <em>Start acquisition external trigger</em>",
    " bit 3 <em>External trigger reset</em>",
    " bit 4 <em>Enable sampling interval counter</em>",
    " bit 5 <em>ADC7 from main board multiplexer</em>",
    " bit 6 <em>Stop acquisition</em>",
    " bit 7 <em>FIFO reset</em>",
};

const char* const kStatusBits[8] = {
    " bit 0 <em>Output FIFO underflow</em>",
    " bit 1 <em>Input FIFO overflow</em>",
    " bit 2 <em>Acquisition running</em>",
    " bit 3 <em>External trigger</em>",
    " bit 4 <em>External sync trigger</em>",
    " bit 5 <em>Undefined</em>",
    " bit 6 <em>Undefined </em>",
    " bit 7 <em>Undefined</em>",
};

const char* const kClippingBits[8] = {
    " bit 0 <em>Board 1</em>",    " bit 1 <em>Board 2</em>",   " bit 2 <em>Board 3</em>",
    " bit 3 <em>Board 4</em>",    " bit 4 <em>Undefined</em>", " bit 5 <em>Undefined</em>",
    " bit 6 <em>Undefined </em>", " bit 7 <em>Undefined</em>",
};

const char* const kChip0Inputs[8] = {
    "", "", "", "", " ADC0 (chip 0)", " ADC2 (chip 0)", " ADC4 (chip 0)", " ADC6 (chip 0)"};
const char* const kChip1Inputs[8] = {
    "", "", "", "", " ADC1 (chip 1)", " ADC3 (chip 1)", " ADC5 (chip 1)", " ADC7 (chip 1)"};

const char* OutputName(int code) {
  static const char* const kOutputs[8] = {
      " DAC0", " DAC1", " DAC2", " DAC3", " DAC4", " User digital output", " TLV digital output",
      ""};
  return code < 8 ? kOutputs[code] : " <strong>DAC undefined</strong> ";
}

const char* OperationName(int code) {
  switch (code) {
    case 0:
    case 3:
      return "reset";
    case 1:
      return "start";
    case 2:
      return "stop";
    default:
      return "<strong>undefined</strong>";
  }
}

const char* const kInputChannelNames[QRN55UnitStatus::kInputChannels] = {
    "ADC 0", "ADC 1", "ADC 2",          "ADC 3",         "ADC 4",
    "ADC 5", "ADC 6", "ADC 7 external", "ADC 7 internal"};
const char* const kOutputChannelNames[QRN55UnitStatus::kOutputChannels] = {
    "DAC 0", "DAC 1", "DAC 2", "DAC 3", "DAC 4"};

}  // namespace

QRN55DataLogger::~QRN55DataLogger() { Close(); }

QRN55Status QRN55DataLogger::Open(std::span<const char> path) {
  const int length = Strings::Length(path);
  QRN55_ASSERT(length > 0);
  Close();
  const std::string name(path.data(), static_cast<std::size_t>(length));
  _file = std::fopen(name.c_str(), "w");
  if (_file == nullptr) return QRN55_STATUS_LOG_CREATE;
  std::fputs("<html><head><title>QRN55 data log</title></head><body>\n", _file);
  std::fflush(_file);
  return QRN55_STATUS_SUCCESS;
}

void QRN55DataLogger::Close() {
  if (_file == nullptr) return;
  std::fputs("</body></html>", _file);
  std::fclose(_file);
  _file = nullptr;
}

bool QRN55DataLogger::Begin(QRN55Status status, const QRN55UnitStatus& unit_status) {
  if (_file == nullptr) return false;
  std::fputs("<p>Device ", _file);
  Text(unit_status.device_serial_number);
  std::fprintf(_file, " unit %d ", unit_status.unit_index);
  if (status != QRN55_STATUS_SUCCESS) std::fprintf(_file, "<strong>error %d </strong> ", status);
  return true;
}

void QRN55DataLogger::End() { std::fflush(_file); }

void QRN55DataLogger::Text(std::span<const char> text) {
  const int length = Strings::Length(text);
  for (int i = 0; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    switch (c) {
      case '&':
        std::fputs("&amp;", _file);
        break;
      case '<':
        std::fputs("&lt;", _file);
        break;
      case '>':
        std::fputs("&gt;", _file);
        break;
      case '"':
        std::fputs("&quot;", _file);
        break;
      case '\'':
        std::fputs("&#39;", _file);
        break;
      default:
        if (c >= 0x20 && c < 0x7F) {
          std::fputc(c, _file);
        } else if (c >= 0xA0) {
          std::fprintf(_file, "&#%d;", c);  // Latin-1
        } else {
          std::fputs("&#xFFFD;", _file);  // control characters have no place in HTML text
        }
    }
  }
}

void QRN55DataLogger::ControlRegister(int value) {
  std::fprintf(_file, "<li>Control register 0x%02x</li>\n", value);
  for (int bit = 0; bit < 8; ++bit) {
    if (value & 1 << bit) std::fputs(kControlRegisterBits[bit], _file);
  }
}

void QRN55DataLogger::SequenceEntry(int number, int word) {
  if (word == 0xFFFF) {
    std::fprintf(_file, "<li>Sequence entry %d value 0x%04x <em>terminate</em></li>\n", number,
                 word);
    return;
  }
  std::fprintf(_file, "<li>Sequence entry %d value %04x<em>%s%s%s%s%s%s</em></li>\n", number, word,
               kChip0Inputs[word & 7], kChip1Inputs[word >> 3 & 7],
               (word & 0x40) ? " User digital input" : "",
               (word & 0x80) ? " TLV digital input" : "", OutputName(word >> 8 & 15),
               OutputName(word >> 12 & 15));
}

void QRN55DataLogger::ByteTable(Block bytes, int columns) {
  std::fputs("<table border=\"no\"><thead><tr><td>Position</td>", _file);
  for (int column = 0; column < columns; ++column) std::fprintf(_file, "<td>%1x</td>", column);
  std::fputs("</tr></thead>\n<tbody>\n", _file);
  const int size = static_cast<int>(bytes.size());
  for (int row = 0; row < size; row += columns) {
    std::fprintf(_file, "<tr><td>%x</td>", row);
    for (int position = row; position < row + columns; ++position) {
      if (position < size) {
        std::fprintf(_file, "<td>%x</td>", bytes[position]);
      } else {
        std::fputs("<td></td>", _file);
      }
    }
    std::fputs("</tr>\n", _file);
  }
  std::fputs("</tbody></table>\n", _file);
}

void QRN55DataLogger::ControlWrite(QRN55Status status, const QRN55UnitStatus& unit_status,
                                   Block block) {
  QRN55_ASSERT(block.size() >= 2);
  if (!Begin(status, unit_status)) return;
  const int value = block[0] << 8 | block[1];
  std::fprintf(_file, "Control write: value %d</p><ul>\n", value);
  std::fprintf(_file, "<li>Channel %d</li>\n", value >> 12);
  std::fprintf(_file, "<li>Data %d <em>potential %6.3fV</em></li></ul>\n", value & 0xFFF,
               (value & 0xFFF) / 4096.0 * 5.0);
  End();
}

void QRN55DataLogger::RecordingControl(QRN55Status status, const QRN55UnitStatus& unit_status,
                                       Block block) {
  QRN55_ASSERT(block.size() >= 2);
  if (!Begin(status, unit_status)) return;
  std::fputs("Recording control</p><ul>\n", _file);
  std::fprintf(_file, "<li>Operation code %d <em>%s</em></li>\n", block[0],
               OperationName(block[0]));
  ControlRegister(block[1]);
  std::fputs("</ul>\n", _file);
  End();
}

void QRN55DataLogger::RecordingSettings(QRN55Status status, const QRN55UnitStatus& unit_status,
                                        Block block) {
  QRN55_ASSERT(block.size() >= 35);
  if (!Begin(status, unit_status)) return;
  const int input_frame_samples = unit_status.acquisition_input_frame_samples;
  const int output_frame_samples = unit_status.acquisition_output_frame_samples;
  std::fputs("Recording settings</p><ul>\n", _file);
  const int read_size = Int32At(block, 0);
  if (read_size > 0 && input_frame_samples > 0) {
    std::fprintf(
        _file, "<li>Read size %d bytes <em>%d samples %d frames (at %d samples/frame)</em></li>\n",
        read_size, read_size / 2, read_size / 2 / input_frame_samples, input_frame_samples);
  } else {
    std::fprintf(_file, "<li>Read size %d bytes</li>\n", read_size);
  }
  const int write_size = Int32At(block, 4);
  if (write_size > 0 && output_frame_samples > 0) {
    std::fprintf(
        _file, "<li>Write size %d bytes <em>%d samples %d frames (at %d samples/frame)</em></li>\n",
        write_size, write_size / 2, write_size / 2 / output_frame_samples, output_frame_samples);
  } else {
    std::fprintf(_file, "<li>Write size %d bytes</li>\n", write_size);
  }
  const int frame_interval = UInt16At(block, 8);
  if (frame_interval > 0) {
    std::fprintf(_file, "<li>Frame interval %d <em>%9.3fms</em></li>\n", frame_interval,
                 (frame_interval - 1) * 0.005);
  } else {
    std::fprintf(_file, "<li>Frame interval %d <em>no delay</em></li>\n", frame_interval);
  }
  std::fprintf(_file, "<li>Sequence count %d</li>\n", Int32At(block, 26));
  ControlRegister(block[34]);
  for (int number = 1; number <= QRN55_MAXIMUM_SEQUENCE_COUNT; ++number) {
    SequenceEntry(number, UInt16At(block, 26 - 2 * number));
  }
  std::fprintf(_file, "<li>Acquisition input frame samples %d</li>\n", input_frame_samples);
  std::fprintf(_file, "<li>Acquisition output frame samples %d</li>\n", output_frame_samples);
  std::fputs("</ul>\n", _file);
  End();
}

void QRN55DataLogger::RecordingStatus(QRN55Status status, const QRN55UnitStatus& unit_status,
                                      Block block) {
  QRN55_ASSERT(block.size() >= 10);
  if (!Begin(status, unit_status)) return;
  std::uint64_t sequence = 0;
  for (int i = 7; i >= 0; --i) sequence = sequence << 8 | block[i];
  std::fputs("Recording status</p><ul>\n", _file);
  std::fprintf(_file, "<li>Sequence %11.0f samples</li>\n", static_cast<double>(sequence));
  std::fprintf(_file, "<li>Status 0x%02x", block[8]);
  for (int bit = 0; bit < 8; ++bit) {
    if (block[8] & 1 << bit) std::fputs(kStatusBits[bit], _file);
  }
  std::fputs("</li>\n", _file);
  std::fprintf(_file, "<li>Clipping 0x%02x", block[9]);
  for (int bit = 0; bit < 8; ++bit) {
    if (block[9] & 1 << bit) std::fputs(kClippingBits[bit], _file);
  }
  std::fputs("</li>\n", _file);
  std::fputs("</ul>\n", _file);
  End();
}

void QRN55DataLogger::DataTransferSize(QRN55Status status, const QRN55UnitStatus& unit_status,
                                       Block block) {
  QRN55_ASSERT(block.size() >= 8);
  if (!Begin(status, unit_status)) return;
  const int size = Int32At(block, 0);
  std::fputs("Data transfer size</p><ul>\n", _file);
  std::fprintf(_file, "<li>Data size %d bytes <em>%d samples</em></li>\n", size, size / 2);
  if (unit_status.acquisition_input_frame_samples > 0) {
    std::fprintf(_file, "<li><em>%d read frames</em></li>\n",
                 size / 2 / unit_status.acquisition_input_frame_samples);
  }
  if (unit_status.acquisition_output_frame_samples > 0) {
    std::fprintf(_file, "<li><em>%d write frames</em></li>\n",
                 size / 2 / unit_status.acquisition_output_frame_samples);
  }
  const int address = UInt16At(block, 4);
  std::fprintf(_file, "<li>Data address %d bytes <em>0x%x</em></li>\n", address, address);
  std::fputs(block[6] != 0 ? "<li><em>unlocked</em></li>\n" : "<li><em>locked</em></li>\n", _file);
  if (block[7] != 0) std::fputs("<li><em>port E enabled</em></li>\n", _file);
  std::fputs("</ul>\n", _file);
  End();
}

void QRN55DataLogger::DataTransfer(const char* direction, int frame_samples, int byte_count,
                                   int transfer_size) {
  if (byte_count > 0 && frame_samples > 0) {
    std::fprintf(_file,
                 "Data %s transfer size %d bytes %s %d bytes <em>%d samples %d frames</em></p>\n",
                 direction, transfer_size, direction, byte_count, byte_count / 2,
                 byte_count / 2 / frame_samples);
  } else {
    std::fprintf(_file, "Data %s transfer size %d bytes %s %d bytes</p>\n", direction,
                 transfer_size, direction, byte_count);
  }
}

void QRN55DataLogger::DataOutput(QRN55Status status, const QRN55UnitStatus& unit_status,
                                 int byte_count, int transfer_size) {
  if (!Begin(status, unit_status)) return;
  DataTransfer("output", unit_status.acquisition_output_frame_samples, byte_count, transfer_size);
  End();
}

void QRN55DataLogger::DataInput(QRN55Status status, const QRN55UnitStatus& unit_status,
                                int byte_count, int transfer_size) {
  if (!Begin(status, unit_status)) return;
  DataTransfer("input", unit_status.acquisition_input_frame_samples, byte_count, transfer_size);
  End();
}

void QRN55DataLogger::EEPROMRead(QRN55Status status, const QRN55UnitStatus& unit_status,
                                 Block bytes) {
  QRN55_ASSERT(bytes.size() == QRN55_SERVICE_EEPROM_BLOCK_SIZE);
  if (!Begin(status, unit_status)) return;
  std::fputs("EEPROM read</p>\n", _file);
  ByteTable(bytes, 8);
  End();
}

void QRN55DataLogger::EEPROMWrite(QRN55Status status, const QRN55UnitStatus& unit_status,
                                  Block bytes) {
  QRN55_ASSERT(bytes.size() == QRN55_SERVICE_EEPROM_BLOCK_SIZE);
  if (!Begin(status, unit_status)) return;
  std::fputs("EEPROM write</p>\n", _file);
  ByteTable(bytes, 8);
  End();
}

void QRN55DataLogger::PortEWrite(QRN55Status status, const QRN55UnitStatus& unit_status,
                                 Block data) {
  if (!Begin(status, unit_status)) return;
  std::fprintf(_file, "Port E write transfer size %d bytes</p>\n", static_cast<int>(data.size()));
  ByteTable(data, 16);
  End();
}

void QRN55DataLogger::PortERead(QRN55Status status, const QRN55UnitStatus& unit_status,
                                Block data) {
  if (!Begin(status, unit_status)) return;
  std::fprintf(_file, "Port E read transfer size %d bytes</p>\n", static_cast<int>(data.size()));
  ByteTable(data, 16);
  End();
}

void QRN55DataLogger::CommandSignatureRead(QRN55Status status, const QRN55UnitStatus& unit_status,
                                           Block block) {
  QRN55_ASSERT(block.size() >= QRN55UnitStatus::kSignatureSize);
  if (!Begin(status, unit_status)) return;
  std::fputs("Command signature read</p><ul>\n<li>Signature ", _file);
  Text(std::span<const char>(reinterpret_cast<const char*>(block.data()), 4));
  std::fputs("</li>\n", _file);
  const int location = UInt16At(block, 4);
  const int length = UInt16At(block, 6);
  std::fprintf(_file, "<li>Device information location %d bytes <em>hexadecimal 0x%x</em></li>\n",
               location, location);
  std::fprintf(_file, "<li>Device information length %d bytes <em>hexadecimal 0x%x</em></li>\n",
               length, length);
  std::fprintf(_file, "<li>Timer unit %d microseconds</li>\n", UInt16At(block, 8));
  std::fputs("</ul>\n", _file);
  End();
}

void QRN55DataLogger::SignatureRead(QRN55Status status, const QRN55UnitStatus& unit_status) {
  if (!Begin(status, unit_status)) return;
  std::fputs("Signature read <em>decoded values from device EEPROM</em></p><ul>\n", _file);
  std::fputs("<li>Unit serial number ", _file);
  Text(unit_status.unit_serial_number);
  std::fputs("</li>\n<li>Device serial number ", _file);
  Text(unit_status.device_serial_number);
  std::fputs("</li>\n<li>Device description ", _file);
  Text(unit_status.description);
  std::fputs("</li>\n", _file);
  std::fprintf(_file, "<li>Device model %d</li>\n", unit_status.model);
  std::fprintf(_file, "<li>Device unit count %d</li>\n", unit_status.unit_count);
  std::fprintf(_file, "<li>Device unit index %d</li>\n", unit_status.unit_index);
  std::fprintf(_file, "<li>FIFO input samples %d <em>(%d K samples)</em></li>\n",
               unit_status.fifo_input_samples, unit_status.fifo_input_samples / 1024);
  std::fprintf(_file, "<li>FIFO output samples %d <em>(%d K samples)</em></li>\n",
               unit_status.fifo_output_samples, unit_status.fifo_output_samples / 1024);
  std::fprintf(_file, "<li>Sequence counter delay %d</li>\n", unit_status.sequence_counter_delay);
  std::fputs("</ul>\n", _file);
  std::fputs("<table><thead><tr><td>Channel</td><td>Scale</td><td>Offset</td></tr></thead>", _file);
  for (int channel = 0; channel < QRN55UnitStatus::kInputChannels; ++channel) {
    std::fprintf(_file, "<tr><td>%s</td><td>%g</td><td>%g</td></tr>\n", kInputChannelNames[channel],
                 unit_status.input_scale[channel], unit_status.input_offset[channel]);
  }
  for (int channel = 0; channel < QRN55UnitStatus::kOutputChannels; ++channel) {
    std::fprintf(_file, "<tr><td>%s</td><td>%g</td><td>%g</td></tr>\n",
                 kOutputChannelNames[channel], unit_status.output_scale[channel],
                 unit_status.output_offset[channel]);
  }
  std::fputs("</tbody></table>\n", _file);
  End();
}
