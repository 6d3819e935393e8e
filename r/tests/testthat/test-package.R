# The package's interface: defaults from the catalogue, results in R's forms, the records'
# folder, plots.
sample <- system.file("extdata", "etp.txt", package = "tonalith")
etp <- read_record(sample)

test_that("catalogue arguments take the catalogue's defaults", {
    entries <- tonalith:::.catalogue()
    for (name in names(tonalith:::catalogue_arguments)) {
        listed <- tonalith:::catalogue_arguments[[name]]
        defaults <- formals(getExportedValue("tonalith", name))
        for (argument in listed[[2]]) {
            entry <- entries[entries$keyword == argument & entries$command == listed[[1]], ]
            expected <- switch(entry$kind, real = , whole = entry$default, switch = FALSE,
                               text = if (!is.na(entry$low)) c(entry$low, entry$high)
                                      else if (grepl("^[0-9]+$", entry$default_text))
                                          as.numeric(entry$default_text)
                                      else entry$default_text)
            expect_identical(eval(defaults[[argument]]), expected,
                             label = paste(name, argument))
        }
    }
})

test_that("a record read by read_record is the file's, and a vector with positions serves", {
    expect_identical(names(etp), c("age_ka", "etp"))
    expect_identical(etp$etp[1:2], c(-1.451175629, -1.212087704))
    from_vector <- analyze(etp$etp, positions = etp$age_ka)
    from_frame <- analyze(etp)
    expect_identical(from_vector$amplitude, from_frame$amplitude)
    expect_identical(dim(from_frame$amplitude), c(65L, 246L))
    expect_identical(analyze(etp, window = 300, tapers = 3)$parameters[c("window", "tapers")],
                     list(window = 300L, tapers = 3L))
    expect_match(attr(from_frame, "header")[1], "^# Tonalith .*: evolutive")
    expect_true(paste("# input:", sample) %in% attr(from_frame, "header"))
    expect_true("# input: etp$etp" %in% attr(from_vector, "header"))
})

test_that("the engine's records go to the cache folder, made when missing, or the one given", {
    old <- Sys.getenv("R_USER_CACHE_DIR")
    work <- tempfile("work")
    dir.create(work)
    old_wd <- setwd(work)
    on.exit({
        Sys.setenv(R_USER_CACHE_DIR = old)
        setwd(old_wd)
    })
    Sys.setenv(R_USER_CACHE_DIR = tempfile("cache"))
    cache <- tools::R_user_dir("tonalith", "cache")
    expect_false(dir.exists(cache))
    record_spectrum(etp)
    expect_true(file.exists(file.path(cache, "fort.17")))
    own <- tempfile("records")
    dir.create(own)
    analyze(etp, records = own)
    expect_true(file.exists(file.path(own, "fort.17")))
    expect_identical(list.files(work), character()) # never the working directory
})

test_that("the plots draw", {
    pdf(NULL)
    on.exit(dev.off())
    a <- analyze(etp)
    expect_identical(plot(a), a)
    usr <- par("usr") # the map spans the windows and the frequencies
    expect_true(usr[1] < min(a$centres) && usr[2] > max(a$centres))
    expect_true(usr[3] < min(a$frequencies) && usr[4] > max(a$frequencies))
    s <- record_spectrum(etp)
    expect_identical(plot(s), s)
    core <- data.frame(depth = seq(0, by = 0.02, length.out = 700), value = etp[1:700, 2])
    t <- timeopt(core)
    expect_identical(plot(t), t)
    e <- etimeopt(core, window_length = 6, step_length = 2)
    expect_identical(plot(e), e)
    m <- tune_sedrate(core, e, accept_flags = TRUE)
    expect_identical(plot(m), m)
    band <- tune(etp, trace_line(a, start = c(1000, 0.0244)), period = 41, accept_flags = TRUE,
                 ensemble = 10)
    expect_identical(plot(band), band)
    f <- asm(core, numsed = 30, sims = 100)
    expect_identical(plot(f), f)
})
