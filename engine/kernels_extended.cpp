#include "engine/kernels_extended.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "engine/attracting_cycle_trap.h"
#include "engine/double_lane_blocks.h"
#include "engine/fractal_state.h"
#include "engine/lane_blocks.h"
#include "engine/rounding.h"
#include "platform/platform.h"

namespace {

inline uint32_t FloatBits(float value)
{
    return std::bit_cast<uint32_t>(value);
}

// What sets the variants' fast phases apart: the radius test (float32 bits
// >= 4, or float64 > 4 taken as bits >= the next double), whether it looks
// at the previous block, how many blocks the budget allows and the counter
// that the slow phase starts with.
template <int Variant, bool Lagged>
struct FastPhase {
    static constexpr bool familyA = Variant <= 2;
    static constexpr RadiusWidth width = familyA ? RadiusWidth::Float : RadiusWidth::Double;
    static constexpr uint64_t threshold =
        familyA ? std::bit_cast<uint32_t>(4.0f) : std::bit_cast<uint64_t>(4.0) + 1;
    static constexpr uint64_t firstPrevious =
        familyA ? std::bit_cast<uint32_t>(2.0f) : std::bit_cast<uint64_t>(2.0);
    static constexpr bool lagged = Lagged || !familyA;

    // Family A runs at least one block and stops after the one that takes
    // IterMax - 3 - 4k below 0; family B runs the blocks that start at
    // i = 4k - 1 <= IterMax - 3.
    static int64_t Blocks(int32_t iterMax)
    {
        if (familyA)
            return iterMax < 3 ? 1 : (static_cast<int64_t>(iterMax) - 3) / 4 + 1;
        return iterMax < 6 ? 0 : (static_cast<int64_t>(iterMax) - 2) / 4;
    }

    // R (family A) or i (family B) after leaving at block `block`, from that
    // block's checkpoint.
    static int64_t Counter(int32_t iterMax, int64_t block, bool escaped)
    {
        if (!familyA)
            return escaped ? 4 * (block - 1) : 4 * block;
        if (!escaped)
            return 3;
        return Variant == 1 ? iterMax - 4 * block : iterMax - 4 * (block - 1);
    }
};

// Single steps against the bailout. Variant 1 tests the modulus with >,
// variant 2 twice the real square with >=, the lagged form the modulus with >=.
template <int Variant, bool Lagged>
PixelResult FamilyASlowPhase(const PixelSetup& setup, long double zr, long double zi,
                             long double cr, long double ci, int64_t r)
{
    for (;;) {
        const long double sr = zr * zr;
        const long double si = zi * zi;
        bool escaped;
        float test;
        if (Lagged) {
            test = static_cast<float>(sr + si);
            escaped = FloatBits(test) >= setup.bailoutBits;
        } else if (Variant == 1) {
            test = static_cast<float>(sr + si);
            escaped = FloatBits(test) > setup.bailoutBits;
        } else {
            test = static_cast<float>(sr + sr);
            escaped = FloatBits(test) >= setup.bailoutBits;
        }
        if (escaped)
            return {ToStoredCount(setup.iterMax - r + 1), static_cast<float>(sr),
                    static_cast<float>(si), test};
        const long double cross = zr * zi;
        zi = cross + cross + ci;
        zr = sr - si + cr;
        --r;
        // A bounded orbit that entered this phase with r <= 0 would never end:
        // it is stored as inside after 64 further steps.
        if (r == 0 || r == -64) {
            if (Variant == 1 && !Lagged)
                return {0, static_cast<float>(zi), static_cast<float>(zr), test};
            return {0, static_cast<float>(zr), static_cast<float>(zi), test};
        }
    }
}

// Single steps with each variant's own escape test, compared in extended
// with float32(Bailout); variant 5 steps with zi*p in place of zi^2.
template <int Variant>
PixelResult FamilyBSlowPhase(const PixelSetup& setup, long double zr, long double zi,
                             long double cr, long double ci, int64_t i)
{
    const long double bailout = std::bit_cast<float>(setup.bailoutBits);
    long double lastProduct = 0;
    while (i <= setup.iterMax) {
        const long double sr = zr * zr;
        const long double p = zr * zi;
        const long double q = Variant == 5 ? zi * p : zi * zi;
        long double t;
        if (Variant == 3)
            t = sr + p;
        else if (Variant == 4)
            t = sr + q;
        else
            t = q + p;
        if (t > bailout)
            return {ToStoredCount(i + 5), static_cast<float>(Variant == 5 ? p : sr),
                    static_cast<float>(q), 0};
        lastProduct = p;
        zr = sr - q + cr;
        zi = p + p + ci;
        ++i;
    }
    return {0, static_cast<float>(Variant == 5 ? lastProduct : zr), static_cast<float>(zi), 0};
}

// The lane loop's four steps of a block, with its association.
void RunBlock(long double& zr, long double& zi, long double cr, long double ci)
{
    for (int step = 0; step < 4; ++step) {
        const long double sr = zr * zr;
        const long double si = zi * zi;
        const long double cross = zr * zi;
        zi = cross + cross + ci;
        zr = sr - si + cr;
    }
}

template <int Variant, bool Lagged>
PixelResult SlowPhase(const PixelSetup& setup, long double zr, long double zi, long double cr, long double ci,
                      int64_t counter)
{
    if constexpr (FastPhase<Variant, Lagged>::familyA)
        return FamilyASlowPhase<Variant, Lagged>(setup, zr, zi, cr, ci, counter);
    else
        return FamilyBSlowPhase<Variant>(setup, zr, zi, cr, ci, counter);
}

// With a trap limit (where nothing reads inside pixels' final values),
// pixels proven to settle on an attracting cycle end as inside at once.
// Traps are looked for after 32, 128, 512, ... blocks: a pixel that settles
// is caught at most four times as late, one that does not pays a few checks
// in all.
class TrapChecks {
public:
    explicit TrapChecks(double limit) : limit_(limit) {}

