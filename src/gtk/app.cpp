// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>

#include "assertion.h"
#include "datapaths.h"
#include "digitise.h"
#include "handlers.h"
#include "i18n.h"
#include "ui.h"

namespace {

// Looks a widget of the UI definition up; a missing one ends the program with
// the assertion naming the field.
#define LOOKUP_WIDGET(field, name)                                 \
    do {                                                           \
        field = glade_xml_get_widget(mainCtx->gladeXml, name);     \
        VELLORA_ASSERT(field);                                     \
    } while (0)

void lookUpWidgets(MainCtx *mainCtx)
{
    LOOKUP_WIDGET(mainCtx->widMainNoteBook, "mainnotebook");
    LOOKUP_WIDGET(mainCtx->subImgData[ SubImgTemp ].widget, "imgtemp");
    LOOKUP_WIDGET(mainCtx->subImgData[ SubImgHygro ].widget, "imghygro");
    LOOKUP_WIDGET(mainCtx->widProgressBar, "progressbar");
    LOOKUP_WIDGET(mainCtx->widCalendar, "calendar");
    LOOKUP_WIDGET(mainCtx->widDateAndTimeFrame, "dateandtimeframe");
    LOOKUP_WIDGET(mainCtx->widHour, "hour");
    LOOKUP_WIDGET(mainCtx->widMinute, "minute");
    LOOKUP_WIDGET(mainCtx->widDiffDay, "diffday");
    LOOKUP_WIDGET(mainCtx->widDiffHour, "diffhour");
    LOOKUP_WIDGET(mainCtx->widDiffMinute, "diffminute");
    LOOKUP_WIDGET(mainCtx->widSelCurveColor, "selcurvecolor");
    LOOKUP_WIDGET(mainCtx->widCurveSmoothness, "curvesmoothness");
    LOOKUP_WIDGET(mainCtx->widImgScan, "imgscan");
    LOOKUP_WIDGET(mainCtx->widShowContrast, "showcontrast");
    LOOKUP_WIDGET(mainCtx->widShowCurve, "showcurve");
    LOOKUP_WIDGET(mainCtx->widShowTable, "showtable");
    LOOKUP_WIDGET(mainCtx->widAddTemp, "addTemp");
    LOOKUP_WIDGET(mainCtx->widAddHygro, "addHygro");
    LOOKUP_WIDGET(mainCtx->widtimestep10, "timestep10");
    LOOKUP_WIDGET(mainCtx->widtimestep60, "timestep60");
    LOOKUP_WIDGET(mainCtx->subImgData[SubImgTemp].wid_knotnumperc, "tempknotnumperc");
    LOOKUP_WIDGET(mainCtx->subImgData[SubImgTemp].wid_min, "tempmin");
    LOOKUP_WIDGET(mainCtx->subImgData[SubImgTemp].wid_max, "tempmax");
    LOOKUP_WIDGET(mainCtx->subImgData[SubImgTemp].wid_mean, "tempmean");
    LOOKUP_WIDGET(mainCtx->subImgData[SubImgTemp].wid_cnt, "tempcnt");
    LOOKUP_WIDGET(mainCtx->subImgData[SubImgTemp].wid_saved, "savedtemptable");
    LOOKUP_WIDGET(mainCtx->subImgData[SubImgTemp].wid_filename, "tempfilename");
    LOOKUP_WIDGET(mainCtx->subImgData[SubImgHygro].wid_knotnumperc, "hygroknotnumperc");
    LOOKUP_WIDGET(mainCtx->subImgData[SubImgHygro].wid_min, "hygromin");
    LOOKUP_WIDGET(mainCtx->subImgData[SubImgHygro].wid_max, "hygromax");
    LOOKUP_WIDGET(mainCtx->subImgData[SubImgHygro].wid_mean, "hygromean");
    LOOKUP_WIDGET(mainCtx->subImgData[SubImgHygro].wid_cnt, "hygrocnt");
    LOOKUP_WIDGET(mainCtx->subImgData[SubImgHygro].wid_saved, "savedhygrotable");
    LOOKUP_WIDGET(mainCtx->subImgData[SubImgHygro].wid_filename, "hygrofilename");
}

struct HandlerEntry {
    const char *name;
    GCallback handler;
};

// Connected one by one, in this order, by the names the UI definition gives
// its signals; every handler gets the MainCtx as user data.
const HandlerEntry kHandlers[] = {
    {"on_mainwindow_delete_event", G_CALLBACK(on_mainwindow_delete_event)},
    {"on_mainnotebook_switch_page", G_CALLBACK(on_mainnotebook_switch_page)},
    {"on_openfile_file_activated", G_CALLBACK(on_openfile_file_activated)},
    {"on_openscan_clicked", G_CALLBACK(on_openscan_clicked)},
    {"on_lastfile1_clicked", G_CALLBACK(on_lastfile1_clicked)},
    {"on_lastfile2_clicked", G_CALLBACK(on_lastfile2_clicked)},
    {"on_imgscan_expose_event", G_CALLBACK(on_imgscan_expose_event)},
    {"on_imgscan_button_press_event", G_CALLBACK(on_imgscan_button_press_event)},
    {"on_imgscan_motion_notify_event", G_CALLBACK(on_imgscan_motion_notify_event)},
    {"on_P2_toggled", G_CALLBACK(on_P2_toggled)},
    {"on_P1_toggled", G_CALLBACK(on_P1_toggled)},
    {"on_P3_toggled", G_CALLBACK(on_P3_toggled)},
    {"on_up_clicked", G_CALLBACK(on_up_clicked)},
    {"on_down_clicked", G_CALLBACK(on_down_clicked)},
    {"on_left_clicked", G_CALLBACK(on_left_clicked)},
    {"on_right_clicked", G_CALLBACK(on_right_clicked)},
    {"on_imgtemp_expose_event", G_CALLBACK(on_imgtemp_expose_event)},
    {"on_imghygro_expose_event", G_CALLBACK(on_imghygro_expose_event)},
    {"on_imgtemp_button_press_event", G_CALLBACK(on_imgtemp_button_press_event)},
    {"on_imgtemp_button_release_event", G_CALLBACK(on_imgtemp_button_release_event)},
    {"on_imghygro_button_press_event", G_CALLBACK(on_imghygro_button_press_event)},
    {"on_imghygro_button_release_event", G_CALLBACK(on_imghygro_button_release_event)},
    {"on_startdate_toggled", G_CALLBACK(on_startdate_toggled)},
    {"on_enddate_toggled", G_CALLBACK(on_enddate_toggled)},
    {"on_retouchvertical_toggled", G_CALLBACK(on_retouchvertical_toggled)},
    {"on_drawcurve_toggled", G_CALLBACK(on_drawcurve_toggled)},
    {"on_calendar_day_selected", G_CALLBACK(on_calendar_day_selected)},
    {"on_hour_changed", G_CALLBACK(on_hour_changed)},
    {"on_minute_changed", G_CALLBACK(on_minute_changed)},
    {"on_selcurvecolor_color_set", G_CALLBACK(on_selcurvecolor_color_set)},
    {"on_showcontrast_toggled", G_CALLBACK(on_showcontrast_toggled)},
    {"on_showcurve_toggled", G_CALLBACK(on_showcurve_toggled)},
    {"on_showtable_toggled", G_CALLBACK(on_showtable_toggled)},
    {"on_resetcolor_clicked", G_CALLBACK(on_resetcolor_clicked)},
    {"on_resetvertical_clicked", G_CALLBACK(on_resetvertical_clicked)},
    {"on_resetdrawpos_clicked", G_CALLBACK(on_resetdrawpos_clicked)},
    {"on_imghygro_motion_notify_event", G_CALLBACK(on_imghygro_motion_notify_event)},
    {"on_imgtemp_motion_notify_event", G_CALLBACK(on_imgtemp_motion_notify_event)},
    {"on_curvesmoothness_value_changed", G_CALLBACK(on_curvesmoothness_value_changed)},
    {"on_addTemp_changed", G_CALLBACK(on_addTemp_changed)},
    {"on_addHygro_changed", G_CALLBACK(on_addHygro_changed)},
    {"on_timestep10_toggled", G_CALLBACK(on_timestep10_toggled)},
    {"on_timestep60_toggled", G_CALLBACK(on_timestep60_toggled)},
    {"on_savetables_clicked", G_CALLBACK(on_savetables_clicked)},
    {"on_autowindows_clicked", G_CALLBACK(on_autowindows_clicked)},
};

void connectHandlers(MainCtx *ctx)
{
    for (const HandlerEntry &entry : kHandlers)
        glade_xml_signal_connect_data(ctx->gladeXml, entry.name, entry.handler, ctx);
}

void createCursors(MainCtx *ctx)
{
    ctx->cursorLeftPtr = gdk_cursor_new(GDK_LEFT_PTR);
    ctx->cursorCross = gdk_cursor_new(GDK_CROSS);
    ctx->cursorLeftSide = gdk_cursor_new(GDK_LEFT_SIDE);
    ctx->cursorRightSide = gdk_cursor_new(GDK_RIGHT_SIDE);
    ctx->cursorDoubleArrow = gdk_cursor_new(GDK_DOUBLE_ARROW);
    ctx->cursorBottomSide = gdk_cursor_new(GDK_BOTTOM_SIDE);
    ctx->cursorTopSide = gdk_cursor_new(GDK_TOP_SIDE);
    ctx->cursorPencil = gdk_cursor_new(GDK_PENCIL);
    ctx->cursorPirate = gdk_cursor_new(GDK_PIRATE);
}

void releaseCursor(GdkCursor *&cursor)
{
    if (cursor)
        gdk_cursor_unref(cursor);
    cursor = nullptr;
}

void releaseCursors(MainCtx *ctx)
{
    for (GdkCursor **cursor : {&ctx->cursorLeftPtr, &ctx->cursorCross, &ctx->cursorLeftSide,
                               &ctx->cursorRightSide, &ctx->cursorDoubleArrow,
                               &ctx->cursorBottomSide, &ctx->cursorTopSide, &ctx->cursorPencil,
                               &ctx->cursorPirate})
        releaseCursor(*cursor);
}

void releaseFont(PangoFontDescription *&font)
{
    if (font)
        pango_font_description_free(font);
    font = nullptr;
}

// Reading stops at a line it does not understand; the user must learn that
// the rest of the file, perhaps the chart's geometry, did not count.
// With -v, where the program found its files: what an installation needs.
void traceFile(const char *what, const char *path)
{
    if (path && *path)
        trace((std::string(what) + ": " + path + "\n").c_str());
}

void initParams(MainCtx *ctx, const char *chosenFile)
{
    ctx->params = &ctx->paramsRecord;
    setParamDefaults(*ctx->params);
    const DataPlaces places = processDataPlaces();
    ctx->paramFile = chosenFile ? chosenFile : findParamFile(places);
    if (ctx->paramFile.empty())
        return;
    traceFile("parameter file", ctx->paramFile.c_str());
    const int result = loadParamFile(*ctx->params, ctx->paramFile.c_str());
    // The working folder's file by its name, as the user knows it.
    const std::string inWorkDir = places.workDir + G_DIR_SEPARATOR_S;
    if (ctx->paramFile.compare(0, inWorkDir.size(), inWorkDir) == 0)
        ctx->paramFile.erase(0, inWorkDir.size());
    ctx->paramFileMessage = paramFileStopMessage(ctx->paramFile.c_str(), result);
}

// The widgets made in code beside the UI definition's, before they exist
// and once they are gone.
void forgetAddedWidgets(MainCtx *ctx)
{
    ctx->widTableFolder = ctx->widBesideScan = ctx->widCsv = nullptr;
    ctx->widVerdict = ctx->widNextSuspect = ctx->widDetectCorners = nullptr;
    for (int i = 0; i < 2; ++i) {
        ctx->widDateEntry[i] = ctx->widDateProposal[i] = nullptr;
        ctx->dateProposed[i] = false;
    }
}

} // namespace

