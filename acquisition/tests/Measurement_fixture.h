// The measurement modules (ADMeasure, ChirpReal) against the AD/DA layer:
// with no board open (the layer hands a stimulus straight back), and on a
// simulated board of each type whose DAC 0 drives ADC 0 through an analog
// fixture (sim/AnalogFixtures.h). The boards run on the virtual clock; the
// timing corrections of the board under test are set as the amplifier
// layer sets them.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "acquisition/ZRVBase.h"
#include "acquisition/tests/ZRVBoard_fixture.h"
#include "foundation/tests/TempDirectory_fixture.h"
#include "sim/AnalogFixtures.h"
#include "sim/QRN55SimFixtures.h"
#include "sim/QRN55SimUnit.h"
#include "sim/QRN55SimVolumes.h"
#include "sim/ZRVSimFixtures.h"

// The records of the notebook (Shell::List), the pending line stored first.
std::vector<std::string> NotebookLines();

// ZRV started with no board open, the console captured.
class ClosedLayerTest : public ZRVBoard {
 protected:
  void SetUp() override;
  void TearDown() override;
  // The console lines written since SetUp.
  static std::vector<std::string> ConsoleLines() { return NotebookLines(); }
};

// The surroundings of a simulated board: the virtual clock from 1000 s, a
// fresh buffer heap, shell, console and time module.
void StartBoardSurroundings();
// The stand-in board library loaded by its path, its boards reset; FALSE
// when it cannot be loaded.
bool LoadStandInLibrary();
// Shuts the AD/DA layer down, releases the simulated board of the type
// (the QRN 5+5 file port, or the stand-in library with its wiring) and
// undoes StartBoardSurroundings.
void StopSimulatedBoard(ZRVBase::BoardType board);

// The simulated boards' timing, by board type.
const AnalogBoardTiming& TimingOf(ZRVBase::BoardType board);

// The board of the parameter open on the virtual clock, its lines wired as
// UseWiring chooses before the open (by default the board's loopback).
class SimulatedBoardTest : public TempDirectoryTest,
                           public ::testing::WithParamInterface<ZRVBase::BoardType> {
 protected:
  void SetUp() override;
  void TearDown() override;

  ZRVBase::BoardType Board() const { return GetParam(); }
  // Called before the board opens; wires it with SetWiring.
  virtual void UseWiring() {}
  // Called before the QRN 5+5 unit is made, to change what it is.
  virtual void ConfigureUnit(QRN55SimUnitConfig& config) {}
  // The QRN 5+5 unit (nil on the other boards).
  QRN55SimUnit* Unit() { return unit_.get(); }
  // The board's lines wired to the one of the board's family (nil: its
  // loopback). The wiring must outlive its use.
  void SetWiring(ZRVSimWiring* zrvWiring, QRN55SimWiring* qrn55Wiring);

 private:
  std::unique_ptr<QRN55SimUnit> unit_;
  QRN55SimVolumes volumes_;
};

// The board of the parameter open, DAC 0 driving ADC 0 through a circuit.
class MeasurementBench : public SimulatedBoardTest {
 protected:
  static constexpr std::int32_t kDac = 0;
  static constexpr std::int32_t kAdc = 0;

  void SetUp() override;
  void UseWiring() override;

  // Replaces what ADC `adc` sees (DAC `dac` through the circuit, from rest).
  void Connect(const AnalogCircuit& circuit, std::int32_t dac = kDac, std::int32_t adc = kAdc);
  // The same wiring, but with the timing given instead of the board's.
  void UseTiming(const AnalogBoardTiming& timing);

 private:
  std::unique_ptr<ZRVSimFixtures> zrvWiring_;
  std::unique_ptr<QRN55SimFixtures> qrn55Wiring_;
};

// Board names for parameterised test names.
std::string BoardName(const ::testing::TestParamInfo<ZRVBase::BoardType>& info);