    bool Due(int64_t done) const { return LooksForTraps() && done >= First && Next(done - 1) == done; }

    bool Trapped(long double zr, long double zi, long double cr, long double ci)
    {
        const bool trapped = TrappedByAttractingCycle(zr, zi, cr, ci, limit_);
        ++(trapped ? found_ : missed_);
        return trapped;
    }

    // Blocks until the next check, at most `left`.
    int64_t Until(int64_t done, int64_t left) const
    {
        return LooksForTraps() ? std::min(left, Next(done) - done) : left;
    }

private:
    static constexpr int64_t First = 32;
    static constexpr int Shift = 2;
    static int64_t Next(int64_t done)
    {
        int64_t check = First;
        while (check <= done)
            check <<= Shift;
        return check;
    }

    // Rows whose pixels linger without settling (near a cycle that does not
    // attract, or on one of a longer period) stop looking.
    bool LooksForTraps() const { return limit_ > 0 && missed_ < 16 + 4 * found_; }

    const double limit_;
    int64_t found_ = 0;
    int64_t missed_ = 0;
};

bool SameBits(long double a, long double b)
{
    return std::memcmp(&a, &b, 10) == 0;
}

bool SameBits(double a, double b)
{
    return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b);
}

uint64_t Mantissa(long double value)
{
    uint64_t mantissa;
    std::memcpy(&mantissa, &value, sizeof mantissa);
    return mantissa;
}

// Up to three pixels in the lane loop, each taken through its fast phase and
// then finished alone. A pixel whose fast-phase state comes round again bit for
// bit is periodic: Brent's method saves the state at power-of-two block
// counts (the loop itself does, from block 32 on: escaping pixels, most of a
// picture, rarely run this long), the loop flags a checkpoint whose mantissa
// matches the saved one, and a full match here skips whole periods up to the
// end of the budget.
constexpr int64_t FirstSave = 32;

template <int Variant, bool Lagged>
class PixelLanes {
public:
    using Phase = FastPhase<Variant, Lagged>;
    static constexpr int slots = BlockLaneCount;

    // The pixels in flight share a row.
    static constexpr int64_t window = 64;

    explicit PixelLanes(const PixelSetup& setup, double trapLimit = 0)
        : setup_(setup), blocks_(Phase::Blocks(setup.iterMax)), traps_(trapLimit)
    {
        lanes_.threshold = Phase::threshold;
        lanes_.lagged = Phase::lagged;
    }

    bool Free(int slot) const { return flight_[slot].pixel < 0; }
    bool Idle() const
    {
        return std::all_of(flight_.begin(), flight_.end(), [](const Flight& f) { return f.pixel < 0; });
    }

