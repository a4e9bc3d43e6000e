#pragma once
// Achieved mean, SD, skewness and excess kurtosis of a stream of scores, in
// one pass and without keeping the scores. The central sums are updated for
// each score by the one-pass formulas for higher moments (Terriberry 2008,
// after Welford 1962), which never subtract two large nearly equal sums as
// the textbook sums of powers do; two accumulators of separate blocks merge
// exactly as if one had seen both streams (Chan, Golub & LeVeque 1979;
// Pebay 2008), so blocks counted on different threads or in different runs
// can be combined in any grouping.

#include <cstdint>
#include <span>

namespace velmor {

class MomentAccumulator {
  public:
    void Add(double x);
    void Merge(const MomentAccumulator& other);
    // A block of scores at once: its own central sums in two passes (mean,
    // then the powers of the deviations from it), merged as another
    // accumulator's would be. The same result as adding them one by one, to
    // rounding, at a fraction of the cost: no division per score.
    void AddBlock(std::span<const double> scores);

    std::int64_t count() const { return count_; }
    double mean() const { return static_cast<double>(mean_); }
    // The SD with divisor n - 1 (NaN below two scores).
    double sd() const;
    // The moment ratios g1 = m3 / m2^(3/2) and g2 = m4 / m2^2 - 3, with m_k
    // the k-th central moment with divisor n: the sample's own skewness and
    // excess kurtosis, the values compared with a population's (NaN while
    // the scores have no spread).
    double skewness() const;
    double kurtosis() const;

  private:
    // Extended precision: with millions of scores the sums of cubes and
    // fourth powers keep more of the digits the ratios depend on.
    std::int64_t count_ = 0;
    long double mean_ = 0.0L;
    long double m2_ = 0.0L;  // sum of squared deviations from the mean
    long double m3_ = 0.0L;
    long double m4_ = 0.0L;
};

}  // namespace velmor
