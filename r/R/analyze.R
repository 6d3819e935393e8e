analyze <- function(x, positions = NULL, tbw, tapers, window, step, nfft, fmax, keep_mean,
                    interpolate = NULL, workers, log, detrend, standardise, window_detrend,
                    records = tools::R_user_dir("tonalith", "cache")) {
    series <- series_argument(x, positions, substitute(x))
    folder <- records_folder(records, missing(records))
    a <- core(.analyze(series, arguments(
        tbw = tbw, tapers = tapers, window = window, step = step, nfft = nfft, fmax = fmax,
        keep_mean = keep_mean, interpolate = interpolate, workers = workers, log = log,
        detrend = detrend, standardise = standardise, window_detrend = window_detrend,
        records = folder)))
    header <- a$header
    a$header <- NULL
    structure(a, class = "tonalith_map", header = header)
}

peaks <- function(a, level = NULL, fdr = NULL) {
    check_map(a)
    lines <- core(.peaks(a$rows, arguments(level = level, fdr = fdr)))
    as_table(lines)
}

trace_line <- function(a, start, band = NULL, by, level, period = NULL, interval) {
    check_map(a)
    trace <- core(.trace_line(a$rows, arguments(start = start, band = band, by = by,
                                                level = level, period = period,
                                                interval = interval)))
    as_table(trace)
}

check_map <- function(a) {
    if (!inherits(a, "tonalith_map"))
        refuse("a", "a: give the result of analyze()", call = sys.call(-1L))
}

as.data.frame.tonalith_map <- function(x, row.names = NULL, optional = FALSE, ...) {
    windows <- length(x$centres)
    bins <- length(x$frequencies)
    rows <- data.frame(x_centre = rep(x$centres, each = bins),
                       frequency = rep(x$frequencies, times = windows),
                       amplitude = as.vector(t(x$amplitude)),
                       probability = as.vector(t(x$probability)))
    attr(rows, "header") <- attr(x, "header")
    rows
}

print.tonalith_map <- function(x, ...) {
    cat(sprintf("<tonalith map: %d windows x %d frequencies, %d samples at spacing %s>\n",
                length(x$centres), length(x$frequencies), x$parameters$samples,
                format(x$parameters$spacing)))
    invisible(x)
}

plot.tonalith_map <- function(x, levels = c(0.8, 0.9, 0.95, 0.99),
                              col = grDevices::hcl.colors(64, "viridis"),
                              xlab = "Depth/Time", ylab = "Frequency", ...) {
    graphics::image(x$centres, x$frequencies, x$amplitude, col = col, xlab = xlab, ylab = ylab,
                    ...)
    if (length(levels))
        graphics::contour(x$centres, x$frequencies, pmin(x$probability, 1), levels = levels,
                          add = TRUE, drawlabels = TRUE, labcex = 0.6, col = "white")
    invisible(x)
}
