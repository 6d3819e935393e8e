tune <- function(x, trace, period, positions = NULL, start_age, step = NULL, accept_flags) {
    series <- series_argument(x, positions, substitute(x))
    columns <- table_columns(trace, "trace", c("x_centre", "frequency"))
    age_model(core(.tune(series, arguments(
        trace_positions = columns[[1L]], trace_frequencies = columns[[2L]],
        trace_flags = columns$flag, trace_name = paste(deparse(substitute(trace)), collapse = " "),
        period = period, start_age = start_age, step = step, accept_flags = accept_flags))))
}

tune_sedrate <- function(x, track, positions = NULL, positions_in, start_age, step = NULL,
                         accept_flags) {
    series <- series_argument(x, positions, substitute(x))
    if (inherits(track, "tonalith_etimeopt"))
        track <- track$track
    columns <- table_columns(track, "track", c("x_centre", "sedimentation_rate"))
    age_model(core(.tune_sedrate(series, arguments(
        track_positions = columns[[1L]], track_rates = columns[[2L]], track_flags = columns$flag,
        track_name = paste(deparse(substitute(track)), collapse = " "),
        positions_in = positions_in, start_age = start_age, step = step,
        accept_flags = accept_flags))))
}

# The two columns a trace or track is read by, and its flags when it has them.
table_columns <- function(table, argument, titles) {
    call <- sys.call(-1L)
    if (!is.data.frame(table) || !all(titles %in% names(table)))
        refuse(argument, sprintf("%s: give a data frame with the columns %s", argument,
                                 paste(titles, collapse = " and ")), call = call)
    columns <- lapply(titles, function(title) {
        if (!is.numeric(table[[title]]))
            refuse(argument, sprintf("%s: the column %s must hold numbers", argument, title),
                   call = call)
        as.double(table[[title]])
    })
    if ("flag" %in% names(table))
        columns$flag <- as.character(table$flag)
    columns
}

age_model <- function(result) {
    model <- as_table(result$model)
    structure(list(model = model, tuned = as_table(result$tuned)), class = "tonalith_age_model",
              header = attr(model, "header"))
}

print.tonalith_age_model <- function(x, ...) {
    cat(sprintf("<tonalith age model: %d samples, ages %s to %s; tuned series of %d rows>\n",
                nrow(x$model), format(min(x$model$age)), format(max(x$model$age)),
                nrow(x$tuned)))
    invisible(x)
}

plot.tonalith_age_model <- function(x, xlab = "Position", ...) {
    old <- graphics::par(mfrow = c(2L, 1L), mar = c(4, 4, 1, 1))
    on.exit(graphics::par(old))
    graphics::plot(x$model$position, x$model$age, type = "l", xlab = xlab, ylab = "Age", ...)
    graphics::plot(x$model$position, x$model$sedimentation_rate, type = "l", xlab = xlab,
                   ylab = "Sedimentation rate")
    invisible(x)
}
