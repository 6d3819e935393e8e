bandpass <- function(x, passband, positions = NULL, interpolate = NULL, log, detrend,
                     standardise) {
    series <- series_argument(x, positions, substitute(x))
    filtered <- core(.bandpass(series, arguments(
        passband = passband, interpolate = interpolate, log = log, detrend = detrend,
        standardise = standardise)))
    as_table(filtered)
}

timeopt <- function(x, positions = NULL, positions_in, sedmin, sedmax, numsed, linear_grid,
                    precession_band, targets = NULL, age_ma = NULL, sims, seed, workers,
                    interval, interpolate = NULL, log, detrend, standardise) {
    series <- series_argument(x, positions, substitute(x))
    periods <- targets_argument(targets, substitute(targets))
    test <- core(.timeopt(series, c(arguments(
        positions_in = positions_in, sedmin = sedmin, sedmax = sedmax, numsed = numsed,
        linear_grid = linear_grid, precession_band = precession_band, age_ma = age_ma,
        sims = sims, seed = seed, workers = workers, interval = interval,
        interpolate = interpolate, log = log, detrend = detrend, standardise = standardise),
        periods)))
    scores <- as_table(test$scores)
    structure(c(list(scores = scores), test[-1L]), class = "tonalith_timeopt",
              header = attr(scores, "header"))
}

etimeopt <- function(x, window_length, step_length, positions = NULL, positions_in, sedmin,
                     sedmax, numsed, linear_grid, precession_band, targets = NULL, age_ma = NULL,
                     sims, seed, fdr, tbw, tapers, level, asm_sims, workers, interval,
                     interpolate = NULL, log, detrend, standardise) {
    series <- series_argument(x, positions, substitute(x))
    periods <- targets_argument(targets, substitute(targets))
    test <- core(.etimeopt(series, c(arguments(
        window_length = window_length, step_length = step_length, positions_in = positions_in,
        sedmin = sedmin, sedmax = sedmax, numsed = numsed, linear_grid = linear_grid,
        precession_band = precession_band, age_ma = age_ma, sims = sims, seed = seed,
        fdr = fdr, tbw = tbw, tapers = tapers, level = level, asm_sims = asm_sims,
        workers = workers, interval = interval, interpolate = interpolate, log = log,
        detrend = detrend, standardise = standardise, records = lines_records()),
        periods)))
    scores <- as_table(test$scores)
    structure(c(list(scores = scores, track = as_table(test$track)), test[-(1:2)]),
              class = "tonalith_etimeopt", header = attr(scores, "header"))
}

asm <- function(x, positions = NULL, positions_in, sedmin, sedmax, numsed, linear_grid,
                targets = NULL, age_ma = NULL, tbw, tapers, nfft = NULL, level, sims, seed,
                interpolate = NULL, log, detrend, standardise) {
    series <- series_argument(x, positions, substitute(x))
    periods <- targets_argument(targets, substitute(targets))
    fit <- core(.asm(series, c(arguments(
        positions_in = positions_in, sedmin = sedmin, sedmax = sedmax, numsed = numsed,
        linear_grid = linear_grid, age_ma = age_ma, tbw = tbw, tapers = tapers, nfft = nfft,
        level = level, sims = sims, seed = seed, interpolate = interpolate, log = log,
        detrend = detrend, standardise = standardise, records = lines_records()),
        periods)))
    scores <- as_table(fit$scores)
    structure(c(list(scores = scores), fit[-1L]), class = "tonalith_asm",
              header = attr(scores, "header"))
}

# The folder of the engine's records of the lines' F-test, as the module keeps them: the
# user's cache folder.
lines_records <- function() records_folder(tools::R_user_dir("tonalith", "cache"), TRUE)

# targets = NULL (the default periods), a file of period and kind, or a data frame of them.
targets_argument <- function(targets, expression) {
    if (is.null(targets))
        return(list())
    if (is.character(targets) && length(targets) == 1L && !is.na(targets))
        return(list(targets_file = path.expand(targets)))
    if (is.data.frame(targets) && all(c("period", "kind") %in% names(targets)) &&
        is.numeric(targets$period))
        return(list(target_periods = as.double(targets$period),
                    target_kinds = as.character(targets$kind),
                    targets_name = paste(deparse(expression), collapse = " ")))
    refuse("targets", paste("targets: give NULL (the default periods), a file, or a data frame",
                            "with the columns period (kyr) and kind (e, o or p)"),
           call = sys.call(-1L))
}

print.tonalith_timeopt <- function(x, ...) {
    cat(sprintf("<tonalith astronomical test: optimum %s cm/kyr (r2_opt %s) of %d rates%s%s>\n",
                format(x$optimum), format(x$r2_opt_optimum), nrow(x$scores),
                if (is.null(x$rate_low)) "" else sprintf(", interval %s to %s",
                                                         format(x$rate_low), format(x$rate_high)),
                if (is.null(x$p_value)) "" else sprintf(", p-value %s from %d simulations",
                                                        format(x$p_value), x$simulations)))
    for (caution in x$cautions)
        cat("caution:", caution, "\n")
    invisible(x)
}

plot.tonalith_timeopt <- function(x, xlab = "Sedimentation rate (cm/kyr)", ylab = "r2", ...) {
    s <- x$scores
    top <- max(c(s$r2_envelope, s$r2_power, s$r2_opt), na.rm = TRUE)
    graphics::plot(s$sedimentation_rate, s$r2_opt, type = "l", log = "x", lwd = 2,
                   ylim = c(0, top), xlab = xlab, ylab = ylab, ...)
    graphics::lines(s$sedimentation_rate, s$r2_envelope, col = "steelblue")
    graphics::lines(s$sedimentation_rate, s$r2_power, col = "darkorange")
    graphics::abline(v = x$optimum, lty = 3)
    graphics::legend("topright", c("r2_opt", "r2_envelope", "r2_power"),
                     col = c("black", "steelblue", "darkorange"), lwd = c(2, 1, 1), bty = "n",
                     cex = 0.8)
    invisible(x)
}

print.tonalith_asm <- function(x, ...) {
    cat(sprintf(paste("<tonalith spectral misfit: best %s cm/kyr (misfit %s cycles/kyr, null",
                      "probability %s, corrected %s) of %d rates, %d lines>\n"),
                format(x$best_rate), format(x$best_misfit), format(x$null_probability),
                format(x$corrected_null_probability), nrow(x$scores), length(x$lines)))
    invisible(x)
}

plot.tonalith_asm <- function(x, xlab = "Sedimentation rate (cm/kyr)",
                              ylab = "Misfit (cycles/kyr)", ...) {
    s <- x$scores
    graphics::plot(s$sedimentation_rate, s$misfit, type = "l", log = "x", xlab = xlab,
                   ylab = ylab, ...)
    graphics::abline(v = x$best_rate, lty = 3)
    invisible(x)
}

print.tonalith_etimeopt <- function(x, ...) {
    cat(sprintf("<tonalith evolutive astronomical test: %d windows x %d rates>\n",
                length(x$centres), length(x$rates)))
    invisible(x)
}

plot.tonalith_etimeopt <- function(x, col = grDevices::hcl.colors(64, "viridis"),
                                   xlab = "Depth/Time", ylab = "Sedimentation rate (cm/kyr)",
                                   ...) {
    r2 <- matrix(x$scores$r2_opt, nrow = length(x$centres), byrow = TRUE)
    graphics::image(x$centres, x$rates, r2, col = col, log = "y", xlab = xlab, ylab = ylab, ...)
    graphics::lines(x$track$x_centre, x$track$sedimentation_rate, col = "white", lwd = 2)
    invisible(x)
}
