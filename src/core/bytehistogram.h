// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_BYTEHISTOGRAM_H
#define VELLORA_BYTEHISTOGRAM_H

// Medians of byte values without sorting them: the values are counted, then
// the counts walked.

#include <array>

typedef std::array<int, 256> ByteHistogram;

// The k-th smallest (from 0) of the values counted, walked from the value
// `from` up (none below it is counted); 0 when no more than k are counted.
inline int kthCountedValue(const int *counts, int k, int from = 0)
{
    for (int v = from, seen = 0; v < 256; ++v)
        if ((seen += counts[v]) > k)
            return v;
    return 0;
}

inline int kthCountedValue(const ByteHistogram &counts, int k) { return kthCountedValue(counts.data(), k); }

#endif
