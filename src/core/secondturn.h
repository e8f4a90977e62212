// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_SECONDTURN_H
#define VELLORA_SECONDTURN_H

#include "inkruns.h"

namespace inkruns {

// A drum that runs on draws a second turn over the start of the chart: a
// second smooth line that comes in where the first turn ended, at its row and
// course, and stops some time later. The two may cross, touch or run together
// for a while. Which line is which is decided over the whole overlap by
// following both at once: each keeps its own course through the places where
// they meet, all ink is explained, and the second line ends where its ink
// does. Swapping the lines at a meeting bends both, and unlike the path alone
// neither is favoured for running flatter. Where they meet in one run, the
// way each left is then settled from the meeting's ink (turnmeetings.h).

// Prices the second turn's runs where it lies apart from the first out of
// the path, when the path ends at the chart's end. True when the path took
// any of them and must be found again. Windows or rows the user set guide the
// path instead.
bool keepOffSecondTurn(Trace &trace, int lastRun);

}  // namespace inkruns

#endif
