// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_SYNTHHARD_H
#define VELLORA_SYNTHHARD_H

// Degradations of hard charts: ink beside the trace that looks like it, a
// drum that ran on, paper that did not lie flat and marks set a little off.

#include "synthlayout.h"

// Stretches where the pens ran thin (degradation "fadedInk").
std::vector<PenGap> chooseFades(int minutes, Rng &rng);
// Notes 30..40 mm long running 2..15 mm beside a trace, never across it.
void drawLongNotes(const ChartLayout &L, const SynthChart &chart, Rng &rng, CoverageLayer &ink,
                   std::vector<Disturbance> &marks);
// The pens tapped across both traces at a time check every day.
void drawTapMarks(const ChartLayout &L, const SynthChart &chart, double penWidthMM, Rng &rng,
                  CoverageLayer &ink, std::vector<Disturbance> &marks);
// The traces of the hours the drum ran on past the trace's end, drawn over
// its start again.
void drawSecondTurn(const ChartLayout &L, const SynthChart &chart, double penWidthMM, int hours,
                    CoverageLayer &ink, CoverageLayer &hygroInk);
// The paper lifted off the glass in a wave across the time axis: the scan's
// content moves along the time axis by up to curlMM around a random place.
void curlPaper(const ChartLayout &L, double curlMM, Rng &rng, GdkPixbuf *scan);
// Each stored pass point moved by errorPx scan pixels in a random direction.
void misplacePassPoints(double errorPx, Rng &rng, SynthChart &chart);

#endif
