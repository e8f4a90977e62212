// SPDX-License-Identifier: GPL-3.0-or-later
#include "smoothspline.h"

#include <cmath>
#include <cstdlib>

// ---------------------------------------------------------------------------
// Scratch list: every vector of one fit hangs on one head so that a single
// call releases all of them on whatever path the fit leaves.

namespace {

const int kScratchTag = 410;

struct ScratchNode {
    ScratchNode *next;
    double *data;
};

}  // namespace

struct ScratchList {
    int tag;
    bool failed;
    ScratchNode *head;
};

ScratchList *scratchCreate()
{
    ScratchList *list = static_cast<ScratchList *>(std::malloc(sizeof(ScratchList)));
    if (list) {
        list->tag = kScratchTag;
        list->failed = false;
        list->head = nullptr;
    }
    return list;
}

double *scratchVector(ScratchList *list, int count)
{
    if (!list || list->tag != kScratchTag)
        return nullptr;
    ScratchNode *node = nullptr;
    double *data = nullptr;
    if (count > 0) {
        node = static_cast<ScratchNode *>(std::malloc(sizeof(ScratchNode)));
        data = static_cast<double *>(std::calloc(static_cast<size_t>(count), sizeof(double)));
    }
    if (!node || !data) {
        std::free(node);
        std::free(data);
        list->failed = true;
        return nullptr;
    }
    node->data = data;
    node->next = list->head;
    list->head = node;
    return data;
}

bool scratchAllOk(const ScratchList *list)
{
    return list && list->tag == kScratchTag && !list->failed;
}

void scratchFreeAll(ScratchList *list)
{
    if (!list || list->tag != kScratchTag)
        return;
    while (list->head) {
        ScratchNode *next = list->head->next;
        std::free(list->head->data);
        std::free(list->head);
        list->head = next;
    }
    list->tag = 0;
    std::free(list);
}

// ---------------------------------------------------------------------------
// Band solvers. Row sums of the given entries scale the pivot tests so that
// the tolerance does not depend on the units of x and y.

