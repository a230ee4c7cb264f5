// The settings and calibration of every amplifier board and probe-selector
// position. The amplifier core works on one set of live records (the
// state T3Types::State, the board state T3Base::BoardState, the switch
// shadow T3Set::SwitchState, the scale record T3Scale::Scale and the
// C-fast table T3Auto::CFastTable); this module keeps a copy of them per
// board and position and swaps them when the board or the position
// changes, so that each board and each probe keeps its own.
//
// Slots. Each of the boards 0-7 has slots 0-16: slot 0 holds the board's
// own state, board state and switch shadow; slot p holds probe-selector
// position p (1-16) with its scale record and C-fast table. A board
// without a selector (position 0) keeps its scale and C-fast table in slot
// 1. A slot is a block of the named heap buffer "TlvStorage" (organisation
// 2), made zeroed when the slot is first stored, and lives until Shutdown
// (or until the buffer goes: the table then starts empty again).
//
// Freezing. A calibration freezes a slot's scale (FreezeScale) or C-fast
// table (FreezeCFast): later stores leave the frozen copies alone until
// UnfreezeAll.
//
// Common parameters: AutoCSlowAmplitude, AutoCSlowCycles,
// AutoCSlowTimeout, SearchDelay and RefGainTrimOn are shared by every board
// and position; their master copy is the state in board 0's slot 0, and
// every activation copies them from there into the live state (nothing
// while the master does not exist).
//
// No memory. When the buffer or a block cannot be had, a store gives
// FALSE and the activation leaves the live records and the live board and
// position as they were. Main thread only.
#pragma once

#include <cstdint>

#include "amplifier/T3Types.h"

namespace T3Select {

// ==== Interface =============================================================

inline constexpr std::int32_t kBoards = 8;
// Slot 0 and positions 1 to 16.
inline constexpr std::int32_t kSlots = 17;

// Fills the live records with a new board's defaults; called with the new
// board's number in State.Board.
using NewBoardProc = void (*)();

// position - 1 for positions 1 to T3Base::MaxSelectors, else 0: position p
// has slot p, and position 0 slot 1.
std::int32_t GetSelectorIndex(std::int32_t position);
// The most the heap gives to the storage when every slot of every board is
// stored.
std::int64_t StorageHeapBytes();

// Stores the live records in slot 0 and the live position's slot, the
// scale (and, where the slot was not frozen yet, the C-fast table) and
// marks the slot frozen. FALSE without memory.
bool FreezeScale();
// The same for the C-fast table (and the scale where the slot was not
// frozen yet).
bool FreezeCFast();
// When the live position's slot of the live board is stored: its scale
// and C-fast table become the live ones.
void LoadScaleAndCFast();
// Every stored slot unfrozen.
void UnfreezeAll();

// Makes board 0-7 the live one: the live records are stored for the old
// board, the new board's are taken (its scale and C-fast table from the
// slot of its live position when stored, else the live scale with an
// empty CalibDate, no scale loaded, and the live C-fast table kept); a board
// never stored gets newBoard's defaults. Then State.Board := board, the
// common parameters, and on the board state's first set-up BoardSetUp and
// the current-monitor channels. The same board again only runs that last
// step. FALSE, with nothing changed, for a board outside 0-7 and when the
// store failed for lack of memory.
bool ActivateBoard(std::int32_t board, NewBoardProc newBoard);

// Moves the live board to a selector position: when its slot differs from
// the live position's, the live records are stored and the position's are
// taken (scale, C-fast table, switch shadow and state; the board state
// stays); a position never stored gets a fresh state
// (T3Panel::InitializeState for that position), the default scale and a
// zeroed C-fast table. Then the common parameters. FALSE, with nothing
// changed, when the store failed for lack of memory.
bool ActivateSelector(std::int32_t position);

// After the operator changed a common parameter: the live state's values
// go to the master and to the stored records of boards 0 to
// T3Base::T3Boards - 1 (slot 0 of a board with fewer than two selector
// positions, else its positions 1 to T3Base::MaxSelectors). Nothing while
// the master does not exist.
void SyncCommonParameters();

// The live state for the live board; else the stored state of board 0-7's
// slot 0; nil when there is none.
T3Types::AmplifierState* GetStateAdr(std::int32_t board);
// The live state for the live board at the live position (slot equal to
// State.Selector); else the stored state of board 0-7's slot 0-16; nil
// when there is none.
T3Types::AmplifierState* GetSelectorStateAdr(std::int32_t board, std::int32_t slot);

// Empties the slot table.
void InitModule();
// Deletes "TlvStorage" and empties the slot table.
void Shutdown();

}  // namespace T3Select
