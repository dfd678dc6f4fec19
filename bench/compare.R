# A lighter version of rivan6's analysis in R, for timing only: annual
# sums, a lognormal transform, normality tests, correlograms with the
# portmanteau test, the nine ARMA(p,q) fits (p, q <= 2) ranked by AICc, and
# deficit runs below three demand levels. No simulations.
# Usage: Rscript bench/compare.R OUTDIR FILE.INC...
args <- commandArgs(trailingOnly = TRUE)
out <- args[1]
dir.create(out, showWarnings = FALSE)
for (path in args[-1]) {
  lines <- readLines(path)
  lines <- lines[nchar(lines) >= 94]
  years <- as.integer(substr(lines, 5, 8))
  flows <- sapply(lines, function(l) {
    sum(as.numeric(substring(l, 10 + 8 * (0:11), 16 + 8 * (0:11))))
  })
  x <- flows[flows > 0]
  n <- length(x)
  z <- log(x)
  z <- (z - mean(z)) / sd(z)
  sw <- shapiro.test(z)
  k <- max(3, floor(n / 5))
  breaks <- qnorm(seq(0, 1, length.out = k + 1))
  chi <- sum((table(cut(z, breaks)) - n / k)^2 / (n / k))
  lags <- min(n - 1, 20)
  r <- acf(z, lag.max = lags, plot = FALSE)$acf[-1]
  pr <- pacf(z, lag.max = lags, plot = FALSE)$acf
  bt <- Box.test(z, lag = lags, type = "Ljung-Box")
  aicc <- matrix(NA, 3, 3)
  for (p in 0:2) for (q in 0:2) {
    fit <- tryCatch(arima(z, order = c(p, 0, q), include.mean = FALSE),
                    error = function(e) NULL)
    if (!is.null(fit)) {
      kk <- p + q + 1
      aicc[p + 1, q + 1] <- fit$aic + 2 * kk * (kk + 1) / (n - kk - 1)
    }
  }
  best <- which(aicc == min(aicc, na.rm = TRUE), arr.ind = TRUE)[1, ]
  runs <- sapply(c(0.5, 0.7, 0.9), function(f) {
    s <- 0; m <- 0
    for (v in x) { s <- max(0, s + f * mean(x) - v); m <- max(m, s) }
    m
  })
  name <- sub("\\.[^.]*$", "", basename(path))
  sink(file.path(out, paste0(name, ".txt")))
  cat(name, n, mean(x), sd(x), sw$statistic, sw$p.value, chi, "\n")
  cat(r, "\n", pr, "\n", bt$statistic, bt$p.value, "\n")
  print(aicc)
  cat(best - 1, runs, "\n")
  sink()
}
