// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_MANIFEST_H
#define VELLORA_MANIFEST_H

// The dates of many scans in one CSV file:
//
//   scan,start,end
//   chart-0001.tif,2002-03-16T08:10,2002-03-23T09:00
//
// scan is the scan's file name or path; start and end are the local chart
// times of the trace's first and last ink, YYYY-MM-DDTHH:MM or with a blank
// instead of the T. A field may be quoted ("a,b.tif"). Blank lines are
// skipped. Whether a listed scan exists is for the caller to check.

#include <string>
#include <vector>

#include "datetime.h"

struct ManifestEntry {
    std::string scan;
    DateTime start, end;
    int line;  // 1-based line number in the file
};

struct ManifestError {
    int line;             // 1-based; 0 for the file as a whole
    std::string scan;     // the line's scan when it could be read, else empty
    std::string message;  // "line 4: end 2002-03-01T10:00 is before start ..."
};

struct Manifest {
    std::vector<ManifestEntry> entries;  // the good lines only
    std::vector<ManifestError> errors;   // every bad line, in file order
};

// Parses the text of a manifest.
Manifest parseManifest(const std::string &text);
// Reads and parses a file; false (and an error of line 0) when unreadable.
bool readManifest(const std::string &path, Manifest &manifest);

// Whether a manifest's scan names this path: the same path, or the same file
// name when the listed scan gives no directory.
bool manifestNamesScan(const std::string &listed, const std::string &scanPath);
// The first entry whose scan names this path; nullptr when none.
const ManifestEntry *findManifestEntry(const Manifest &manifest, const std::string &scanPath);
// Whether the manifest refused a line naming this scan; such a scan gets no dates.
bool manifestRefusedScan(const Manifest &manifest, const std::string &scanPath);
// The messages of the refused lines naming this scan, "; "-joined; empty when none.
std::string manifestRefusalReasons(const Manifest &manifest, const std::string &scanPath);

#endif
