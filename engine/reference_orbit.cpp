#include "engine/reference_orbit.h"

#include <atomic>
#include <cmath>
#include <memory>
#include <system_error>
#include <thread>

#include "engine/big_to_hardware.h"
#include "engine/fractal_state.h"

namespace {

// From about this precision an iteration's products take long enough
// (tens of microseconds) that handing one to a second thread pays.
constexpr int32_t PairedProductBits = 32768;

// Yields before sleeping: waking a sleeping thread takes about as long as a
// product.
constexpr int SpinRounds = 64;

int64_t AwaitChange(const std::atomic<int64_t>& value, int64_t seen)
{
    for (int round = 0; round < SpinRounds; ++round) {
        const int64_t now = value.load(std::memory_order_acquire);
        if (now != seen)
            return now;
        std::this_thread::yield();
    }
    value.wait(seen, std::memory_order_acquire);
    return value.load(std::memory_order_acquire);
}

// A second thread forms zr zi while the caller squares: the same products,
// the same values, in about two thirds of the time.
class CrossProduct {
public:
    CrossProduct(mpf_ptr product, mpf_srcptr zr, mpf_srcptr zi)
        : product_(product), zr_(zr), zi_(zi), worker_([this] { Serve(); })
    {
    }
    CrossProduct(const CrossProduct&) = delete;
    CrossProduct& operator=(const CrossProduct&) = delete;
    ~CrossProduct()
    {
        requested_.store(-1, std::memory_order_release);
        requested_.notify_one();
        worker_.join();
    }

    void Start()
    {
        ++round_;
        requested_.store(round_, std::memory_order_release);
        requested_.notify_one();
    }

    void Finish()
    {
        for (int64_t seen = done_.load(std::memory_order_acquire); seen != round_;)
            seen = AwaitChange(done_, seen);
    }

private:
    void Serve()
    {
        int64_t seen = 0;
        for (;;) {
            seen = AwaitChange(requested_, seen);
            if (seen < 0)
                return;
            mpf_mul(product_, zr_, zi_);
            done_.store(seen, std::memory_order_release);
            done_.notify_one();
        }
    }

    mpf_ptr product_;
    mpf_srcptr zr_, zi_;
    std::atomic<int64_t> requested_{0};
    std::atomic<int64_t> done_{0};
    int64_t round_ = 0;
    std::thread worker_;  // last: it starts serving once the rest is set
};

// value - high, to a double (0 below double's range).
double LowPart(mpf_srcptr value, long double high, BigFloat& scratch)
{
    LongDoubleToBig(high, scratch);
    mpf_sub(scratch, value, scratch);
    return mpf_get_d(scratch);
}

}  // namespace

bool IterateOrbit(mpf_srcptr z0Re, mpf_srcptr z0Im, mpf_srcptr cRe, mpf_srcptr cIm, int32_t bits,
                  int64_t maxLength, ReferenceOrbit& orbit, RelaxedAtomic<int64_t>& done)
{
    BigFloat zr(bits), zi(bits), t(bits), a(bits), b(bits), s(bits), scratch(bits), excess(bits), low(bits);
    mpf_set(zr, z0Re);
    mpf_set(zi, z0Im);
    orbit.re.clear();
    orbit.im.clear();
    orbit.reLow.clear();
    orbit.imLow.clear();
    orbit.nearCircle.clear();
    orbit.re.reserve(static_cast<size_t>(maxLength));
    orbit.im.reserve(static_cast<size_t>(maxLength));
    orbit.reLow.reserve(static_cast<size_t>(maxLength));
    orbit.imLow.reserve(static_cast<size_t>(maxLength));
    done.store(0);
    std::unique_ptr<CrossProduct> cross;
    if (bits >= PairedProductBits && std::thread::hardware_concurrency() > 1) {
        try {
            cross = std::make_unique<CrossProduct>(t, zr, zi);
        } catch (const std::system_error&) {
            // No second thread to be had: the products in turn.
        }
    }
    for (int64_t k = 0; k < maxLength; ++k) {
        orbit.re.push_back(BigToLongDouble(zr, scratch));
        orbit.im.push_back(BigToLongDouble(zi, scratch));
        orbit.reLow.push_back(LowPart(zr, orbit.re.back(), low));
        orbit.imLow.push_back(LowPart(zi, orbit.im.back(), low));
        if ((k & 1023) == 0) {
            done.store(k);
            if (State.StopRequest.load() == 1)
                return false;
        }
        if (cross)
            cross->Start();
        else
            mpf_mul(t, zr, zi);
        mpf_mul(a, zr, zr);
        mpf_mul(b, zi, zi);
        mpf_add(s, a, b);
        if (cross)
            cross->Finish();
        if (std::fabs(mpf_get_d(s) - 4.0) <= 4.0 * NearCircleShare) {
            mpf_sub_ui(excess, s, 4);
            orbit.nearCircle.push_back({k, BigToWide(excess, scratch)});
        }
        if (mpf_cmp_d(s, OrbitEscapedNorm) > 0)
            break;
        mpf_sub(zr, a, b);
        mpf_add(zr, zr, cRe);
        mpf_add(zi, t, t);
        mpf_add(zi, zi, cIm);
    }
    done.store(orbit.size());
    return true;
}