namespace {

const double kEps = 2.220446049250313e-16;

// LDL^T factorisation of the symmetric five-diagonal matrix with diagonal D,
// first and second off-diagonals E and F (each at least m long; the entries
// beyond the matrix are cleared here). delta, e, f overwrite D, E, F.
bool factorSymmetric(int m, double *D, double *E, double *F)
{
    E[m - 1] = 0.0;
    F[m - 1] = 0.0;
    if (m >= 2)
        F[m - 2] = 0.0;
    double prevE = 0.0;   // given E[i-1]
    double prevF1 = 0.0;  // given F[i-1]
    double prevF2 = 0.0;  // given F[i-2]
    for (int i = 0; i < m; ++i) {
        const double Di = D[i], Ei = E[i], Fi = F[i];
        const double sigma = std::fabs(prevF2) + std::fabs(prevE) + std::fabs(Di) + std::fabs(Ei) +
                             std::fabs(Fi);
        double delta = Di;
        if (i >= 1)
            delta -= D[i - 1] * E[i - 1] * E[i - 1];
        if (i >= 2)
            delta -= prevF2 * F[i - 2];
        if (sigma == 0.0)
            return false;
        if (i == 0 ? delta < kEps * sigma : std::fabs(delta) < kEps * sigma)
            return false;
        D[i] = delta;
        E[i] = (i >= 1 ? Ei - prevF1 * E[i - 1] : Ei) / delta;
        F[i] = Fi / delta;
        prevF2 = prevF1;
        prevF1 = Fi;
        prevE = Ei;
    }
    return true;
}

// Solves L diag(delta) L^T v = r in place with the factors of factorSymmetric.
bool solveSymmetric(int m, const double *D, const double *E, const double *F, double *r)
{
    for (int i = 1; i < m; ++i) {
        r[i] -= E[i - 1] * r[i - 1];
        if (i >= 2)
            r[i] -= F[i - 2] * r[i - 2];
    }
    for (int i = 0; i < m; ++i) {
        if (std::fabs(D[i]) < kEps)
            return false;
        r[i] /= D[i];
    }
    for (int i = m - 2; i >= 0; --i) {
        r[i] -= E[i] * r[i + 1];
        if (i + 2 < m)
            r[i] -= F[i] * r[i + 2];
    }
    return true;
}

// The five bands of a general five-diagonal matrix: row i holds
// L2[i] at column i-2, L1[i] at i-1, D[i] at i, U1[i] at i+1, U2[i] at i+2.
struct Bands {
    double *L2, *L1, *D, *U1, *U2;
};

double rowSum(const Bands &A, int m, int i)
{
    double sum = std::fabs(A.D[i]);
    if (i >= 1)
        sum += std::fabs(A.L1[i]);
    if (i >= 2)
        sum += std::fabs(A.L2[i]);
    if (i + 1 < m)
        sum += std::fabs(A.U1[i]);
    if (i + 2 < m)
        sum += std::fabs(A.U2[i]);
    return sum;
}

// Gaussian elimination without pivoting, in place on the bands and on r,
// which receives the solution. The band structure has no fill-in.
bool solveGeneral(int m, const Bands &A, double *r)
{
    // Row k+2 is first changed in step k, so its given row sum is taken then.
    double sigma[3] = {rowSum(A, m, 0), m > 1 ? rowSum(A, m, 1) : 0.0, 0.0};
    for (int k = 0; k < m; ++k) {
        if (k + 2 < m)
            sigma[(k + 2) % 3] = rowSum(A, m, k + 2);
        const double s = sigma[k % 3];
        const double pivot = A.D[k];
        if (s == 0.0 || std::fabs(pivot) < kEps * s)
            return false;
        if (k + 1 < m) {
            const double l = A.L1[k + 1] / pivot;
            A.D[k + 1] -= l * A.U1[k];
            if (k + 2 < m)
                A.U1[k + 1] -= l * A.U2[k];
            r[k + 1] -= l * r[k];
        }
        if (k + 2 < m) {
            const double l = A.L2[k + 2] / pivot;
            A.L1[k + 2] -= l * A.U1[k];
            A.D[k + 2] -= l * A.U2[k];
            r[k + 2] -= l * r[k];
        }
    }
    for (int k = m - 1; k >= 0; --k) {
        if (k + 1 < m)
            r[k] -= A.U1[k] * r[k + 1];
        if (k + 2 < m)
            r[k] -= A.U2[k] * r[k + 2];
        r[k] /= A.D[k];
    }
    return true;
}

// ---------------------------------------------------------------------------
// The normal equations of the smoothing spline. Continuity of s' at knot i,
// with a = y - (q/3) * (jump of s''' / 2), gives row i of
//   A = R + Qt diag(q) Qt^T,  r = 3 Qt y,
// where R is the interpolating spline's tridiagonal matrix. The entry
// functions take the full index range 0..n; outside the knots h and g are 0
// (open ends) or wrap around (periodic), so every mode builds its rows from
// the same formulas and differs only in how it treats rows 0 and n.

struct Knots {
    int n;
    const double *y, *w;
    const double *h, *g;
    bool periodic;

    int wrap(int i) const { return ((i % n) + n) % n; }
    bool inside(int i) const { return i >= 0 && i < n; }
    double H(int i) const { return periodic ? h[wrap(i)] : (inside(i) ? h[i] : 0.0); }
    double G(int i) const { return periodic ? g[wrap(i)] : (inside(i) ? g[i] : 0.0); }
    double S(int i) const { return G(i) + G(i + 1); }
    double Q(int i) const
    {
        if (periodic)
            return 6.0 / w[wrap(i)];
        return (i >= 0 && i <= n) ? 6.0 / w[i] : 0.0;
    }
    // y[i+1] - y[i], 0 beyond open ends.
    double dy(int i) const
    {
        if (periodic)
            return y[wrap(i) + 1] - y[wrap(i)];
        return inside(i) ? y[i + 1] - y[i] : 0.0;
    }

