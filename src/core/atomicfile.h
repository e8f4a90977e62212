// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_ATOMICFILE_H
#define VELLORA_ATOMICFILE_H

#include <string>

// Whether an existing file at the path may be replaced.
enum class FileReplace { Replace, Keep };

// Writes content to a file without a name in path's folder (O_TMPFILE) and
// gives it the name only after every byte was written and synced, so a killed
// writer leaves nothing behind. Where the file system lacks unnamed files, a
// temporary "NAME.vellora-tmp.XXXXXX" beside path takes its place. With Keep
// the name is taken only if nobody holds it, even one created meanwhile by
// another process. 0 on success; -1 with errno set on any failure (EEXIST:
// path exists and mode is Keep), path then is as it was before.
int writeFileAtomic(const std::string &path, const std::string &content,
                    FileReplace mode = FileReplace::Replace);

// Removes the temporaries of writers that died in folder ("" is the working
// folder); one still being written is left alone. The number removed.
int removeStaleTemporaries(const std::string &folder);

#endif
