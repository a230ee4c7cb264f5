#include "numerics/Simplex.h"

#include "numerics/DownhillSimplex.h"

namespace Simplex {

namespace {
constinit DownhillSimplex<float> machine;
static_assert(DownhillSimplex<float>::kMaxParameters == MaxParameters);
}  // namespace

constinit float& Stepsize = machine.Stepsize;
constinit int& State = machine.State;
constinit float (&Simp)[MaxParameters + 1][MaxParameters + 1] = machine.Simp;

bool Init(int m) { return machine.Init(m); }
void Next(std::span<float> x, float value) { machine.Next(x, value); }
bool AbsConv(float tolerance) { return machine.AbsConv(tolerance); }
bool RelConv(float tolerance) { return machine.RelConv(tolerance); }
void Centroid(std::span<float> x) { machine.Centroid(x); }

}  // namespace Simplex
