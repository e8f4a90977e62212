// SPDX-License-Identifier: GPL-3.0-or-later
// The scan loader on any file: refused with a reason or loaded with three
// channels, never beyond the pixel limit.
#include <cstdlib>
#include <string>

#include "fuzzinput.h"
#include "scanimage.h"

namespace {

// Small enough that a claimed size never costs the fuzzer its memory.
const long long kFuzzMaxPixels = 4000000;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static fuzzinput::InputFile file(".img");
    GdkPixbuf *scan = nullptr;
    std::string reason;
    const int result = loadScanImage(file.write(data, size), &scan, kFuzzMaxPixels, &reason);
    if (result == ScanLoaded) {
        const long long pixels =
            static_cast<long long>(gdk_pixbuf_get_width(scan)) * gdk_pixbuf_get_height(scan);
        if (!scan || gdk_pixbuf_get_n_channels(scan) != 3 || pixels > kFuzzMaxPixels)
            std::abort();
        g_object_unref(scan);
    } else if (scan || reason.empty()) {
        std::abort();
    }
    return 0;
}
