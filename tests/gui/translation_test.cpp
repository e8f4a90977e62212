// SPDX-License-Identifier: GPL-3.0-or-later
// The German catalogue reaches both the UI definition and the texts built in
// code once the user's language asks for it.

#include "coretest.h"
#include "harness.h"
#include "i18n.h"
#include "ui.h"

namespace {

using Translation = AppTest;

TEST_F(Translation, GermanPageLabelAndDialog)
{
    // Builds de_DE.UTF-8 into a folder of its own and selects it.
    if (!useDecimalCommaLocale())
        GTEST_SKIP() << "no de_DE.UTF-8 locale could be built (localedef)";
    g_setenv("LANGUAGE", "de", TRUE);
    setUpTranslations();
    ASSERT_NO_FATAL_FAILURE(start());
    GtkNotebook *pages = GTK_NOTEBOOK(ctx->widMainNoteBook);
    EXPECT_STREQ(gtk_notebook_get_tab_label_text(pages, gtk_notebook_get_nth_page(pages, PassPointPage)),
                 "2 Passpunkte");
    answerDialogs({AnswerNo});
    sendDeleteEvent(ctx->widMainWindow);
    EXPECT_EQ(takeDialogs(), std::vector<std::string>{"vellora – Frage: Wirklich beenden?"});
    EXPECT_EQ(lastDialog().buttons, (std::vector<std::string>{"*_Beenden", "gtk-cancel"}));
}

} // namespace
