// Largest eigenpairs of a real symmetric tridiagonal matrix, in binary128: bisection with
// Sturm counts for the eigenvalues and inverse iteration for the eigenvectors, the methods of
// EISPACK's TRIDIB and TINVIT (Smith et al., Matrix Eigensystem Routines, 1976).
#pragma once

#include "engine/quad.h"

namespace engine {

// Scratch vectors of length m each, owned by the caller.
struct TrieigScratch {
    quad* rv1;
    quad* rv2;
    quad* rv3;
    quad* rv4;
    quad* rv5;
    quad* rv6;
    int* ind; // submatrix tag of each eigenvalue (length m)
};

// The nev largest eigenvalues of the m x m matrix with diagonal d, off-diagonal e (e[i]
// couples rows i-1 and i, e[0] unused) and squares e2 (zeroed where the matrix splits), in
// ascending order into w, with unit eigenvectors in the columns of z (m x nev, column-major).
// Returns the number of eigenvalues delivered (nev, or 0 when the wanted range could not be
// isolated). `status` becomes 0, 1 (range not isolated) or 2 (an eigenvector did not
// converge within 5 iterations; that vector is zero).
int trieig(int m, const quad* d, const quad* e, quad* e2, int nev, quad* w, quad* z,
           const TrieigScratch& scratch, int& status);

} // namespace engine
