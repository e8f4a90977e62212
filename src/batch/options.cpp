#include "options.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <getopt.h>
#include <string>
#include <thread>

#include "records.h"

const char kBatchVersion[] = "1.0.0";

namespace {

const char kUsage[] =
    "Usage: vellora-batch [OPTIONS] SCAN...\n"
    "Digitises thermohygrograph chart scans with the settings stored in each\n"
    "scan's file context (SCAN.ctx) and writes the temperature (T...) and\n"
    "humidity (F...) table files beside the scan, as the save button does.\n"
    "\n"
    "  --params FILE        parameter file (default: vellora.ini in the working folder)\n"
    "  --smoothness K       smoothness control value K, weight 2^round(K)\n"
    "                       (default: dstCurveFilter of the parameter file)\n"
    "  --step 10|60         table time step in minutes (default: the scan's, else 60)\n"
    "  --output-dir DIR     write the files into DIR instead of beside each scan\n"
    "  --force              replace existing output files\n"
    "  -j, --jobs N         scans digitised in parallel (default: number of cores)\n"
    "  --auto-windows       propose search windows for columns without one\n"
    "  --sef                also write Station Exchange Format files (ta, rh)\n"
    "  --station-id ID      SEF station fields; each missing one is NA\n"
    "  --station-name NAME\n"
    "  --lat DEG  --lon DEG  --alt M\n"
    "  --source NAME  --link URL\n"
    "  --utc-offset HOURS   chart time = UTC + HOURS (e.g. 1, -3.5, 5:45); default 0\n"
    "  -q, --quiet          no result lines and no progress bar\n"
    "  -h, --help           show this text\n"
    "  -V, --version        show the version\n"
    "\n"
    "Exit status: 0 when every scan succeeded, 1 when any failed, 2 on a usage error.\n";

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
    OptAutoWindows,
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
    {"jobs", required_argument, nullptr, 'j'},
    {"auto-windows", no_argument, nullptr, OptAutoWindows},
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

// HOURS as a decimal number or H:MM, a whole number of minutes.
bool parseUtcOffset(const char *text, int *minutes)
{
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

// Station fields end up as tab-separated cells, ID and source also in a
// file name.
bool validStationText(const std::string &text, bool inFileName)
{
    if (text.empty())
        return false;
    for (char c : text) {
        if (c == '\t' || c == '\n' || c == '\r')
            return false;
        if (inFileName && (c == '/' || c == '\\'))
            return false;
    }
    return true;
}

bool validCoordinate(const char *text, double limit)
{
    double v;
    return scanDouble(text, &v) && std::fabs(v) <= limit;
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
        const char *name;
        bool inFileName;
        double coordinateLimit;  // 0: free text
    };
    static const Field fields[] = {
        {OptStationId, &StationInfo::id, "station ID", true, 0.0},
        {OptStationName, &StationInfo::name, "station name", false, 0.0},
        {OptLat, &StationInfo::lat, "latitude", false, 90.0},
        {OptLon, &StationInfo::lon, "longitude", false, 180.0},
        {OptAlt, &StationInfo::alt, "altitude", false, 1.0e5},
        {OptSource, &StationInfo::source, "source", true, 0.0},
        {OptLink, &StationInfo::link, "link", false, 0.0},
    };
    for (const Field &f : fields) {
        if (f.opt != opt)
            continue;
        bool ok = f.coordinateLimit > 0.0 ? validCoordinate(arg, f.coordinateLimit)
                                          : validStationText(arg, f.inFileName);
        if (!ok) {
            msg = std::string("invalid ") + f.name + " '" + arg + "'";
            return false;
        }
        st.*f.member = arg;
        return true;
    }
    msg = "unknown option";
    return false;
}

// Applies one option; false with the message when its value is not usable.
bool applyOption(int opt, const char *arg, BatchOptions &o, std::string &msg)
{
    switch (opt) {
    case OptParams:
        o.paramsFile = arg;
        return true;
    case OptSmoothness:
        if (!scanDouble(arg, &o.smoothness) ||
            std::fabs(std::trunc(o.smoothness + 0.5)) > kMaxSmoothnessExponent) {
            msg = std::string("invalid smoothness '") + arg + "' (a number from -30 to 30)";
            return false;
        }
        o.hasSmoothness = true;
        return true;
    case OptStep:
        if (!scanInt(arg, &o.timeStep) || (o.timeStep != 10 && o.timeStep != 60)) {
            msg = std::string("invalid step '") + arg + "' (10 or 60)";
            return false;
        }
        return true;
    case OptOutputDir:
        o.outputDir = arg;
        if (o.outputDir.empty()) {
            msg = "empty output folder";
            return false;
        }
        return true;
    case OptForce:
        o.force = true;
        return true;
    case 'j':
        if (!scanInt(arg, &o.jobs) || o.jobs < 1 || o.jobs > kMaxJobs) {
            msg = std::string("invalid number of jobs '") + arg + "' (1 to " +
                  std::to_string(kMaxJobs) + ")";
            return false;
        }
        return true;
    case OptAutoWindows:
        o.autoWindows = true;
        return true;
    case OptSef:
        o.sef = true;
        return true;
    case 'q':
        o.quiet = true;
        return true;
    case OptUtcOffset:
        if (!parseUtcOffset(arg, &o.utcOffsetMinutes)) {
            msg = std::string("invalid UTC offset '") + arg +
                  "' (hours from -14 to 14 in whole minutes, e.g. 1, -3.5 or 5:45)";
            return false;
        }
        return true;
    default:
        return applyStationOption(opt, arg, o.station, msg);
    }
}

bool isSefOnly(int opt)
{
    return opt >= OptStationId && opt <= OptUtcOffset;
}

} // namespace

BatchOptions::BatchOptions()
    : hasSmoothness(false), smoothness(0.0), timeStep(0), force(false), jobs(defaultJobs()),
      autoWindows(false), sef(false), utcOffsetMinutes(0), quiet(false)
{
}

ParseResult parseBatchOptions(int argc, char **argv, BatchOptions &options, std::string &message)
{
    bool sefOptionGiven = false;
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
            message = std::string("option '") + argv[optind - 1] + "' needs a value";
            return ParseUsage;
        case '?':
            message = std::string("unknown option '") + argv[optind - 1] + "'";
            return ParseUsage;
        default:
            if (!applyOption(opt, optarg, options, message))
                return ParseUsage;
            sefOptionGiven = sefOptionGiven || isSefOnly(opt);
        }
    }
    if (sefOptionGiven && !options.sef) {
        message = "station and UTC offset options need --sef";
        return ParseUsage;
    }
    for (int i = optind; i < argc; ++i)
        options.scans.push_back(argv[i]);
    if (options.scans.empty()) {
        message = "no scan given";
        return ParseUsage;
    }
    return ParseRun;
}