    // Whether a pixel of `group` may run beside the pixels in flight: the
    // lanes share ci, so a Mandelbrot pixel joins only pixels of its row.
    bool Accepts(int64_t group) const
    {
        return std::all_of(flight_.begin(), flight_.end(),
                           [group](const Flight& f) { return f.pixel < 0 || f.group == group; });
    }

    template <class Deliver>
    void Start(int slot, int64_t pixel, int64_t group, long double zr, long double zi,
               long double cr, long double ci, Deliver&& deliver)
    {
        if (blocks_ == 0) {
            deliver(pixel, Slow(zr, zi, cr, ci, Phase::Counter(setup_.iterMax, 0, false)));
            return;
        }
        flight_[slot] = Flight{pixel, group, ci};
        BlockLane& lane = lanes_.lane[slot];
        lane = BlockLane{};
        lane.zr = zr;
        lane.zi = zi;
        lane.cr = cr;
        lane.previous = Phase::firstPrevious;
        lane.saveLeft = FirstSave;
    }

    // Runs the loop until a lane needs attention and delivers the pixels
    // that finished.
    template <class Deliver>
    void Run(Deliver&& deliver)
    {
        int first = 0;
        while (Free(first))
            ++first;
        for (int slot = first; slot < slots; ++slot)
            if (!Free(slot))
                lanes_.lane[slot].blocksLeft = BlocksToNextStop(lanes_.lane[slot].done);
        // Free lanes run a copy of a pixel in flight, whose flags are ignored.
        for (int slot = 0; slot < slots; ++slot)
            if (Free(slot))
                lanes_.lane[slot] = lanes_.lane[first];
        lanes_.ci = flight_[first].ci;
        RunLaneBlocks(lanes_, Phase::width);
        for (int slot = first; slot < slots; ++slot)
            if (!Free(slot))
                Advance(slot, deliver);
    }

private:
    struct Flight {
        int64_t pixel = -1;
        int64_t group = 0;
        long double ci = 0;
    };

    PixelResult Slow(long double zr, long double zi, long double cr, long double ci, int64_t counter) const
    {
        return SlowPhase<Variant, Lagged>(setup_, zr, zi, cr, ci, counter);
    }

    template <class Deliver>
    void Advance(int slot, Deliver&& deliver)
    {
        Flight& flight = flight_[slot];
        BlockLane& lane = lanes_.lane[slot];
        const bool escaped = lane.escaped != 0;
        // The loop stores the checkpoint in every other block; the start of
        // a block that did not store it is one block on from the stored one.
        const bool lastStored = lane.skipCheckpoint != 0;
        if (escaped || lane.done == blocks_) {
            long double re = lane.checkRe;
            long double im = lane.checkIm;
            if (!lastStored)
                RunBlock(re, im, lane.cr, flight.ci);
            const int64_t pixel = flight.pixel;
            flight.pixel = -1;
            deliver(pixel, Slow(re, im, lane.cr, flight.ci, Phase::Counter(setup_.iterMax, lane.done, escaped)));
            return;
        }
        if (traps_.Due(lane.done) && traps_.Trapped(lane.zr, lane.zi, lane.cr, flight.ci)) {
            const int64_t pixel = flight.pixel;
            flight.pixel = -1;
            deliver(pixel, PixelResult{0, 0, 0, 0});
            return;
        }
        // The state after a block is z and, for the lagged tests, the radius
        // just stored; equal states go on identically, so whole periods can
        // be skipped while at least one block is left to run.
        if (lane.marked && lane.savedAt > 0 && lane.done > lane.savedAt && SameBits(lane.zr, lane.savedRe) &&
            SameBits(lane.zi, lane.savedIm) && lane.radius == lane.savedRadius) {
            const int64_t period = lane.done - lane.savedAt;
            lane.done += (blocks_ - lane.done - 1) / period * period;
            lane.saveLeft = std::numeric_limits<int64_t>::max();
        }
        // A save the loop left (the block was marked) waits, as there, for a
        // block that stores its checkpoint: the mark is compared with those only.
        if (lane.saveLeft == 0 && !lastStored) {
            lane.saveLeft = 1;
        } else if (lane.saveLeft == 0) {
            lane.mark = Mantissa(lane.checkRe);
            lane.savedRe = lane.zr;
            lane.savedIm = lane.zi;
            lane.savedRadius = lane.radius;
            lane.savedAt = lane.done;
            lane.saveLeft = lane.done;
        }
    }

