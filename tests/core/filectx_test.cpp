#include <gtest/gtest.h>

#include <dirent.h>
#include <glib.h>
#include <string>
#include <sys/stat.h>

#include "coretest.h"
#include "filectx.h"

namespace {

// Names in the working directory starting with prefix (a failed write's
// temporary file would show up here).
int countFiles(const std::string &prefix)
{
    int n = 0;
    DIR *d = opendir(".");
    while (dirent *e = readdir(d)) n += std::string(e->d_name).compare(0, prefix.size(), prefix) == 0;
    closedir(d);
    return n;
}

} // namespace

TEST(FileCtx, ReadsLinesAndWritesSortedExactBytes)
{
    // The last of equal keys wins; 199 bytes per read, so the rest of a long
    // line is a piece of its own without "=".
    makeFile("order.ctx", "b=2\na=1\nx=y=z\n=v\nk=\nno equals\na=3\nlong=" + std::string(300, 'v') + "\nlast=tail");
    chmod("order.ctx", 0640);
    FileCtx ctx;
    ctx.open("order", true);
    EXPECT_EQ(keysOf(ctx), " a b k last long x ");
    EXPECT_EQ(std::string(ctx.get("a")) + "|" + ctx.get("x") + "|" + ctx.get("") + "|" + ctx.get("k") + "|" + ctx.get("last"),
              "3|y=z|v||tail");
    EXPECT_EQ(ctx.get("long"), std::string(194, 'v'));
    EXPECT_FALSE(ctx.isModified());
    ctx.removePrefix("l");
    ctx.remove("x");
    ctx.set("B", "");
    ASSERT_EQ(ctx.write(), 0);
    EXPECT_FALSE(ctx.isModified());
    EXPECT_EQ(fileContents("order.ctx"), "=v\nB=\na=3\nb=2\nk=\n");
    struct stat st;
    ASSERT_EQ(stat("order.ctx", &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u) << "the rewrite keeps the permissions";
    EXPECT_EQ(countFiles("order.ctx"), 1);
}

TEST(FileCtx, ModifiedFlagAndRemovePrefix)
{
    makeFile("flags.ctx", "a=1\nTo=1\nTop0_0000=1\nTop1_2346=1\nTopz=1\nTp=1\n");
    FileCtx ctx;
    ctx.open("flags", true);
    ctx.set("a", "1");
    ctx.remove("zz");
    ctx.removePrefix("q");
    EXPECT_FALSE(ctx.isModified()) << "nothing changed";
    ctx.removePrefix("Top");
    EXPECT_EQ(keysOf(ctx), "To Tp a ");
    EXPECT_TRUE(ctx.isModified());
    // Opening another store keeps unsaved changes visible to the caller.
    ctx.open("does-not-exist", true);
    EXPECT_TRUE(ctx.size() == 0 && ctx.isModified());
    ctx.clear();
    EXPECT_EQ(ctx.fileName(), nullptr);
    EXPECT_EQ(ctx.write(), 1);
    EXPECT_TRUE(ctx.isModified());
}

TEST(FileCtx, FailedWriteKeepsOldFileAndFlag)
{
    FileCtx ctx;
    mkdir("isdir.ctx", 0755);  // a directory where the file should be: the rename fails
    for (const char *name : {"missing-dir/x", "isdir"}) {
        ctx.open(name, false);
        ctx.set("k", "v");
        EXPECT_EQ(ctx.write(), -1) << name;
        EXPECT_TRUE(ctx.isModified()) << name;
    }
    EXPECT_TRUE(g_file_test("isdir.ctx", G_FILE_TEST_IS_DIR));
    EXPECT_EQ(countFiles("isdir.ctx"), 1) << "no temporary file may be left";
}
