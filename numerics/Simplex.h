#pragma once

// Downhill simplex minimiser in single precision, driven by the caller, for up
// to 19 parameters; one minimisation at a time, from one thread.
//
//   Simplex::Stepsize = 0.1f;              // relative size of the starting simplex
//   Simplex::Init(m);                      // FALSE for m outside 1..19
//   x = starting point (no coordinate 0: the first steps are proportional to it)
//   loop { value = f(x); Simplex::Next(x, value);
//          stop when AbsConv or RelConv holds, or at the caller's own limit }
//   Simplex::Centroid(x);                  // the result
//
// Next takes the point in x as the one evaluated, so a caller may change the
// point it hands back (clip it to bounds) and the change is taken over. The
// convergence tests are TRUE only right after a Next that completed an
// iteration. SimplexD is the same method in double precision.

#include <span>

namespace Simplex {

inline constexpr int MaxParameters = 19;

extern float& Stepsize;                                      // below 1e-8 it is replaced by 0.1 at Init
extern int& State;                                           // 1 .. 6, see DownhillSimplex.h
extern float (&Simp)[MaxParameters + 1][MaxParameters + 1];  // vertex table, row j = vertex j

bool Init(int m);
// Does nothing without a successful Init or when x holds fewer than m values.
void Next(std::span<float> x, float value);
// TRUE when tolerance > worst value - best value.
bool AbsConv(float tolerance);
// TRUE when tolerance > |(worst - best) / best|; FALSE for a best value of 0.
bool RelConv(float tolerance);
// Mean of all m + 1 vertices.
void Centroid(std::span<float> x);

}  // namespace Simplex
