# The functions' arguments that the catalogue of parameters lists take their defaults from it
# when the package is loaded, so that the package, the tool, the window and the Python module
# share one list (core/analysis/ParameterCatalogue). Each function names the tool's command
# whose entries it takes, and the arguments; its own code leaves them without a default.
catalogue_arguments <- list(
    read_record = list("analyze", c("column", "skip")),
    analyze = list("analyze", c("tbw", "tapers", "window", "step", "nfft", "fmax", "keep_mean",
                                "workers", "log", "detrend", "standardise", "window_detrend")),
    trace_line = list("trace", c("by", "level", "interval")),
    record_spectrum = list("spectrum", c("tbw", "tapers", "fmax", "keep_mean", "log", "detrend",
                                         "standardise", "background", "window_detrend")),
    tune = list("tune", c("start_age", "accept_flags", "positions_in", "ensemble", "seed",
                          "interval", "return_ensemble")),
    bandpass = list("filter", c("log", "detrend", "standardise")),
    timeopt = list("timeopt", c("positions_in", "sedmin", "sedmax", "numsed", "linear_grid",
                                "precession_band", "sims", "seed", "workers", "interval", "log",
                                "detrend", "standardise")),
    etimeopt = list("etimeopt", c("positions_in", "sedmin", "sedmax", "numsed", "linear_grid",
                                  "precession_band", "sims", "seed", "fdr", "tbw", "tapers",
                                  "level", "asm_sims", "workers", "interval", "log", "detrend",
                                  "standardise")),
    asm = list("asm", c("positions_in", "sedmin", "sedmax", "numsed", "linear_grid", "tbw",
                        "tapers", "level", "sims", "seed", "log", "detrend", "standardise")),
    tune_sedrate = list("tune", c("positions_in", "start_age", "accept_flags", "rate_column",
                                  "ensemble", "seed", "interval", "return_ensemble"))
)

# The default of one entry as R writes it, as the module's keyword() makes it: a number, FALSE
# for a switch, and for a text a whole number, c(low, high) for LOW:HIGH, or the text itself.
catalogue_default <- function(entry) {
    switch(entry$kind,
           real = , whole = entry$default,
           switch = FALSE,
           text = {
               text <- entry$default_text
               if (grepl("^[0-9]+$", text)) as.numeric(text)
               else if (!is.na(entry$low)) call("c", entry$low, entry$high)
               else text
           })
}

set_catalogue_defaults <- function(namespace) {
    entries <- .catalogue()
    for (name in names(catalogue_arguments)) {
        command <- catalogue_arguments[[name]][[1L]]
        f <- get(name, envir = namespace)
        defaults <- formals(f)
        for (argument in catalogue_arguments[[name]][[2L]]) {
            entry <- entries[entries$keyword == argument & entries$command == command, ]
            if (nrow(entry) != 1L)
                stop("no catalogue entry for ", argument, " of ", command)
            defaults[argument] <- list(catalogue_default(entry))
        }
        formals(f) <- defaults
        assign(name, f, envir = namespace)
    }
}

.onLoad <- function(libname, pkgname) {
    set_catalogue_defaults(asNamespace(pkgname))
}
