#include "numerics/SimplexD.h"

#include "numerics/DownhillSimplex.h"

namespace SimplexD {

namespace {
constinit DownhillSimplex<double> machine;
static_assert(DownhillSimplex<double>::kMaxParameters == MaxParameters);
}  // namespace

constinit double& Stepsize = machine.Stepsize;
constinit int& State = machine.State;
constinit double (&Simp)[MaxParameters + 1][MaxParameters + 1] = machine.Simp;

bool Init(int m) { return machine.Init(m); }
void Next(std::span<double> x, double value) { machine.Next(x, value); }
bool AbsConv(double tolerance) { return machine.AbsConv(tolerance); }
bool RelConv(double tolerance) { return machine.RelConv(tolerance); }
void Centroid(std::span<double> x) { machine.Centroid(x); }

}  // namespace SimplexD
