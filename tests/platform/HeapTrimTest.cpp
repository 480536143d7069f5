#include "platform/HeapTrim.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {

// A worker thread fills its heap and frees all but the last block, as a page
// parse does: the freed pages stay with the process until they are trimmed.
TEST(HeapTrim, GivesBackWhatAWorkerFreedOnceTheProgramIsQuiet)
{
    constexpr size_t kBlock = 64 * 1024;
    constexpr int kBlocks = 512; // 32 MiB
    std::vector<void *> blocks;
    std::thread([&] {
        for (int i = 0; i < kBlocks; ++i) {
            blocks.push_back(std::malloc(kBlock));
            std::memset(blocks.back(), 1, kBlock);
        }
        for (int i = 0; i + 1 < kBlocks; ++i)
            std::free(blocks[i]);
    }).join();
    const qint64 before = processMemoryKiB("RssAnon");
    ASSERT_GT(before, 24 * 1024);

    HeapTrim trim;
    trim.workDone();
    trim.workDone();
    EXPECT_TRUE(testsupport::waitUntil(
        [&] { return processMemoryKiB("RssAnon") < before - 24 * 1024; }, std::chrono::seconds(5)));
    std::free(blocks.back());
}

} // namespace
