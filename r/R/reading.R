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
                                           "skip")]
    x
}

read_result <- function(path) {
    if (!is.character(path) || length(path) != 1L || is.na(path))
        refuse("path", "path: give one file name")
    parsed <- core(.read_result(path.expand(path)))
    tables <- lapply(seq_along(parsed$tables), function(i) as_table(parsed, i))
    if (length(tables) == 1L) tables[[1L]] else tables
}
