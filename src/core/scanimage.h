#ifndef VELLORA_SCANIMAGE_H
#define VELLORA_SCANIMAGE_H

#include <gdk-pixbuf/gdk-pixbuf.h>

// Loading a scan. gdk-pixbuf reads every TIFF as four channels (its TIFF
// loader always adds alpha), so a TIFF whose file holds three samples per
// pixel is handed back with the added alpha dropped; any other image keeps
// the channels it loaded with.

enum { ScanLoaded = 0, ScanUnreadable = -1, ScanNotThreeChannels = -2 };

// ScanLoaded and the new three-channel image in *scan, or ScanUnreadable /
// ScanNotThreeChannels with *scan untouched.
int loadScanImage(const char *path, GdkPixbuf **scan);
// The message of a refused scan, to which the path is appended.
const char *scanRefusalText(int result);

// Samples per pixel, extra samples such as alpha included, of the first
// image of a classic TIFF file (1 when the tag is absent); -1 when the file
// is no readable TIFF.
int tiffSamplesPerPixel(const char *path);

// A three-channel view of a four-channel image whose pixels are packed in
// place, so no second copy of a large scan is made. Takes over the caller's
// reference to image; nullptr (image released) when that fails.
GdkPixbuf *dropAlpha(GdkPixbuf *image);

#endif
