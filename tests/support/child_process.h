#pragma once
// A program started by a test, ended (SIGKILL) if the test did not wait for it.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace tandril::test {

class ChildProcess {
public:
    // Starts `argv` with `extraEnv` ("NAME=value") added to this process's environment.
    ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return pid_ > 0; }
    void Signal(int signal);
    // The exit code, or nullopt when it did not end in time (or ended by a signal).
    std::optional<int> Wait(std::chrono::milliseconds timeout);
    bool Running();

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

}  // namespace tandril::test
