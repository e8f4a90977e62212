// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_SMOOTHSPLINE_H
#define VELLORA_SMOOTHSPLINE_H

// Weighted cubic smoothing spline through points x[0..n], y[0..n], w[0..n]
// minimising sum w_i (y_i - s(x_i))^2 + integral s''^2 under the end condition
// of mode (1 first, 2 second, 3 third derivatives marg0/margN given; 4 periodic).
// On 0, s(x) = a_i + b_i p + c_i p^2 + d_i p^3 with p = x - x_i on interval i.
// Codes: 1 singular, 2 n < 5, 3 x not increasing, 4 periodic ends differ,
// 5 weight <= 0, 6 bad mode, 7 no memory, -1 periodic with n < 6.
int fitSmoothingSpline(int n, const double *x, const double *y, const double *w, int mode,
                       double marg0, double margN, double *a, double *b, double *c, double *d);

// Value of the fitted spline at xv.
double evalSpline(int n, const double *x, const double *a, const double *b, const double *c,
                  const double *d, double xv);

// Interval index of xv by bisection: 0 for xv < x_0, n-1 for xv >= x_n.
int findInterval(int n, double xv, const double *x);

// Scratch vectors of the fit, all released together.
struct ScratchList;
ScratchList *scratchCreate();
double *scratchVector(ScratchList *list, int count);
bool scratchAllOk(const ScratchList *list);
void scratchFreeAll(ScratchList *list);

#endif
