library(testthat)
library(tonalith)

test_check("tonalith")
