// SPDX-License-Identifier: GPL-3.0-or-later
#include "datapaths.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <unistd.h>

#include <initializer_list>

namespace {

const char kProgram[] = "vellora";
const char kUiFile[] = "vellora.glade";
const char kParamFile[] = "vellora.ini";
const char kSettingsName[] = "vellora";
const char kSettingsFile[] = "vellora.ctx";

// Empty for an unset folder, so that no lookup falls back to the root.
std::string joinPath(const std::string &a, const char *b, const char *c = nullptr)
{
    if (a.empty())
        return std::string();
    gchar *joined = g_build_filename(a.c_str(), b, c, nullptr);
    std::string result = joined;
    g_free(joined);
    return result;
}

bool isFile(const std::string &path)
{
    return g_file_test(path.c_str(), G_FILE_TEST_IS_REGULAR);
}

std::string firstFile(std::initializer_list<std::string> candidates)
{
    for (const std::string &candidate : candidates)
        if (isFile(candidate))
            return candidate;
    return std::string();
}

std::string sourceUiDefinition(const DataPlaces &places)
{
    return joinPath(places.workDir, "../glade", kUiFile);
}

// The installed data folder as seen from the running program, so that an
// installation works wherever its tree was unpacked.
std::string dataDirBesideProgram()
{
    gchar *program = g_file_read_link("/proc/self/exe", nullptr);
    if (!program)
        return std::string();
    gchar *binDir = g_path_get_dirname(program);
    gchar *dataDir = g_canonicalize_filename(VELLORA_DATADIR_FROM_BINDIR, binDir);
    std::string result = dataDir;
    g_free(dataDir);
    g_free(binDir);
    g_free(program);
    return result;
}

} // namespace

DataPlaces processDataPlaces()
{
    DataPlaces places;
    gchar *cwd = g_get_current_dir();
    places.workDir = cwd;
    g_free(cwd);
    places.configDir = g_get_user_config_dir();
    places.stateDir = g_get_user_state_dir();
    places.dataDir = dataDirBesideProgram();
    return places;
}

std::string findUiDefinition(const DataPlaces &places)
{
    return firstFile({sourceUiDefinition(places), joinPath(places.dataDir, kUiFile)});
}

std::string findParamFile(const DataPlaces &places)
{
    return firstFile({joinPath(places.workDir, kParamFile),
                      joinPath(places.configDir, kProgram, kParamFile),
                      joinPath(places.dataDir, kParamFile)});
}

std::string prepareSettingsStore(const DataPlaces &places)
{
    const bool writable = g_access(places.workDir.c_str(), W_OK) == 0;
    const bool holdsOne = isFile(joinPath(places.workDir, kSettingsFile));
    if (writable && (holdsOne || isFile(sourceUiDefinition(places))))
        return joinPath(places.workDir, kSettingsName);
    const std::string folder = joinPath(places.stateDir, kProgram);
    g_mkdir_with_parents(folder.c_str(), 0700);
    return joinPath(folder, kSettingsName);
}
