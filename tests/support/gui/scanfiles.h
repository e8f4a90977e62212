#ifndef VELLORA_TEST_SCANFILES_H
#define VELLORA_TEST_SCANFILES_H

#include <string>

#include "mainctx.h"

// Scans and files for the tests of opening a scan and setting pass points.

// Writes a width x height image of one colour (0xRRGGBB) in the gdk-pixbuf
// format type ("tiff", "jpeg", "bmp", "png"); alpha adds a fourth channel.
// Returns the path.
std::string writeScan(const std::string &path, const char *type, int width, int height,
                      unsigned rgb = 0x808080, bool alpha = false);

std::string readFile(const std::string &path);  // empty when missing
void writeFile(const std::string &path, const std::string &text);
bool fileExists(const std::string &path);

// Chooses a file in the chooser page as the user does and waits until the
// chooser has selected it (its folder is read asynchronously); the selection
// handler has then run. Starts from the chooser page, so the scan is opened
// from there as always.
void chooseFile(MainCtx *ctx, const std::string &path);

// Runs the main loop until done() holds or the time (ms) has passed.
bool waitUntil(bool (*done)(void *), void *data, int timeoutMs = 5000);

// The text of the progress bar, where the status is shown.
std::string statusText(MainCtx *ctx);

#endif
