# An interrupt (Ctrl+C, Esc) stops a long run at its next window or surrogate; R stays usable
# and the next run gives the same numbers as before. The package raises SIGINT itself once the
# run has made progress, as a user's key would, and R's own handler takes it.
sample <- system.file("extdata", "etp.txt", package = "tonalith")
etp <- read_record(sample)

interrupted <- function(code) {
    tonalith:::.interrupt_next_run()
    tryCatch({ code; "finished" }, interrupt = function(e) "interrupted")
}

test_that("an interrupted analysis and test leave R responsive and the next run works", {
    before <- analyze(etp)
    long <- sin(seq_len(200000) / 41)
    expect_identical(interrupted(analyze(long, positions = seq_along(long), window = 2000,
                                         step = 10)), "interrupted")
    core <- data.frame(depth = seq(0, by = 0.02, length.out = 700), value = etp[1:700, 2])
    expect_identical(interrupted(timeopt(core, sims = 100000)), "interrupted")
    after <- analyze(etp)
    expect_identical(after$amplitude, before$amplitude)
    expect_identical(after$probability, before$probability)
})
