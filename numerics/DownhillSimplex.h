#pragma once

// The downhill simplex method of Nelder and Mead, driven by the caller, in the
// precision Real. It never evaluates the function: each call of Next receives
// the value of the point the previous call asked for and writes the next point
// into the caller's vector. Simplex (float) and SimplexD (double) each hold
// one of these as their module state; see Simplex.h for the protocol.
//
// Coefficients: reflection 1, expansion 2, contraction 0.5 towards the worst
// vertex, shrink 0.5 towards the best. The starting simplex steps each
// coordinate in proportion to its own value, so a coordinate that starts at 0
// never moves.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <span>

template <class Real>
struct DownhillSimplex {
  static constexpr int kMaxParameters = 19;  // the tables hold kMaxParameters + 1 vertices

  // Relative size of the starting simplex; below 1e-8 it is replaced by 0.1 at Init.
  Real Stepsize = 0;
  // 1 starting point expected, 2 building the starting simplex, 3 reflected,
  // 4 expanded, 5 contracted point expected, 6 shrinking; anything else makes
  // Next begin a new iteration.
  int State = 0;
  Real Simp[kMaxParameters + 1][kMaxParameters + 1] = {};  // row j: vertex j
  Real Resl[kMaxParameters + 1] = {};                      // value of each vertex
  Real Par[kMaxParameters + 1] = {};                       // point handed back, then the next one
  Real Centre[kMaxParameters + 1] = {};                    // centroid of all vertices but the worst
  int m = 0;                                               // parameters; 0 until an Init succeeds
  Real PX = 0, QX = 0;
  int high = 0, low = 0;
  int i = 0, i1 = 0;
  bool ConvCheck = false;  // set only by a Next that completed an iteration

  // FALSE, leaving no minimisation in progress, when m is outside 1..19.
  bool Init(int parameters);
  // Does nothing without a successful Init or when vector holds fewer than m values.
  void Next(std::span<Real> vector, Real value);
  bool AbsConv(Real tolerance) const;
  bool RelConv(Real tolerance) const;
  void Centroid(std::span<Real> vector) const;

 private:
  void PresentStartingVertex();
  void ShrinkVertex(int j);
  void BeginIteration(bool completed);
  void Present(const Real* point) { std::copy_n(point, m, Par); }
  void Replace(int j, Real value) {
    std::copy_n(Par, m, Simp[j]);
    Resl[j] = value;
  }
};

template <class Real>
bool DownhillSimplex<Real>::Init(int parameters) {
  if (Stepsize < Real(1e-8)) Stepsize = Real(0.1);
  if (parameters < 1 || parameters > kMaxParameters) {
    m = 0;
    ConvCheck = false;
    return false;
  }
  m = parameters;
  const Real ym = Real(m);
  const Real root = std::sqrt(ym + Real(1));
  PX = Stepsize * (root + ym - Real(1)) / (ym * Real(1.414213));
  QX = Stepsize * (root - Real(1)) / (ym * Real(1.414213));
  ConvCheck = false;
  State = 1;
  return true;
}

// Vertex i from vertex 0 and the point just handed in (the previous vertex).
template <class Real>
void DownhillSimplex<Real>::PresentStartingVertex() {
  Real* vertex = Simp[i];
  for (int k = 0; k < m; ++k) vertex[k] = Simp[0][k] + QX * Par[k];
  vertex[i - 1] = Simp[0][i - 1] + PX * Par[i - 1];
  i1 = i;
  Present(vertex);
}

template <class Real>
void DownhillSimplex<Real>::ShrinkVertex(int j) {
  for (int k = 0; k < m; ++k) Simp[j][k] = (Simp[j][k] + Simp[low][k]) / Real(2);
  Present(Simp[j]);
}

template <class Real>
void DownhillSimplex<Real>::BeginIteration(bool completed) {
  // Strict comparisons: ties keep the vertex found first or last iteration's.
  for (int j = 0; j <= m; ++j) {
    if (Resl[j] < Resl[low]) low = j;
    if (Resl[j] > Resl[high]) high = j;
  }
  for (int k = 0; k < m; ++k) {
    Real sum = 0;
    for (int j = 0; j <= m; ++j)
      if (j != high) sum += Simp[j][k];
    Centre[k] = sum / Real(m);
    Par[k] = Centre[k] + Real(1) * (Centre[k] - Simp[high][k]);
  }
  State = 3;
  ConvCheck = completed;
}

template <class Real>
void DownhillSimplex<Real>::Next(std::span<Real> vector, Real value) {
  ConvCheck = false;
  if (m == 0 || vector.size() < static_cast<std::size_t>(m)) return;
  std::copy_n(vector.begin(), m, Par);
  switch (State) {
    case 1:
      Replace(0, value);
      i = 1;
      PresentStartingVertex();
      State = 2;
      break;
    case 2:
      Resl[i1] = value;
      ++i;
      if (i <= m) {
        PresentStartingVertex();
      } else {
        high = 0;
        low = 0;
        BeginIteration(false);
      }
      break;
    case 3:
      if (value <= Resl[low]) {
        Replace(high, value);
        for (int k = 0; k < m; ++k) Par[k] = Real(2) * Par[k] - Centre[k];
        State = 4;
      } else if (value >= Resl[high]) {
        for (int k = 0; k < m; ++k) Par[k] = Real(0.5) * Simp[high][k] + Real(0.5) * Centre[k];
        State = 5;
      } else {
        Replace(high, value);
        BeginIteration(true);
      }
      break;
    case 4:
      // Resl[low] is still the best value from before this iteration; when
      // the expansion is no better the reflected point stays.
      if (value < Resl[low]) Replace(high, value);
      BeginIteration(true);
      break;
    case 5:
      if (value < Resl[high]) {
        Replace(high, value);
        BeginIteration(true);
      } else {
        i = 0;
        i1 = 0;
        ShrinkVertex(0);
        State = 6;
      }
      break;
    case 6:
      Resl[i] = value;
      ++i;
      if (i > m)
        BeginIteration(true);
      else
        ShrinkVertex(i);
      break;
    default:
      BeginIteration(true);
      break;
  }
  std::copy_n(Par, m, vector.begin());
}

template <class Real>
bool DownhillSimplex<Real>::AbsConv(Real tolerance) const {
  return ConvCheck && tolerance > Resl[high] - Resl[low];
}

// A best value of 0 gives no finite quotient, so the test fails.
template <class Real>
bool DownhillSimplex<Real>::RelConv(Real tolerance) const {
  return ConvCheck && Resl[low] != Real(0) && tolerance > std::fabs((Resl[high] - Resl[low]) / Resl[low]);
}

template <class Real>
void DownhillSimplex<Real>::Centroid(std::span<Real> vector) const {
  if (m == 0 || vector.size() < static_cast<std::size_t>(m)) return;
  for (int k = 0; k < m; ++k) {
    Real sum = 0;
    for (int j = 0; j <= m; ++j) sum += Simp[j][k];
    vector[k] = sum / Real(m + 1);
  }
}
