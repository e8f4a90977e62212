// SPDX-License-Identifier: GPL-3.0-or-later
#include "options.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <getopt.h>
#include <string>
#include <thread>
#include <utility>

#include <glib.h>

#include "records.h"

const char kBatchVersion[] = "1.0.0";

namespace {

const char kUsage[] =
    "Usage: vellora-batch [OPTIONS] SCAN...\n"
    "Digitises thermohygrograph chart scans with the settings stored in each\n"
    "scan's file context (SCAN.ctx) and writes the temperature (T...) and\n"
    "humidity (F...) table files beside the scan, as the save button does.\n"
    "\n"
    "  --params FILE        parameter file (default: the one the GUI finds:\n"
    "                       ./vellora.ini, ~/.config/vellora, the installed profile)\n"
    "  --smoothness K       smoothness control value K, weight 2^round(K), for every\n"
    "                       scan (default: the scan's Smoothness, else dstCurveFilter)\n"
    "  --step 10|60         table time step in minutes (default: the scan's, else 60)\n"
    "  --output-dir DIR     write the files into DIR instead of beside each scan\n"
    "  --force              replace existing output files\n"
    "  --skip-existing      skip scans whose tables exist; keep existing output files\n"
    "  --csv                also write SCAN.csv (time,temperature_C,humidity_pct,flags)\n"
    "  --max-pixels N       refuse scans larger than N pixels (default: 200000000)\n"
    "  -j, --jobs N         scans digitised in parallel (default: number of cores)\n"
    "  --no-auto-windows    search only the stored windows (default: propose search\n"
    "                       windows for columns without one; --auto-windows is accepted)\n"
    "  --auto-setup         propose the records a file context lacks (pass points,\n"
    "                       ink colour, start and end marks, dates from --manifest);\n"
    "                       a scan without a file context gets all of them\n"
    "  --write-context      store the proposals in each scan's file context for review\n"
    "                       in the GUI (without it no file context is ever written)\n"
    "  --manifest FILE      dates of the scans, CSV 'scan,start,end' with times as\n"
    "                       YYYY-MM-DDTHH:MM; implies --auto-setup\n"
    "  --report FILE        one CSV line per scan: scan,verdict,reasons and figures\n"
    "  --preview DIR        one PNG per scan of both fields with what was found\n"
    "  --contact-sheet FILE the previews tiled in one PNG, failed and suspect first\n"
    "  --strict             count suspect scans as failed in the exit status\n"
    "  --sef                also write Station Exchange Format files (ta, rh);\n"
    "                       needs --station-id\n"
    "  --station-id ID      SEF station fields; each other missing one is NA\n"
    "  --station-name NAME\n"
    "  --lat DEG  --lon DEG  --alt M\n"
    "  --source NAME  --link URL\n"
    "  --utc-offset HOURS   chart time = UTC + HOURS (e.g. 1, -3.5, 5:45) for SEF\n"
    "                       and CSV; SEF takes chart time as UTC without it\n"
    "  -q, --quiet          no result lines and no progress bar\n"
    "  -h, --help           show this text\n"
    "  -V, --version        show the version\n"
    "\n"
    "Each scan is judged ok, suspect (tables made, worth a look, with reasons) or\n"
    "failed (no tables written). Exit status: 0 when every scan produced tables or\n"
    "was skipped, 1 when any failed (with --strict: or was suspect), 2 on a usage error.\n";

// Largest |offset| of a clock against UTC, in hours.
const double kMaxUtcOffsetHours = 14.0;
// Threads beyond this only cost memory: each holds a whole scan.
const int kMaxJobs = 256;
// The smoothness weight is a 32-bit power of two.
const int kMaxSmoothnessExponent = 30;

enum LongOnly {
    OptParams = 1000,
    OptSmoothness,
    OptStep,
    OptOutputDir,
    OptForce,
    OptSkipExisting,
    OptCsv,
    OptMaxPixels,
    OptAutoWindows,
    OptNoAutoWindows,
    OptAutoSetup,
    OptWriteContext,
    OptManifest,
    OptReport,
    OptPreview,
    OptContactSheet,
    OptStrict,
    OptSef,
    OptStationId,
    OptStationName,
    OptLat,
    OptLon,
    OptAlt,
    OptSource,
    OptLink,
    OptUtcOffset,
};

const struct option kLongOptions[] = {
    {"params", required_argument, nullptr, OptParams},
    {"smoothness", required_argument, nullptr, OptSmoothness},
    {"step", required_argument, nullptr, OptStep},
    {"output-dir", required_argument, nullptr, OptOutputDir},
    {"force", no_argument, nullptr, OptForce},
    {"skip-existing", no_argument, nullptr, OptSkipExisting},
    {"csv", no_argument, nullptr, OptCsv},
    {"max-pixels", required_argument, nullptr, OptMaxPixels},
    {"jobs", required_argument, nullptr, 'j'},
    {"auto-windows", no_argument, nullptr, OptAutoWindows},
    {"no-auto-windows", no_argument, nullptr, OptNoAutoWindows},
    {"auto-setup", no_argument, nullptr, OptAutoSetup},
    {"write-context", no_argument, nullptr, OptWriteContext},
    {"manifest", required_argument, nullptr, OptManifest},
    {"report", required_argument, nullptr, OptReport},
    {"preview", required_argument, nullptr, OptPreview},
    {"contact-sheet", required_argument, nullptr, OptContactSheet},
    {"strict", no_argument, nullptr, OptStrict},
    {"sef", no_argument, nullptr, OptSef},
    {"station-id", required_argument, nullptr, OptStationId},
    {"station-name", required_argument, nullptr, OptStationName},
    {"lat", required_argument, nullptr, OptLat},
    {"lon", required_argument, nullptr, OptLon},
    {"alt", required_argument, nullptr, OptAlt},
    {"source", required_argument, nullptr, OptSource},
    {"link", required_argument, nullptr, OptLink},
    {"utc-offset", required_argument, nullptr, OptUtcOffset},
    {"quiet", no_argument, nullptr, 'q'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

// A number on the command line is the whole argument: a blank or a control
// character (a CR from a station list saved on Windows) makes it no number.
bool plainText(const char *text)
{
    for (const char *p = text; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (std::isspace(c) || std::iscntrl(c))
            return false;
    }
    return true;
}

bool strictInt(const char *text, int *v)
{
    return plainText(text) && scanInt(text, v);
}

bool strictDouble(const char *text, double *v)
{
    return plainText(text) && scanDouble(text, v);
}

bool strictCount(const char *text, long long *v)
{
    if (!plainText(text) || !std::isdigit(static_cast<unsigned char>(*text)))
        return false;
    char *end;
    errno = 0;
    long long n = std::strtoll(text, &end, 10);
    if (*end != '\0' || errno == ERANGE)
        return false;
    *v = n;
    return true;
}

// The argument as it can be shown in a message: control characters escaped.
std::string quoted(const char *text)
{
    std::string out = "'";
    for (const char *p = text; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (std::iscntrl(c)) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            out += buf;
        } else {
            out += *p;
        }
    }
    return out + "'";
}

// HOURS as a decimal number or H:MM, a whole number of minutes.
bool parseUtcOffset(const char *text, int *minutes)
{
    if (!plainText(text))
        return false;
    const char *colon = std::strchr(text, ':');
    double hours;
    if (colon) {
        int h, m;
        std::string head(text, colon);
        if (!scanInt(head.c_str(), &h) || !scanInt(colon + 1, &m) || m < 0 || m > 59 ||
            colon[1] == '-' || colon[1] == '+')
            return false;
        bool negative = head.find('-') != std::string::npos;
        hours = std::abs(h) + m / 60.0;
        if (negative)
            hours = -hours;
    } else if (!scanDouble(text, &hours)) {
        return false;
    }
    if (std::fabs(hours) > kMaxUtcOffsetHours)
        return false;
    double exact = hours * 60.0;
    double whole = std::round(exact);
    if (std::fabs(exact - whole) > 1e-6)
        return false;
    *minutes = static_cast<int>(whole);
    return true;
}

// Station fields end up as tab-separated UTF-8 cells of a header line, ID
// and source also in a file name, where a blank is no more welcome.
bool validStationText(const std::string &text, bool inFileName)
{
    if (text.empty() || !g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr))
        return false;
    for (char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (std::iscntrl(c))
            return false;
        if (inFileName && (c == '/' || c == '\\' || c == ' '))
            return false;
    }
    return true;
}

bool validCoordinate(const char *text, double limit)
{
    double v;
    return strictDouble(text, &v) && std::fabs(v) <= limit;
}

int defaultJobs()
{
    unsigned n = std::thread::hardware_concurrency();
    return n > 0 ? static_cast<int>(std::min<unsigned>(n, kMaxJobs)) : 1;
}

bool applyStationOption(int opt, const char *arg, StationInfo &st, std::string &msg)
{
    struct Field {
        int opt;
        std::string StationInfo::*member;
        const char *option, *name;
        bool inFileName;
        double coordinateLimit;  // 0: free text
    };
    static const Field fields[] = {
        {OptStationId, &StationInfo::id, "--station-id", "station ID", true, 0.0},
        {OptStationName, &StationInfo::name, "--station-name", "station name", false, 0.0},
        {OptLat, &StationInfo::lat, "--lat", "latitude", false, 90.0},
        {OptLon, &StationInfo::lon, "--lon", "longitude", false, 180.0},
        {OptAlt, &StationInfo::alt, "--alt", "altitude", false, 1.0e5},
        {OptSource, &StationInfo::source, "--source", "source", true, 0.0},
        {OptLink, &StationInfo::link, "--link", "link", false, 0.0},
    };
    for (const Field &f : fields) {
        if (f.opt != opt)
            continue;
        bool ok = f.coordinateLimit > 0.0 ? validCoordinate(arg, f.coordinateLimit)
                                          : validStationText(arg, f.inFileName);
        if (!ok) {
            msg = std::string(f.option) + ": invalid " + f.name + " " + quoted(arg) +
                  (f.coordinateLimit > 0.0 ? " (a number in degrees or metres)"
                                           : " (UTF-8 text without control characters" +
                                                 std::string(f.inFileName ? ", blanks or slashes)"
                                                                          : ")"));
            return false;
        }
        st.*f.member = arg;
        return true;
    }
    msg = "unknown option";
    return false;
}

bool applyPathOption(int opt, const char *arg, BatchOptions &o, std::string &msg)
{
    struct PathOption {
        int opt;
        std::string BatchOptions::*member;
        const char *option;
    };
    static const PathOption paths[] = {
        {OptManifest, &BatchOptions::manifestFile, "--manifest"},
        {OptReport, &BatchOptions::reportFile, "--report"},
        {OptPreview, &BatchOptions::previewDir, "--preview"},
        {OptContactSheet, &BatchOptions::contactSheet, "--contact-sheet"},
    };
    for (const PathOption &p : paths) {
        if (p.opt != opt)
            continue;
        if (!*arg) {
            msg = std::string(p.option) + ": empty file name";
            return false;
        }
        o.*p.member = arg;
        return true;
    }
    msg = "unknown option";
    return false;
}

// The options that only switch something on: true when opt is one, now set.
bool setFlagOption(int opt, BatchOptions &o)
{
    static const std::pair<int, bool BatchOptions::*> flags[] = {
        {OptForce, &BatchOptions::force},
        {OptSkipExisting, &BatchOptions::skipExisting},
        {OptCsv, &BatchOptions::csv},
        {OptAutoSetup, &BatchOptions::autoSetup},
        {OptWriteContext, &BatchOptions::writeContext},
        {OptStrict, &BatchOptions::strict},
        {OptSef, &BatchOptions::sef},
        {'q', &BatchOptions::quiet},
    };
    for (const auto &flag : flags) {
        if (flag.first == opt) {
            o.*flag.second = true;
            return true;
        }
    }
    return false;
}

// Applies one option; false with the message when its value is not usable.
bool applyOption(int opt, const char *arg, BatchOptions &o, std::string &msg)
{
    if (setFlagOption(opt, o))
        return true;
    switch (opt) {
    case OptParams:
        o.paramsFile = arg;
        return true;
    case OptSmoothness:
        if (!strictDouble(arg, &o.smoothness) ||
            std::fabs(std::trunc(o.smoothness + 0.5)) > kMaxSmoothnessExponent) {
            msg = "--smoothness: invalid smoothness " + quoted(arg) + " (a number from -30 to 30)";
            return false;
        }
        o.hasSmoothness = true;
        return true;
    case OptStep:
        if (!strictInt(arg, &o.timeStep) || (o.timeStep != 10 && o.timeStep != 60)) {
            msg = "--step: invalid step " + quoted(arg) + " (10 or 60)";
            return false;
        }
        return true;
    case OptOutputDir:
        o.outputDir = arg;
        if (o.outputDir.empty()) {
            msg = "--output-dir: empty output folder";
            return false;
        }
        return true;
    case OptMaxPixels:
        if (!strictCount(arg, &o.maxPixels) || o.maxPixels < 1) {
            msg = "--max-pixels: invalid number of pixels " + quoted(arg) + " (a whole number, 1 or more)";
            return false;
        }
        return true;
    case 'j':
        if (!strictInt(arg, &o.jobs) || o.jobs < 1 || o.jobs > kMaxJobs) {
            msg = "--jobs: invalid number of jobs " + quoted(arg) + " (1 to " +
                  std::to_string(kMaxJobs) + ")";
            return false;
        }
        return true;
    case OptAutoWindows:
    case OptNoAutoWindows:
        o.autoWindows = opt == OptAutoWindows;
        return true;
    case OptManifest:
    case OptReport:
    case OptPreview:
    case OptContactSheet:
        return applyPathOption(opt, arg, o, msg);
    case OptUtcOffset:
        if (!parseUtcOffset(arg, &o.utcOffsetMinutes)) {
            msg = "--utc-offset: invalid UTC offset " + quoted(arg) +
                  " (hours from -14 to 14 in whole minutes, e.g. 1, -3.5 or 5:45)";
            return false;
        }
        o.hasUtcOffset = true;
        return true;
    default:
        return applyStationOption(opt, arg, o.station, msg);
    }
}

bool isStationOption(int opt)
{
    return opt >= OptStationId && opt <= OptLink;
}

// The element of argv that holds the option getopt refused: a short option
// inside a cluster ("-dash.jpg") leaves optind on its element, the last one
// of an element and every long option move it on.
const char *refusedArgument(int argc, char **argv)
{
    if (optopt != 0 && optind < argc && argv[optind][0] == '-' &&
        std::strchr(argv[optind] + 1, optopt))
        return argv[optind];
    return argv[optind - 1];
}

std::string unknownOptionText(int argc, char **argv)
{
    const char *element = refusedArgument(argc, argv);
    std::string text = "unknown option ";
    if (optopt != 0 && std::strlen(element) > 2)
        text += quoted((std::string("-") + static_cast<char>(optopt)).c_str()) + " in ";
    text += quoted(element);
    if (element[1] != '-')
        text += " (a scan whose name begins with '-' goes after '--' or as ./NAME)";
    return text;
}

// What --sef needs beyond the options themselves; warnings for what it can
// do without.
bool checkSefOptions(BatchOptions &o, std::string &msg)
{
    if (o.station.id == StationInfo().id) {
        msg = "--sef needs --station-id (the station's identifier, without blanks)";
        return false;
    }
    if (o.station.lat == StationInfo().lat || o.station.lon == StationInfo().lon)
        o.warnings.push_back("no --lat or --lon: the SEF files give the station position as NA");
    if (!o.hasUtcOffset)
        o.warnings.push_back("no --utc-offset: chart time is taken as UTC in the SEF files");
    return true;
}

} // namespace

