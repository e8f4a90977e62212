// SPDX-License-Identifier: GPL-3.0-or-later
#include "filectx.h"

#include <cstdio>
#include <cstring>

#include "atomicfile.h"

FileCtx::FileCtx() : modified(false)
{
}

FileCtx::~FileCtx()
{
    clear();
}

void FileCtx::open(const char *fileName, bool readFile)
{
    clear();
    name = std::string(fileName) + ".ctx";
    if (readFile)
        read();
}

void FileCtx::clear()
{
    entries.clear();
    name.clear();
}

void FileCtx::set(const char *key, const char *value)
{
    Entries::iterator it = entries.lower_bound(key);
    if (it != entries.end() && it->first == key) {
        if (it->second == value)
            return;
        it->second = value;
    } else {
        entries.emplace_hint(it, key, value);
    }
    modified = true;
}

const char *FileCtx::get(const char *key) const
{
    Entries::const_iterator it = entries.find(key);
    return it == entries.end() ? nullptr : it->second.c_str();
}

void FileCtx::remove(const char *key)
{
    if (entries.erase(key) > 0)
        modified = true;
}

void FileCtx::removePrefix(const char *prefix)
{
    // Keys with a common prefix are adjacent in key order.
    size_t len = std::strlen(prefix);
    Entries::iterator it = entries.lower_bound(prefix);
    while (it != entries.end() && it->first.compare(0, len, prefix) == 0) {
        it = entries.erase(it);
        modified = true;
    }
}

int FileCtx::write()
{
    if (name.empty())
        return 1;
    std::string content;
    for (const Entries::value_type &e : entries) {
        content += e.first;
        content += '=';
        content += e.second;
        content += '\n';
    }
    if (writeFileAtomic(name, content) != 0)
        return -1;
    modified = false;
    return 0;
}

const char *FileCtx::fileName() const
{
    return name.empty() ? nullptr : name.c_str();
}

namespace {

// Longest line read; a longer one is skipped whole, so no part of it can be
// taken for a record of its own.
const size_t kMaxLineBytes = 64 * 1024;

enum LineRead { LineEnd, LineWhole, LineTooLong };

// The next line without its '\n'.
LineRead readLine(FILE *f, std::string &line)
{
    line.clear();
    bool any = false, tooLong = false;
    int c;
    while ((c = getc(f)) != EOF) {
        any = true;
        if (c == '\n')
            break;
        if (line.size() < kMaxLineBytes)
            line.push_back(static_cast<char>(c));
        else
            tooLong = true;
    }
    if (!any)
        return LineEnd;
    return tooLong ? LineTooLong : LineWhole;
}

} // namespace

void FileCtx::read()
{
    FILE *f = std::fopen(name.c_str(), "r");
    if (!f)
        return;
    std::string line;
    LineRead result;
    while ((result = readLine(f, line)) != LineEnd) {
        std::string::size_type eq = line.find('=');
        if (result == LineTooLong || eq == std::string::npos)
            continue;
        line[eq] = '\0';
        set(line.c_str(), line.c_str() + eq + 1);
    }
    std::fclose(f);
    modified = false;
}
