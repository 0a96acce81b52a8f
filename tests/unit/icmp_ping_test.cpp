#include "search/icmp_ping.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>

#include "search/result_pinger.h"

using namespace tandril::search;

namespace {

// In a fresh network namespace: loopback up and ping sockets allowed for every group. Returns
// false when this process may not make one (no privileges).
bool EnterTestNetwork() {
    if (::unshare(CLONE_NEWNET) != 0) return false;
    int sysctl = ::open("/proc/sys/net/ipv4/ping_group_range", O_WRONLY | O_CLOEXEC);
    if (sysctl < 0) return false;
    const char range[] = "0 2147483647";
    bool written = ::write(sysctl, range, sizeof range - 1) == static_cast<ssize_t>(sizeof range - 1);
    ::close(sysctl);
    int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = ::ioctl(s, SIOCGIFFLAGS, &request) == 0 && (request.ifr_flags |= IFF_UP, ::ioctl(s, SIOCSIFFLAGS, &request) == 0);
    ::close(s);
    return written && up;
}

}  // namespace

TEST(IcmpPing, MeasuresLoopbackAndGivesUpOnAnUnreachableAddressWithinTheLimit) {
    // The namespace is made in a child so that this process keeps its network.
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (!EnterTestNetwork()) ::_exit(77);
        int failures = 0;
        int loopback = PingHost(inet_addr("127.0.0.1"), std::chrono::milliseconds(1000));
        if (loopback < 0 || loopback > 100) failures |= 1;
        auto start = std::chrono::steady_clock::now();
        int unreachable = PingHost(inet_addr("10.99.99.99"), std::chrono::milliseconds(1000));  // no route here
        auto took = std::chrono::steady_clock::now() - start;
        if (unreachable != -1) failures |= 2;
        if (took > std::chrono::milliseconds(1100)) failures |= 4;
        ::_exit(failures);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "making a network namespace needs root (CI runs as root)";
    EXPECT_EQ(WEXITSTATUS(status) & 1, 0) << "loopback was not measured";
    EXPECT_EQ(WEXITSTATUS(status) & 2, 0) << "an unreachable address gave a time";
    EXPECT_EQ(WEXITSTATUS(status) & 4, 0) << "giving up took longer than the limit";
}

TEST(ResultPinger, MeasuresEachAddressOnceAndFinishesAfterTheStop) {
    if (!IcmpSocket::Open()) GTEST_SKIP() << "no ICMP socket here (ping_group_range, or run as root)";
    std::vector<SearchResult> results(10);
    for (SearchResult& r : results) r.address = inet_addr("127.0.0.1");
    results[9].address = inet_addr("127.0.0.2");
    std::mutex lock;
    std::atomic<int> finished{0};
    ResultPinger pinger(results, lock, [&] { ++finished; });
    EXPECT_FALSE(pinger.WaitDone(std::chrono::milliseconds(300)));  // it waits for the end of the search
    pinger.Stop();
    ASSERT_TRUE(pinger.WaitDone(std::chrono::milliseconds(3000)));
    std::scoped_lock guard(lock);
    EXPECT_GE(results[0].ping, 0);
    EXPECT_LT(results[0].ping, kPingNoAnswer);
    for (int i = 1; i < 9; ++i) EXPECT_EQ(results[i].ping, kPingNotMeasured) << i;  // the display copies the first one's time
    EXPECT_GE(results[9].ping, 0);
    EXPECT_EQ(finished, 1);
}
