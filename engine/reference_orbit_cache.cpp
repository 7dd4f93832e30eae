#include "engine/reference_orbit_cache.h"

#include <algorithm>
#include <mutex>

namespace {

struct CachedReference {
    bool valid = false;
    bool mandelbrot = true;
    int32_t bits = 0;
    int64_t length = 0;
    BigFloat centreRe, centreIm, juliaRe, juliaIm, pointRe, pointIm;
    ReferenceOrbit orbit;
};

std::mutex CacheLock;
CachedReference Cache;

void Keep(BigFloat& kept, mpf_srcptr value, int32_t bits)
{
    kept.Create(bits);
    if (value)
        mpf_set(kept, value);
}

bool Matches(const ReferenceKey& key)
{
    return Cache.valid && Cache.mandelbrot == key.mandelbrot && Cache.bits == key.bits &&
           mpf_cmp(Cache.centreRe, key.centreRe) == 0 && mpf_cmp(Cache.centreIm, key.centreIm) == 0 &&
           (key.mandelbrot ||
            (mpf_cmp(Cache.juliaRe, key.juliaRe) == 0 && mpf_cmp(Cache.juliaIm, key.juliaIm) == 0));
}

}  // namespace

bool TakeCachedReference(const ReferenceKey& key, int64_t length, BigFloat& pointRe, BigFloat& pointIm,
                         ReferenceOrbit& orbit)
{
    const std::lock_guard<std::mutex> lock(CacheLock);
    if (!Matches(key) || Cache.length < length)
        return false;
    mpf_set(pointRe, Cache.pointRe);
    mpf_set(pointIm, Cache.pointIm);
    const size_t kept = static_cast<size_t>(std::min(length, Cache.orbit.size()));
    orbit.re.assign(Cache.orbit.re.begin(), Cache.orbit.re.begin() + kept);
    orbit.im.assign(Cache.orbit.im.begin(), Cache.orbit.im.begin() + kept);
    return true;
}

void CacheReference(const ReferenceKey& key, int64_t length, mpf_srcptr pointRe, mpf_srcptr pointIm,
                    const ReferenceOrbit& orbit)
{
    const std::lock_guard<std::mutex> lock(CacheLock);
    // A longer orbit already kept for this centre serves more frames.
    if (Matches(key) && Cache.length >= length)
        return;
    Cache.valid = true;
    Cache.mandelbrot = key.mandelbrot;
    Cache.bits = key.bits;
    Cache.length = length;
    Keep(Cache.centreRe, key.centreRe, key.bits);
    Keep(Cache.centreIm, key.centreIm, key.bits);
    Keep(Cache.juliaRe, key.juliaRe, key.bits);
    Keep(Cache.juliaIm, key.juliaIm, key.bits);
    Keep(Cache.pointRe, pointRe, key.bits);
    Keep(Cache.pointIm, pointIm, key.bits);
    Cache.orbit = orbit;
}

void ClearReferenceCache()
{
    const std::lock_guard<std::mutex> lock(CacheLock);
    Cache.valid = false;
    Cache.orbit = ReferenceOrbit{};
}
