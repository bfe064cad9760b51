// The keep-alive worker's start and stop rules.
#include <gtest/gtest.h>

#include "StatusThread.h"

TEST(StatusThread, SecondStartIsRefusedAndStopWithoutWorkerFails) {
    ASSERT_TRUE(CStatusThread::getThreadStop());
    EXPECT_FALSE(CStatusThread::stopThread());
    EXPECT_TRUE(CStatusThread::startThread(0));
    EXPECT_FALSE(CStatusThread::startThread(0));
    EXPECT_TRUE(CStatusThread::stopThread());
    EXPECT_TRUE(CStatusThread::getThreadStop());
    EXPECT_FALSE(CStatusThread::threadRunning);
    EXPECT_FALSE(CStatusThread::stopThread());
    // after a full stop a new worker may start again
    EXPECT_TRUE(CStatusThread::startThread(0));
    EXPECT_TRUE(CStatusThread::stopThread());
}
