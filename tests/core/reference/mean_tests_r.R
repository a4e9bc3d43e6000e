# Welch and Kruskal-Wallis reference values from R's stats package.
# Input: the long-format CSV written by `python3 mean_tests_library.py --csv`
# (columns set, group, score, scores written with repr so they read back as
# the same doubles). Run: Rscript mean_tests_r.R data.csv
args <- commandArgs(trailingOnly = TRUE)
d <- read.csv(args[1], colClasses = c("character", "integer", "numeric"))
for (s in unique(d$set)) {
  x <- d[d$set == s, ]
  w <- oneway.test(score ~ factor(group), data = x, var.equal = FALSE)
  k <- kruskal.test(score ~ factor(group), data = x)
  cat(sprintf("%s welch %.17g %.17g %.17g %.17g\n", s, w$statistic, w$parameter[1],
              w$parameter[2], w$p.value))
  cat(sprintf("%s kruskal-wallis %.17g %.17g NA %.17g\n", s, k$statistic, k$parameter,
              k$p.value))
}
