// SPDX-License-Identifier: GPL-3.0-or-later
// The parameter file: any file reads without harm, and the line parsers
// accept any line.
#include <string>

#include "fuzzinput.h"
#include "params.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static fuzzinput::InputFile file(".ini");
    Params params;
    setParamDefaults(params);
    loadParamFile(params, file.write(data, size));

    const std::string line(reinterpret_cast<const char *>(data), size);
    unsigned char rgb[3];
    double d;
    int i;
    parseColorParam(line.c_str(), rgb);
    parseDoubleParam(line.c_str(), &d);
    parseIntParam(line.c_str(), &i);
    return 0;
}
