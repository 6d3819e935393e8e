# Every function against the tool's output on the sample and on a small synthetic core.
skip_without_fixtures()
etp <- read_record(fixture("etp.txt"))
core <- read_record(fixture("core.txt"))
a <- analyze(etp)

test_that("the map's rows and lines are the tool's", {
    expect_tool(as.data.frame(analyze(read_record(fixture("etp.txt"), column = "etp"))),
                "analyze.tsv")
    expect_tool(as.data.frame(analyze(core, window = 200, step = 20, tapers = 3, tbw = 2,
                                      detrend = "linear")), "analyze_core.tsv")
    expect_tool(peaks(a, level = 0.95), "peaks.tsv")
    expect_tool(peaks(a, fdr = 0.05), "peaks_fdr.tsv")
})

test_that("the spectrum and the tapers are the tool's", {
    expect_tool(record_spectrum(etp), "spectrum.tsv")
    expect_tool(record_spectrum(core, background = "robust", tapers = 5), "spectrum_core.tsv")
    t <- tapers(64, 5, 3)
    tool <- read_result(fixture("tapers.tsv"))
    expect_identical(unclass(t$ratios)[names(tool[[1]])], unclass(tool[[1]])[names(tool[[1]])])
    expect_identical(as.list(t$tapers), as.list(tool[[2]]))
})

test_that("the traced line and its age model are the tool's", {
    trace <- trace_line(a, start = c(1000, 0.0244))
    expect_tool(trace, "trace.tsv")
    m <- tune(etp, trace, period = 41, step = 2, accept_flags = TRUE)
    expect_tool(m$model, "tune_model.tsv", "trace")
    expect_tool(m$tuned, "tune.tsv", "trace")
})

test_that("the band-pass, the astronomical test and its age model are the tool's", {
    expect_tool(bandpass(core, passband = c(1.5, 3.5)), "filter.tsv")
    expect_tool(timeopt(core, sims = 50, seed = 7)$scores, "timeopt.tsv")
    e <- etimeopt(core, window_length = 6, step_length = 2, sims = 20, seed = 3)
    expect_tool(e$scores, "etimeopt.tsv")
    expect_tool(e$track, "track.tsv")
    m <- tune_sedrate(core, e, accept_flags = TRUE, step = 5)
    expect_tool(m$model, "sedrate_model.tsv", "sedimentation-rate track")
    expect_tool(m$tuned, "sedrate.tsv", "sedimentation-rate track")
})
