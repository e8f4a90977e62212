// SPDX-License-Identifier: GPL-3.0-or-later

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

#include <glib/gstdio.h>

#include "atomicfile.h"
#include "coretest.h"

// Concurrent writers that must not replace: exactly one creates the file,
// every other is told it exists, and the content is the winner's whole.
TEST(AtomicFile, KeepLetsExactlyOneOfConcurrentWritersCreateTheFile)
{
    for (int round = 0; round < 20; ++round) {
        const std::string path = "race" + std::to_string(round) + ".txt";
        g_unlink(path.c_str());  // from an earlier run of the test
        std::vector<int> results(6), errors(6);
        std::vector<std::thread> writers;
        for (int w = 0; w < 6; ++w)
            writers.emplace_back([&, w] {
                results[w] = writeFileAtomic(path, std::string(1000, char('a' + w)), FileReplace::Keep);
                errors[w] = errno;
            });
        for (std::thread &t : writers) t.join();
        int created = 0;
        for (int w = 0; w < 6; ++w) {
            created += results[w] == 0;
            EXPECT_TRUE(results[w] == 0 || errors[w] == EEXIST) << g_strerror(errors[w]);
        }
        EXPECT_EQ(created, 1);
        const std::string content = fileContents(path);
        EXPECT_EQ(content, std::string(1000, content[0]));
    }
    EXPECT_EQ(writeFileAtomic("race0.txt", "new", FileReplace::Replace), 0);
    EXPECT_EQ(fileContents("race0.txt"), "new");
}

// A temporary of a killed writer goes; one whose writer still holds it, or a
// file that merely looks alike, stays.
TEST(AtomicFile, StaleTemporariesAreRemovedLiveOnesKept)
{
    g_mkdir_with_parents("stale", 0755);
    for (const char *name : {"T1.txt.vellora-tmp.aB3dEf", "live.vellora-tmp.Zz9yX8", "a.vellora-tmp.toolong",
                             ".vellora-tmp.abcdef", "user.txt"})
        makeFile(std::string("stale/") + name, "x");
    const int held = open("stale/live.vellora-tmp.Zz9yX8", O_RDONLY);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    EXPECT_EQ(removeStaleTemporaries("stale"), 1);
    close(held);
    for (const char *kept : {"live.vellora-tmp.Zz9yX8", "a.vellora-tmp.toolong", ".vellora-tmp.abcdef", "user.txt"})
        EXPECT_TRUE(g_file_test((std::string("stale/") + kept).c_str(), G_FILE_TEST_EXISTS)) << kept;
    EXPECT_EQ(writeFileAtomic("no-such-dir/x", "y"), -1);
    EXPECT_EQ(errno, ENOENT);
}