void initMainCtx(MainCtx *ctx, const char *paramFile)
{
    ctx->busy = 0;
    ctx->dirtyFlags = ImageChanged | PassPointsChanged | CurveChanged;
    ctx->settingsCtx.open(prepareSettingsStore(processDataPlaces()).c_str(), true);
    traceFile("settings store", ctx->settingsCtx.fileName());
    ctx->imageName.clear();
    createCursors(ctx);
    ctx->scanPixbuf = nullptr;
    ctx->widSelHygroColor = nullptr;
    ctx->activePassPoint = 0;
    initParams(ctx, paramFile);
    ctx->markMode = 0;
    ctx->showContrast = ctx->showCurve = ctx->showTable = 0;
    defaultScanSettings(*ctx->params, ctx->settings);
    ctx->lastPointerX = ctx->lastPointerY = -1;
    ctx->scanZoom = ctx->fieldZoom = 1.0;
    ctx->fieldPixmap[0] = ctx->fieldPixmap[1] = nullptr;
    ctx->overviewImage[0] = ctx->overviewImage[1] = nullptr;
    ctx->widScrollTogether = ctx->widOverview = ctx->widReadout = nullptr;
    ctx->syncingScroll = false;
    ctx->lastSetPassPoint = -1;
    ctx->pageEntryIdle = 0;
    forgetAddedWidgets(ctx);
    ctx->suspectShown = -1;
    ctx->evidenceCurrent[0] = ctx->evidenceCurrent[1] = ctx->verdictCurrent = false;
    ctx->fontSmall = pango_font_description_from_string("Sans Bold 9");
    ctx->fontMedium = pango_font_description_from_string("Sans Bold 11");
    ctx->fontLarge = pango_font_description_from_string("Sans Bold 18");
}

