// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_FILECTX_H
#define VELLORA_FILECTX_H

#include <map>
#include <string>

// Persistent key=value store kept sorted by key (unsigned byte order) and
// written as "key=value\n" lines to NAME.ctx. Lines are read whole up to
// 64 KiB; a longer line is ignored, the other records kept.
class FileCtx {
public:
    FileCtx();
    ~FileCtx();
    FileCtx(const FileCtx &) = delete;
    FileCtx &operator=(const FileCtx &) = delete;

    // clear(), name the file name + ".ctx", and read it when read is set.
    void open(const char *name, bool read);
    // Drops entries and file name; the modified flag keeps its value.
    void clear();
    void set(const char *key, const char *value);
    // The stored value or nullptr; valid until the entry is replaced or removed.
    const char *get(const char *key) const;
    void remove(const char *key);
    void removePrefix(const char *prefix);
    void markModified() { modified = true; }
    // For changes the user chose not to save: no save is due any more.
    void clearModified() { modified = false; }
    bool isModified() const { return modified; }
    // Writes the file through a temporary file renamed over the old one, so a
    // failed write never loses the previous file. 0 on success (modified
    // cleared), -1 on failure (nothing replaced, modified stays), 1 without a
    // file name (nothing done).
    int write();
    // The file name or nullptr.
    const char *fileName() const;
    size_t size() const { return entries.size(); }

    // Entries in key order, for callers that list them.
    typedef std::map<std::string, std::string> Entries;
    const Entries &all() const { return entries; }

private:
    void read();

    std::string name;   // empty until open()
    Entries entries;
    bool modified;
};

#endif
