// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_PROGRESS_H
#define VELLORA_PROGRESS_H

// Long loops report their fraction done (0..1) through this; user is passed back.
// A null function means nobody listens.
typedef void (*ProgressFn)(void *user, double fraction);

// The steps of evaluating a field, for status texts.
enum FieldStage { InkExtentStage, KnotStage };
typedef void (*StageFn)(void *user, FieldStage stage, int field);

// Where a long computation reports to; every member may be null.
struct ProgressSink {
    ProgressFn fraction;
    StageFn stage;
    void *user;
};

#endif