    int64_t BlocksToNextStop(int64_t done) const { return traps_.Until(done, blocks_ - done); }

    const PixelSetup setup_;
    const int64_t blocks_;
    TrapChecks traps_;
    LaneBlocks lanes_;
    std::array<Flight, slots> flight_{};
};

// PixelLanes' interface for fast frames: the fast phase in vector lanes of
// doubles, from the pixel's coordinates rounded to double, then the slow
// phase in long double from the start of the last block, with the pixel's
// own coordinates. A pixel whose rounding bound comes near |z| (a long
// chaotic orbit, where double's digits run out before the extended kernels'
// would) starts again in the x87 lanes, so the counts agree with theirs.
template <int Variant, bool Lagged>
class DoublePixelLanes {
public:
    using Phase = FastPhase<Variant, Lagged>;
    static constexpr int slots = DoubleLaneCount;
    // Sixteen pixels of different lengths in flight: a short window would
    // leave lanes idle behind one long pixel.
    static constexpr int64_t window = 1024;

    DoublePixelLanes(const PixelSetup& setup, double trapLimit)
        : setup_(setup), blocks_(Phase::Blocks(setup.iterMax)), traps_(trapLimit), exact_(setup, trapLimit)
    {
        lanes_.threshold = Phase::familyA ? 4.0 - 0x1p-23 : std::nextafter(4.0, 5.0);
        lanes_.lagged = Phase::lagged;
        lanes_.share = DoubtfulShare;
        lanes_.escapeShare = EscapeDoubtfulShare;
        std::fill(std::begin(lanes_.blocksLeft), std::end(lanes_.blocksLeft), std::numeric_limits<int64_t>::max());
        std::fill(std::begin(lanes_.savedRe), std::end(lanes_.savedRe), NoSave);
        std::fill(std::begin(lanes_.bound), std::end(lanes_.bound), IdleBound);
    }

    bool Free(int slot) const { return flight_[slot].pixel.index < 0; }
    bool Idle() const
    {
        return restarts_.empty() && exact_.Idle() &&
               std::all_of(flight_.begin(), flight_.end(), [](const Flight& f) { return f.pixel.index < 0; });
    }
    bool Accepts(int64_t) const { return true; }

    template <class Deliver>
    void Start(int slot, int64_t pixel, int64_t group, long double zr, long double zi, long double cr,
               long double ci, Deliver&& deliver)
    {
        if (blocks_ == 0) {
            deliver(pixel, SlowPhase<Variant, Lagged>(setup_, zr, zi, cr, ci, Phase::Counter(setup_.iterMax, 0, false)));
            return;
        }
        if (restarted_ >= MostRestarts && restarted_ > 4 * finished_) {
            restarts_.push_back(Pixel{pixel, group, zr, zi, cr, ci});
            return;
        }
        flight_[slot] = Flight{{pixel, group, zr, zi, cr, ci}, 0, 0, 0, 0, FirstSave};
        lanes_.zr[slot] = static_cast<double>(zr);
        lanes_.zi[slot] = static_cast<double>(zi);
        lanes_.cr[slot] = static_cast<double>(cr);
        lanes_.ci[slot] = static_cast<double>(ci);
        lanes_.radius[slot] = 2.0;  // what the first lagged test looks at
        lanes_.bound[slot] = 0x1p-52 * (std::fabs(lanes_.zr[slot]) + std::fabs(lanes_.zi[slot]) +
                                        std::fabs(lanes_.cr[slot]) + std::fabs(lanes_.ci[slot]));
        lanes_.savedRe[slot] = NoSave;
        lanes_.blocksLeft[slot] = BlocksToNextStop(flight_[slot]);
        ++flying_;
    }