int startMainWindow(MainCtx *mainCtx, const char *gladePath)
{
    // libglade finds widget classes by type name; the chooser's type is not
    // among those it registers itself.
    g_type_class_unref(g_type_class_ref(GTK_TYPE_FILE_CHOOSER_WIDGET));
    mainCtx->gladeXml = glade_xml_new(gladePath, nullptr, "vellora");
    if (!mainCtx->gladeXml)
        return -1;

    LOOKUP_WIDGET(mainCtx->widMainWindow, "mainwindow");
    g_signal_connect(mainCtx->widMainWindow, "destroy", G_CALLBACK(cb_destroy), mainCtx);
    lookUpWidgets(mainCtx);
    // The button would start black while the program follows srcInkColor.
    addHygroInkControls(mainCtx);
    showWindowTitle(mainCtx);
    showCurveColor(mainCtx);
    showSmoothness(mainCtx);
    setupViewTools(mainCtx);
    setupTableFolder(mainCtx);
    setupFileChooser(mainCtx);
    connectHandlers(mainCtx);
    if (!mainCtx->paramFileMessage.empty())
        setStatus(mainCtx, mainCtx->paramFileMessage.c_str());
    return 0;
}

gboolean on_mainwindow_delete_event(GtkWidget * /*widget*/, GdkEvent * /*event*/, gpointer user)
{
    trace("on_mainwindow_delete_event\n");
    MainCtx *ctx = mainCtxOf(user);
    // FALSE lets GTK go on and destroy the window.
    if (!askChoice(ctx, _("Really quit ?"), _("_Quit"), GTK_STOCK_CANCEL))
        return TRUE;
    // The set-up is saved, or its loss told, while the window is still there.
    saveFileCtx(ctx);
    return FALSE;
}