    double diag(int i) const
    {
        const double gm = G(i - 1), gi = G(i), si = S(i - 1);
        return 2.0 * (H(i - 1) + H(i)) + Q(i - 1) * gm * gm + Q(i) * si * si + Q(i + 1) * gi * gi;
    }
    double off1(int i) const { return H(i) - Q(i) * G(i) * S(i - 1) - Q(i + 1) * G(i) * S(i); }
    double off2(int i) const { return Q(i + 1) * G(i) * G(i + 1); }
    double rhs(int i) const { return 3.0 * (G(i) * dy(i) - G(i - 1) * dy(i - 1)); }
};

// Rows first..first+m-1 of the full matrix into symmetric bands, their
// right-hand sides into r.
void buildSymmetric(const Knots &k, int first, int m, double *D, double *E, double *F, double *r)
{
    for (int j = 0; j < m; ++j) {
        const int i = first + j;
        D[j] = k.diag(i);
        E[j] = k.off1(i);
        F[j] = k.off2(i);
        r[j] = k.rhs(i);
    }
}

// Mode 2: c_0 and c_n are given; rows 1..n-1 in c[1..n-1].
bool solveSecondDerivatives(const Knots &k, double marg0, double margN, double *D, double *E,
                            double *F, double *c)
{
    const int n = k.n, m = n - 1;
    double *r = c + 1;
    c[0] = marg0 / 2.0;
    c[n] = margN / 2.0;
    buildSymmetric(k, 1, m, D, E, F, r);
    r[0] -= k.off1(0) * c[0];
    r[1] -= k.off2(0) * c[0];
    r[m - 2] -= k.off2(n - 2) * c[n];
    r[m - 1] -= k.off1(n - 1) * c[n];
    return factorSymmetric(m, D, E, F) && solveSymmetric(m, D, E, F, r);
}

// Mode 1: the end rows prescribe s'; c_0 and c_n are eliminated from them
// (one symmetric Gauss step at each end), the inner system is solved and the
// end unknowns follow from their rows.
bool solveFirstDerivatives(const Knots &k, double marg0, double margN, double *D, double *E,
                           double *F, double *c)
{
    const int n = k.n, m = n - 1;
    double *r = c + 1;
    buildSymmetric(k, 1, m, D, E, F, r);

    const double a00 = k.diag(0), a01 = k.off1(0), a02 = k.off2(0);
    const double r0 = k.rhs(0) - 3.0 * marg0;
    D[0] -= a01 * a01 / a00;
    E[0] -= a01 * a02 / a00;
    D[1] -= a02 * a02 / a00;
    r[0] -= a01 * r0 / a00;
    r[1] -= a02 * r0 / a00;

    const double ann = k.diag(n), an1 = k.off1(n - 1), an2 = k.off2(n - 2);
    const double rn = k.rhs(n) + 3.0 * margN;
    D[m - 1] -= an1 * an1 / ann;
    E[m - 2] -= an1 * an2 / ann;
    D[m - 2] -= an2 * an2 / ann;
    r[m - 1] -= an1 * rn / ann;
    r[m - 2] -= an2 * rn / ann;

    if (!factorSymmetric(m, D, E, F) || !solveSymmetric(m, D, E, F, r))
        return false;
    c[0] = (r0 - a01 * c[1] - a02 * c[2]) / a00;
    c[n] = (rn - an1 * c[n - 1] - an2 * c[n - 2]) / ann;
    return true;
}

// Mode 3: s''' at the ends ties c_0 = c_1 - k0 and c_n = c_{n-1} + kn;
// substituting them into rows 1, 2, n-2, n-1 breaks the symmetry.
bool solveThirdDerivatives(const Knots &k, double marg0, double margN, const Bands &A, double *c)
{
    const int n = k.n, m = n - 1;
    double *r = c + 1;
    for (int j = 0; j < m; ++j) {
        const int i = j + 1;
        A.D[j] = k.diag(i);
        A.U1[j] = k.off1(i);
        A.U2[j] = k.off2(i);
        A.L1[j] = k.off1(i - 1);
        A.L2[j] = k.off2(i - 2);
        r[j] = k.rhs(i);
    }
    const double k0 = marg0 / 2.0 * k.h[0];
    const double kn = margN / 2.0 * k.h[n - 1];
    const double a10 = k.off1(0), a20 = k.off2(0);
    A.D[0] += a10;
    r[0] += a10 * k0;
    A.L1[1] += a20;
    r[1] += a20 * k0;
    const double a_n1 = k.off1(n - 1), a_n2 = k.off2(n - 2);
    A.D[m - 1] += a_n1;
    r[m - 1] -= a_n1 * kn;
    A.U1[m - 2] += a_n2;
    r[m - 2] -= a_n2 * kn;

    if (!solveGeneral(m, A, r))
        return false;
    c[0] = c[1] - k0;
    c[n] = c[n - 1] + kn;
    return true;
}

// Mode 4: the cyclic system in c_0..c_{n-1}. Block elimination: the first
// p = n-2 unknowns form a plain symmetric band P, coupled to the last two
// through C (2 x p, nonzero at columns 0, 1, p-2, p-1) and E (2 x 2).
//   P u = r_top, P Z = C^T, (E - C Z) v = r_bot - C u, top = u - Z v.
bool solvePeriodic(const Knots &k, double *D, double *E, double *F, double *z0, double *z1,
                   double *c)
{
    const int n = k.n, p = n - 2;
    buildSymmetric(k, 0, p, D, E, F, c);
    // Coupling rows n-2 and n-1 (columns of P), from the wrapped bands.
    const double c0[4] = {k.off2(n - 2), 0.0, k.off2(n - 4), k.off1(n - 3)};
    const double c1[4] = {k.off1(n - 1), k.off2(n - 1), 0.0, k.off2(n - 3)};
    const int col[4] = {0, 1, p - 2, p - 1};
    for (int j = 0; j < 4; ++j) {
        z0[col[j]] = c0[j];
        z1[col[j]] = c1[j];
    }
    const double e00 = k.diag(n - 2), e01 = k.off1(n - 2), e11 = k.diag(n - 1);
    double sigma0 = std::fabs(e00) + std::fabs(e01), sigma1 = std::fabs(e11) + std::fabs(e01);
    for (int j = 0; j < 4; ++j) {
        sigma0 += std::fabs(c0[j]);
        sigma1 += std::fabs(c1[j]);
    }

    if (!factorSymmetric(p, D, E, F) || !solveSymmetric(p, D, E, F, c) ||
        !solveSymmetric(p, D, E, F, z0) || !solveSymmetric(p, D, E, F, z1))
        return false;

    double s00 = e00, s01 = e01, s11 = e11;
    double b0 = k.rhs(n - 2), b1 = k.rhs(n - 1);
    for (int j = 0; j < 4; ++j) {
        s00 -= c0[j] * z0[col[j]];
        s01 -= c0[j] * z1[col[j]];
        s11 -= c1[j] * z1[col[j]];
        b0 -= c0[j] * c[col[j]];
        b1 -= c1[j] * c[col[j]];
    }
    // The last two pivots of the same LDL^T, tested like the band's.
    if (sigma0 == 0.0 || s00 < kEps * sigma0)
        return false;
    const double pivot1 = s11 - s01 * s01 / s00;
    if (sigma1 == 0.0 || std::fabs(pivot1) < kEps * sigma1)
        return false;
    const double v1 = (b1 - s01 / s00 * b0) / pivot1;
    const double v0 = (b0 - s01 * v1) / s00;
    for (int i = 0; i < p; ++i)
        c[i] -= z0[i] * v0 + z1[i] * v1;
    c[n - 2] = v0;
    c[n - 1] = v1;
    c[n] = c[0];
    return true;
}

// a, b, d from c (c[0..n] complete; c[n] = c[0] when periodic).
void finishCoefficients(const Knots &k, double *a, double *b, double *c, double *d)
{
    const int n = k.n;
    const int last = k.periodic ? n - 1 : n;
    for (int i = 0; i <= last; ++i) {
        // Half the jump of s''' at knot i.
        double jump = -k.S(i - 1) * c[i];
        if (k.periodic || i > 0)
            jump += k.G(i - 1) * c[i == 0 ? n - 1 : i - 1];
        if (k.periodic || i < n)
            jump += k.G(i) * c[i + 1];
        a[i] = k.y[i] - 2.0 / k.w[i] * jump;
    }
    if (k.periodic)
        a[n] = a[0];
    for (int i = 0; i < n; ++i) {
        b[i] = k.g[i] * (a[i + 1] - a[i]) - k.h[i] / 3.0 * (2.0 * c[i] + c[i + 1]);
        d[i] = k.g[i] / 3.0 * (c[i + 1] - c[i]);
    }
    b[n] = 0.0;
    d[n] = 0.0;
}

int checkInput(int n, const double *x, const double *w, int mode)
{
    if (n < 5)
        return 2;
    for (int i = 0; i < n; ++i)
        if (x[i] >= x[i + 1])
            return 3;
    for (int i = 0; i <= n; ++i)
        if (w[i] <= 0.0)
            return 5;
    if (mode < 1 || mode > 4)
        return 6;
    return 0;
}

}  // namespace

