#pragma once

// Downhill simplex minimiser in double precision, driven by the caller, for up
// to 19 parameters; one minimisation at a time, from one thread. The protocol
// is that of Simplex (see Simplex.h); only the precision differs.

#include <span>

namespace SimplexD {

inline constexpr int MaxParameters = 19;

extern double& Stepsize;                                      // below 1e-8 it is replaced by 0.1 at Init
extern int& State;                                            // 1 .. 6, see DownhillSimplex.h
extern double (&Simp)[MaxParameters + 1][MaxParameters + 1];  // vertex table, row j = vertex j

bool Init(int m);
void Next(std::span<double> x, double value);
bool AbsConv(double tolerance);
bool RelConv(double tolerance);
void Centroid(std::span<double> x);

}  // namespace SimplexD
