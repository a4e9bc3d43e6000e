#include "core/moment_accumulator.hpp"

#include <cmath>
#include <limits>

namespace velmor {

void MomentAccumulator::Add(double x) {
    const long double n1 = static_cast<long double>(count_);
    ++count_;
    const long double n = static_cast<long double>(count_);
    const long double delta = x - mean_;
    const long double deltaN = delta / n;
    const long double deltaN2 = deltaN * deltaN;
    const long double term = delta * deltaN * n1;
    mean_ += deltaN;
    // Order matters: each update uses the lower sums before they change.
    m4_ += term * deltaN2 * (n * n - 3.0L * n + 3.0L) + 6.0L * deltaN2 * m2_ - 4.0L * deltaN * m3_;
    m3_ += term * deltaN * (n - 2.0L) - 3.0L * deltaN * m2_;
    m2_ += term;
}

void MomentAccumulator::Merge(const MomentAccumulator& other) {
    if (other.count_ == 0) return;
    if (count_ == 0) {
        *this = other;
        return;
    }
    const long double na = static_cast<long double>(count_);
    const long double nb = static_cast<long double>(other.count_);
    const long double n = na + nb;
    const long double delta = other.mean_ - mean_;
    const long double delta2 = delta * delta;
    const long double m2 = m2_ + other.m2_ + delta2 * na * nb / n;
    const long double m3 = m3_ + other.m3_ + delta2 * delta * na * nb * (na - nb) / (n * n) +
                           3.0L * delta * (na * other.m2_ - nb * m2_) / n;
    const long double m4 = m4_ + other.m4_ +
                           delta2 * delta2 * na * nb * (na * na - na * nb + nb * nb) / (n * n * n) +
                           6.0L * delta2 * (na * na * other.m2_ + nb * nb * m2_) / (n * n) +
                           4.0L * delta * (na * other.m3_ - nb * m3_) / n;
    mean_ += delta * nb / n;
    m2_ = m2;
    m3_ = m3;
    m4_ = m4;
    count_ += other.count_;
}

void MomentAccumulator::AddBlock(std::span<const double> scores) {
    if (scores.empty()) return;
    MomentAccumulator block;
    long double sum = 0.0L;
    for (const double x : scores) sum += x;
    block.count_ = static_cast<std::int64_t>(scores.size());
    block.mean_ = sum / static_cast<long double>(block.count_);
    for (const double x : scores) {
        const long double d = x - block.mean_;
        const long double d2 = d * d;
        block.m2_ += d2;
        block.m3_ += d2 * d;
        block.m4_ += d2 * d2;
    }
    Merge(block);
}

double MomentAccumulator::sd() const {
    if (count_ < 2) return std::numeric_limits<double>::quiet_NaN();
    return static_cast<double>(std::sqrt(m2_ / static_cast<long double>(count_ - 1)));
}

double MomentAccumulator::skewness() const {
    if (!(m2_ > 0.0L)) return std::numeric_limits<double>::quiet_NaN();
    const long double n = static_cast<long double>(count_);
    return static_cast<double>(std::sqrt(n) * m3_ / (m2_ * std::sqrt(m2_)));
}

double MomentAccumulator::kurtosis() const {
    if (!(m2_ > 0.0L)) return std::numeric_limits<double>::quiet_NaN();
    const long double n = static_cast<long double>(count_);
    return static_cast<double>(n * m4_ / (m2_ * m2_) - 3.0L);
}

}  // namespace velmor
