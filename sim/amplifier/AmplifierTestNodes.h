// The nodes of a simulated amplifier board that its self-test reads on the
// multiplexer beside the analog model's monitors (sim/amplifier/
// AmplifierBoardModel.h), each the effect of an element the test sets:
//   command (0)  the Rs compensation corrects the command by R_comp x the
//                current; the test DAC at the probe output stands for a
//                current of its volts / the range's gain, so the
//                command gains R_comp / the range's gain x that output
//                (DAC 23 x (10 with latch 38 bit 2) / RsFactor, with
//                latch 38 bit 1), through the loop's lag (100 us slow,
//                latch 38 bit 3, else by filter 1's setting);
//   stimulus (10) minus the stimulus DAC through the stimulus filter (the
//                model's corner by latch 33 bit 2) and the channel's
//                buffer, whose pole at 50 kHz brings the wide filter's
//                -3 dB point below 50 kHz, within a chirp at 5 us.
#pragma once

#include "sim/AnalogFixtures.h"
#include "sim/amplifier/AmplifierBoardElements.h"
#include "sim/amplifier/AmplifierBoardModel.h"

class AmplifierTestNodes {
public:
  AmplifierTestNodes();

  // Follows the model's conversion with the board's drive.
  void Convert(const AmplifierBoardModel &model,
               const AmplifierBoardElements &elements,
               const AmplifierDrive &drive);
  // What the nodes add to the command on multiplexer channel 0.
  double CommandCorrection() const { return _rsCorrection; }
  // Multiplexer channel 10.
  double Stimulus() const { return _stimulus; }

private:
  AnalogPath _rs;
  double _rsLag = 0.0;
  double _rsInput = 0.0;
  double _rsCorrection = 0.0;
  AnalogPath _stimulusPath;
  double _stimulusHz = 0.0;
  double _stimulusInput = 0.0;
  double _stimulus = 0.0;
};
