#pragma once

// The PK modules with their command words going to a simulated bus instead
// of the port layer: each test starts from the program's start values
// (nothing selected, nothing sent, shadows zero) with command port 9, and
// reads the words that reached the bus, and the simulated boards on it.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "acquisition/ZRVBase.h"
#include "foundation/tests/Console_fixture.h"
#include "sim/potentiostat/PKSimBoard.h"

using Word = std::pair<unsigned, unsigned>;  // address, data

// "14:0E 20:4F ..." as words; blanks and line ends separate them.
std::vector<Word> ParseWords(const std::string& text);

// The program's start of the PK modules, which starts the amplifier modules
// and the AD/DA layer anew and so expects the interface closed, on a board
// a fixture opened: the board is closed first and opened again after.
// FALSE when it does not open again.
bool StartModulesOnOpenBoard(ZRVBase::BoardType board);

class PKBusTest : public ConsoleTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Words on the bus since the last call of Take (or the start).
  std::vector<Word> Take();
  // Puts both simulated boards on the bus, fresh (the PK 510 powered up
  // selected or not).
  void AttachBoards(bool pk510PowersUpSelected = false);

  PKSimBus bus_;
  PKSimBoard pk510_{PKSimModel::PK510};
  PKSimBoard pk512_{PKSimModel::PK512};
  bool attached_ = false;
};