int fitSmoothingSpline(int n, const double *x, const double *y, const double *w, int mode,
                       double marg0, double margN, double *a, double *b, double *c, double *d)
{
    const int bad = checkInput(n, x, w, mode);
    if (bad)
        return bad;

    // All requests first and one check, so every path below frees one list.
    ScratchList *list = scratchCreate();
    double *h = scratchVector(list, n);
    double *g = scratchVector(list, n);
    double *band[5];
    for (double *&v : band)
        v = scratchVector(list, n + 1);
    if (!scratchAllOk(list)) {
        scratchFreeAll(list);
        return 7;
    }

    for (int i = 0; i < n; ++i) {
        h[i] = x[i + 1] - x[i];
        g[i] = 1.0 / h[i];
    }
    const Knots k{n, y, w, h, g, mode == 4};

    int result = 0;
    bool solved = false;
    switch (mode) {
    case 1:
        solved = solveFirstDerivatives(k, marg0, margN, band[0], band[1], band[2], c);
        break;
    case 2:
        solved = solveSecondDerivatives(k, marg0, margN, band[0], band[1], band[2], c);
        break;
    case 3:
        solved = solveThirdDerivatives(k, marg0, margN,
                                       Bands{band[0], band[1], band[2], band[3], band[4]}, c);
        break;
    default:
        if (y[0] != y[n] || w[0] != w[n])
            result = 4;
        else if (n < 6)
            result = -1;
        else
            solved = solvePeriodic(k, band[0], band[1], band[2], band[3], band[4], c);
        break;
    }
    if (result == 0 && !solved)
        result = 1;
    if (result == 0)
        finishCoefficients(k, a, b, c, d);
    scratchFreeAll(list);
    return result;
}

