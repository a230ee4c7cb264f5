#include "platform/Gestalt.h"

#include <map>

namespace Gestalt {

namespace {

std::map<std::uint32_t, std::int32_t> answers;

}  // namespace

bool Gestalt(std::uint32_t selector, std::int32_t& response) {
  const auto it = answers.find(selector);
  if (it == answers.end()) return false;
  response = it->second;
  return true;
}

void SetAnswer(std::uint32_t selector, std::int32_t response) { answers[selector] = response; }

void ClearAnswers() { answers.clear(); }

}  // namespace Gestalt
