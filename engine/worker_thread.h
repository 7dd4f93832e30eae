#pragma once
#include <pthread.h>

enum class WorkerPriority { Normal, Idle };

// Starts a frame worker with a 1 MiB stack. False when the thread could not
// be created (its band then stays as it was).
bool StartWorkerThread(void* (*procedure)(void*), void* argument, WorkerPriority priority,
                       pthread_t* handle);
