#ifndef VELLORA_ATOMICFILE_H
#define VELLORA_ATOMICFILE_H

#include <string>

// Writes content to a temporary file beside path and renames it over path
// only after every byte was written and the file closed without error.
// 0 on success, -1 on any failure (path then is as it was before).
int writeFileAtomic(const std::string &path, const std::string &content);

#endif
