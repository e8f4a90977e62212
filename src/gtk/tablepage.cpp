// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstring>
#include <string>
#include <vector>

#include "csvfile.h"
#include "handlers.h"
#include "i18n.h"
#include "scanverdict.h"
#include "tablefile.h"
#include "ui.h"

// The table page: time step, statistics and writing the two table files.

namespace {

void setToggle(GtkWidget *button, bool active)
{
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(button), active ? TRUE : FALSE);
}

// Anything of that name, readable or not, is replaced only when the user agrees.
bool mayWrite(MainCtx *ctx, const std::string &name)
{
    return !g_file_test(name.c_str(), G_FILE_TEST_EXISTS) ||
           askChoice(ctx, _("overwrite file ") + name + " ?", _("_Overwrite"), _("_Keep the file"));
}

void rememberTableFolder(MainCtx *ctx, const char *folder)
{
    if (folder)
        ctx->settingsCtx.set(kTableFolderKey, folder);
    else if (ctx->settingsCtx.get(kTableFolderKey))
        ctx->settingsCtx.remove(kTableFolderKey);
    else
        return;
    ctx->settingsCtx.markModified();
}

// The settings store's key of the "CSV" check box: "1" when on.
const char kCsvKey[] = "writeCsv";

void on_csv_toggled(GtkToggleButton *button, gpointer user)
{
    MainCtx *ctx = mainCtxOf(user);
    ctx->settingsCtx.set(kCsvKey, gtk_toggle_button_get_active(button) ? "1" : "0");
    ctx->settingsCtx.markModified();
}

GtkWidget *makeCsvToggle(MainCtx *ctx)
{
    ctx->widCsv = gtk_check_button_new_with_mnemonic(_("C_SV"));
    gtk_widget_set_name(ctx->widCsv, "csv");
    setAccessibleName(ctx->widCsv, _("Also write both tables as one CSV file"));
    gtk_widget_set_tooltip_text(ctx->widCsv, _("Saving also writes SCAN.csv into the output folder"));
    const char *on = ctx->settingsCtx.get(kCsvKey);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(ctx->widCsv), on && !std::strcmp(on, "1"));
    g_signal_connect(ctx->widCsv, "toggled", G_CALLBACK(on_csv_toggled), ctx);
    return ctx->widCsv;
}

void on_tablefolder_changed(GtkFileChooser *chooser, gpointer user)
{
    MainCtx *ctx = mainCtxOf(user);
    if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(ctx->widBesideScan)))
        return;
    gchar *folder = gtk_file_chooser_get_filename(chooser);
    if (folder)
        rememberTableFolder(ctx, folder);
    g_free(folder);
}

void on_besidescan_toggled(GtkToggleButton *button, gpointer user)
{
    MainCtx *ctx = mainCtxOf(user);
    const bool beside = gtk_toggle_button_get_active(button);
    gtk_widget_set_sensitive(ctx->widTableFolder, !beside);
    if (beside) {
        rememberTableFolder(ctx, nullptr);
        return;
    }
    gchar *folder = gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(ctx->widTableFolder));
    rememberTableFolder(ctx, folder ? folder : folderOf(ctx->imageName).c_str());
    g_free(folder);
}

// The controls show the remembered folder; their handlers stay out of it.
void showTableFolder(MainCtx *ctx)
{
    const char *folder = ctx->settingsCtx.get(kTableFolderKey);
    g_signal_handlers_block_by_func(ctx->widBesideScan, (gpointer)on_besidescan_toggled, ctx);
    setToggle(ctx->widBesideScan, folder == nullptr);
    g_signal_handlers_unblock_by_func(ctx->widBesideScan, (gpointer)on_besidescan_toggled, ctx);
    gtk_widget_set_sensitive(ctx->widTableFolder, folder != nullptr);
    // Beside the scan, the button shows the scan's folder.
    const std::string shown = folder ? folder : folderOf(ctx->imageName);
    if (!ctx->imageName.empty() || folder)
        gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(ctx->widTableFolder), shown.c_str());
}

// A folder the tables can be written to: the chosen or the scan's one, or,
// when that cannot be written, one the user chooses now (then remembered).
bool writableTableFolder(MainCtx *ctx, std::string &folder)
{
    folder = tableFolder(ctx);
    if (folderWritable(folder))
        return true;
    if (!askChoice(ctx, _("The folder ") + folder + _(" cannot be written."), _("_Choose another folder"),
                   GTK_STOCK_CANCEL, _("The tables are written to the folder you choose, and so "
                                       "are the next ones.")))
        return false;
    if (!chooseFolder(ctx, _("vellora: folder for the tables"), folder))
        return false;
    rememberTableFolder(ctx, folder.c_str());
    showTableFolder(ctx);
    return true;
}

// Both tables in the one file the batch's --csv writes; local times, their
// UTC offset unknown to the GUI.
void saveCsvFile(MainCtx *ctx)
{
    const std::vector<TableRow> &temperature = ctx->fields[SubImgTemp].rows;
    const std::vector<TableRow> &humidity = ctx->fields[SubImgHygro].rows;
    std::string folder;
    if ((temperature.empty() && humidity.empty()) || !writableTableFolder(ctx, folder))
        return;
    const std::string name = folder + G_DIR_SEPARATOR_S + baseName(ctx->imageName) + ".csv";
    if (!mayWrite(ctx, name))
        return;
    // The same flags as the batch's CSV: rows bridged over a stretch without ink.
    const ScanVerdict &verdict = currentVerdict(ctx);
    const std::vector<double> bridged[2] = {bridgedHoursOf(verdict, SubImgTemp, temperature.size()),
                                            bridgedHoursOf(verdict, SubImgHygro, humidity.size())};
    const CsvField fields[2] = {{&temperature, &bridged[0]}, {&humidity, &bridged[1]}};
    const std::string text = csvFileText(fields, CsvClock{false, 0}, ctx->params->tempUnit);
    if (!g_file_set_contents(name.c_str(), text.data(), static_cast<gssize>(text.size()), nullptr))
        showError(ctx, _("could not write file "), name.c_str());
}

} // namespace

