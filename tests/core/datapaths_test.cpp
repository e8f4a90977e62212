// SPDX-License-Identifier: GPL-3.0-or-later
// Where the program's own files are found: source layout, user folders,
// installed data, and where the settings store goes.

#include <glib/gstdio.h>
#include <unistd.h>

#include "coretest.h"
#include "datapaths.h"
#include "synth_fixtures.h"

namespace {

// A scratch tree laid out like a source checkout beside a user's folders and
// an installation: src/run, src/glade, config/vellora, state, share/vellora.
class DataPathsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(root.path().empty());
        for (const char *sub : {"src/run", "src/glade", "config/vellora", "state", "share/vellora"})
            g_mkdir_with_parents(path(sub).c_str(), 0755);
        places = {path("src/run"), path("config"), path("state"), path("share/vellora")};
    }
    // The read-only case's folder must be writable again to be removed.
    void TearDown() override { g_chmod(path("src/run").c_str(), 0755); }

    std::string path(const std::string &sub) const { return root.file(sub); }

    TempDir root{"datapaths"};
    DataPlaces places;
};

TEST_F(DataPathsTest, ParamFileFallsFromWorkingFolderToUserToInstalledProfile)
{
    const std::string work = path("src/run/vellora.ini"), user = path("config/vellora/vellora.ini"),
                      installed = path("share/vellora/vellora.ini");
    for (const std::string &file : {work, user, installed})
        makeFile(file, "srcMMPerHour 2.5\n");
    for (const std::string &file : {work, user, installed}) {
        EXPECT_EQ(findParamFile(places), file);
        g_unlink(file.c_str());
    }
    EXPECT_EQ(findParamFile(places), "");
    // A folder of that name is no parameter file.
    g_mkdir(work.c_str(), 0755);
    EXPECT_EQ(findParamFile(places), "");
}

TEST_F(DataPathsTest, UiDefinitionPrefersTheSourceTreeAndNeverSearchesAnUnsetFolder)
{
    const std::string source = path("src/run/../glade/vellora.glade"),
                      installed = path("share/vellora/vellora.glade");
    makeFile(source, "<glade-interface/>");
    makeFile(installed, "<glade-interface/>");
    EXPECT_EQ(findUiDefinition(places), source);
    g_unlink(source.c_str());
    EXPECT_EQ(findUiDefinition(places), installed);
    places.dataDir.clear();
    EXPECT_EQ(findUiDefinition(places), "");
}

TEST_F(DataPathsTest, SettingsStoreStaysInTheWorkingFolderOnlyWhenItHoldsOneOrIsASourceRun)
{
    const std::string inWork = path("src/run/vellora"), inState = path("state/vellora/vellora");
    // An installed program started in a plain folder leaves no file there.
    EXPECT_EQ(prepareSettingsStore(places), inState);
    EXPECT_TRUE(g_file_test(path("state/vellora").c_str(), G_FILE_TEST_IS_DIR));
    // A run from the source tree keeps its store beside it, as it always did.
    makeFile(path("src/glade/vellora.glade"), "<glade-interface/>");
    EXPECT_EQ(prepareSettingsStore(places), inWork);
    g_unlink(path("src/glade/vellora.glade").c_str());
    makeFile(inWork + ".ctx", "fileName=/scans/x0815.tif\n");
    EXPECT_EQ(prepareSettingsStore(places), inWork);
}

TEST_F(DataPathsTest, SettingsStoreInAReadOnlyFolderMovesToTheStateFolder)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root may write into any folder";
    makeFile(path("src/run/vellora.ctx"), "fileName=/scans/x0815.tif\n");
    g_chmod(path("src/run").c_str(), 0555);
    EXPECT_EQ(prepareSettingsStore(places), path("state/vellora/vellora"));
}

} // namespace