    template <class Deliver>
    void Run(Deliver&& deliver)
    {
        RunRestarts(deliver);
        if (flying_ == 0)
            return;
        RunDoubleLaneBlocks(lanes_);
        for (int slot = 0; slot < slots; ++slot) {
            if (Free(slot))
                continue;
            Flight& flight = flight_[slot];
            flight.done += lanes_.blocksRun;
            if (lanes_.attention[slot] != 0) {
                Advance(slot, deliver);
            } else if (flight.done >= flight.nextSave) {
                Save(slot);
                lanes_.blocksLeft[slot] = BlocksToNextStop(flight);
            }
        }
    }

private:
    // A pixel as it started.
    struct Pixel {
        int64_t index = -1;
        int64_t group = 0;
        long double zr = 0, zi = 0, cr = 0, ci = 0;
    };
    struct Flight {
        Pixel pixel;
        int64_t done = 0;
        // Brent's saved state but its zr, which the lanes compare.
        double savedIm = 0;
        double savedRadius = 0;
        int64_t savedAt = 0;
        int64_t nextSave = 0;
    };

    // Where the bound reaches |z| itself, double's digits no longer tell
    // where the orbit is. Views measured kept at least 99.98 % of the
    // extended kernels' counts so, against 86-99.9 % without the bound.
    static constexpr double DoubtfulShare = 1;

    // An escaping pixel's count is decided by how near its radius comes to
    // the bailout, in the slow phase from its last block's start: that
    // start must be far more certain. The block's own growth does not count
    // (the slow phase does not carry it): judged by it, nearly twice as many
    // pixels started again.
    static constexpr double EscapeDoubtfulShare = 0x1p-8;

    // At z = 0 any bound would pass 0 = |z|: a NaN one compares false.
    static constexpr double IdleBound = std::numeric_limits<double>::quiet_NaN();

    // A band whose pixels start again four times in five (long orbits deep
    // down) sends the rest to the x87 lanes at once: they would only start again.
    static constexpr int64_t MostRestarts = 16;

    // The x87 lanes take pixels of one group at a time, oldest first. They
    // run only with every lane busy, or when the band cannot keep the
    // vector lanes busy (its end, or the reorder window waiting on these
    // pixels): a lane without a pixel of its own costs as much as one with.
    template <class Deliver>
    void RunRestarts(Deliver&& deliver)
    {
        using Exact = PixelLanes<Variant, Lagged>;
        bool full = true;
        for (int slot = 0; slot < Exact::slots; ++slot) {
            if (!exact_.Free(slot))
                continue;
            const auto next = std::find_if(restarts_.begin(), restarts_.end(),
                                           [&](const Pixel& pixel) { return exact_.Accepts(pixel.group); });
            if (next == restarts_.end()) {
                full = false;
                break;
            }
            exact_.Start(slot, next->index, next->group, next->zr, next->zi, next->cr, next->ci, deliver);
            restarts_.erase(next);
        }
        const bool starved = flying_ < slots;
        if (!exact_.Idle() && (full || starved))
            exact_.Run(deliver);
    }

    template <class Deliver>
    void Advance(int slot, Deliver&& deliver)
    {
        Flight& flight = flight_[slot];
        const bool escaped = lanes_.escaped[slot] != 0;
        const auto finish = [&](const PixelResult& result) {
            const int64_t pixel = flight.pixel.index;
            ++finished_;
            Release(slot);
            deliver(pixel, result);
        };
        if (lanes_.doubtful[slot] != 0) {
            ++restarted_;
            restarts_.push_back(flight.pixel);
            Release(slot);
            return;
        }
        if (escaped || flight.done == blocks_) {
            finish(SlowPhase<Variant, Lagged>(setup_, lanes_.checkRe[slot], lanes_.checkIm[slot], flight.pixel.cr,
                                              flight.pixel.ci, Phase::Counter(setup_.iterMax, flight.done, escaped)));
            return;
        }
        if (traps_.Due(flight.done) &&
            traps_.Trapped(lanes_.zr[slot], lanes_.zi[slot], flight.pixel.cr, flight.pixel.ci)) {
            finish(PixelResult{0, 0, 0, 0});
            return;
        }
        // Equal states go on identically: whole periods are skipped while
        // at least one block is left to run.
        if (lanes_.matched[slot] != 0 && SameBits(lanes_.zi[slot], flight.savedIm) &&
            SameBits(lanes_.radius[slot], flight.savedRadius)) {
            const int64_t period = flight.done - flight.savedAt;
            flight.done += (blocks_ - flight.done - 1) / period * period;
            lanes_.savedRe[slot] = NoSave;
            flight.nextSave = std::numeric_limits<int64_t>::max();
        } else if (flight.done >= flight.nextSave) {
            Save(slot);
        }
        lanes_.blocksLeft[slot] = BlocksToNextStop(flight);
    }

