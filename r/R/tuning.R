tune <- function(x, trace, period, positions = NULL, start_age, step = NULL, accept_flags,
                 check_track = NULL, positions_in, ensemble, seed, interval, anchors = NULL,
                 window_length = NULL, return_ensemble) {
    series <- series_argument(x, positions, substitute(x))
    columns <- table_columns(trace, "trace", c("x_centre", "frequency"),
                             c("frequency_low", "frequency_high"))
    checked <- check_track_argument(check_track, substitute(check_track))
    pins <- anchors_argument(anchors)
    model <- core(.tune(series, c(arguments(
        trace_positions = columns[[1L]], trace_frequencies = columns[[2L]],
        trace_flags = columns$flag, intervals = columns$intervals,
        trace_name = paste(deparse(substitute(trace)), collapse = " "),
        trace_header = columns$header, period = period, start_age = start_age, step = step,
        accept_flags = accept_flags, positions_in = positions_in, ensemble = ensemble,
        seed = seed, interval = interval, window_length = window_length,
        return_ensemble = return_ensemble, records = lines_records()),
        checked, pins)))
    age_model(model)
}

tune_sedrate <- function(x, track, positions = NULL, positions_in, start_age, step = NULL,
                         accept_flags, rate_column, ensemble, seed, interval, anchors = NULL,
                         window_length = NULL, return_ensemble) {
    series <- series_argument(x, positions, substitute(x))
    name <- paste(deparse(substitute(track)), collapse = " ") # before track is replaced
    if (inherits(track, "tonalith_etimeopt"))
        track <- track$track
    if (!is.character(rate_column) || length(rate_column) != 1L || is.na(rate_column))
        refuse("rate_column", "rate_column: give one column name, or \"\" for the default")
    if (nzchar(rate_column) && is.data.frame(track) && !rate_column %in% names(track))
        refuse("rate_column", sprintf("rate_column: the track has no column %s", rate_column))
    if (!nzchar(rate_column))
        rate_column <- if (is.data.frame(track) && "identified_rate" %in% names(track))
            "identified_rate" else "sedimentation_rate"
    columns <- table_columns(track, "track", c("x_centre", rate_column),
                             c("rate_low", "rate_high", "mode_share"))
    pins <- anchors_argument(anchors)
    model <- core(.tune_sedrate(series, c(arguments(
        track_positions = columns[[1L]], track_rates = columns[[2L]], track_flags = columns$flag,
        intervals = columns$intervals, rate_column = rate_column,
        track_name = name,
        track_header = columns$header, positions_in = positions_in, start_age = start_age,
        step = step, accept_flags = accept_flags, ensemble = ensemble, seed = seed,
        interval = interval, window_length = window_length,
        return_ensemble = return_ensemble), pins)))
    age_model(model)
}

# The two columns a trace or track is read by, its flags and the interval columns among
# `intervals` when it has them, and its '#' block (which may state the rows' window).
table_columns <- function(table, argument, titles, intervals = character()) {
    call <- sys.call(-1L)
    if (!is.data.frame(table) || !all(titles %in% names(table)))
        refuse(argument, sprintf("%s: give a data frame with the columns %s", argument,
                                 paste(titles, collapse = " and ")), call = call)
    numbers <- function(title) {
        if (!is.numeric(table[[title]]))
            refuse(argument, sprintf("%s: the column %s must hold numbers", argument, title),
                   call = call)
        as.double(table[[title]])
    }
    columns <- lapply(titles, numbers)
    if ("flag" %in% names(table))
        columns$flag <- as.character(table$flag)
    held <- intersect(intervals, names(table))
    if (length(held)) {
        columns$intervals <- lapply(held, numbers)
        names(columns$intervals) <- held
    }
    header <- attr(table, "header")
    columns$header <- if (is.character(header)) paste(header, collapse = "\n") else ""
    columns
}

