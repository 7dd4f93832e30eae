#include "engine/worker_thread.h"

#include <sched.h>

#include <chrono>

bool StartWorkerThread(void* (*procedure)(void*), void* argument, WorkerPriority priority,
                       pthread_t* handle)
{
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0)
        return false;
    pthread_attr_setstacksize(&attributes, 1024 * 1024);
    if (priority == WorkerPriority::Idle) {
        // Deep frames must not starve the interface; SCHED_IDLE needs no privileges.
        sched_param parameters{};
        parameters.sched_priority = 0;
        pthread_attr_setinheritsched(&attributes, PTHREAD_EXPLICIT_SCHED);
        pthread_attr_setschedpolicy(&attributes, SCHED_IDLE);
        pthread_attr_setschedparam(&attributes, &parameters);
    }
    int result = pthread_create(handle, &attributes, procedure, argument);
    if (result != 0 && priority == WorkerPriority::Idle) {
        pthread_attr_setinheritsched(&attributes, PTHREAD_INHERIT_SCHED);
        result = pthread_create(handle, &attributes, procedure, argument);
    }
    pthread_attr_destroy(&attributes);
    return result == 0;
}

void RunningWorkers::Add()
{
    std::lock_guard<std::mutex> lock(mutex_);
    ++count_;
}

void RunningWorkers::Done()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        --count_;
    }
    ended_.notify_all();
}

int32_t RunningWorkers::Count()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return count_;
}

void RunningWorkers::WaitFor(int32_t milliseconds)
{
    std::unique_lock<std::mutex> lock(mutex_);
    ended_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return count_ <= 0; });
}
