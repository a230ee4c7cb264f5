#include "numerics/FFTReal.h"

#include <fftw3.h>
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <random>
#include <utility>
#include <vector>

namespace {

using Transform = bool (*)(std::int32_t, float*, float*);

struct Signal {
  std::vector<float> re, im;
};

Signal Random(int n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> u(-1.0f, 1.0f);
  Signal s{std::vector<float>(n), std::vector<float>(n)};
  for (int i = 0; i < n; ++i) {
    s.re[i] = u(rng);
    s.im[i] = u(rng);
  }
  return s;
}

// The transform exactly as the algorithm states it: bit reversal, then for
// each half-size h and each position m the butterflies of every block, the
// twiddle factor advanced by its recurrence after each position.
void Literal(int n, float* re, float* im, double sign) {
  int j = 0;
  for (int i = 0; i < n; ++i) {
    if (i < j) {
      std::swap(re[i], re[j]);
      std::swap(im[i], im[j]);
    }
    int m = n / 2;
    while (m >= 1 && j >= m) {
      j -= m;
      m /= 2;
    }
    j += m;
  }
  for (int h = 1; h < n; h *= 2) {
    const double theta = sign * std::numbers::pi / h;
    const double s = std::sin(0.5 * theta);
    const double wpr = -2.0 * s * s;
    const double wpi = std::sin(theta);
    double wr = 1.0, wi = 0.0;
    for (int m = 0; m < h; ++m) {
      for (int k = m; k < n; k += 2 * h) {
        const float tr = static_cast<float>(wr * re[k + h] - wi * im[k + h]);
        const float ti = static_cast<float>(wr * im[k + h] + wi * re[k + h]);
        re[k + h] = re[k] - tr;
        im[k + h] = im[k] - ti;
        re[k] = re[k] + tr;
        im[k] = im[k] + ti;
      }
      const double t = wr;
      wr = wr * wpr - wi * wpi + wr;
      wi = wi * wpr + t * wpi + wi;
    }
  }
}

TEST(FFTReal, RefusesLengthsThatAreNotPowersOfTwoAndNilArrays) {
  struct Case {
    std::int32_t n;
    bool nilRe, nilIm;
  };
  const std::vector<Case> cases = {{0, false, false},    {-8, false, false}, {3, false, false},
                                   {6, false, false},    {24, false, false}, {1000, false, false},
                                   {1023, false, false}, {16, true, false},  {16, false, true}};
  for (const Case& c : cases) {
    for (Transform transform : {FFTReal::Forward, FFTReal::Reverse}) {
      Signal s = Random(1024, 1);
      const Signal before = s;
      EXPECT_FALSE(transform(c.n, c.nilRe ? nullptr : s.re.data(), c.nilIm ? nullptr : s.im.data())) << c.n;
      EXPECT_EQ(s.re, before.re) << c.n;
      EXPECT_EQ(s.im, before.im) << c.n;
    }
  }
}

TEST(FFTReal, RefusesOverlappingArrays) {
  std::vector<float> buffer(64, 1.0f);
  const std::vector<float> before = buffer;
  EXPECT_FALSE(FFTReal::Forward(32, buffer.data(), buffer.data()));
  EXPECT_FALSE(FFTReal::Forward(32, buffer.data(), buffer.data() + 31));
  EXPECT_FALSE(FFTReal::Reverse(32, buffer.data() + 16, buffer.data()));
  EXPECT_EQ(buffer, before);
  EXPECT_TRUE(FFTReal::Forward(32, buffer.data(), buffer.data() + 32));  // adjacent is fine
  EXPECT_EQ(buffer[0], 32.0f);
  EXPECT_EQ(buffer[32], 32.0f);
}

TEST(FFTReal, SmallTransformsAndTheSignOfTheKernel) {
  struct Case {
    const char* name;
    std::vector<std::complex<double>> in, forward;  // reverse of the conjugate input gives the conjugate
  };
  using C = std::complex<double>;
  const std::vector<Case> cases = {
      {"n = 1", {C(3, -2)}, {C(3, -2)}},
      {"n = 2", {C(1, 2), C(3, 5)}, {C(4, 7), C(-2, -3)}},
      {"impulse", {C(1, 0), C(0, 0), C(0, 0), C(0, 0)}, {C(1, 0), C(1, 0), C(1, 0), C(1, 0)}},
      {"delayed impulse", {C(0, 0), C(1, 0), C(0, 0), C(0, 0)}, {C(1, 0), C(0, -1), C(-1, 0), C(0, 1)}},
      {"constant",
       {C(2, 1), C(2, 1), C(2, 1), C(2, 1), C(2, 1), C(2, 1), C(2, 1), C(2, 1)},
       {C(16, 8), C(0, 0), C(0, 0), C(0, 0), C(0, 0), C(0, 0), C(0, 0), C(0, 0)}},
  };
  for (const Case& c : cases) {
    const int n = static_cast<int>(c.in.size());
    std::vector<float> re(n), im(n), cre(n), cim(n);
    for (int i = 0; i < n; ++i) {
      re[i] = static_cast<float>(c.in[i].real());
      im[i] = static_cast<float>(c.in[i].imag());
      cre[i] = re[i];
      cim[i] = -im[i];
    }
    ASSERT_TRUE(FFTReal::Forward(n, re.data(), im.data())) << c.name;
    ASSERT_TRUE(FFTReal::Reverse(n, cre.data(), cim.data())) << c.name;
    for (int k = 0; k < n; ++k) {
      EXPECT_NEAR(re[k], c.forward[k].real(), 1e-6) << c.name << " bin " << k;
      EXPECT_NEAR(im[k], c.forward[k].imag(), 1e-6) << c.name << " bin " << k;
      EXPECT_NEAR(cre[k], c.forward[k].real(), 1e-6) << c.name << " bin " << k;
      EXPECT_NEAR(cim[k], -c.forward[k].imag(), 1e-6) << c.name << " bin " << k;
    }
  }

  // e^(+2 pi i j / n) forwards, and e^(-2 pi i j / n) in reverse, put n into bin 1.
  const int n = 64;
  std::vector<float> re(n), im(n), rre(n), rim(n);
  for (int j = 0; j < n; ++j) {
    const double phase = 2 * std::numbers::pi * j / n;
    re[j] = rre[j] = static_cast<float>(std::cos(phase));
    im[j] = static_cast<float>(std::sin(phase));
    rim[j] = -im[j];
  }
  ASSERT_TRUE(FFTReal::Forward(n, re.data(), im.data()));
  ASSERT_TRUE(FFTReal::Reverse(n, rre.data(), rim.data()));
  EXPECT_NEAR(re[1], n, 1e-4);
  EXPECT_NEAR(rre[1], n, 1e-4);
  EXPECT_NEAR(re[n - 1], 0, 1e-4);
  EXPECT_NEAR(rre[n - 1], 0, 1e-4);
}

// The loops are arranged for speed; every bit of the result must still be
// the one the algorithm as stated gives.
TEST(FFTReal, BitForBitTheStatedAlgorithm) {
  for (int bits = 0; bits <= 16; ++bits) {
    const int n = 1 << bits;
    for (double sign : {-1.0, 1.0}) {
      Signal ours = Random(n, 100 + bits);
      Signal literal = ours;
      ASSERT_TRUE(sign < 0 ? FFTReal::Forward(n, ours.re.data(), ours.im.data())
                           : FFTReal::Reverse(n, ours.re.data(), ours.im.data()));
      Literal(n, literal.re.data(), literal.im.data(), sign);
      int differing = 0;
      for (int i = 0; i < n; ++i)
        differing += std::bit_cast<std::uint32_t>(ours.re[i]) != std::bit_cast<std::uint32_t>(literal.re[i]) ||
                     std::bit_cast<std::uint32_t>(ours.im[i]) != std::bit_cast<std::uint32_t>(literal.im[i]);
      EXPECT_EQ(differing, 0) << "n = " << n << " sign " << sign;
    }
  }
}

double RelativeRms(const std::vector<std::complex<double>>& x, const std::vector<std::complex<double>>& reference) {
  double error = 0, norm = 0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    error += std::norm(x[i] - reference[i]);
    norm += std::norm(reference[i]);
  }
  return std::sqrt(error / norm);
}

