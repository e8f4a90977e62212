// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_SCANIMAGE_H
#define VELLORA_SCANIMAGE_H

#include <string>

#include <gdk-pixbuf/gdk-pixbuf.h>

// Loading a scan. The size in the file's header is checked before anything
// is decoded, so a tiny file claiming a huge image is refused at once; the
// image is decoded through a loader that must deliver every row, so a
// truncated file is refused instead of being padded with grey. gdk-pixbuf
// reads every TIFF as four channels (its TIFF loader always adds alpha), so a
// TIFF whose file holds three samples per pixel is handed back with the
// added alpha dropped; any other image keeps the channels it loaded with.

enum { ScanLoaded = 0, ScanUnreadable = -1, ScanNotThreeChannels = -2, ScanTooLarge = -3 };

// Well above a 1200 dpi chart, well below what a header may claim.
const long long kDefaultMaxScanPixels = 200000000LL;

// ScanLoaded and the new three-channel image in *scan, or a refusal with
// *scan untouched and, when reason is given, why in words (the system's or
// gdk-pixbuf's reason, or the size against the limit).
int loadScanImage(const char *path, GdkPixbuf **scan,
                  long long maxPixels = kDefaultMaxScanPixels, std::string *reason = nullptr);
// For a process that keeps freed memory in its heap (malloc's mapping and
// trim thresholds above the largest scan): scans then decode into memory
// first marked for 2 MB pages, filled by a few dozen page faults instead of
// one per 4 kB, which cost about as much as decoding a JPEG. Off by default.
void decodeOntoHugePages(bool on);
// The whole message: refusal text, path and, when known, ": reason".
std::string scanRefusalMessage(int result, const std::string &path, const std::string &reason);

// Samples per pixel, extra samples such as alpha included, of the first
// image of a TIFF file (1 when the tag is absent); -1 when the file is no
// readable TIFF.
int tiffSamplesPerPixel(const char *path);

// A three-channel view of a four-channel image whose pixels are packed in
// place, so no second copy of a large scan is made. Takes over the caller's
// reference to image; nullptr (image released) when that fails.
GdkPixbuf *dropAlpha(GdkPixbuf *image);

#endif
