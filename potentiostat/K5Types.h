#pragma once

// A module of declarations only; its initialiser marks it done and nothing
// else. PKTypes::InitModule runs it.

namespace K5Types {

extern bool Initialised;

void Initialise();

}  // namespace K5Types
