# Every kind of refusal is an error of class tonalith_error naming the argument at fault.
sample <- system.file("extdata", "etp.txt", package = "tonalith")
etp <- read_record(sample)
core <- data.frame(depth = seq(0, by = 0.02, length.out = 700), value = etp[1:700, 2])
a <- analyze(etp)

test_that("reading refuses a missing file, column or header count", {
    expect_refusal(read_record(file.path(tempdir(), "missing.txt")), "path")
    expect_refusal(read_record(sample, column = "nope"), "column")
    expect_refusal(read_record(sample, skip = 2.5), "skip")
    expect_refusal(read_result(file.path(tempdir(), "missing.tsv")), "path")
})

test_that("a series that cannot be analysed is refused naming x or positions", {
    expect_refusal(analyze(etp[[2]]), "positions")
    expect_refusal(analyze(etp[[2]], positions = etp[[1]][-1]), "x, positions")
    expect_refusal(analyze(data.frame(z = c(1, 3, 4, 8), v = 1:4)), "x")
    expect_refusal(analyze(etp[[2]], positions = as.character(etp[[1]])), "positions")
    expect_refusal(analyze(replace(etp, 2, c(NA, etp[[2]][-1]))), "x")
    expect_refusal(analyze(complex(real = etp[[2]]), positions = etp[[1]]), "x")
})

test_that("a setting out of its range or of the wrong kind is refused naming it", {
    expect_refusal(analyze(etp, tapers = 0), "tapers")
    expect_refusal(analyze(etp, window = 5000), "window")
    expect_refusal(analyze(etp, tbw = "3"), "tbw")
    expect_refusal(analyze(etp, keep_mean = NA), "keep_mean")
    expect_refusal(analyze(etp, detrend = "poly:9"), "detrend")
    expect_refusal(analyze(etp, window_detrend = "cubic"), "window_detrend")
    expect_refusal(analyze(etp, interpolate = -1), "interpolate")
    expect_refusal(analyze(etp, workers = 65), "workers")
    expect_refusal(analyze(etp, records = file.path(tempdir(), "missing")), "records")
    expect_refusal(record_spectrum(etp, background = "white"), "background")
    expect_refusal(tapers(1, 1, 3), "n")
    expect_refusal(tapers(64, 20, 3), "k")
    expect_refusal(tapers(64, 4, 40), "tbw")
})

test_that("lines and traces refuse what the tool refuses", {
    expect_refusal(peaks(list()), "a")
    expect_refusal(peaks(a, level = 2), "level")
    expect_refusal(peaks(a, fdr = 1), "fdr")
    expect_refusal(trace_line(a, start = c(-5, 0.02)), "start")
    expect_refusal(trace_line(a, start = c(1000, 0.9)), "start")
    expect_refusal(trace_line(a, start = c(1000, 0.0244), by = "phase"), "by")
    expect_refusal(trace_line(a, start = c(1000, 0.0244), band = 0), "band")
    expect_refusal(trace_line(a, start = c(1000, 0.0244), period = -41), "period")
    expect_refusal(trace_line(a, start = c(1000, 0.0244), interval = 1), "interval")
    jumping <- data.frame(x_centre = c(200, 1000), frequency = c(0.02, 0.05),
                          flag = c("ok", "jump"))
    expect_refusal(tune(etp, jumping, period = 41), "accept_flags")
    expect_refusal(tune(etp, jumping, period = -41, accept_flags = TRUE), "period")
    expect_refusal(tune(etp, data.frame(x = 1), period = 41), "trace")
    expect_refusal(tune(etp, jumping[2:1, ], period = 41, accept_flags = TRUE), "trace")
})

test_that("the age band and the anchors refuse what the tool refuses", {
    trace <- data.frame(x_centre = c(200, 1000), frequency = c(0.0244, 0.0244),
                        frequency_low = c(0.024, 0.024), frequency_high = c(0.025, 0.025))
    expect_refusal(tune(etp, trace, period = c(41, 20)), "period")
    expect_refusal(tune(etp, trace, period = 41, ensemble = -1), "ensemble")
    expect_refusal(tune(etp, trace, period = 41, ensemble = 5), "window_length")
    expect_refusal(tune(etp, trace[1:2], period = 41, ensemble = 5, window_length = 400),
                   "trace")
    expect_refusal(tune(etp, trace, period = 41, return_ensemble = TRUE), "return_ensemble")
    expect_refusal(tune(etp, trace, period = 41, anchors = data.frame(position = c(100, 900),
                                                                      age = c(500, 100))),
                   "anchors")
    expect_refusal(tune(etp, trace, period = 41, anchors = "100:5"), "anchors")
    expect_refusal(tune(etp, trace, period = 41, start_age = 3,
                        anchors = data.frame(position = 100, age = 5)), "start_age")
    # A rate four times the track's: the line is not the 41-kyr cycle at the track's rate.
    track <- data.frame(x_centre = c(0, 2000), identified_rate = c(25, 25))
    expect_refusal(tune(etp, trace, period = 41, check_track = track), "check_track")
    expect_refusal(tune(etp, trace, period = 41, check_track = 3), "check_track")
})

test_that("the astronomical functions refuse their settings naming them", {
    expect_refusal(bandpass(core, passband = 1), "passband")
    expect_refusal(bandpass(core, passband = c(100, 200)), "passband")
    expect_refusal(timeopt(core, sedmin = -1), "sedmin")
    expect_refusal(timeopt(core, positions_in = "ft"), "positions_in")
    expect_refusal(timeopt(core, sims = -1), "sims")
    expect_refusal(timeopt(core, targets = data.frame(period = 41, kind = "o")), "targets")
    expect_refusal(timeopt(core, targets = file.path(tempdir(), "none.txt")), "targets")
    expect_refusal(timeopt(core, age_ma = 5000), "age_ma")
    expect_refusal(asm(core, targets = 3), "targets")
    expect_refusal(timeopt(core, age_ma = 100, targets = data.frame(period = c(100, 20),
                                                                    kind = c("e", "p"))),
                   "age_ma")
    expect_refusal(timeopt(core, interval = 1), "interval")
    expect_refusal(asm(core, tapers = 1), "tapers")
    expect_refusal(asm(core, level = 0), "level")
    expect_refusal(asm(core, sims = -1), "sims")
    expect_refusal(etimeopt(core, window_length = 6, step_length = 2, asm_sims = -1),
                   "asm_sims")
    expect_refusal(etimeopt(core, window_length = 1000, step_length = 1), "window_length")
    expect_refusal(etimeopt(core, window_length = 6, step_length = 2, fdr = 2), "fdr")
    expect_refusal(tune_sedrate(core, data.frame(x_centre = c(1, 2),
                                                 sedimentation_rate = c(-1, 2))), "track")
    expect_refusal(tune_sedrate(core, data.frame(x_centre = c(1, 2),
                                                 sedimentation_rate = c(1, 2)),
                                positions_in = "ft"), "positions_in")
    expect_refusal(tune_sedrate(core, data.frame(x_centre = c(1, 2),
                                                 sedimentation_rate = c(1, 2)),
                                rate_column = "rate"), "rate_column")
})
