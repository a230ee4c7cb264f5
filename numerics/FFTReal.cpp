#include "numerics/FFTReal.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <utility>

// How the work is laid out (none of it changes a result: the butterflies of
// one stage are independent, and every one is computed as stated):
// - Lengths of 256 and more: the bit-reversal permutation moves 16 x 16
//   tiles through small buffers, and the first four stages (h = 1 .. 8) are
//   done on those buffers before they are written back.
// - The remaining stages go in pairs (h, 2h), each point loaded and stored
//   once per pair.
// - Twiddle factors are produced by their recurrence in chunks of 64 and
//   then applied to every block, so the inner loops run over contiguous
//   points and vectorise; with AVX2 present they run four doubles wide.

namespace FFTReal {

namespace {

// The clones' resolvers run while the program is being loaded, before the
// thread sanitizer's runtime is ready, and crash it: sanitized builds keep
// one copy.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__)
#define FFT_WIDE_VECTORS __attribute__((target_clones("avx2", "default")))
#else
#define FFT_WIDE_VECTORS
#endif
// The kernels are inlined into each target's copy of their callers.
#define FFT_KERNEL [[gnu::always_inline]] inline

bool Acceptable(std::int32_t n, const float* re, const float* im) {
  if (re == nullptr || im == nullptr || n < 1 || (n & (n - 1)) != 0) return false;
  // The kernels rely on the two arrays being apart.
  const auto r = reinterpret_cast<std::uintptr_t>(re);
  const auto i = reinterpret_cast<std::uintptr_t>(im);
  const std::uintptr_t bytes = static_cast<std::uintptr_t>(n) * sizeof(float);
  return r + bytes <= i || i + bytes <= r;
}

// The twiddle factor w of one stage, advanced position by position as
// w = w + w x (-2 sin^2(theta / 2), sin(theta)) in double precision.
struct Twiddle {
  double wr = 1.0, wi = 0.0;
  double pr, pi;
  Twiddle(int h, double sign) {
    const double theta = sign * std::numbers::pi / h;
    const double half = std::sin(0.5 * theta);
    pr = -2.0 * half * half;
    pi = std::sin(theta);
  }
  void Advance() {
    const double r = wr;
    wr = wr + (wr * pr - wi * pi);
    wi = wi + (wi * pr + r * pi);
  }
};

// t = w x b formed in double and rounded to single; b = a - t, a = a + t.
inline void Butterfly(float& ar, float& ai, float& br, float& bi, double wr, double wi) {
  const double xr = br;
  const double xi = bi;
  const float tr = static_cast<float>(wr * xr - wi * xi);
  const float ti = static_cast<float>(wr * xi + wi * xr);
  br = ar - tr;
  bi = ai - ti;
  ar = ar + tr;
  ai = ai + ti;
}

// --- Bit reversal -----------------------------------------------------------

// Short arrays swap element i with its partner rev(i) directly. The reversed
// index is carried along branch-free: going from i to i + 1 flips the
// trailing ones of i and the zero above them, which reversed are top bits.
void SwapReversed(int n, float* x) {
  unsigned j = 0;
  for (int i = 0; i < n - 1; ++i) {
    if (static_cast<unsigned>(i) < j) std::swap(x[i], x[j]);
    j ^= static_cast<unsigned>(n) - (static_cast<unsigned>(n) >> (std::countr_zero(static_cast<unsigned>(i + 1)) + 1));
  }
}

// Reverses the low `bits` bits of v.
constexpr unsigned Reversed(unsigned v, int bits) {
  unsigned r = 0;
  for (int b = 0; b < bits; ++b, v >>= 1) r = (r << 1) | (v & 1);
  return r;
}

// In long arrays partners lie a power of two apart, fall into the same cache
// sets, and swapping them one by one thrashes the cache. So an index is split
// as (a, m, c), a and c of kTileBits bits each; its partner is
// (rev c, rev m, rev a). The tile of all (a, c) for one m is read row by row
// (whole cache lines) into a buffer, and the tile for rev m is written back
// from it: x(a, rev m, c) = tile[rev c][rev a].
//
// Element c of the run of 16 points that x(a, rev m, .) becomes is thus
// tile[rev c][rev a]: in the buffer, run rev a is column rev a, and its
// point c is row rev c. The first four stages (h = 1, 2, 4, 8), which never
// leave a run, are done there on whole rows, all 16 runs at once.
constexpr int kTileBits = 4;
constexpr int kTile = 1 << kTileBits;  // also the run length the first stages cover
constexpr int kFirstStages = kTileBits;

struct Tile {
  float re[kTile][kTile], im[kTile][kTile];
};

// Twiddle factors of stages h = 1, 2, 4, 8: position m of stage h at h - 1 + m.
struct RunTwiddles {
  double r[kTile - 1], i[kTile - 1];
  explicit RunTwiddles(double sign) {
    for (int h = 1; h < kTile; h *= 2) {
      Twiddle w(h, sign);
      for (int m = 0; m < h; ++m, w.Advance()) {
        r[h - 1 + m] = w.wr;
        i[h - 1 + m] = w.wi;
      }
    }
  }
};

constexpr auto kReversedInTile = [] {
  std::array<int, kTile> rev{};
  for (int c = 0; c < kTile; ++c) rev[c] = static_cast<int>(Reversed(c, kTileBits));
  return rev;
}();

template <int H>
FFT_KERNEL void RunStage(float* r, float* i, const RunTwiddles& w) {
  for (int block = 0; block < kTile; block += 2 * H)
    for (int m = 0; m < H; ++m)
      Butterfly(r[block + m], i[block + m], r[block + m + H], i[block + m + H], w.r[H - 1 + m], w.i[H - 1 + m]);
}

// The loop runs over the 16 runs (columns), so that point c of all runs is
// one contiguous row and the loop vectorises without any shuffling.
FFT_WIDE_VECTORS
void RunStages(Tile& t, const RunTwiddles& w) {
  static_assert(kTile == 16, "the stages below cover runs of 16 points");
  for (int run = 0; run < kTile; ++run) {
    float r[kTile], i[kTile];
    for (int c = 0; c < kTile; ++c) {
      r[c] = t.re[kReversedInTile[c]][run];
      i[c] = t.im[kReversedInTile[c]][run];
    }
    RunStage<1>(r, i, w);
    RunStage<2>(r, i, w);
    RunStage<4>(r, i, w);
    RunStage<8>(r, i, w);
    for (int c = 0; c < kTile; ++c) {
      t.re[kReversedInTile[c]][run] = r[c];
      t.im[kReversedInTile[c]][run] = i[c];
    }
  }
}

void BitReverseWithRunStages(int bits, float* re, float* im, double sign) {
  const RunTwiddles w(sign);
  const int middleBits = bits - 2 * kTileBits;
  const auto& rev = kReversedInTile;
  const auto offset = [&](unsigned a, unsigned m) { return (a << (middleBits + kTileBits)) | (m << kTileBits); };
  const auto load = [&](Tile& t, unsigned m) {
    for (int a = 0; a < kTile; ++a) {
      std::copy_n(re + offset(a, m), kTile, t.re[a]);
      std::copy_n(im + offset(a, m), kTile, t.im[a]);
    }
  };
  const auto store = [&](const Tile& t, unsigned m) {
    for (int a = 0; a < kTile; ++a) {
      float* rowRe = re + offset(a, m);
      float* rowIm = im + offset(a, m);
      for (int c = 0; c < kTile; ++c) {
        rowRe[c] = t.re[rev[c]][rev[a]];
        rowIm[c] = t.im[rev[c]][rev[a]];
      }
    }
  };
  Tile tm, tr;
  for (unsigned m = 0; m < (1u << middleBits); ++m) {
    const unsigned r = Reversed(m, middleBits);
    if (r < m) continue;
    load(tm, m);
    RunStages(tm, w);
    if (r == m) {
      store(tm, m);
      continue;
    }
    load(tr, r);
    RunStages(tr, w);
    store(tm, r);
    store(tr, m);
  }
}

// --- Stages h >= 16 (all stages of short arrays) ---------------------------

// Positions are taken in chunks: the recurrence fills the chunk's twiddle
// factors in order, then every block of the stage is done for that chunk.
constexpr int kChunk = 64;

struct ChunkOfTwiddles {
  double r[kChunk], i[kChunk];
  void Set(int j, const Twiddle& w) {
    r[j] = w.wr;
    i[j] = w.wi;
  }
  void Fill(Twiddle& w, int count) {
    for (int j = 0; j < count; ++j, w.Advance()) Set(j, w);
  }
};

// count butterflies between the runs a and b; twiddle factor j for pair j.
FFT_KERNEL void Butterflies(float* __restrict ar, float* __restrict ai, float* __restrict br, float* __restrict bi,
                            const ChunkOfTwiddles& w, int count) {
  for (int j = 0; j < count; ++j) Butterfly(ar[j], ai[j], br[j], bi[j], w.r[j], w.i[j]);
}

FFT_WIDE_VECTORS
void Stage(int n, int h, double sign, float* re, float* im) {
  Twiddle w(h, sign);
  const int chunk = std::min(h, kChunk);
  ChunkOfTwiddles t;
  for (int first = 0; first < h; first += chunk) {
    t.Fill(w, chunk);
    for (int k = first; k < n; k += 2 * h) Butterflies(re + k, im + k, re + k + h, im + k + h, t, chunk);
  }
}

// Stages h and 2h on the four runs of a block of 4h points: position j of
// each run meets the same position of the others, stage h pairs runs 0-1 and
// 2-3 with its factor j, stage 2h pairs runs 0-2 with its factor j and runs
// 1-3 with its factor j + h.
FFT_KERNEL void QuadButterflies(float* __restrict r0, float* __restrict r1, float* __restrict r2, float* __restrict r3,
                                float* __restrict i0, float* __restrict i1, float* __restrict i2, float* __restrict i3,
                                const ChunkOfTwiddles& u, const ChunkOfTwiddles& v, const ChunkOfTwiddles& vAhead,
                                int count) {
  for (int j = 0; j < count; ++j) {
    float a0r = r0[j], a0i = i0[j], a1r = r1[j], a1i = i1[j];
    float a2r = r2[j], a2i = i2[j], a3r = r3[j], a3i = i3[j];
    Butterfly(a0r, a0i, a1r, a1i, u.r[j], u.i[j]);
    Butterfly(a2r, a2i, a3r, a3i, u.r[j], u.i[j]);
    Butterfly(a0r, a0i, a2r, a2i, v.r[j], v.i[j]);
    Butterfly(a1r, a1i, a3r, a3i, vAhead.r[j], vAhead.i[j]);
    r0[j] = a0r;
    i0[j] = a0i;
    r1[j] = a1r;
    i1[j] = a1i;
    r2[j] = a2r;
    i2[j] = a2i;
    r3[j] = a3r;
    i3[j] = a3i;
  }
}

// The factors j + h of stage 2h come from a second copy of its recurrence,
// run ahead by h steps (the same values, computed twice). The three
// recurrences then advance side by side, which also shortens the chain of
// dependent steps that bounds the largest stages.
FFT_WIDE_VECTORS
void StagePair(int n, int h, double sign, float* re, float* im) {
  Twiddle w(h, sign);
  Twiddle x(2 * h, sign);
  Twiddle xAhead = x;
  for (int m = 0; m < h; ++m) xAhead.Advance();
  const int chunk = std::min(h, kChunk);
  ChunkOfTwiddles u, v, vAhead;
  for (int first = 0; first < h; first += chunk) {
    for (int j = 0; j < chunk; ++j) {  // one loop, so that the three recurrences overlap
      u.Set(j, w);
      v.Set(j, x);
      vAhead.Set(j, xAhead);
      w.Advance();
      x.Advance();
      xAhead.Advance();
    }
    for (int k = first; k < n; k += 4 * h) {
      float* r = re + k;
      float* i = im + k;
      QuadButterflies(r, r + h, r + 2 * h, r + 3 * h, i, i + h, i + 2 * h, i + 3 * h, u, v, vAhead, chunk);
    }
  }
}

bool Transform(std::int32_t n, float* re, float* im, double sign) {
  if (!Acceptable(n, re, im)) return false;
  const int bits = std::countr_zero(static_cast<unsigned>(n));
  int done = 0;  // stages done
  if (bits >= 2 * kTileBits) {
    BitReverseWithRunStages(bits, re, im, sign);
    done = kFirstStages;
  } else {
    SwapReversed(n, re);
    SwapReversed(n, im);
  }
  // Pairs from the top down, so that the largest stages, bounded by their
  // recurrences, are paired; an odd stage left over runs alone first.
  if ((bits - done) % 2 == 1) {
    Stage(n, 1 << done, sign, re, im);
    ++done;
  }
  for (; done < bits; done += 2) StagePair(n, 1 << done, sign, re, im);
  return true;
}

}  // namespace

bool Forward(std::int32_t n, float* re, float* im) { return Transform(n, re, im, -1.0); }

bool Reverse(std::int32_t n, float* re, float* im) { return Transform(n, re, im, +1.0); }

}  // namespace FFTReal
