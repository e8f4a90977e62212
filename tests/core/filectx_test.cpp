#include <gtest/gtest.h>

#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>

#include "filectx.h"

namespace {

void writeFile(const std::string &path, const std::string &content)
{
    std::ofstream(path, std::ios::binary) << content;
}

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Names in the working directory that start with prefix (temporary files
// of a failed write would show up here).
int countFiles(const std::string &prefix)
{
    int n = 0;
    DIR *d = opendir(".");
    while (dirent *e = readdir(d))
        n += std::string(e->d_name).compare(0, prefix.size(), prefix) == 0;
    closedir(d);
    return n;
}

TEST(FileCtx, ReadsSortedAndWritesExactBytes)
{
    writeFile("order.ctx", "b=2\na=1\na=3\n");
    chmod("order.ctx", 0640);
    FileCtx ctx;
    ctx.open("order", true);
    EXPECT_EQ(2u, ctx.size());
    EXPECT_STREQ("3", ctx.get("a"));
    EXPECT_FALSE(ctx.isModified());
    ctx.set("c", "x=y");
    ctx.set("B", "");
    ASSERT_EQ(0, ctx.write());
    EXPECT_FALSE(ctx.isModified());
    EXPECT_EQ("B=\na=3\nb=2\nc=x=y\n", readFile("order.ctx"));
    struct stat st;
    ASSERT_EQ(0, stat("order.ctx", &st));
    EXPECT_EQ(0640u, st.st_mode & 07777);  // the rewrite keeps the permissions
    EXPECT_EQ(1, countFiles("order.ctx"));
}

TEST(FileCtx, LineSplitting)
{
    std::string longValue(300, 'v');
    writeFile("split.ctx", "x=y=z\n=v\nk=\nno equals\nlong=" + longValue + "\nlast=tail");
    FileCtx ctx;
    ctx.open("split", true);
    EXPECT_STREQ("y=z", ctx.get("x"));
    EXPECT_STREQ("", ctx.get("k"));
    EXPECT_EQ("", ctx.all().begin()->first);  // the empty key sorts first
    EXPECT_STREQ("v", ctx.get(""));
    EXPECT_EQ(nullptr, ctx.get("no equals"));
    EXPECT_STREQ("tail", ctx.get("last"));
    // 199 bytes per read: the rest of the long line is a piece without "=".
    EXPECT_EQ(longValue.substr(0, 194), ctx.get("long"));
    EXPECT_EQ(5u, ctx.size());
}

TEST(FileCtx, ModifiedFlagRules)
{
    writeFile("flags.ctx", "a=1\n");
    FileCtx ctx;
    ctx.open("flags", true);
    ctx.set("a", "1");
    ctx.remove("zz");
    ctx.removePrefix("q");
    EXPECT_FALSE(ctx.isModified());
    ctx.set("a", "2");
    EXPECT_TRUE(ctx.isModified());
    // Opening another store keeps unsaved changes visible to the caller.
    ctx.open("does-not-exist", true);
    EXPECT_EQ(0u, ctx.size());
    EXPECT_TRUE(ctx.isModified());
    ctx.clear();
    EXPECT_EQ(nullptr, ctx.fileName());
    EXPECT_EQ(1, ctx.write());
}

TEST(FileCtx, RemovePrefixKeepsNeighbours)
{
    FileCtx ctx;
    for (const char *k : {"AddTemp", "Bot0_0001", "To", "Top0_0000", "Top1_2346", "Topz", "Tp", "ZZ"})
        ctx.set(k, "1");
    ctx.removePrefix("Top");
    std::string keys;
    for (const auto &e : ctx.all())
        keys += e.first + " ";
    EXPECT_EQ("AddTemp Bot0_0001 To Tp ZZ ", keys);
    ctx.removePrefix("");
    EXPECT_EQ(0u, ctx.size());
}

TEST(FileCtx, FailedWriteKeepsOldFileAndFlag)
{
    FileCtx ctx;
    ctx.open("missing-dir/x", false);
    ctx.set("k", "v");
    EXPECT_EQ(-1, ctx.write());
    EXPECT_TRUE(ctx.isModified());

    // A directory where the file should be: rename must fail, nothing leaks.
    mkdir("isdir.ctx", 0755);
    ctx.open("isdir", false);
    ctx.set("k", "v");
    EXPECT_EQ(-1, ctx.write());
    EXPECT_TRUE(ctx.isModified());
    struct stat st;
    ASSERT_EQ(0, stat("isdir.ctx", &st));
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(1, countFiles("isdir.ctx"));
}

} // namespace
