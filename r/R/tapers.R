tapers <- function(n, k, tbw) {
    parsed <- core(.tapers(arguments(n = n, k = k, tbw = tbw)))
    list(ratios = as_table(parsed, 1L), tapers = as_table(parsed, 2L))
}