BatchOptions::BatchOptions()
    : hasSmoothness(false), smoothness(0.0), timeStep(0), force(false), skipExisting(false),
      csv(false), maxPixels(kDefaultMaxScanPixels), jobs(defaultJobs()), autoWindows(true),
      strict(false), autoSetup(false), writeContext(false), sef(false), utcOffsetMinutes(0), hasUtcOffset(false), quiet(false)
{
}

ParseResult parseBatchOptions(int argc, char **argv, BatchOptions &options, std::string &message)
{
    bool stationOptionGiven = false;
    optind = 0;  // restart the scanner: it keeps state between calls
    opterr = 0;
    int opt;
    while ((opt = getopt_long(argc, argv, ":j:qhV", kLongOptions, nullptr)) != -1) {
        switch (opt) {
        case 'h':
            message = kUsage;
            return ParseDone;
        case 'V':
            message = std::string("vellora-batch ") + kBatchVersion + "\n";
            return ParseDone;
        case ':':
            message = "option " + quoted(argv[optind - 1]) + " needs a value";
            return ParseUsage;
        case '?':
            message = unknownOptionText(argc, argv);
            return ParseUsage;
        default:
            if (!applyOption(opt, optarg, options, message))
                return ParseUsage;
            stationOptionGiven = stationOptionGiven || isStationOption(opt);
        }
    }
    if (stationOptionGiven && !options.sef) {
        message = "station options need --sef";
        return ParseUsage;
    }
    if (options.hasUtcOffset && !options.sef && !options.csv) {
        message = "--utc-offset needs --sef or --csv";
        return ParseUsage;
    }
    if (options.force && options.skipExisting) {
        message = "--force and --skip-existing exclude each other";
        return ParseUsage;
    }
    if (!options.manifestFile.empty())
        options.autoSetup = true;
    if (options.writeContext && !options.autoSetup) {
        message = "--write-context needs --auto-setup or --manifest";
        return ParseUsage;
    }
    if (options.sef && !checkSefOptions(options, message))
        return ParseUsage;
    for (int i = optind; i < argc; ++i)
        options.scans.push_back(argv[i]);
    if (options.scans.empty()) {
        message = "no scan given";
        return ParseUsage;
    }
    return ParseRun;
}
