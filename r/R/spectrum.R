record_spectrum <- function(x, positions = NULL, tbw, tapers, nfft = NULL, fmax, keep_mean,
                            interpolate = NULL, log, detrend, standardise, background,
                            window_detrend, records = tools::R_user_dir("tonalith", "cache")) {
    series <- series_argument(x, positions, substitute(x))
    folder <- records_folder(records, missing(records))
    spectrum <- core(.record_spectrum(series, arguments(
        tbw = tbw, tapers = tapers, nfft = nfft, fmax = fmax, keep_mean = keep_mean,
        interpolate = interpolate, log = log, detrend = detrend, standardise = standardise,
        background = background, window_detrend = window_detrend, records = folder)))
    as_table(spectrum, class = "tonalith_spectrum")
}

plot.tonalith_spectrum <- function(x, xlab = "Frequency", ylab = "Power", ...) {
    kept <- x$frequency > 0
    s <- x[kept, , drop = FALSE]
    graphics::plot(s$frequency, s$power, type = "l", log = "y", xlab = xlab, ylab = ylab, ...)
    graphics::lines(s$frequency, s$background, col = "grey40", lwd = 2)
    levels <- c("level_90", "level_95", "level_99")
    colours <- c("forestgreen", "darkorange", "firebrick")
    for (i in seq_along(levels))
        graphics::lines(s$frequency, s[[levels[i]]], col = colours[i], lty = 2)
    graphics::legend("topright", c("power", "background", "90 %", "95 %", "99 %"),
                     col = c("black", "grey40", colours), lty = c(1, 1, 2, 2, 2), bty = "n",
                     cex = 0.8)
    invisible(x)
}
