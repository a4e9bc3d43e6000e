#pragma once
// Hoaglin's g-and-h family: Y = (exp(gZ) - 1) / g * exp(hZ^2 / 2), Z standard
// normal (for g = 0 the first factor is Z). g sets the skew, h >= 0 the tail
// weight. Its raw moments have a closed form (Hoaglin 1985, in Understanding
// Robust and Exploratory Data Analysis, ch. 11; also Headrick, Kowalchuk &
// Sheng 2008): for g != 0 and h < 1/n,
//   E[Y^n] = sum_{i=0..n} (-1)^i C(n, i) exp((n - i)^2 g^2 / (2 (1 - n h)))
//            / (g^n sqrt(1 - n h)),
// and for g = 0 the odd moments vanish and E[Y^2] = (1 - 2h)^(-3/2),
// E[Y^4] = 3 (1 - 4h)^(-5/2). The mean needs h < 1, the variance h < 1/2,
// the skewness h < 1/3 and the kurtosis h < 1/4.

namespace velmor {

// Mean, SD, skewness and excess kurtosis of Y; the last two are NaN where
// they do not exist (h >= 1/3, h >= 1/4), the SD too for h >= 1/2.
struct GAndHMoments {
    double mean;
    double sd;
    double skewness;
    double kurtosis;
};
GAndHMoments GAndHMomentsOf(double g, double h);

// The raw moment E[Y^n], n = 1..4, for h < 1/n (NaN otherwise).
long double GAndHRawMoment(int n, long double g, long double h);

// Y at a standard normal deviate z, before standardisation.
double GAndHValue(double g, double h, double z);

}  // namespace velmor
