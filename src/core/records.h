// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_RECORDS_H
#define VELLORA_RECORDS_H

#include <string>

#include "datetime.h"
#include "geometry.h"
#include "filectx.h"
#include "spanarray.h"

// The records a scan's file context keeps: keys, value formats, loading and
// storing. A record whose value does not scan completely is ignored and its
// target keeps its value.

struct PassPoint {
    int set;
    double x, y;
};

// The positions of the three pass points, set or not.
void passPointVectors(const PassPoint passPoints[3], Vec2 pass[3]);

// Key builders.
std::string passKey(int i);       // "Pass%1d" of i + 1
std::string datePosKey(int i);    // "DatePos%1d" of i + 1
std::string dateValKey(int i);    // "DateVal%1d" of i + 1
std::string columnKey(const char *prefix, int field, int column);  // "Bot%1d_%04d" ...

// Value formats.
std::string formatPassPoint(const PassPoint &pp);     // "%1d %lf %lf"
std::string formatDateVal(const DateTime &dt);        // "y %04d m %02d d %02d h %02d m %02d"
std::string formatCurveColor(const int rgb[3]);       // "%3d %3d %3d"
std::string formatInt(int v);                         // "%d"
std::string formatDouble(double v);                   // "%lf"

// Strict scanners: true only when every item converts, nothing but white space
// follows, and numbers are finite.
bool scanInt(const char *text, int *v);
bool scanDouble(const char *text, double *v);
bool scanPassPoint(const char *text, PassPoint *pp);
bool scanDateVal(const char *text, int fields[5]);
bool scanCurveColor(const char *text, int rgb[3]);   // components 0..255 only

// Loaders: true when the record exists, scans and was applied.
bool loadPassPointRecord(const FileCtx &ctx, int i, PassPoint &pp);
bool loadDatePosRecord(const FileCtx &ctx, int i, int &pos);
bool loadDateValRecord(const FileCtx &ctx, int i, DateTime &dt);  // through setDateTime
bool loadDateValRecord(const FileCtx &ctx, const char *key, DateTime &dt);  // a date under another key
// key "CurveColor" (temperature pen) or "CurveColorHygro".
bool loadCurveColorRecord(const FileCtx &ctx, const char *key, int rgb[3]);
bool loadTimeStepRecord(const FileCtx &ctx, int &timeStep);       // 10 or 60 only
bool loadDoubleRecord(const FileCtx &ctx, const char *key, double &v);
bool loadSmoothnessRecord(const FileCtx &ctx, double &value);    // -30 .. 30 only

// Storing. storePassPointRecord also removes every record that depends on the
// field geometry ("Bot", "Top", "Draw", "AddTemp", "AddHygro").
void storePassPointRecord(FileCtx &ctx, int i, const PassPoint &pp);
void storeDatePosRecord(FileCtx &ctx, int i, int pos);
void storeDateValRecord(FileCtx &ctx, int i, const DateTime &dt);
void storeCurveColorRecord(FileCtx &ctx, const char *key, const int rgb[3]);
void storeTimeStepRecord(FileCtx &ctx, int timeStep);
void storeDoubleRecord(FileCtx &ctx, const char *key, double v);
void storeSmoothnessRecord(FileCtx &ctx, double value);           // "Smoothness"

// Per-column records: search windows ("Bot", "Top") and drawn rows ("Draw").
// A value of -1 removes the record.
void storeLimitColumn(FileCtx &ctx, int field, const SpanArray &limitSpan, int x);
void storeLimits(FileCtx &ctx, int field, const SpanArray &limitSpan, int width);
void loadLimits(const FileCtx &ctx, int field, SpanArray &limitSpan, int width);
void storeDrawColumn(FileCtx &ctx, int field, const int *drawPos, int x);
void storeDrawMarks(FileCtx &ctx, int field, const int *drawPos, int width);
void loadDrawMarks(const FileCtx &ctx, int field, int *drawPos, int width);

#endif
