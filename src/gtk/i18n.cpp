// SPDX-License-Identifier: GPL-3.0-or-later
#include "i18n.h"

#include <string>

#include <glib.h>

#include "datapaths.h"

namespace {

const char kDomain[] = "vellora";

// True when some language's catalogue of ours lies in the folder.
bool holdsCatalogue(const std::string &localeDir)
{
    GDir *dir = g_dir_open(localeDir.c_str(), 0, nullptr);
    if (!dir)
        return false;
    bool found = false;
    for (const gchar *lang; !found && (lang = g_dir_read_name(dir));) {
        gchar *mo = g_build_filename(localeDir.c_str(), lang, "LC_MESSAGES", "vellora.mo", nullptr);
        found = g_file_test(mo, G_FILE_TEST_IS_REGULAR);
        g_free(mo);
    }
    g_dir_close(dir);
    return found;
}

std::string catalogueFolder()
{
    // The installed data folder is share/vellora; the catalogues are in share/locale.
    const std::string besideData = processDataPlaces().dataDir + "/../locale";
    for (const std::string &dir : {besideData, std::string(VELLORA_LOCALEDIR)}) {
        if (holdsCatalogue(dir))
            return dir;
    }
    return VELLORA_BUILD_LOCALEDIR;
}

} // namespace

void setUpTranslations()
{
    bindtextdomain(kDomain, catalogueFolder().c_str());
    bind_textdomain_codeset(kDomain, "UTF-8");
    textdomain(kDomain);
}
