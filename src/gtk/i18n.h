// SPDX-License-Identifier: GPL-3.0-or-later
// Marks the texts the user reads for translation (catalogue domain "vellora").
#ifndef VELLORA_I18N_H
#define VELLORA_I18N_H

#include <libintl.h>

#define _(text) gettext(text)
// Marks a text kept in a constant; it is translated where it is shown.
#define N_(text) (text)

// Binds the "vellora" catalogues: those installed beside the program's data
// folder, else in the configured locale folder, else the build's own (runs
// from the source tree). Call before the first translated text.
void setUpTranslations();

#endif
