#include "base/runtime.h"

#include <gtest/gtest.h>

#include <atomic>

#include "support/scripted_ui.h"
#include "support/test_profile.h"

using namespace tandril;

// Clients started in the same second must not reconnect at the same moment after a server
// restart: each draws its delays from a generator of its own, seeded from the system's entropy.
TEST(Runtime, ClientsStartedTogetherDrawDifferentDelays) {
    test::TestProfile a, b;
    test::ScriptedUi ui;
    Runtime first(ui, a.path()), second(ui, b.path());
    std::vector<unsigned> x, y;
    for (int i = 0; i < 4; ++i) {
        x.push_back(first.Random());
        y.push_back(second.Random());
    }
    EXPECT_NE(x, y);
}

TEST(Runtime, FinishedWorkersAreReclaimedWhenTheNextOneStarts) {
    test::TestProfile profile;
    test::ScriptedUi ui;
    Runtime rt(ui, profile.path());
    std::atomic<int> done{0};
    for (int i = 0; i < 100; ++i) {
        rt.StartWorker([&] { ++done; });
        while (done < i + 1) std::this_thread::yield();
    }
    EXPECT_LT(rt.WorkerCount(), 10u);  // not one thread kept per finished worker
    rt.JoinWorkers();
    EXPECT_EQ(rt.WorkerCount(), 0u);
}