TEST(FFTReal, ForwardThenReverseGivesNTimesTheInput) {
  for (int bits : {1, 4, 10, 16}) {
    const int n = 1 << bits;
    const Signal input = Random(n, 7 + bits);
    Signal s = input;
    ASSERT_TRUE(FFTReal::Forward(n, s.re.data(), s.im.data()));
    ASSERT_TRUE(FFTReal::Reverse(n, s.re.data(), s.im.data()));
    std::vector<std::complex<double>> back(n), expected(n);
    for (int i = 0; i < n; ++i) {
      back[i] = {s.re[i], s.im[i]};
      expected[i] = {double(n) * input.re[i], double(n) * input.im[i]};
    }
    EXPECT_LT(RelativeRms(back, expected), 2e-7 * bits) << "n = " << n;
  }
}

// Relative RMS error against FFTW in double precision, beside that of FFTW's
// own single-precision transform of the same data.
TEST(FFTReal, AccuracyAgainstFFTW) {
  std::printf("     n  direction  ours       FFTW single  ratio\n");
  for (int bits = 8; bits <= 16; ++bits) {
    const int n = 1 << bits;
    for (int direction : {FFTW_FORWARD, FFTW_BACKWARD}) {
      const Signal input = Random(n, 1000 + bits);

      fftw_complex* d = fftw_alloc_complex(n);
      fftwf_complex* f = fftwf_alloc_complex(n);
      for (int i = 0; i < n; ++i) {
        d[i][0] = f[i][0] = input.re[i];
        d[i][1] = f[i][1] = input.im[i];
      }
      fftw_plan dp = fftw_plan_dft_1d(n, d, d, direction, FFTW_ESTIMATE);
      fftwf_plan fp = fftwf_plan_dft_1d(n, f, f, direction, FFTW_ESTIMATE);
      fftw_execute(dp);
      fftwf_execute(fp);

      Signal s = input;
      ASSERT_TRUE(direction == FFTW_FORWARD ? FFTReal::Forward(n, s.re.data(), s.im.data())
                                            : FFTReal::Reverse(n, s.re.data(), s.im.data()));
      std::vector<std::complex<double>> reference(n), ours(n), theirs(n);
      for (int i = 0; i < n; ++i) {
        reference[i] = {d[i][0], d[i][1]};
        ours[i] = {s.re[i], s.im[i]};
        theirs[i] = {f[i][0], f[i][1]};
      }
      fftw_destroy_plan(dp);
      fftwf_destroy_plan(fp);
      fftw_free(d);
      fftwf_free(f);

      const double ourError = RelativeRms(ours, reference);
      const double fftwError = RelativeRms(theirs, reference);
      std::printf("%6d  %-9s  %.3e  %.3e    %.2f\n", n, direction == FFTW_FORWARD ? "forward" : "reverse", ourError,
                  fftwError, ourError / fftwError);
      EXPECT_LE(ourError, 2 * fftwError) << "n = " << n;
    }
  }
}

}  // namespace
