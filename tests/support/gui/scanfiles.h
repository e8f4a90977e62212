#ifndef VELLORA_TEST_SCANFILES_H
#define VELLORA_TEST_SCANFILES_H

#include <functional>
#include <string>

#include "mainctx.h"

// Scans and files for the tests of opening a scan and what follows.

// Writes a width x height image of one colour (0xRRGGBB) in the gdk-pixbuf
// format type ("tiff", "jpeg", "bmp", "png"); alpha adds a fourth channel.
// Returns the path.
std::string writeScan(const std::string &path, const char *type, int width, int height,
                      unsigned rgb = 0x808080, bool alpha = false);

std::string readFile(const std::string &path);  // empty when missing
void writeFile(const std::string &path, const std::string &text);

// Chooses a file in the chooser page as the user does and waits until the
// chooser has selected it (its folder is read asynchronously), so the
// selection handler has run.
void chooseFile(MainCtx *ctx, const std::string &path);

// The file selected in the chooser page, empty when none.
std::string chosenFile(MainCtx *ctx);

// Runs the main loop until done() holds or the time (ms) has passed.
bool waitUntil(const std::function<bool()> &done, int timeoutMs = 5000);

// The text of the progress bar, where the status is shown.
std::string statusText(MainCtx *ctx);

#endif
