read_record <- function(path, column, skip) {
    if (!is.character(path) || length(path) != 1L || is.na(path))
        refuse("path", "path: give one file name")
    if ((!is.numeric(column) && !is.character(column)) || length(column) != 1L || is.na(column))
        refuse("column", "column: give a field number or a column title")
    record <- core(.read_record(path.expand(path), as.character(column), skip))
    x <- data.frame(record$positions, record$values)
    names(x) <- c(if (nzchar(record$position_name)) record$position_name else "position",
                  record$title)
    attr(x, "tonalith_source") <- record[c("input", "column", "column_name", "position_name",
                                           "skip", "dropped_lines")]
    if (nrow(record$dropped))
        warning(structure(class = c("tonalith_dropped_lines", "warning", "condition"),
                          list(message = paste0(path, ": dropped lines: ", record$dropped_lines,
                                                ": no number where the position or the chosen ",
                                                "column needs one"),
                               call = sys.call(), lines = record$dropped)))
    x
}

read_result <- function(path) {
    if (!is.character(path) || length(path) != 1L || is.na(path))
        refuse("path", "path: give one file name")
    parsed <- core(.read_result(path.expand(path)))
    tables <- lapply(seq_along(parsed$tables), function(i) as_table(parsed, i))
    if (length(tables) == 1L) tables[[1L]] else tables
}
