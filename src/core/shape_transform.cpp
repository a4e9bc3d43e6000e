#include "core/shape_transform.hpp"

#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/exponential.hpp>
#include <boost/math/distributions/lognormal.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <optional>
#include <stdexcept>

#include "core/contaminated_normal.hpp"
#include "core/g_and_h.hpp"
#include "core/shape_policy.hpp"
#include "core/shape_refusal.hpp"

namespace velmor {

ShapeTransform::ShapeTransform(const PopulationShape& shape) : shape_(shape) {
    // A Fleishman pair that the solver solves is possible by that fact (its
    // coefficients are checked against all three equations), so the refusal,
    // whose reachable range costs twice the solve, is consulted only for
    // the message of a pair it cannot solve.
    std::optional<FleishmanCoefficients> coefficients;
    if (shape.family == ShapeFamily::Fleishman && std::isfinite(shape.skewness) &&
        std::isfinite(shape.kurtosis)) {
        coefficients = SolveFleishman(shape.skewness, shape.kurtosis);
    }
    if (!coefficients) {
        if (const auto refusal = ShapeRefusal(shape)) throw std::invalid_argument(*refusal);
    }
    switch (shape.family) {
        case ShapeFamily::Fleishman: {
            // Standard by construction: a = -c gives mean 0, the first
            // equation variance 1.
            if (!coefficients) throw std::invalid_argument("Fleishman's power method failed.");
            fleishman_ = *coefficients;
            skewness_ = shape.skewness;
            kurtosis_ = shape.kurtosis;
            break;
        }
        case ShapeFamily::GAndH: {
            const GAndHMoments m = GAndHMomentsOf(shape.g, shape.h);
            centre_ = m.mean;
            spread_ = m.sd;
            skewness_ = m.skewness;
            kurtosis_ = m.kurtosis;
            break;
        }
        case ShapeFamily::Lognormal: {
            // The transform standardises itself (see operator()); the
            // centre and spread are the mean and SD of exp(sigma Z).
            const boost::math::lognormal d(0.0, shape.sigma);
            centre_ = boost::math::mean(d);
            spread_ = boost::math::standard_deviation(d);
            skewness_ = boost::math::skewness(d);
            kurtosis_ = boost::math::kurtosis_excess(d);
            lognormalShift_ = shape.sigma * shape.sigma / 2.0;
            lognormalScale_ = std::sqrt(std::expm1(shape.sigma * shape.sigma));
            break;
        }
        case ShapeFamily::Exponential: {
            const boost::math::exponential d(1.0);
            centre_ = boost::math::mean(d);
            spread_ = boost::math::standard_deviation(d);
            skewness_ = boost::math::skewness(d);
            kurtosis_ = boost::math::kurtosis_excess(d);
            break;
        }
        case ShapeFamily::ChiSquare: {
            const boost::math::chi_squared d(shape.df);
            centre_ = boost::math::mean(d);
            spread_ = boost::math::standard_deviation(d);
            skewness_ = boost::math::skewness(d);
            kurtosis_ = boost::math::kurtosis_excess(d);
            break;
        }
        case ShapeFamily::StudentT: {
            const boost::math::students_t d(shape.df);
            centre_ = 0.0;
            spread_ = boost::math::standard_deviation(d);
            skewness_ = 0.0;
            kurtosis_ = boost::math::kurtosis_excess(d);
            break;
        }
        case ShapeFamily::Contaminated: {
            centre_ = 0.0;
            spread_ = std::sqrt(ContaminatedVariance(shape.proportion, shape.sdRatio));
            skewness_ = 0.0;
            kurtosis_ = ContaminatedKurtosis(shape.proportion, shape.sdRatio);
            break;
        }
    }
}

double ShapeTransform::operator()(double deviate) const {
    switch (shape_.family) {
        case ShapeFamily::Fleishman: {
            // z is a standard normal deviate. Horner's form of a + bz + cz^2 + dz^3.
            const FleishmanCoefficients& k = fleishman_;
            return k.a + deviate * (k.b + deviate * (k.c + deviate * k.d));
        }
        case ShapeFamily::GAndH:  // z is a standard normal deviate
            return (GAndHValue(shape_.g, shape_.h, deviate) - centre_) / spread_;
        case ShapeFamily::Lognormal: {
            // z is a standard normal deviate. (exp(sigma z) - e^(sigma^2/2)) / sd
            // = expm1(sigma z - sigma^2 / 2) / sqrt(expm1(sigma^2)): the same
            // value without the cancellation of two nearby exponentials for a
            // small sigma.
            return std::expm1(shape_.sigma * deviate - lognormalShift_) / lognormalScale_;
        }
        case ShapeFamily::Exponential:  // u is uniform in (0, 1)
            return (boost::math::quantile(
                        boost::math::exponential_distribution<double, ScorePolicy>(1.0), deviate) -
                    centre_) /
                   spread_;
        case ShapeFamily::ChiSquare:  // u is uniform in (0, 1)
            return (boost::math::quantile(
                        boost::math::chi_squared_distribution<double, ScorePolicy>(shape_.df),
                        deviate) -
                    centre_) /
                   spread_;
        case ShapeFamily::StudentT:  // u is uniform in (0, 1)
            return boost::math::quantile(
                       boost::math::students_t_distribution<double, ScorePolicy>(shape_.df),
                       deviate) /
                   spread_;
        case ShapeFamily::Contaminated:  // u is uniform in (0, 1)
            return ContaminatedQuantile(shape_.proportion, shape_.sdRatio, deviate) / spread_;
    }
    return 0.0;
}

}  // namespace velmor
