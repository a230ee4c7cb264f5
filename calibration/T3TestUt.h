// What the Calibrate menu's runs share: the results block of every board
// and probe-selector position, the switch that decides whether hardware
// tests run, the identification of the active amplifier unit by its
// flashing LED, the operator's cable instructions for the external tests,
// and the printing of a protocol file.
//
// Results blocks. One per board (0-7) and selector slot (0-15, the slot of
// a position as T3Select::GetSelectorIndex gives it): the self-tests'
// multiplexer part, their self-test part, the HF calibration's three range
// results and a flag that the block has received the range file's limits.
// Board 0's slot 0 is always the static Results0; every other block is
// made zeroed on first use in the named heap buffer "TlvResults" and lives
// until Shutdown. A new block starts without the limits and takes over
// only the two HF limits (medium and high range) of Results0. The parts
// are handed out and copied as whole records; the self-tests own their
// layout.
//
// A block that cannot be had (no memory) is reported as the console alert
// line "allocation error in TlvTest. " and the caller gets FALSE with the
// parts of a zeroed scratch block, never another position's: a caller that
// goes on regardless writes nowhere that counts.
//
// Main thread only; the dialogs are modal.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "selftest/TestResultsBlock.h"

namespace T3TestUt {

using TestResultsBlock::HFRangeResult;
using TestResultsBlock::MuxTestResults;
using TestResultsBlock::SelfTestResults;

// ==== Results blocks ===========================================================

inline constexpr int kBoards = 8;
inline constexpr int kSlots = 16;
// The blocks the heap may have to hold: every entry but board 0's slot 0.
inline constexpr int kAllocatedBlocks = kBoards * kSlots - 1;

// The HF part, by gain range 0 (low), 1 (medium), 2 (high).
using HFRangeResults = std::array<HFRangeResult, TestResultsBlock::kHFRanges>;

struct ResultsBlock {
  MuxTestResults mux;
  SelfTestResults selfTest;
  HFRangeResults hf;
  bool limitsCopied;  // the range file's limits came in through CopyProtocols
};

// The most the heap gives to the blocks when every entry has its own.
std::int64_t ResultsHeapBytes();

// The table of blocks, index board * kSlots + slot; nil: none yet.
extern std::array<ResultsBlock*, kBoards * kSlots> AllResults;
// Board 0's slot 0.
extern ResultsBlock Results0;

// Every entry nil but (0, 0), which points at Results0, zeroed.
void InitModule();
// Deletes "TlvResults" when it exists, then InitModule.
void Shutdown();
// Results0's HF limits of the medium and high range := the two, its limits
// flag cleared; then SetResultsPointers(0, 0, ...).
bool InitAllResults(double maxDevMedium, double maxDevHigh, MuxTestResults*& mux, SelfTestResults*& selfTest,
                    HFRangeResults*& hf);
// The three parts of the board's block for the selector position (made
// when missing): TRUE; without memory the scratch block's parts, FALSE. A
// board outside 0-7 gets the scratch block and FALSE as well.
bool SetResultsPointers(std::int32_t board, std::int32_t position, MuxTestResults*& mux,
                        SelfTestResults*& selfTest, HFRangeResults*& hf);
// The block of board and slot exists (made when missing): TRUE; FALSE with
// the alert line when it cannot be made or for a board or slot outside the
// table.
bool IsAllocated(std::int32_t board, std::int32_t slot);
// Every block of the boards found (T3Base::T3Boards) and their selector
// positions (only the board's own slot without a selector) that has not had
// its limits yet takes the three parts, limits and all.
void CopyProtocols(const MuxTestResults& mux, const SelfTestResults& selfTest, const HFRangeResults& hf);

// ==== Running the tests ========================================================

// TRUE under GLP::Check, or when the feature switch file "TlvTest.Off"
// does not exist; the runs skip their measuring steps while FALSE.
bool ExecuteTests();

// ==== Operator dialogs =========================================================

// Makes the LED of the selected board's unit or rack blink (the board is
// re-selected every 0.333 s) in the loop dialog "Identify Amplifier Unit",
// whose "Next" switches between the units and whose "Continue" ends it; the
// selected board comes back afterwards. FALSE at once with the interface
// closed; else whether the dialog ran and was not aborted, which its only
// way out makes FALSE.
bool IdentifyActiveRack();
// The message of the identification: "The flashing green LED identifies
// the " and the rack or unit ("1. Rack", "Master Unit", "2. Unit" ...).
void DecodeActiveRack(std::span<char> message);
// Switches to the other rack's or unit's first board.
void ToggleRack();
// Re-selects the board when its blink time has come.
void FlashRackLED();

// The TLV 4 and TLV 4 Plus ask for the cable of the test-DAC
// sample-and-hold test ("Connect: Dac-0 to Adc-0", in a second rack
// "Dac-4 to Adc-8"): TRUE for "Done". Other kinds: TRUE without asking.
bool TestDacSH_Alert();
// The instruction dialog "External Test" with the cables the external
// tests need, at left, top + 180 (callers pass 140, 100). A four-board
// rack needs none: TRUE without a dialog. With a second rack the unit is
// identified first. TRUE for "Done" (Return), FALSE for "Cancel" (Escape)
// or when the dialog cannot be set up.
bool TestAlert(int left, int top);
// The connection lines of the dialog (up to five, the rest empty) for the
// selected board.
using ConnectionLines = std::array<std::array<char, 64>, 5>;
void ConnectionsOf(ConnectionLines& lines);

// ==== Printing ==================================================================

// Prints the text file in the font and size of Printer::Defaults through a
// print job the operator confirms: TRUE when printed. Its lines are loaded
// into the text buffer "Protocol.tmp", deleted afterwards in every case.
// "Unable to create protocol buffer." when the buffer cannot be made,
// "Error while loading protocol" with the file error when the file cannot
// be read.
bool PrintProtocolFile(std::span<const char> name);

}  // namespace T3TestUt
