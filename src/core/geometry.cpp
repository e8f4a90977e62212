// SPDX-License-Identifier: GPL-3.0-or-later
#include "geometry.h"

#include <cmath>
#include <new>
#include <utility>

void normalEquations(const double *A, int m, int n, const double *b, const double *weights,
                     double *N, double *rhs)
{
    for (int i = 0; i < n; ++i) {
        for (int l = 0; l <= i; ++l) {
            double sum = 0.0;
            for (int k = 0; k < m; ++k)
                sum += A[k * n + i] * weights[k] * A[k * n + l];
            N[i * n + l] = sum;
            N[l * n + i] = sum;
        }
        double sum = 0.0;
        for (int k = 0; k < m; ++k)
            sum += A[k * n + i] * weights[k] * b[k];
        rhs[i] = sum;
    }
}

static void swapRows(double *m, int cols, int r1, int r2)
{
    for (int c = 0; c < cols; ++c)
        std::swap(m[r1 * cols + c], m[r2 * cols + c]);
}

// Largest remaining element over rows and columns not yet pivoted; -3 when a
// column was pivoted twice, -4 when nothing usable is left (all NaN).
static int choosePivot(const double *a, int n, const int *pivotCount, int &irow, int &icol)
{
    double big = 0.0;
    irow = icol = -1;
    for (int j = 0; j < n; ++j) {
        if (pivotCount[j] == 1)
            continue;
        for (int k = 0; k < n; ++k) {
            if (pivotCount[k] == 0) {
                double v = std::fabs(a[j * n + k]);
                if (v >= big) {
                    big = v;
                    irow = j;
                    icol = k;
                }
            } else if (pivotCount[k] > 1) {
                return -3;
            }
        }
    }
    return icol < 0 ? -4 : 0;
}

// Divides the pivot row by the pivot and clears the pivot column elsewhere.
static void eliminate(double *a, int n, double *b, int k, int icol)
{
    double pivinv = 1.0 / a[icol * n + icol];
    a[icol * n + icol] = 1.0;
    for (int l = 0; l < n; ++l)
        a[icol * n + l] *= pivinv;
    for (int l = 0; l < k; ++l)
        b[icol * k + l] *= pivinv;
    for (int row = 0; row < n; ++row) {
        if (row == icol)
            continue;
        double factor = a[row * n + icol];
        a[row * n + icol] = 0.0;
        for (int l = 0; l < n; ++l)
            a[row * n + l] -= a[icol * n + l] * factor;
        for (int l = 0; l < k; ++l)
            b[row * k + l] -= b[icol * k + l] * factor;
    }
}

int solveGaussJordan(double *a, int n, double *b, int k)
{
    int *work = new (std::nothrow) int[3 * (n > 0 ? n : 1)];
    if (!work)
        return -2;
    int *pivotCount = work, *rowOfPass = work + n, *colOfPass = work + 2 * n;
    for (int j = 0; j < n; ++j)
        pivotCount[j] = 0;

    int result = 0;
    for (int pass = 0; pass < n; ++pass) {
        int irow, icol;
        result = choosePivot(a, n, pivotCount, irow, icol);
        if (result != 0)
            break;
        ++pivotCount[icol];
        if (irow != icol) {
            swapRows(a, n, irow, icol);
            swapRows(b, k, irow, icol);
        }
        rowOfPass[pass] = irow;
        colOfPass[pass] = icol;
        double pivot = a[icol * n + icol];
        if (pivot == 0.0 || std::isnan(pivot)) {
            result = -4;
            break;
        }
        eliminate(a, n, b, k, icol);
    }
    // The row exchanges of the passes were column exchanges of the inverse.
    for (int pass = n - 1; result == 0 && pass >= 0; --pass) {
        if (rowOfPass[pass] == colOfPass[pass])
            continue;
        for (int row = 0; row < n; ++row)
            std::swap(a[row * n + rowOfPass[pass]], a[row * n + colOfPass[pass]]);
    }
    delete[] work;
    return result;
}

int invert3x3(const double m[9], double result[9])
{
    double a[9];
    a[0] = m[4] * m[8] - m[5] * m[7];
    a[1] = m[2] * m[7] - m[1] * m[8];
    a[2] = m[1] * m[5] - m[2] * m[4];
    a[3] = m[5] * m[6] - m[3] * m[8];
    a[4] = m[0] * m[8] - m[2] * m[6];
    a[5] = m[2] * m[3] - m[0] * m[5];
    a[6] = m[3] * m[7] - m[4] * m[6];
    a[7] = m[1] * m[6] - m[0] * m[7];
    a[8] = m[0] * m[4] - m[1] * m[3];
    double det = m[0] * a[0] + m[1] * a[3] + m[2] * a[6];
    if (det == 0.0 || std::isnan(det))
        return 1;
    double inv = 1.0 / det;
    for (int i = 0; i < 9; ++i)
        result[i] = a[i] * inv;
    return 0;
}

Vec2 applyAffine(const AffineTransform &T, Vec2 p)
{
    return Vec2{T.t[0] * p.x + T.t[1] * p.y + T.t[2], T.t[3] * p.x + T.t[4] * p.y + T.t[5]};
}

double vectorLength(Vec2 v)
{
    return std::sqrt(v.x * v.x + v.y * v.y);
}

int fitAffine(const Vec2 C[4], const Vec2 S[4], AffineTransform &T)
{
    const int m = 8, n = 6;
    double *A = new (std::nothrow) double[m * n];
    double *b = new (std::nothrow) double[m];
    double *weights = new (std::nothrow) double[m];
    double *N = new (std::nothrow) double[n * n];
    double *rhs = new (std::nothrow) double[n];
    int result = -1;
    if (A && b && weights && N && rhs) {
        for (int i = 0; i < m * n; ++i)
            A[i] = 0.0;
        for (int k = 0; k < 4; ++k) {
            double *rowX = A + k * n, *rowY = A + (4 + k) * n;
            rowX[0] = rowY[3] = C[k].x;
            rowX[1] = rowY[4] = C[k].y;
            rowX[2] = rowY[5] = 1.0;
            b[k] = S[k].x;
            b[4 + k] = S[k].y;
            weights[k] = weights[4 + k] = 1.0;
        }
        normalEquations(A, m, n, b, weights, N, rhs);
        result = solveGaussJordan(N, n, rhs, 1) == 0 ? 0 : -2;
        if (result == 0) {
            for (int i = 0; i < n; ++i)
                T.t[i] = rhs[i];
            T.t[6] = 0.0;
            T.t[7] = 0.0;
            T.t[8] = 1.0;
        }
    }
    delete[] A;
    delete[] b;
    delete[] weights;
    delete[] N;
    delete[] rhs;
    return result;
}
