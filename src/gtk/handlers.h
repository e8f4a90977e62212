// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_HANDLERS_H
#define VELLORA_HANDLERS_H

#include <gtk/gtk.h>

// Signal handlers, connected by name from the UI definition with the MainCtx
// as user data. Each begins by tracing its own name.

// app.cpp
gboolean on_mainwindow_delete_event(GtkWidget *widget, GdkEvent *event, gpointer user);
void cb_destroy(GtkWidget *widget, gpointer user);

// pages.cpp
void on_mainnotebook_switch_page(GtkNotebook *notebook, gpointer page, guint pageNum,
                                 gpointer user);
void on_openfile_file_activated(GtkFileChooser *chooser, gpointer user);
void on_openscan_clicked(GtkButton *button, gpointer user);
void on_lastfile1_clicked(GtkButton *button, gpointer user);
void on_lastfile2_clicked(GtkButton *button, gpointer user);

// scanview.cpp
gboolean on_imgscan_expose_event(GtkWidget *widget, GdkEventExpose *event, gpointer user);
gboolean on_imgscan_button_press_event(GtkWidget *widget, GdkEventButton *event, gpointer user);
gboolean on_imgscan_motion_notify_event(GtkWidget *widget, GdkEventMotion *event, gpointer user);
void on_P2_toggled(GtkToggleButton *button, gpointer user);
void on_P1_toggled(GtkToggleButton *button, gpointer user);
void on_P3_toggled(GtkToggleButton *button, gpointer user);
void on_up_clicked(GtkButton *button, gpointer user);
void on_down_clicked(GtkButton *button, gpointer user);
void on_left_clicked(GtkButton *button, gpointer user);
void on_right_clicked(GtkButton *button, gpointer user);

// fieldview.cpp
gboolean on_imgtemp_expose_event(GtkWidget *widget, GdkEventExpose *event, gpointer user);
gboolean on_imghygro_expose_event(GtkWidget *widget, GdkEventExpose *event, gpointer user);

// marks.cpp
gboolean on_imgtemp_button_press_event(GtkWidget *widget, GdkEventButton *event, gpointer user);
gboolean on_imgtemp_button_release_event(GtkWidget *widget, GdkEventButton *event, gpointer user);
gboolean on_imghygro_button_press_event(GtkWidget *widget, GdkEventButton *event, gpointer user);
gboolean on_imghygro_button_release_event(GtkWidget *widget, GdkEventButton *event,
                                          gpointer user);
gboolean on_imghygro_motion_notify_event(GtkWidget *widget, GdkEventMotion *event, gpointer user);
gboolean on_imgtemp_motion_notify_event(GtkWidget *widget, GdkEventMotion *event, gpointer user);
void on_resetvertical_clicked(GtkButton *button, gpointer user);
void on_resetdrawpos_clicked(GtkButton *button, gpointer user);
void on_autowindows_clicked(GtkButton *button, gpointer user);

// controls.cpp
void on_startdate_toggled(GtkToggleButton *button, gpointer user);
void on_enddate_toggled(GtkToggleButton *button, gpointer user);
void on_retouchvertical_toggled(GtkToggleButton *button, gpointer user);
void on_drawcurve_toggled(GtkToggleButton *button, gpointer user);
void on_calendar_day_selected(GtkCalendar *calendar, gpointer user);
void on_hour_changed(GtkSpinButton *spin, gpointer user);
void on_minute_changed(GtkSpinButton *spin, gpointer user);
void on_selcurvecolor_color_set(GtkColorButton *button, gpointer user);
void on_showcontrast_toggled(GtkToggleButton *button, gpointer user);
void on_showcurve_toggled(GtkToggleButton *button, gpointer user);
void on_showtable_toggled(GtkToggleButton *button, gpointer user);
void on_resetcolor_clicked(GtkButton *button, gpointer user);
void on_addTemp_changed(GtkSpinButton *spin, gpointer user);
void on_addHygro_changed(GtkSpinButton *spin, gpointer user);

// evaluation.cpp
void on_curvesmoothness_value_changed(GtkRange *range, gpointer user);

// tablepage.cpp
void on_timestep10_toggled(GtkToggleButton *button, gpointer user);
void on_timestep60_toggled(GtkToggleButton *button, gpointer user);
void on_savetables_clicked(GtkButton *button, gpointer user);

#endif
