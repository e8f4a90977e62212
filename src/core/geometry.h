// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_GEOMETRY_H
#define VELLORA_GEOMETRY_H

// Small dense linear algebra for the affine fit of the field cut-out.

struct Vec2 {
    double x, y;
};

// [t0 t1 t2; t3 t4 t5; 0 0 1], maps a field image position to a scan position.
struct AffineTransform {
    double t[9];
};

// N (n x n, row order) = A^T W A and rhs (n) = A^T W b for A of m rows, n columns.
void normalEquations(const double *A, int m, int n, const double *b, const double *weights,
                     double *N, double *rhs);
// Gauss-Jordan with full pivoting. a (n x n) becomes its inverse, b (n x k,
// row order) the solutions. 0, -2 no memory, -3 or -4 singular.
int solveGaussJordan(double *a, int n, double *b, int k);
// 0 and the inverse in result, or 1 when the determinant is 0 (or NaN).
int invert3x3(const double m[9], double result[9]);
Vec2 applyAffine(const AffineTransform &T, Vec2 p);
double vectorLength(Vec2 v);
// Least-squares affine map of four field points C onto four scan points S.
// 0, -1 (no memory) or -2 (solver failed).
int fitAffine(const Vec2 C[4], const Vec2 S[4], AffineTransform &T);

#endif