void enterTablePage(GtkWidget *notebook, MainCtx *ctx)
{
    showTableFolder(ctx);
    setWidgetCursor(notebook, ctx->cursorLeftPtr);
    showTimeStep(ctx);
    // A prepared scan may come here straight from the pass points.
    if (!prepareFields(ctx)) {
        returnToPage(notebook, PassPointPage);
        return;
    }
    setToggle(ctx->widShowTable, true);
    recomputeChain(ctx, 0, 2);
    if (ctx->fields[SubImgTemp].rows.empty() && ctx->fields[SubImgHygro].rows.empty()) {
        showError(ctx, _("missing tables"));
        returnToPage(notebook, EvaluationPage);
        return;
    }
    setStatus(ctx, _("check and write or overwrite tables"));
}

void on_timestep10_toggled(GtkToggleButton *button, gpointer user)
{
    trace("on_timestep10_toggled\n");
    if (gtk_toggle_button_get_active(button))
        setTimeStep(mainCtxOf(user), 10);
}

void on_timestep60_toggled(GtkToggleButton *button, gpointer user)
{
    trace("on_timestep60_toggled\n");
    if (gtk_toggle_button_get_active(button))
        setTimeStep(mainCtxOf(user), 60);
}

// The button of the current step first: a radio button cannot be switched
// off while no other button of its group is on.
void showTimeStep(MainCtx *ctx)
{
    const bool ten = ctx->settings.timeStep == 10;
    setToggle(ten ? ctx->widtimestep10 : ctx->widtimestep60, true);
    setToggle(ten ? ctx->widtimestep60 : ctx->widtimestep10, false);
}

void setTimeStep(MainCtx *ctx, int minutes)
{
    if (ctx->settings.timeStep == minutes)
        return;
    ctx->settings.timeStep = minutes;
    storeTimeStepRecord(ctx->fileCtx, minutes);
    recomputeChain(ctx, CurveChanged, 2);
}

void on_savetables_clicked(GtkButton * /*button*/, gpointer user)
{
    trace("on_savetables_clicked\n");
    MainCtx *ctx = mainCtxOf(user);
    saveTableFile(ctx, SubImgTemp);
    saveTableFile(ctx, SubImgHygro);
    if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(ctx->widCsv)))
        saveCsvFile(ctx);
}

const char kTableFolderKey[] = "tableFolder";

std::string tableFolder(MainCtx *ctx)
{
    const char *folder = ctx->settingsCtx.get(kTableFolderKey);
    return folder ? folder : folderOf(ctx->imageName);
}

void setupTableFolder(MainCtx *ctx)
{
    GtkWidget *row = gtk_hbox_new(FALSE, 8);
    GtkWidget *label = gtk_label_new_with_mnemonic(_("Output _folder"));
    ctx->widTableFolder = gtk_file_chooser_button_new(_("vellora: folder for the tables"),
                                                      GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER);
    gtk_widget_set_name(ctx->widTableFolder, "tablefolder");
    setAccessibleName(ctx->widTableFolder, _("Output folder for the tables"));
    gtk_label_set_mnemonic_widget(GTK_LABEL(label), ctx->widTableFolder);
    ctx->widBesideScan = gtk_check_button_new_with_mnemonic(_("Beside the _scan"));
    gtk_widget_set_name(ctx->widBesideScan, "besidescan");
    setAccessibleName(ctx->widBesideScan, _("Write the tables beside the scan"));
    gtk_box_pack_start(GTK_BOX(row), label, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(row), ctx->widTableFolder, TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(row), ctx->widBesideScan, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(row), makeCsvToggle(ctx), FALSE, FALSE, 0);
    GtkWidget *page = glade_xml_get_widget(ctx->gladeXml, "tablevbox");
    gtk_box_pack_start(GTK_BOX(page), row, FALSE, FALSE, 0);
    gtk_box_reorder_child(GTK_BOX(page), row, 1);
    gtk_widget_show_all(row);
    showTableFolder(ctx);
    g_signal_connect(ctx->widTableFolder, "selection-changed", G_CALLBACK(on_tablefolder_changed), ctx);
    g_signal_connect(ctx->widBesideScan, "toggled", G_CALLBACK(on_besidescan_toggled), ctx);
}

void saveTableFile(MainCtx *ctx, int field)
{
    SubImgData &sub = ctx->subImgData[field];
    const std::vector<TableRow> &rows = ctx->fields[field].rows;
    std::string folder;
    if (rows.empty() || !writableTableFolder(ctx, folder))
        return;
    const std::string name = folder + G_DIR_SEPARATOR_S + baseName(tableFileName(ctx->imageName, field));
    const bool write = mayWrite(ctx, name);
    gtk_entry_set_text(GTK_ENTRY(sub.wid_filename), name.c_str());
    if (!write)
        return;
    if (writeTableFile(name, field, ctx->settings.timeStep, rows.data(),
                       static_cast<int>(rows.size())) != 0) {
        // The file on disk is not this table, whatever an earlier save wrote.
        setToggle(sub.wid_saved, false);
        showError(ctx, _("could not write file "), name.c_str());
        return;
    }
    setToggle(sub.wid_saved, true);
}