// ---------------------------------------------------------------------------
// Evaluation.

int findInterval(int n, double xv, const double *x)
{
    int lo = 0, hi = n;
    for (;;) {
        const int mid = (lo + hi) / 2;
        if (mid == lo)
            return lo;
        if (xv >= x[mid])
            lo = mid;
        else
            hi = mid;
    }
}

double evalSpline(int n, const double *x, const double *a, const double *b, const double *c,
                  const double *d, double xv)
{
    // The views and the table sampler walk forward column by column, so the
    // last interval, or the one after it, usually fits again. Per thread, so
    // that splines evaluated concurrently in a batch never see each other's
    // index.
    thread_local int lastN = -1;
    thread_local int lastIndex = 0;
    if (n != lastN) {
        lastN = n;
        lastIndex = 0;
    }
    // With one knot per column the walk enters the next interval at every
    // call, so that one is tried before bisecting. Only one interval holds
    // xv, so either way the result is the one a fresh search gives.
    int i = lastIndex;
    if (!(x[i] <= xv && xv < x[i + 1])) {
        if (i + 1 < n && x[i + 1] <= xv && xv < x[i + 2])
            ++i;
        else
            i = findInterval(n, xv, x);
        lastIndex = i;
    }
    const double p = xv - x[i];
    return ((d[i] * p + c[i]) * p + b[i]) * p + a[i];
}
