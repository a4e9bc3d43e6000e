# Reference values for checking the F test's rates, computed in R alone (no
# code shared with bench/numpy_grid.py, which computes the exact rates in
# scipy the same way; the two agree to 1e-9, see bench/grid_speed.md).
#   Rscript bench/f_reference.R
# Prints: the power of F for a medium effect, the exact size of F for unequal
# variances (Imhof's inversion of the quadratic form SSB - k SSW), the 99.9%
# binomial acceptance bands at alpha .05, and the exact rates of the grid of
# bench/grid_speed.study.

# P(F >= c) for normal groups with equal means, sizes ns, SDs sds. F >= c when
# Q = SSB - k SSW >= 0, k = 2c / (N - 3); SSW is a sum of sd^2 chi-square(n - 1)
# terms and SSB a quadratic form in the standardised group means with two
# non-zero eigenvalues, so Q is a weighted sum of independent central
# chi-squares and Imhof (1961) gives
#   P(Q > 0) = 1/2 + (1/pi) int_0^Inf sin(theta(u)) / (u rho(u)) du.
exact_size <- function(ns, sds, alpha = 0.05) {
  total <- sum(ns)
  k <- 2 * qf(alpha, 2, total - 3, lower.tail = FALSE) / (total - 3)
  s <- diag(sds / sqrt(ns))
  between <- s %*% (diag(ns) - outer(ns, ns) / total) %*% s
  ev <- eigen(between, symmetric = TRUE, only.values = TRUE)$values
  ev <- ev[abs(ev) > 1e-12 * max(abs(ev))]
  w <- c(ev, -k * sds^2)
  h <- c(rep(1, length(ev)), ns - 1)
  w <- w / max(abs(w))  # a common positive scale leaves P(Q > 0) alone
  f <- function(u) {
    vapply(u, function(v) {
      if (v == 0) return(0.5 * sum(h * w))
      theta <- 0.5 * sum(h * atan(w * v))
      rho <- exp(0.25 * sum(h * log1p((w * v)^2)))
      sin(theta) / (v * rho)
    }, numeric(1))
  }
  0.5 + integrate(f, 0, Inf, rel.tol = 1e-12, abs.tol = 1e-14,
                  subdivisions = 2000L)$value / pi
}

# The counts a correct simulation of rate p falls outside with probability at
# most 1 - level, half in each tail.
band <- function(p, samples, level = 0.999) {
  tail <- (1 - level) / 2
  c(qbinom(tail, samples, p), qbinom(1 - tail, samples, p))
}

options(digits = 15)
cat("(a) power of F, k = 3, n = 52 per group, f = .25, alpha .05\n")
n <- 52; k <- 3; f <- 0.25
crit <- qf(0.95, k - 1, k * n - k)
cat("    ncp =", f^2 * k * n, " critical F =", crit, "\n")
cat("    power =", pf(crit, k - 1, k * n - k, ncp = f^2 * k * n, lower.tail = FALSE), "\n")

cat("(b) exact size of F, n = 5, 5, 5, variances 1, 2, 3, alpha .05\n")
cat("    size =", exact_size(c(5, 5, 5), sqrt(c(1, 2, 3))), "\n")
cat("    equal variances (must be .05):", exact_size(c(5, 5, 5), c(1, 1, 1)),
    exact_size(c(5, 20, 80), c(2, 2, 2)), "\n")

cat("(c) 99.9% acceptance band at alpha .05 (any n with equal normal groups)\n")
for (samples in c(10000, 20000)) {
  b <- band(0.05, samples)
  cat("    samples", samples, ": rejections", b[1], "to", b[2],
      " rate", b[1] / samples, "to", b[2] / samples,
      " P(below) =", pbinom(b[1] - 1, samples, 0.05),
      " P(above) =", pbinom(b[2], samples, 0.05, lower.tail = FALSE), "\n")
}

cat("(d) exact rates of the grid of bench/grid_speed.study (n2 = 20, sd2 = 1)\n")
grid <- expand.grid(sd3 = c(0.5, 2), n3 = c(5, 20, 80), sd1 = c(1, 4), n1 = c(5, 20, 80))
for (i in seq_len(nrow(grid))) {
  g <- grid[i, ]
  cat(sprintf("    %2d  n1 %2d  sd1 %g  n3 %2d  sd3 %-3g  exact %.10f\n", i, g$n1, g$sd1,
              g$n3, g$sd3, exact_size(c(g$n1, 20, g$n3), c(g$sd1, 1, g$sd3))))
}
