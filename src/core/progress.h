#ifndef VELLORA_PROGRESS_H
#define VELLORA_PROGRESS_H

// Long loops report their fraction done (0..1) through this; user is passed back.
// A null function means nobody listens.
typedef void (*ProgressFn)(void *user, double fraction);

#endif
