#pragma once
#include <chrono>
#include <ctime>
#include <limits>

// Wall time for work spread over threads; processor time for work on the
// calling thread alone (the process runs no other thread meanwhile), which
// other processes competing for the cores do not inflate.
enum class Clock { Wall, Processor };

// Best time over the runs it has seen: disturbances only ever add time, so
// the minimum is the least disturbed figure. Callers alternate the measured
// code and its baseline run by run, so both see the same machine state.
class BestTime {
public:
    explicit BestTime(Clock clock = Clock::Processor) : clock_(clock) {}

    template <class Work>
    void Measure(Work&& work)
    {
        const double start = Now();
        work();
        const double elapsed = Now() - start;
        if (elapsed < best_)
            best_ = elapsed;
    }
    double Seconds() const { return best_; }

private:
    double Now() const
    {
        if (clock_ == Clock::Wall) {
            const std::chrono::duration<double> since = std::chrono::steady_clock::now().time_since_epoch();
            return since.count();
        }
        return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
    }

    Clock clock_;
    double best_ = std::numeric_limits<double>::infinity();
};

// Makes a value observable so the optimiser keeps the work that produced it.
template <class T>
inline void KeepAlive(const T& value)
{
    asm volatile("" : : "r"(&value) : "memory");
}