    // Brent's saves wait for the lane's next stop after their block count
    // (the other lanes stop the loop every few blocks), and stop it
    // themselves only at twice that count.
    void Save(int slot)
    {
        Flight& flight = flight_[slot];
        lanes_.savedRe[slot] = lanes_.zr[slot];
        flight.savedIm = lanes_.zi[slot];
        flight.savedRadius = lanes_.radius[slot];
        flight.savedAt = flight.done;
        flight.nextSave = 2 * flight.done;
    }

    int64_t BlocksToNextStop(const Flight& flight) const
    {
        const int64_t saveDue = flight.nextSave < std::numeric_limits<int64_t>::max() / 2
                                    ? 2 * flight.nextSave - flight.done
                                    : std::numeric_limits<int64_t>::max();
        return std::min(traps_.Until(flight.done, blocks_ - flight.done), saveDue);
    }

    // A free lane stays at 0 for ever, and never stops the others.
    void Release(int slot)
    {
        flight_[slot].pixel.index = -1;
        lanes_.zr[slot] = lanes_.zi[slot] = lanes_.cr[slot] = lanes_.ci[slot] = 0;
        lanes_.bound[slot] = IdleBound;
        lanes_.savedRe[slot] = NoSave;
        lanes_.blocksLeft[slot] = std::numeric_limits<int64_t>::max();
        --flying_;
    }

    const PixelSetup setup_;
    const int64_t blocks_;
    TrapChecks traps_;
    int32_t flying_ = 0;
    int64_t finished_ = 0;
    int64_t restarted_ = 0;
    DoubleLaneBlocks lanes_;
    std::array<Flight, slots> flight_{};
    PixelLanes<Variant, Lagged> exact_;
    std::vector<Pixel> restarts_;
};

template <int Variant, bool Lagged>
PixelResult OnePixel(const PixelSetup& setup, long double zr, long double zi, long double cr,
                     long double ci)
{
    PixelLanes<Variant, Lagged> lanes(setup);
    PixelResult result{};
    bool finished = false;
    const auto deliver = [&](int64_t, const PixelResult& pixel) {
        result = pixel;
        finished = true;
    };
    lanes.Start(0, 0, 0, zr, zi, cr, ci, deliver);
    while (!finished)
        lanes.Run(deliver);
    return result;
}

// Pixels finish out of order; they are stored in band order so that a stop
// request leaves exactly the pixels before it computed. A pixel may start at
// most the lanes' window ahead of the first one not yet stored.
template <int Variant, class Lanes>
void RunBand(const WorkerRecord& rec, RelaxedAtomic<int32_t>* rowsDone, const uint8_t* escapeFree, double trapLimit)
{
    constexpr int64_t ReorderWindow = Lanes::window;
    constexpr bool familyA = Variant <= 2;
    const PixelSetup setup = MakePixelSetup(rec.IterMax, rec.Bailout);
    const bool mandelbrot = rec.IsMandelbrot != 0;
    const int64_t width = std::max<int32_t>(rec.Width, 0);
    const int64_t rows = std::max<int64_t>(static_cast<int64_t>(rec.LastRow) - rec.FirstRow + 1, 0);
    const auto rowDone = [&](int64_t row) {
        if (rowsDone)
            rowsDone->fetch_add(1);
        if (familyA && (rec.FirstRow + row) % 8 == 0)
            SleepMilliseconds(0);
    };
    if (width == 0) {
        for (int64_t row = 0; row < rows; ++row)
            rowDone(row);
        return;
    }

    std::array<PixelResult, ReorderWindow> pending{};
    std::array<bool, ReorderWindow> ready{};
    int64_t stored = 0;
    bool stopped = false;
    const auto deliver = [&](int64_t pixel, const PixelResult& result) {
        pending[pixel % ReorderWindow] = result;
        ready[pixel % ReorderWindow] = true;
    };
    // Stores the finished pixels in order. Every variant stops at the next
    // pixel: a stopped frame is shown with what was computed.
    const auto store = [&] {
        while (!stopped && ready[stored % ReorderWindow]) {
            ready[stored % ReorderWindow] = false;
            const PixelResult& result = pending[stored % ReorderWindow];
            rec.IterOut[stored] = result.escape;
            rec.ZReOut[stored] = result.a;
            rec.ZImOut[stored] = result.b;
            ++stored;
            if (State.StopRequest.load() == 1) {
                if (familyA)
                    SleepMilliseconds(10);
                stopped = true;
                return;
            }
            if (stored % width == 0)
                rowDone(stored / width - 1);
        }
    };

    Lanes lanes(setup, trapLimit);
    const int64_t total = width * rows;
    int64_t next = 0;
    long double x = rec.Re0;
    long double y = rec.Im0;
    while (!stopped) {
        for (int slot = 0; slot < Lanes::slots; ++slot) {
            while (lanes.Free(slot) && next < total && next - stored < ReorderWindow &&
                   lanes.Accepts(mandelbrot ? next / width : 0)) {
                if (escapeFree && escapeFree[next])
                    deliver(next, PixelResult{0, 0, 0, 0});
                else
                    lanes.Start(slot, next, mandelbrot ? next / width : 0, x, y, mandelbrot ? x : rec.JuliaRe,
                                mandelbrot ? y : rec.JuliaIm, deliver);
                ++next;
                x += rec.StepRe;
                if (next % width == 0) {
                    x = rec.Re0;
                    y += rec.StepIm;
                }
            }
        }
        if (lanes.Idle() && next == total)
            break;
        if (!lanes.Idle())
            lanes.Run(deliver);
        store();
    }
    store();
}

}  // namespace

