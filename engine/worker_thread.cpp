#include "engine/worker_thread.h"

#include <sched.h>

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
