#include <string>
#include <vector>

#include "handlers.h"
#include "tablefile.h"
#include "ui.h"

// The table page: time step, statistics and writing the two table files.

namespace {

void setToggle(GtkWidget *button, bool active)
{
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(button), active ? TRUE : FALSE);
}

// Anything of that name, readable or not, is replaced only when the user agrees.
bool fileExists(const std::string &name)
{
    return g_file_test(name.c_str(), G_FILE_TEST_EXISTS);
}

} // namespace

void enterTablePage(GtkWidget *notebook, MainCtx *ctx)
{
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
        showError(ctx, "missing tables");
        returnToPage(notebook, EvaluationPage);
        return;
    }
    setStatus(ctx, "check and write or overwrite tables");
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
}

void saveTableFile(MainCtx *ctx, int field)
{
    SubImgData &sub = ctx->subImgData[field];
    const std::vector<TableRow> &rows = ctx->fields[field].rows;
    if (rows.empty())
        return;
    const std::string name = tableFileName(ctx->imageName, field);
    const bool write = !fileExists(name) || askQuestion(ctx, "overwrite file", name.c_str(), " ?");
    gtk_entry_set_text(GTK_ENTRY(sub.wid_filename), name.c_str());
    if (!write)
        return;
    if (writeTableFile(name, field, ctx->settings.timeStep, rows.data(),
                       static_cast<int>(rows.size())) != 0) {
        // The file on disk is not this table, whatever an earlier save wrote.
        setToggle(sub.wid_saved, false);
        showError(ctx, "could not write file ", name.c_str());
        return;
    }
    setToggle(sub.wid_saved, true);
}
