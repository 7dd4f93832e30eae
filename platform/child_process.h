#pragma once
#include <functional>
#include <string>
#include <vector>

// An external program run to its end while the caller keeps its own
// windows alive; what it wrote to standard error is kept for the report.
struct ChildOutcome {
    bool started = false;
    bool exitedNormally = false;  // false: killed by a signal
    int exitCode = 0;
    std::string standardError;
};

// Runs `program` with `arguments` in `workingFolder` and waits for it,
// calling `whileWaiting` about every 100 ms. Its standard output is dropped.
ChildOutcome RunChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                             const std::string& workingFolder, const std::function<void()>& whileWaiting);