PixelSetup MakePixelSetup(int32_t iterMax, double bailout)
{
    return {iterMax, FloatBits(static_cast<float>(bailout))};
}

PixelResult IteratePixel(ProgressiveLoop loop, const PixelSetup& setup, long double zr,
                         long double zi, long double cr, long double ci)
{
    switch (loop) {
    case ProgressiveLoop::Variant2:
        return OnePixel<2, false>(setup, zr, zi, cr, ci);
    case ProgressiveLoop::LaggedVariant2:
        return OnePixel<2, true>(setup, zr, zi, cr, ci);
    case ProgressiveLoop::Variant1:
        break;
    }
    return OnePixel<1, false>(setup, zr, zi, cr, ci);
}

void IterateKernelPixel(int32_t variant, const PixelSetup& setup, long double zr, long double zi,
                        long double cr, long double ci, int32_t* iterOut, float* aOut, float* bOut)
{
    PixelResult result;
    switch (variant) {
    case 2: result = OnePixel<2, false>(setup, zr, zi, cr, ci); break;
    case 3: result = OnePixel<3, false>(setup, zr, zi, cr, ci); break;
    case 4: result = OnePixel<4, false>(setup, zr, zi, cr, ci); break;
    case 5: result = OnePixel<5, false>(setup, zr, zi, cr, ci); break;
    default: result = OnePixel<1, false>(setup, zr, zi, cr, ci); break;
    }
    *iterOut = result.escape;
    *aOut = result.a;
    *bOut = result.b;
}

template <int Variant>
void RunBandIn(ExtendedLanes lanes, const WorkerRecord& record, RelaxedAtomic<int32_t>* rowsDone,
               const uint8_t* escapeFree, double trapLimit)
{
    if (lanes == ExtendedLanes::Double)
        RunBand<Variant, DoublePixelLanes<Variant, false>>(record, rowsDone, escapeFree, trapLimit);
    else
        RunBand<Variant, PixelLanes<Variant, false>>(record, rowsDone, escapeFree, trapLimit);
}

void RunExtendedKernel(int32_t variant, const WorkerRecord& record, RelaxedAtomic<int32_t>* rowsDone,
                       const uint8_t* escapeFree, double trapLimit, ExtendedLanes lanes)
{
    const WorkerRecord copy = record;
    switch (variant) {
    case 2: RunBandIn<2>(lanes, copy, rowsDone, escapeFree, trapLimit); break;
    case 3: RunBandIn<3>(lanes, copy, rowsDone, escapeFree, trapLimit); break;
    case 4: RunBandIn<4>(lanes, copy, rowsDone, escapeFree, trapLimit); break;
    case 5: RunBandIn<5>(lanes, copy, rowsDone, escapeFree, trapLimit); break;
    default: RunBandIn<1>(lanes, copy, rowsDone, escapeFree, trapLimit); break;
    }
}