# check_track: NULL, an etimeopt track's file, or the track (a data frame with x_centre and
# identified_rate or sedimentation_rate, or the result of etimeopt()).
check_track_argument <- function(track, expression) {
    if (is.null(track))
        return(list())
    name <- paste(deparse(expression), collapse = " ")
    if (is.character(track) && length(track) == 1L && !is.na(track))
        return(list(check_track_file = path.expand(track), check_track_name = track))
    if (inherits(track, "tonalith_etimeopt"))
        track <- track$track
    rate <- if (is.data.frame(track) && "identified_rate" %in% names(track))
        "identified_rate" else "sedimentation_rate"
    if (!is.data.frame(track) || !all(c("x_centre", rate) %in% names(track)) ||
        !is.numeric(track$x_centre) || !is.numeric(track[[rate]]))
        refuse("check_track", paste("check_track: give an etimeopt track: a file, or a data",
                                    "frame with the columns x_centre and identified_rate (or",
                                    "sedimentation_rate)"), call = sys.call(-1L))
    list(check_track_positions = as.double(track$x_centre),
         check_track_rates = as.double(track[[rate]]), check_track_name = name)
}

# anchors: NULL, or a data frame (or matrix) of position, age and optionally sd (none: exact).
anchors_argument <- function(anchors) {
    if (is.null(anchors))
        return(list())
    if (is.matrix(anchors) && is.null(colnames(anchors)) && ncol(anchors) %in% 2:3)
        colnames(anchors) <- c("position", "age", "sd")[seq_len(ncol(anchors))]
    if (is.matrix(anchors))
        anchors <- as.data.frame(anchors)
    if (!is.data.frame(anchors) || !all(c("position", "age") %in% names(anchors)) ||
        !all(vapply(anchors, is.numeric, TRUE)))
        refuse("anchors", paste("anchors: give a data frame with the columns position and age",
                                "(and sd, one standard deviation of the age; none: exact)"),
               call = sys.call(-1L))
    sd <- if ("sd" %in% names(anchors)) anchors$sd else rep(0, nrow(anchors))
    list(anchor_positions = as.double(anchors$position), anchor_ages = as.double(anchors$age),
         anchor_sds = as.double(sd))
}

age_model <- function(result) {
    model <- as_table(result$model)
    structure(c(list(model = model, tuned = as_table(result$tuned)), result[-(1:2)]),
              class = "tonalith_age_model", header = attr(model, "header"))
}

print.tonalith_age_model <- function(x, ...) {
    cat(sprintf("<tonalith age model: %d samples, ages %s to %s; tuned series of %d rows>\n",
                nrow(x$model), format(min(x$model$age)), format(max(x$model$age)),
                nrow(x$tuned)))
    if (!is.null(x$duration_low))
        cat(sprintf("duration %s (%s to %s)\n", format(x$duration), format(x$duration_low),
                    format(x$duration_high)))
    else if (!is.null(x$duration))
        cat(sprintf("duration %s\n", format(x$duration)))
    if (!is.null(x$mismatches) && nzchar(x$mismatches))
        cat("mismatches:", x$mismatches, "\n")
    invisible(x)
}

plot.tonalith_age_model <- function(x, xlab = "Position", ...) {
    old <- graphics::par(mfrow = c(2L, 1L), mar = c(4, 4, 1, 1))
    on.exit(graphics::par(old))
    graphics::plot(x$model$position, x$model$age, type = "l", xlab = xlab, ylab = "Age", ...)
    if (!is.null(x$model$age_low)) { # the ensemble's band
        graphics::lines(x$model$position, x$model$age_low, lty = 2, col = "grey40")
        graphics::lines(x$model$position, x$model$age_high, lty = 2, col = "grey40")
    }
    graphics::plot(x$model$position, x$model$sedimentation_rate, type = "l", xlab = xlab,
                   ylab = "Sedimentation rate")
    invisible(x)
}
