// SPDX-License-Identifier: GPL-3.0-or-later

#include <dirent.h>
#include <sys/stat.h>

#include "coretest.h"

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
    // The last of equal keys wins.
    makeFile("order.ctx", "b=2\na=1\nx=y=z\n=v\nk=\nno equals\na=3\nlast=tail");
    chmod("order.ctx", 0640);
    FileCtx ctx;
    ctx.open("order", true);
    EXPECT_EQ(keysOf(ctx), " a b k last x ");
    EXPECT_EQ(std::string(ctx.get("a")) + "|" + ctx.get("x") + "|" + ctx.get("") + "|" + ctx.get("k") + "|" + ctx.get("last"),
              "3|y=z|v||tail");
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

// The flag tells unsaved changes, and a failed write keeps it and the old file.
TEST(FileCtx, ModifiedFlagRemovePrefixAndFailedWrites)
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
    EXPECT_EQ(ctx.size(), 0u);
    EXPECT_TRUE(ctx.isModified());
    ctx.clear();
    EXPECT_EQ(ctx.write(), 1) << "no file to write to";
    EXPECT_TRUE(ctx.isModified());

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

// Long lines were read in 199-byte pieces, the tail taken as a record of its
// own: a line is read whole up to 64 KiB, a longer one ignored whole.
TEST(FileCtx, LongLinesAreReadWholeOrIgnoredWhole)
{
    const std::string path = "/" + std::string(65536 - 6, 'p');  // "Scan=" and this: 64 KiB
    const std::string injected = "Note=" + std::string(70000, 'n') + "DateVal2=y 2004 m 07 d 09 h 12 m 00";
    makeFile("long.ctx", "DateVal2=y 2004 m 07 d 02 h 12 m 00\n" + injected + "\nScan=" + path + "\nz=1");
    FileCtx ctx;
    ctx.open("long", true);
    EXPECT_EQ(keysOf(ctx), "DateVal2 Scan z ");
    EXPECT_EQ(std::string(ctx.get("DateVal2")), "y 2004 m 07 d 02 h 12 m 00");
    EXPECT_EQ(std::string(ctx.get("Scan")), path);
    ASSERT_EQ(ctx.write(), 0);
    ctx.open("long", true);
    EXPECT_EQ(std::string(ctx.get("Scan")), path) << "what the store writes, it reads back";
}
