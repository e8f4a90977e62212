// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_FIELDPAIR_H
#define VELLORA_FIELDPAIR_H

// Both field images of a scan cut out with three pass points, for the
// detectors that look at the fields rather than the scan.

#include <gdk-pixbuf/gdk-pixbuf.h>

#include "params.h"
#include "records.h"

class FieldPair {
public:
    FieldPair(const Params &params, const GdkPixbuf *scan, const PassPoint pass[3]);
    ~FieldPair();
    FieldPair(const FieldPair &) = delete;
    FieldPair &operator=(const FieldPair &) = delete;

    // False when either field could not be cut out.
    bool ok() const { return images[0] && images[1]; }
    const GdkPixbuf *image(int field) const { return images[field]; }
    // A new reference to a field image, for a result that keeps it.
    GdkPixbuf *share(int field) const { return GDK_PIXBUF(g_object_ref(images[field])); }
    // True when the images were cut at exactly these pass points.
    bool cutAt(const PassPoint pass[3]) const;

private:
    GdkPixbuf *images[2];
    PassPoint pass[3];
};

#endif
