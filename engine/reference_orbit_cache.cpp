#include "engine/reference_orbit_cache.h"

#include <algorithm>
#include <list>
#include <mutex>

namespace {

// The centre's orbit and the chosen reference of the last frame.
constexpr size_t KeptOrbits = 2;

struct CachedOrbit {
    bool mandelbrot = true;
    int32_t bits = 0;
    int64_t length = 0;
    BigFloat pointRe, pointIm, juliaRe, juliaIm;
    ReferenceOrbit orbit;
};

std::mutex CacheLock;
std::list<CachedOrbit> Cache;  // most recently used first

void Keep(BigFloat& kept, mpf_srcptr value, int32_t bits)
{
    kept.Create(bits);
    if (value)
        mpf_set(kept, value);
}

bool Matches(const CachedOrbit& cached, const OrbitKey& key)
{
    return cached.mandelbrot == key.mandelbrot && cached.bits == key.bits &&
           mpf_cmp(cached.pointRe, key.pointRe) == 0 && mpf_cmp(cached.pointIm, key.pointIm) == 0 &&
           (key.mandelbrot ||
            (mpf_cmp(cached.juliaRe, key.juliaRe) == 0 && mpf_cmp(cached.juliaIm, key.juliaIm) == 0));
}

// An orbit that ended before its length is complete for any length.
bool Serves(const CachedOrbit& cached, int64_t length)
{
    return cached.length >= length || cached.orbit.size() < cached.length;
}

std::list<CachedOrbit>::iterator Find(const OrbitKey& key)
{
    return std::find_if(Cache.begin(), Cache.end(), [&key](const CachedOrbit& cached) { return Matches(cached, key); });
}

}  // namespace

bool TakeCachedOrbit(const OrbitKey& key, int64_t length, ReferenceOrbit& orbit)
{
    const std::lock_guard<std::mutex> lock(CacheLock);
    const auto found = Find(key);
    if (found == Cache.end() || !Serves(*found, length))
        return false;
    Cache.splice(Cache.begin(), Cache, found);
    const CachedOrbit& cached = Cache.front();
    const size_t kept = static_cast<size_t>(std::min(length, cached.orbit.size()));
    orbit.re.assign(cached.orbit.re.begin(), cached.orbit.re.begin() + kept);
    orbit.im.assign(cached.orbit.im.begin(), cached.orbit.im.begin() + kept);
    orbit.reLow.assign(cached.orbit.reLow.begin(), cached.orbit.reLow.begin() + kept);
    orbit.imLow.assign(cached.orbit.imLow.begin(), cached.orbit.imLow.begin() + kept);
    orbit.nearCircle.clear();
    for (const CircleExcess& near : cached.orbit.nearCircle)
        if (near.index < static_cast<int64_t>(kept))
            orbit.nearCircle.push_back(near);
    return true;
}

void CacheOrbit(const OrbitKey& key, int64_t length, const ReferenceOrbit& orbit)
{
    const std::lock_guard<std::mutex> lock(CacheLock);
    const auto found = Find(key);
    if (found != Cache.end()) {
        if (Serves(*found, length)) {
            Cache.splice(Cache.begin(), Cache, found);
            return;
        }
        Cache.erase(found);
    }
    if (Cache.size() >= KeptOrbits)
        Cache.pop_back();
    CachedOrbit& cached = Cache.emplace_front();
    cached.mandelbrot = key.mandelbrot;
    cached.bits = key.bits;
    cached.length = length;
    Keep(cached.pointRe, key.pointRe, key.bits);
    Keep(cached.pointIm, key.pointIm, key.bits);
    Keep(cached.juliaRe, key.juliaRe, key.bits);
    Keep(cached.juliaIm, key.juliaIm, key.bits);
    cached.orbit = orbit;
}

void ClearOrbitCache()
{
    const std::lock_guard<std::mutex> lock(CacheLock);
    Cache.clear();
}
