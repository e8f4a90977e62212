// SPDX-License-Identifier: GPL-3.0-or-later
#include "manifest.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include <glib.h>

#include "table.h"

namespace {

std::string trim(const std::string &s)
{
    size_t a = s.find_first_not_of(" \t\r\n"), b = s.find_last_not_of(" \t\r\n");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

// Splits a CSV line; false for an unterminated quote.
bool splitFields(const std::string &line, std::vector<std::string> &fields)
{
    fields.assign(1, "");
    bool quoted = false;
    for (size_t i = 0; i < line.size(); i++) {
        char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"')
                fields.back() += '"', i++;
            else if (c == '"')
                quoted = false;
            else
                fields.back() += c;
        } else if (c == '"' && trim(fields.back()).empty()) {
            fields.back().clear();
            quoted = true;
        } else if (c == ',') {
            fields.push_back("");
        } else {
            fields.back() += c;
        }
    }
    for (std::string &f : fields) f = trim(f);
    return !quoted;
}

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

std::string baseName(const std::string &path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string lineText(int line) { return "line " + std::to_string(line) + ": "; }

// Longest span a manifest line may give, in minutes: what a table of
// 10-minute rows can hold (just under 14 days).
const int kMaxManifestSpanMinutes = (kMaxTableRows - 1) * 10;

// "YYYY-MM-DDTHH:MM" or "YYYY-MM-DD HH:MM"; false unless it is a valid time.
bool parseManifestTime(const std::string &text, DateTime &t)
{
    int y, mo, d, h, mi, used = -1;
    char sep;
    std::string s = trim(text);
    if (s.size() != 16 || std::sscanf(s.c_str(), "%4d-%2d-%2d%c%2d:%2d%n", &y, &mo, &d, &sep, &h, &mi, &used) != 6 ||
        used != 16 || (sep != 'T' && sep != ' '))
        return false;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15})
        if (!std::isdigit((unsigned char)s[i])) return false;
    DateTime parsed;
    if (parsed.setDateTime(y, mo, d, h, mi) != 0) return false;
    t = parsed;
    return true;
}

struct LineParser {
    Manifest &m;

    void fail(int line, const std::string &scan, const std::string &why)
    {
        m.errors.push_back(ManifestError{line, scan, lineText(line) + why});
    }

    void row(int line, const std::string &text)
    {
        std::vector<std::string> f;
        if (!splitFields(text, f) || f.size() != 3) {
            fail(line, f.empty() ? "" : f[0], "expected three fields scan,start,end, found \"" + trim(text) + "\"");
            return;
        }
        ManifestEntry e{f[0], DateTime(), DateTime(), line};
        if (e.scan.empty()) return fail(line, "", "the scan is empty");
        if (!parseManifestTime(f[1], e.start))
            return fail(line, e.scan, "start \"" + f[1] + "\" is not a time YYYY-MM-DDTHH:MM");
        if (!parseManifestTime(f[2], e.end))
            return fail(line, e.scan, "end \"" + f[2] + "\" is not a time YYYY-MM-DDTHH:MM");
        int span = e.start.minutesUntil(e.end);
        if (span <= 0) return fail(line, e.scan, "end " + f[2] + " is not after start " + f[1]);
        if (span > kMaxManifestSpanMinutes)
            return fail(line, e.scan, "the span of " + std::to_string(span / 1440) + " days " +
                                          std::to_string(span % 1440 / 60) + " hours is longer than a table can hold (" +
                                          std::to_string(kMaxManifestSpanMinutes) + " minutes)");
        for (const ManifestEntry &other : m.entries)
            if (other.scan == e.scan)
                return fail(line, e.scan, "\"" + e.scan + "\" is listed on line " + std::to_string(other.line) + " already");
        m.entries.push_back(e);
    }
};

}  // namespace

Manifest parseManifest(const std::string &text)
{
    Manifest m;
    LineParser parser{m};
    size_t pos = 0;
    int line = 0;
    bool header = false;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        std::string l = text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        pos = end == std::string::npos ? text.size() : end + 1;
        line++;
        if (trim(l).empty()) continue;
        if (!header) {
            std::vector<std::string> f;
            header = true;
            if (!splitFields(lower(l), f) || f != std::vector<std::string>{"scan", "start", "end"})
                m.errors.push_back(ManifestError{line, "", lineText(line) + "the header must be scan,start,end"});
            else
                continue;
        }
        parser.row(line, l);
    }
    if (!header) m.errors.push_back(ManifestError{0, "", "the manifest is empty; its header must be scan,start,end"});
    return m;
}

bool readManifest(const std::string &path, Manifest &manifest)
{
    gchar *bytes = nullptr;
    gsize length = 0;
    if (!g_file_get_contents(path.c_str(), &bytes, &length, nullptr)) {
        manifest = Manifest();
        manifest.errors.push_back(ManifestError{0, "", "cannot read the manifest " + path});
        return false;
    }
    manifest = parseManifest(std::string(bytes, length));
    g_free(bytes);
    return true;
}

bool manifestNamesScan(const std::string &listed, const std::string &scanPath)
{
    return listed == scanPath || (listed.find('/') == std::string::npos && listed == baseName(scanPath));
}

const ManifestEntry *findManifestEntry(const Manifest &manifest, const std::string &scanPath)
{
    for (const ManifestEntry &e : manifest.entries)
        if (manifestNamesScan(e.scan, scanPath)) return &e;
    return nullptr;
}

std::string manifestRefusalReasons(const Manifest &manifest, const std::string &scanPath)
{
    std::string why;
    for (const ManifestError &e : manifest.errors)
        if (!e.scan.empty() && manifestNamesScan(e.scan, scanPath)) why += (why.empty() ? "" : "; ") + e.message;
    return why;
}

bool manifestRefusedScan(const Manifest &manifest, const std::string &scanPath)
{
    return !manifestRefusalReasons(manifest, scanPath).empty();
}
