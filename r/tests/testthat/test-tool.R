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
    expect_tool(trace_line(a, start = c(1000, 0.0244), period = 41, interval = 0.9),
                "trace_period.tsv")
})

test_that("an ensemble drawn with the tool's seed gives the tool's age band", {
    # The rows' window comes from the trace's '#' block, as the tool reads it from the file.
    m <- tune(etp, read_result(fixture("trace.tsv")), period = c(41, 1), accept_flags = TRUE,
              ensemble = 20, seed = 5, interval = 0.9)
    expect_tool(m$model, "tune_ensemble_model.tsv", "trace")
    expect_tool(m$tuned, "tune_ensemble.tsv", "trace")
    expect_true(m$duration_low < m$duration && m$duration < m$duration_high)
})

test_that("the band-pass, the astronomical test and its age model are the tool's", {
    expect_tool(bandpass(core, passband = c(1.5, 3.5)), "filter.tsv")
    w <- tryCatch(read_record(fixture("gap.txt")), warning = function(w) w)
    expect_s3_class(w, "tonalith_dropped_lines")
    expect_identical(w$lines$line, 10L) # after the titles and 8 samples
    gap <- suppressWarnings(read_record(fixture("gap.txt")))
    expect_tool(bandpass(gap, passband = c(1.5, 3.5)), "filter_gap.tsv")
    today <- timeopt(core, sims = 50, seed = 7)
    expect_tool(today$scores, "timeopt.tsv")
    aged <- timeopt(core, age_ma = 300, interval = 0.9, numsed = 40)
    expect_tool(aged$scores, "timeopt_age.tsv")
    # The interval the tool's block states; 300 Ma ago, a faster precession of the spin axis
    # made the precession and obliquity cycles shorter, and left eccentricity's as they are.
    stated <- grep("^# rate interval: 90 % from ", attr(aged$scores, "header"), value = TRUE)
    ends <- as.numeric(strsplit(sub("^# rate interval: 90 % from ([^ ]+) to ([^ ]+) .*", "\\1 \\2",
                                    stated), " ")[[1]])
    expect_equal(c(aged$rate_low, aged$rate_high), ends, tolerance = 1e-15)
    expect_true(all(aged$targets$precession < today$targets$precession))
    expect_true(all(aged$targets$obliquity < today$targets$obliquity))
    expect_identical(aged$targets$eccentricity, today$targets$eccentricity)
    expect_null(today$age_ma)
    expect_true(aged$precession_constant > 50.475838) # today's, arcsec/yr
    e <- etimeopt(core, window_length = 6, step_length = 2, sims = 20, seed = 3)
    expect_tool(e$scores, "etimeopt.tsv")
    expect_tool(e$track, "track.tsv")
    identified <- !is.na(e$identities$rate)
    expect_true(any(identified))
    expect_identical(e$identities$rate[identified], e$track$identified_rate[identified])
    m <- tune_sedrate(core, e, accept_flags = TRUE, step = 5)
    expect_tool(m$model, "sedrate_model.tsv", "sedimentation-rate track")
    expect_tool(m$tuned, "sedrate.tsv", "sedimentation-rate track")
    m <- tune_sedrate(core, e, accept_flags = TRUE, ensemble = 10, seed = 2)
    expect_tool(m$model, "sedrate_ensemble_model.tsv", "sedimentation-rate track")
})

test_that("the spectral misfit is the tool's", {
    fit <- asm(core, numsed = 40, sims = 200, seed = 4, tapers = 3)
    expect_tool(fit$scores, "asm.tsv")
    least <- fit$scores[fit$scores$p_null == min(fit$scores$p_null), ]
    expect_identical(fit$best_rate, least$sedimentation_rate[which.min(least$misfit)])
})
