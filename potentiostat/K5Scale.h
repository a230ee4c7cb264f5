#pragma once

// The calibration ("scale") records of the PK amplifiers in memory: Scale is
// the record of the active amplifier, Scales the stored records of
// amplifier 0 (disk) and 1 (ring). The panel swaps them together with the
// state records (K5Panel::SetActiveAmpl). Their EEPROM image is K5EEPROM's.
//
// Main thread only.

#include <cstdint>

namespace K5Scale {

struct PKScaleRecord {
  char Id[8];                // "K5SCALE"
  char CalibrationDate[16];  // as GLP::CheckExpiration reads it; empty: none
  char SerialNumber[8];
  std::int32_t RecordVersion;  // in memory only
  std::uint32_t CheckValue;
  bool LittleEndian;  // byte order of the machine that wrote the image
  std::uint8_t ConfigCode;
  char Version;  // model letter
  double MuxGain;
  double MuxOffset;
  double MuxX100Gain;
  double MuxX100Offset;
  double InitDacFactor[2];  // potentiostatic, galvanostatic
  double InitDacOffset;
  double InitSubtrDacFactor[2];  // holding corrections by amplifier mode
  double StimFilterFactor;
  double StimFilterOffset;
  double StimScaleFactor[4];  // by stimulus input scale
  double StimScaleOffset[4];
  double IRCompGainSlope;   // ohm per feedback ohm per gain-DAC step
  double IRCompGainOffset;  // the gain DAC's zero
  double IRCompFixOffset;   // IR offset DAC value
  double ClampGainPerUnit;  // clamp gain per clamp-gain DAC step
  double ClampOffsetPerUnit;
  double ClampIntercept;
  double CoAmpOffsetPerUnit;  // counter-amplifier offset per DAC step
  std::int16_t CoAmpOffsetDacPot[3];  // by feedback resistor
  std::int16_t CoAmpOffsetDacGal[3];
  std::int16_t WorkElectrOffsetDac[3];
  double CurrentOutFactor[12];  // by scale range
  double CurrentOutOffset[12];
  std::int16_t CurrentOffsetDac[12];
  double VoltageOutFactor[4];  // by voltage output gain
  double VoltageOutOffset[4];
  std::int16_t VoltageOffsetDac[4];
  double SubtrDacFactor[2][3];  // amplifier mode, feedback resistor
  double SubtrDacOffset;
  std::int16_t CMR1Dac;
  std::int16_t CMR2Dac;
  std::int16_t MeasuredVoltOffDac;
  std::int16_t OCPOffsetDac;
};

extern PKScaleRecord Scale;
extern PKScaleRecord Scales[2];

// Scale becomes the uncalibrated record (unit gains, zero offsets, DAC
// codes at mid-scale 2047, the subtraction factors the feedback
// resistances); its serial number and version letter stay.
void LoadDefaults();

// Scale's serial number emptied and version 0, the defaults, and Scale
// copied into both stored records.
void InitModule();

}  // namespace K5Scale
