# The engine's records go to a temporary cache folder, not the user's.
Sys.setenv(R_USER_CACHE_DIR = file.path(tempdir(), "cache"))

# The tool's outputs, written by tests/r/fixtures.sh when the package was built; the tests that
# compare with them are skipped where they are missing (a tarball made without the build).
fixture <- function(name) file.path("fixtures", name)
skip_without_fixtures <- function() skip_if_not(file.exists(fixture("analyze.tsv")),
                                                "the tool's fixtures are missing")

# A result equal to the tool's file bit for bit: the same column names, identical numbers and
# words, and the same '#' block but for the lines that name an R object instead of a file.
expect_tool <- function(result, file, other_lines = character()) {
    tool <- read_result(fixture(file))
    expect_identical(names(result), names(tool))
    for (column in names(tool))
        expect_identical(result[[column]], tool[[column]], label = column)
    differing <- function(header) header[!startsWith(header, paste0("# ", other_lines, ":"))]
    expect_identical(differing(attr(result, "header")), differing(attr(tool, "header")))
}

# The refusal of `code`: a tonalith_error naming `argument` first in its message.
expect_refusal <- function(code, argument) {
    called <- substitute(code)[[1L]] # the function the error must name as its call
    e <- tryCatch(code, tonalith_error = function(e) e)
    expect_s3_class(e, "tonalith_error")
    expect_identical(e$argument, argument)
    expect_identical(e$call[[1L]], called)
    expect_true(startsWith(conditionMessage(e), paste0(argument, ": ")),
                label = conditionMessage(e))
}