void cb_destroy(GtkWidget * /*widget*/, gpointer user)
{
    trace("cb_destroy\n");
    cleanUp(mainCtxOf(user));
    // The window can also be destroyed outside the main loop (tests do so);
    // there is no loop to end then.
    if (gtk_main_level() > 0)
        gtk_main_quit();
}

void cleanUp(MainCtx *ctx)
{
    // The widgets a pending page entry would use are going.
    if (ctx->pageEntryIdle)
        g_source_remove(ctx->pageEntryIdle);
    ctx->pageEntryIdle = 0;
    forgetAddedWidgets(ctx);
    ctx->suspectShown = -1;
    if (ctx->scanPixbuf)
        g_object_unref(ctx->scanPixbuf);
    ctx->scanPixbuf = nullptr;
    releaseFields(ctx);
    rememberChartEnd(ctx);
    saveFileCtx(ctx);
    if (ctx->settingsCtx.isModified())
        ctx->settingsCtx.write();
}

void destroyMainCtx(MainCtx *ctx)
{
    forgetOverview(ctx);
    for (GdkPixmap *&pixmap : ctx->fieldPixmap) {
        if (pixmap)
            g_object_unref(pixmap);
        pixmap = nullptr;
    }
    releaseFont(ctx->fontSmall);
    releaseFont(ctx->fontMedium);
    releaseFont(ctx->fontLarge);
    releaseCursors(ctx);
    if (ctx->gladeXml)
        g_object_unref(ctx->gladeXml);
    ctx->gladeXml = nullptr;
}

