// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_DATAPATHS_H
#define VELLORA_DATAPATHS_H

#include <string>

// The folders the program's own files are looked up in. Each lookup tries the
// source layout first (a run from run/ beside glade/), so that such runs keep
// working unchanged, then the user's folders, then the installed data.
struct DataPlaces {
    std::string workDir;    // the working folder
    std::string configDir;  // $XDG_CONFIG_HOME
    std::string stateDir;   // $XDG_STATE_HOME
    std::string dataDir;    // the installed data folder, e.g. /usr/share/vellora
};

// The places of this process: its working folder, GLib's XDG folders and the
// data folder at its place relative to the program's own folder.
DataPlaces processDataPlaces();

// The UI definition: ../glade/vellora.glade, else the one in the data folder.
// Empty when neither exists.
std::string findUiDefinition(const DataPlaces &places);

// The parameter file: vellora.ini in the working folder, else in
// $XDG_CONFIG_HOME/vellora, else the default profile in the data folder.
// Empty when none exists; the built-in defaults apply then.
std::string findParamFile(const DataPlaces &places);

// The settings store, as the name FileCtx::open takes (the path without
// ".ctx"): vellora.ctx in the working folder when that folder is writable and
// holds one or is a source run, else $XDG_STATE_HOME/vellora/vellora.ctx,
// whose folder is made here so that the store can be written at the end.
std::string prepareSettingsStore(const DataPlaces &places);

#endif
