# Run by ./configure. The source lists are those of cmake/Sources.cmake, read as CMake and
# setup.py read them: set(NAME items...) with ${OTHER} expanded.
upstream <- "tools/upstream"
sources_cmake <- file.path(upstream, "cmake", "Sources.cmake")
if (!file.exists(sources_cmake))
    stop("configure: ", sources_cmake, " is missing: install from a Tonalith checkout ",
         "(R CMD INSTALL r) or from the tarball R CMD build makes of it", call. = FALSE)

cmake_lists <- function(path) {
    text <- gsub("#[^\n]*", "", paste(readLines(path), collapse = "\n"))
    sets <- regmatches(text, gregexpr("set\\((\\w+)\\s+([^)]*)\\)", text, perl = TRUE))[[1]]
    lists <- list()
    for (s in sets) {
        name <- sub("(?s)^set\\((\\w+).*", "\\1", s, perl = TRUE)
        body <- sub("(?s)^set\\(\\w+\\s+([^)]*)\\)$", "\\1", s, perl = TRUE)
        items <- strsplit(trimws(body), "\\s+", perl = TRUE)[[1]]
        used <- grepl("^\\$\\{\\w+\\}$", items)
        expanded <- lapply(seq_along(items), function(i)
            if (used[i]) lists[[gsub("[${}]", "", items[i])]] else items[i])
        lists[[name]] <- unlist(expanded)
    }
    lists
}
lists <- cmake_lists(sources_cmake)
engine <- lists$TONALITH_ENGINE_SOURCES
core <- lists$TONALITH_CORE_SOURCES
if (!length(engine) || !length(core))
    stop("configure: ", sources_cmake, " lists no engine or core sources", call. = FALSE)

# The sources, and every header of core and the engine, copied where they differ.
headers <- function(folder) file.path(folder, list.files(file.path(upstream, folder), "\\.h$",
                                                         recursive = TRUE))
headers <- c(headers("core"), headers("engine/include"))
copied <- 0L
for (f in c(engine, core, headers)) {
    from <- file.path(upstream, f)
    to <- file.path("src", f)
    if (!file.exists(from))
        stop("configure: ", from, " is listed but missing", call. = FALSE)
    if (file.exists(to) && identical(readBin(from, "raw", file.size(from)),
                                     readBin(to, "raw", file.size(to))))
        next
    dir.create(dirname(to), recursive = TRUE, showWarnings = FALSE)
    if (!file.copy(from, to, overwrite = TRUE))
        stop("configure: cannot copy ", from, call. = FALSE)
    copied <- copied + 1L
}
cat("configure: ", length(engine) + length(core), " engine and core sources, ", copied,
    " files copied\n", sep = "")

# The system's headers the sources need, named with the Debian packages that give them.
cxx <- system2(file.path(R.home("bin"), "R"), c("CMD", "config", "CXX17"), stdout = TRUE)
for (need in list(c("fftw3.h", "libfftw3-dev"), c("quadmath.h", "gcc (libquadmath)"),
                  c("boost/math/distributions/chi_squared.hpp", "libboost-dev"))) {
    probe <- tempfile(fileext = ".cpp")
    writeLines(sprintf("#include <%s>", need[1]), probe)
    ok <- system(paste(cxx, "-E", shQuote(probe), "> /dev/null 2>&1")) == 0
    unlink(probe)
    if (!ok)
        stop("configure: the header <", need[1], "> is missing; install ", need[2],
             call. = FALSE)
}

objects <- function(files) paste(sub("\\.cpp$", ".o", files), collapse = " ")
own <- list.files("src", "\\.cpp$")
makevars <- readLines("src/Makevars.in")
makevars <- gsub("@VERSION@", read.dcf("DESCRIPTION", "Version")[1, 1], makevars, fixed = TRUE)
makevars <- gsub("@OWN_OBJECTS@", objects(own), makevars, fixed = TRUE)
makevars <- gsub("@ENGINE_OBJECTS@", objects(engine), makevars, fixed = TRUE)
makevars <- gsub("@CORE_OBJECTS@", objects(core), makevars, fixed = TRUE)
makevars <- gsub("@ENGINE_FLAGS@", paste(lists$TONALITH_ENGINE_FLAGS, collapse = " "), makevars,
                 fixed = TRUE)
writeLines(makevars, "src/Makevars")