int velloraMain(int argc, char **argv)
{
    gboolean showVersion = FALSE;
    gchar *paramFile = nullptr;
    GOptionEntry options[] = {
        {"params", 0, 0, G_OPTION_ARG_FILENAME, &paramFile, "Read the chart profile FILE instead of vellora.ini",
         "FILE"},
        {"verbose", 'v', 0, G_OPTION_ARG_NONE, &verbose, "Trace every handler on standard output", nullptr},
        {"version", 'V', 0, G_OPTION_ARG_NONE, &showVersion, "Show the version and end", nullptr},
        {nullptr, 0, 0, G_OPTION_ARG_NONE, nullptr, nullptr, nullptr}};
    g_log_set_handler(nullptr, static_cast<GLogLevelFlags>(0xff), logFunc, nullptr);
    setUpTranslations();
    // What gtk_init_with_args does, but without the display yet: a failing
    // display would undo the parsed options, and --version needs none.
    GOptionContext *context = g_option_context_new("- digitise thermohygrograph charts");
    g_option_context_add_main_entries(context, options, nullptr);
    g_option_context_add_group(context, gtk_get_option_group(FALSE));
    GError *error = nullptr;
    const gboolean parsed = g_option_context_parse(context, &argc, &argv, &error);
    g_option_context_free(context);
    if (!parsed) {
        fprintf(stderr, "vellora: %s (see vellora --help)\n", error->message);
        g_error_free(error);
        return 2;
    }
    if (showVersion) {
        printf("vellora %s\n", VELLORA_VERSION);
        return 0;
    }
    if (!gtk_init_check(&argc, &argv)) {
        const char *display = gdk_get_display_arg_name() ? gdk_get_display_arg_name() : g_getenv("DISPLAY");
        fprintf(stderr, "vellora: cannot open the display %s\n", display ? display : "(DISPLAY is not set)");
        return 1;
    }
    const std::string uiDefinition = findUiDefinition(processDataPlaces());
    traceFile("UI definition", uiDefinition.c_str());
    if (uiDefinition.empty()) {
        fprintf(stderr, "vellora: the UI definition vellora.glade is neither in ../glade nor installed\n");
        return 1;
    }

    if (paramFile && !g_file_test(paramFile, G_FILE_TEST_IS_REGULAR)) {
        fprintf(stderr, "vellora: could not read parameter file %s\n", paramFile);
        g_free(paramFile);
        return 1;
    }
    MainCtx *mainCtx = new MainCtx();
    initMainCtx(mainCtx, paramFile);
    g_free(paramFile);
    if (startMainWindow(mainCtx, uiDefinition.c_str()) != 0) {
        destroyMainCtx(mainCtx);
        delete mainCtx;
        return 1;
    }
    gtk_main();
    destroyMainCtx(mainCtx);
    delete mainCtx;
    return 0;
}
