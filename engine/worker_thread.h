#pragma once
#include <pthread.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>

enum class WorkerPriority { Normal, Idle };

// Starts a frame worker with a 1 MiB stack. False when the thread could not
// be created (its band then stays as it was).
bool StartWorkerThread(void* (*procedure)(void*), void* argument, WorkerPriority priority,
                       pthread_t* handle);

// The frame's workers still running. The interface thread polls the count
// between its windows' turns; with no windows to serve it sleeps until the
// last worker ends.
class RunningWorkers {
public:
    void Add();
    void Done();
    int32_t Count();
    // Returns when none is running, or after `milliseconds`.
    void WaitFor(int32_t milliseconds);

private:
    std::mutex mutex_;
    std::condition_variable ended_;
    int32_t count_ = 0;
};
