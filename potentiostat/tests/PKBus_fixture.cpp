#include "potentiostat/tests/PKBus_fixture.h"

#include <sstream>

#include "acquisition/ZRV.h"
#include "foundation/platform/Clock.h"
#include "potentiostat/K5Panel.h"
#include "potentiostat/K5Port.h"
#include "potentiostat/K5Set.h"
#include "potentiostat/PKTypes.h"

namespace {

PKSimBus* bus = nullptr;

void ToBus(std::int16_t, std::uint16_t word) { bus->Strobe(word, Platform::ElapsedSeconds()); }

}  // namespace

std::vector<Word> ParseWords(const std::string& text) {
  std::vector<Word> words;
  std::istringstream in(text);
  std::string item;
  while (in >> item) {
    const auto colon = item.find(':');
    words.emplace_back(std::stoul(item.substr(0, colon)), std::stoul(item.substr(colon + 1), nullptr, 16));
  }
  return words;
}

bool StartModulesOnOpenBoard(ZRVBase::BoardType board) {
  ZRV::Shutdown();
  K5Panel::InitAllModules();
  return ZRV::InitInterface(board);
}

void PKBusTest::SetUp() {
  ConsoleTest::SetUp();
  PKTypes::InitModule();
  K5Set::InitModule();
  PKTypes::State.CommandPort = 9;
  bus = &bus_;
  K5Port::SetReceiver(&ToBus);
}

void PKBusTest::TearDown() {
  K5Port::SetReceiver(nullptr);
  bus = nullptr;
  ConsoleTest::TearDown();
}

std::vector<Word> PKBusTest::Take() {
  std::vector<Word> words;
  for (const PKSimWord& word : bus_.Recorded()) words.emplace_back(word.address, word.data);
  bus_.ClearRecord();
  return words;
}

void PKBusTest::AttachBoards(bool pk510PowersUpSelected) {
  pk510_ = PKSimBoard(PKSimModel::PK510, pk510PowersUpSelected);
  pk512_ = PKSimBoard(PKSimModel::PK512);
  if (attached_) return;
  bus_.Attach(&pk510_);
  bus_.Attach(&pk512_);
  attached_ = true;
}
