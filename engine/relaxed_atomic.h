#pragma once
#include <atomic>

// A flag or counter shared between the interface thread and frame workers.
// Relaxed ordering is enough: workers only poll it, and thread join/exit
// provides the ordering for the results themselves. Copyable so that the
// state struct holding it can be reset by assignment.
template <typename T>
class RelaxedAtomic {
public:
    RelaxedAtomic(T value = T{}) : value_(value) {}
    RelaxedAtomic(const RelaxedAtomic& other) : value_(other.load()) {}
    RelaxedAtomic& operator=(const RelaxedAtomic& other) { store(other.load()); return *this; }
    RelaxedAtomic& operator=(T value) { store(value); return *this; }
    operator T() const { return load(); }
    T load() const { return value_.load(std::memory_order_relaxed); }
    void store(T value) { value_.store(value, std::memory_order_relaxed); }
    T fetch_add(T delta) { return value_.fetch_add(delta, std::memory_order_relaxed); }
    T fetch_sub(T delta) { return value_.fetch_sub(delta, std::memory_order_relaxed); }

private:
    std::atomic<T> value_;
};
