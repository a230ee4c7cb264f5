#include <gtest/gtest.h>

#include "acquisition/ZRV.h"
#include "potentiostat/K5Panel.h"
#include "potentiostat/K5Set.h"
#include "potentiostat/K5Set_510.h"
#include "potentiostat/K5Set_518.h"
#include "potentiostat/PKTypes.h"
#include "potentiostat/tests/PKBus_fixture.h"
#include "potentiostat/tests/PKGolden_fixture.h"

namespace {

using K5Set518 = PKBusTest;

// A PK 510 that powers up selected, as after switching on: the parking
// plays its power-on set-up and leaves it deselected with the mux ADC path
// off, whether it was selected before or not.
TEST_F(K5Set518, ParkingLeavesThePK510SetUpAndDeselected) {
  for (bool selectedBefore : {true, false}) {
    AttachBoards(selectedBefore);
    K5Panel::InitAllModules();
    ZRV::SetBoardType(ZRVBase::BoardNone);
    K5Set_518::Init_PK510_and_PK518();
    std::vector<Word> expected = PK510InitHardwareWords();
    for (const Word& word : ParseWords("34:BC 14:0F")) expected.push_back(word);
    const std::vector<Word> words = Take();
    ASSERT_EQ(words.size(), expected.size());
    for (std::size_t n = 0; n < words.size(); ++n) EXPECT_EQ(words[n], expected[n]) << n;
    EXPECT_FALSE(K5Set::SendToHardware);
    EXPECT_FALSE(pk510_.Selected());
    EXPECT_NE(pk510_.Register(35) & 0b1000, 0);  // mux ADC path off
    for (unsigned a = 0; a < 64; ++a) EXPECT_EQ(pk510_.Register(a), K5Set_510::SwitchState[a]) << a;
    EXPECT_EQ(pk510_.RouteMismatches(), 0);
    for (unsigned a = 0; a < 64; ++a) {
      if (a != 12 && a != 13) EXPECT_EQ(pk512_.Register(a), 0) << a;
    }
    ZRV::Shutdown();
  }
}

}  // namespace
