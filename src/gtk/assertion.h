// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_ASSERTION_H
#define VELLORA_ASSERTION_H

#include <glib.h>

// Internal consistency check: logs the expression at the error level, which
// ends the program (the message reaches standard output only in verbose mode).
// Guards widget lookups and allocations, never user input.
#define VELLORA_ASSERT(expr)                                                          \
    do {                                                                              \
        if (!(expr))                                                                  \
            g_log(nullptr, G_LOG_LEVEL_ERROR, "file %s: line %d: assertion failed: (%s)", \
                  __FILE__, __LINE__, #expr);                                         \
    } while (0)

#endif
