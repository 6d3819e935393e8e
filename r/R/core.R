# The calls into the compiled part (src/), what they hand back as R's tables, and refusals as
# conditions of class tonalith_error naming the argument at fault.

# The compiled part's value; a refusal it handed back (a list of class tonalith_refusal) is
# signalled here, once no C++ frame is left, as an error of the calling function (core is
# called in that function's body, not in an argument another function forces).
core <- function(result, call = sys.call(-1L)) {
    if (inherits(result, "tonalith_refusal"))
        refuse(result$argument, result$message, call = call)
    result
}

# Signals a refusal: an error of class tonalith_error whose message starts with the argument.
refuse <- function(argument, message, call = sys.call(-1L)) {
    stop(structure(class = c("tonalith_error", "error", "condition"),
                   list(message = message, call = call, argument = argument)))
}

# One table of a tool's text (as src/Interface.cpp's tables() parts it) as a data frame with
# the tool's column names and its '#' block as the attribute "header".
as_table <- function(parsed, which = 1L, class = NULL) {
    table <- list2DF(parsed$tables[[which]])
    attr(table, "header") <- parsed$header
    class(table) <- c(class, "data.frame")
    table
}

# The series argument as the compiled part takes it: x a data frame whose first two columns are
# position and value, or a numeric vector with its positions. A data frame from read_record()
# names its file and column in the results' '#' blocks; any other series is named by the
# expression that gave it.
series_argument <- function(x, positions, expression) {
    source <- attr(x, "tonalith_source")
    if (is.data.frame(x)) {
        if (ncol(x) < 2L)
            refuse("x", sprintf("x: a data frame needs two columns, position and value; it has %d",
                                ncol(x)), call = sys.call(-1L))
        if (!is.null(positions))
            refuse("positions", paste("positions: a data frame holds its positions in its first",
                                      "column; give positions only with a numeric vector x"),
                   call = sys.call(-1L))
        given <- list(positions = x[[1L]], values = x[[2L]], argument = "x",
                      names = names(x)[1:2])
    } else {
        if (is.null(positions))
            refuse("positions", paste("positions: give the positions of the values x, or x as a",
                                      "data frame of position and value"), call = sys.call(-1L))
        given <- list(positions = positions, values = x, argument = "positions",
                      names = c("", "value"))
    }
    for (field in c("positions", "values")) {
        v <- given[[field]]
        name <- if (field == "values") "x" else given$argument
        if (!is.numeric(v) || is.complex(v))
            refuse(name, sprintf("%s: real numbers are needed, not %s values", name,
                                 if (is.complex(v)) "complex" else class(v)[1L]),
                   call = sys.call(-1L))
    }
    list(positions = as.double(given$positions), values = as.double(given$values),
         positions_argument = given$argument,
         input = if (is.null(source)) paste(deparse(expression), collapse = " ") else source$input,
         column = if (is.null(source)) 1L else source$column,
         column_name = if (is.null(source)) given$names[2L] else source$column_name,
         position_name = if (is.null(source)) given$names[1L] else source$position_name,
         skip = if (is.null(source)) 0L else source$skip,
         dropped_lines = if (is.null(source$dropped_lines)) "" else source$dropped_lines)
}

# The folder of the engine's records: the user's cache folder, made when missing, unless the
# caller names a folder (which must exist, as for the tool's --records).
records_folder <- function(records, default) {
    if (!is.character(records) || length(records) != 1L || is.na(records))
        refuse("records", "records: give one folder name", call = sys.call(-1L))
    if (default && !dir.exists(records))
        dir.create(records, recursive = TRUE, showWarnings = FALSE)
    path.expand(records)
}

# The arguments of a call that the compiled part reads by name.
arguments <- function(...) list(...)
