#include "platform/Pattern.h"

#include "platform/Resources.h"

namespace Pattern {

namespace {

constexpr int kPatternList = 145;

}  // namespace

bool ListEntry(int index, Pat& pat) {
  const std::vector<Pat>* list = Resources::GetPatternList(kPatternList);
  if (list == nullptr || index < 1 || index > kListSize || index > static_cast<int>(list->size())) return false;
  pat = (*list)[static_cast<std::size_t>(index - 1)];
  return true;
}

}  // namespace Pattern
