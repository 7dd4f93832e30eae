#include <QTemporaryDir>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <memory>
#include <type_traits>

#include "color/display.h"
#include "color/palette_generation.h"
#include "engine/big_view.h"
#include "engine/view_texts.h"
#include "files/parameter_file.h"
#include "test_support.h"

namespace {

std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

template <typename T>
constexpr size_t FileWidth = std::is_same_v<T, long double> ? 10 : sizeof(T);

template <typename T>
T At(const std::vector<uint8_t>& bytes, size_t offset)
{
    T value{};
    std::memcpy(&value, bytes.data() + offset, FileWidth<T>);
    return value;
}

template <typename T>
std::vector<uint8_t> Patched(std::vector<uint8_t> bytes, size_t offset, T value)
{
    std::memcpy(bytes.data() + offset, &value, FileWidth<T>);
    return bytes;
}

void SetBig(BigFloat& value, const std::string& text) { ASSERT_EQ(mpf_set_str(value, text.c_str(), 10), 0); }

// A deep view at `bits` whose steps have the decimal exponent `exponent`, so
// that loading keeps deep zoom on at the same precision; it stores a negative
// and a zero value.
void UseDeepView(bool mandelbrot, int32_t bits, int exponent)
{
    State.PrecisionBits = bits;
    ClearBigFloats();
    InitBigFloats();
    State.AppliedPrecisionBits = bits;
    State.FractalFlags = mandelbrot ? 5 : 6;
    State.DeepZoom = 1;
    BigFloat& minRe = mandelbrot ? BigRealmin : BigJuliaRealmin;
    BigFloat& maxRe = mandelbrot ? BigRealmax : BigJuliaRealmax;
    BigFloat& minIm = mandelbrot ? BigImagmin : BigJuliaImagmin;
    BigFloat& maxIm = mandelbrot ? BigImagmax : BigJuliaImagmax;
    BigFloat& stepRe = mandelbrot ? BigStepRe : BigJuliaStepRe;
    BigFloat& stepIm = mandelbrot ? BigStepIm : BigJuliaStepIm;
    SetBig(minRe, "-0.743643887037158704752191506114774712345678901234567890123");
    SetBig(minIm, mandelbrot ? "0" : "0.1318259042053119704931320563851391234567890123456789");
    SetBig(stepRe, "1.2345678901234567890123456789012345678901234567890e" + std::to_string(exponent));
    mpf_set(stepIm, stepRe);
    mpf_mul_ui(maxRe, stepRe, 640);
    mpf_add(maxRe, maxRe, minRe);
    mpf_mul_ui(maxIm, stepIm, 480);
    mpf_add(maxIm, maxIm, minIm);
    SetBig(BigJuliaRe, "-0.7746806106269039791231951234567890123456789");
    SetBig(BigJuliaIm, "0");
}

void UseStoredFields()
{
    State.IterMax = 54321;
    State.Bailout = 7.25;
    State.PotValue = 0.00037;
    State.ColorOptions = 3 | (1 << 7);  // a stale "Exp 2" bit that the writers must clear
    State.PaletteHSL = 1;
    State.PaletteExp3 = 1;
    State.PaletteGen = {12.5f, 200, 3, 0.75f, 1.25f, 2, 250, 180.5f, 90};
    State.PaletteOffset = -1234;
}

// Everything a load may change, to prove that a refused one changed nothing.
struct Snapshot {
    std::vector<double> numbers;
    std::vector<long double> extended;
    std::vector<std::string> texts;
    std::vector<uint32_t> palette;
    bool operator==(const Snapshot&) const = default;
};

Snapshot TakeSnapshot(const HeadlessPlatform& platform)
{
    const FractalState& s = State;
    const ViewTexts& t = Texts;
    Snapshot shot;
    shot.numbers = {double(s.FractalFlags), double(s.IterMax), double(s.ColorOptions), double(s.DeepZoom),
                    double(s.PrecisionBits), double(s.AppliedPrecisionBits), double(s.DeepLimit),
                    double(s.PaletteOffset), double(s.PaletteHSL), double(s.PaletteInverse),
                    double(s.PaletteReverse), double(s.PaletteExp2), double(s.PaletteExp3), double(s.FrameValid),
                    double(s.PictureLocked), double(s.JuliaViewSet), double(s.MultiThreaded),
                    double(s.AutoPotValue), double(platform.titles.size()), double(platform.pictureTitles.size()),
                    s.Bailout, s.PotValue};
    shot.numbers.insert(shot.numbers.end(), s.PaletteGen.begin(), s.PaletteGen.end());
    shot.extended = {s.Realmin, s.Realmax, s.StepRe, s.Imagmin, s.Imagmax, s.StepIm, s.RealCenter, s.ImagCenter,
                     s.Magnification, s.JuliaRealmin, s.JuliaImagmin, s.JuliaRealmax, s.JuliaImagmax, s.JuliaRe,
                     s.JuliaIm, s.JuliaStepIm, s.JuliaStepRe};
    shot.texts = {s.ParamFileName, s.TitleFileName, t.RealminText, t.RealmaxText, t.StepReText, t.ImagminText,
                  t.ImagmaxText, t.StepImText, t.RealCenterText, t.ImagCenterText, t.MagnificationText,
                  t.JuliaRealminText, t.JuliaImagminText, t.JuliaRealmaxText, t.JuliaImagmaxText, t.JuliaReText,
                  t.JuliaImText, t.JuliaStepImText, t.JuliaStepReText};
    for (const BigFloat* big : {&BigRealmin, &BigRealmax, &BigStepRe, &BigImagmin, &BigImagmax, &BigStepIm,
                                &BigRealCenter, &BigImagCenter, &BigMagnification, &BigJuliaRealmin,
                                &BigJuliaImagmin, &BigJuliaRealmax, &BigJuliaImagmax, &BigJuliaRe, &BigJuliaIm,
                                &BigJuliaStepIm, &BigJuliaStepRe})
        shot.texts.push_back(BigFloatText(*big, nullptr) + "/" + std::to_string(mpf_get_prec(big->get())));
    shot.palette.assign(Palette.begin(), Palette.end());
    return shot;
}

// Recognisable view values, exact in every format.
constexpr long double ViewValue(size_t k) { return -1.5L + 0.375L * static_cast<long double>(k); }

// One hand-made legacy file, fields in the order of its layout.
struct LegacyCase {
    int layout;  // 1..4
    uint8_t tag;
    int32_t flags;
    int32_t colorOptions;
    bool palette;
    bool intPalette;
    bool offset;
    size_t size;
};

std::vector<uint8_t> LegacyFile(const LegacyCase& c, double bailout = 3)
{
    ByteWriter w;
    if (c.layout == 1) {
        w.Byte(static_cast<uint8_t>(c.flags));
    } else {
        w.Byte(c.tag);
        w.Int32(c.flags);
    }
    if (c.layout >= 3)
        w.Int32(c.colorOptions);
    if (c.layout == 4)
        w.Extended(0x1p-10L);
    for (size_t k = 0; k < static_cast<size_t>(ViewValueCount(c.flags)); ++k)
        w.Extended(ViewValue(k));
    w.Int32(777);
    w.Extended(bailout);
    for (int32_t k = 0; c.palette && k < 9; ++k)
        c.intPalette ? w.Int32(10 * k + 1) : w.Float32(10.5f * static_cast<float>(k) + 1);
    if (c.offset)
        w.Int32(77);
    return w.bytes();
}

// A '2' file of the current kind's Texts.
std::vector<uint8_t> TextLayoutFile(int32_t deepZoom, int32_t bits, double bailout, size_t extra = 0)
{
    ByteWriter w;
    w.Byte('2');
    w.Int32(State.FractalFlags);
    w.Int32(deepZoom);
    w.Int32(0x0C0 | 4);
    w.Float64(0);
    EXPECT_TRUE(WriteViewTextFields(w));
    w.Int32(4321);
    w.Float64(bailout);
    for (int k = 0; k < 9; ++k)
        w.Float32(static_cast<float>(k));
    w.Int32(5);
    w.Int32(bits);
    std::vector<uint8_t> bytes = w.bytes();
    bytes.resize(bytes.size() + extra, 0xEE);
    return bytes;
}

// The big-float records of a '7' file, read field by field from its bytes.
std::vector<LimbRecord> StoredLimbRecords(const std::vector<uint8_t>& bytes)
{
    const size_t count = static_cast<size_t>(ViewValueCount(At<int32_t>(bytes, 1)));
    std::vector<LimbRecord> records(count);
    size_t at = DeepFixedFieldsSize + BigFloatHeaderSize * count;
    for (size_t k = 0; k < count; ++k) {
        const size_t head = DeepFixedFieldsSize + BigFloatHeaderSize * k;
        LimbRecord& record = records[k];
        record.precisionLimbs = At<int32_t>(bytes, head);
        record.signedCount = At<int32_t>(bytes, head + 4);
        record.exponent = At<int32_t>(bytes, head + 8);
        for (int32_t i = 0; i < std::abs(record.signedCount) && at + 4 <= bytes.size(); ++i, at += 4)
            record.limbs.push_back(At<uint32_t>(bytes, at));
    }
    EXPECT_EQ(at, bytes.size());
    return records;
}

class ParameterFileTest : public FreshStateTest {
protected:
    QTemporaryDir folder;

    void SetUp() override
    {
        FreshStateTest::SetUp();
        ASSERT_TRUE(folder.isValid());
        FrameImage = FrameImageBuffer{};
    }
    std::string PathOf(const std::string& name) const
    {
        return folder.filePath(QString::fromStdString(name)).toStdString();
    }
    void Fresh()
    {
        InitialiseStateDefaults(1280, 1024, 2);
        platform.messages.clear();
    }
};

TEST_F(ParameterFileTest, SavedFilesLoadBackBitForBitWhateverTheirName)
{
    struct Case {
        bool deep;
        bool mandelbrot;
        int32_t bits;
        int exponent;
    };
    const Case cases[] = {{false, true, 0, 0},    {false, false, 0, 0},   {true, true, 96, -20},
                          {true, false, 96, -15}, {true, true, 176, -46}, {true, false, 176, -40}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.bits) + (c.mandelbrot ? " Mandelbrot" : " Julia"));
        Fresh();
        UseStoredFields();
        if (c.deep) {
            UseDeepView(c.mandelbrot, c.bits, c.exponent);
        } else {
            State.FractalFlags = c.mandelbrot ? 5 : 6;
            long double* view[] = {&State.Realmin, &State.Realmax, &State.StepRe, &State.Imagmin, &State.Imagmax,
                                   &State.StepIm, &State.JuliaRe, &State.JuliaIm, &State.JuliaRealmin,
                                   &State.JuliaRealmax, &State.JuliaImagmin, &State.JuliaImagmax,
                                   &State.JuliaStepRe, &State.JuliaStepIm};
            for (size_t k = 0; k < std::size(view); ++k)
                *view[k] = (k % 2 ? -1.0L : 1.0L) / (3.0L + static_cast<long double>(k));  // all 64 bits in use
        }
        // The name plays no part: '7' as .fra, '+' as .fdz.
        const std::string first = PathOf(c.deep ? "saved.fra" : "saved.fdz");
        ASSERT_TRUE(SaveParameterFile(first));
        const std::vector<uint8_t> bytes = ReadBytes(first);
        ASSERT_GT(bytes.size(), 100u);
        EXPECT_EQ(bytes[0], c.deep ? '7' : '+');
        EXPECT_EQ(At<int32_t>(bytes, c.deep ? 9 : 5), 3 | 16 | 256);
        if (c.deep) {
            size_t limbs = 0;
            for (size_t k = 0; k < static_cast<size_t>(ViewValueCount(State.FractalFlags)); ++k)
                limbs += static_cast<size_t>(std::abs(At<int32_t>(bytes, 77 + 16 * k + 4)));
            EXPECT_EQ(bytes.size(), (c.mandelbrot ? 173 : 205) + 4 * limbs);
            EXPECT_EQ(At<int32_t>(bytes, 73), c.bits);
            EXPECT_LT(At<int32_t>(bytes, 77 + 4), 0);                              // Realmin
            EXPECT_EQ(At<int32_t>(bytes, 77 + 16 * (c.mandelbrot ? 3 : 5) + 4), 0);  // Imagmin, JuliaIm
        } else {
            EXPECT_EQ(bytes.size(), c.mandelbrot ? 133u : 153u);
        }

        Fresh();
        ASSERT_EQ(LoadParameterFile(first), 1);
        EXPECT_TRUE(platform.messages.empty());
        EXPECT_EQ(State.LoadedIterMaxHeld, 1);
        EXPECT_EQ(State.DeepZoom, c.deep ? 1 : 0);
        EXPECT_EQ(State.ParamFileName, first);
        EXPECT_EQ(platform.titles.back(), "QUORVATIX - " + first);
        if (c.deep) {
            EXPECT_EQ(State.DeepLimit, c.exponent);
            EXPECT_EQ(platform.pictureTitles.back(), "QUORVATIX (Deeplimit:" + std::to_string(c.exponent) + ")");
        }
        ASSERT_TRUE(SaveParameterFile(PathOf("again")));
        EXPECT_EQ(ReadBytes(PathOf("again")), bytes);
    }
}

TEST_F(ParameterFileTest, PlusFileOfDeepViewHoldsThatViewAndLeavesStateAlone)
{
    UseDeepView(true, 176, -46);
    const Snapshot before = TakeSnapshot(platform);
    ASSERT_TRUE(SaveFraFile(PathOf("x.fra")));
    EXPECT_TRUE(TakeSnapshot(platform) == before);
    const std::vector<uint8_t> bytes = ReadBytes(PathOf("x.fra"));
    ASSERT_EQ(bytes.size(), 133u);
    const auto expectNear = [](long double actual, const char* text) {
        const long double expected = std::strtold(text, nullptr);
        EXPECT_LE(std::fabs(actual - expected), std::fabs(expected) * 0x1p-63L) << text;
    };
    expectNear(At<long double>(bytes, 19), "-0.743643887037158704752191506114774712345678901234567890123");
    expectNear(At<long double>(bytes, 39), "1.2345678901234567890123456789012345678901234567890e-46");
    EXPECT_EQ(At<long double>(bytes, 49), 0);  // Imagmin
}

TEST_F(ParameterFileTest, WritersReplaceLongerFilesAndWriteThumbnailBeside)
{
    FrameImage.width = 32;
    FrameImage.height = 24;
    FrameImage.pixels.assign(32 * 24, 0x336699);
    WriteBytes(PathOf("a.fra"), std::vector<uint8_t>(1000, 1));
    ASSERT_TRUE(SaveFraFile(PathOf("a.fra")));
    EXPECT_EQ(ReadBytes(PathOf("a.fra")).size(), 133u);
    EXPECT_TRUE(std::filesystem::exists(PathOf("a.fra.jpg")));
    UseDeepView(true, 96, -20);
    ASSERT_TRUE(SaveFdzFile(PathOf("a.fdz")));
    EXPECT_TRUE(std::filesystem::exists(PathOf("a.fdz.jpg")));
    EXPECT_FALSE(SaveFdzFile(PathOf("missing/b.fdz")));
    EXPECT_FALSE(std::filesystem::exists(PathOf("missing/b.fdz.jpg")));
}

TEST_F(ParameterFileTest, EveryLegacySizeLoadsWithItsCorrections)
{
    const LegacyCase cases[] = {
        {1, 0, 1 | 4 | 64, 0, false, true, false, 75},   {1, 0, 2 | 8, 0, false, true, false, 95},
        {1, 0, 1 | 4, 0, true, true, false, 111},        {1, 0, 2 | 8 | 64, 0, true, true, false, 131},
        {2, 'q', 1 | 4 | 64, 0, true, true, false, 115}, {2, 'q', 2 | 8, 0, true, true, false, 135},
        {3, 30, 1 | 4, 0x1F4, true, true, false, 119},   {3, 'x', 2 | 8, 0x1F4, true, false, false, 139},
        {4, 'x', 1 | 4, 0x1F4, true, false, false, 129}, {4, 'x', 2 | 8, 0x1F4, true, false, false, 149},
        {4, '+', 1 | 4, 0x0A4, true, false, true, 133},  {4, '+', 2 | 8, 0x0A4, true, false, true, 153},
        {4, 'x', 1 | 4, 0x1F4, true, false, true, 133},  // 133 bytes not tagged "+": no offset
    };
    for (const LegacyCase& c : cases) {
        SCOPED_TRACE("L" + std::to_string(c.layout) + " of " + std::to_string(c.size) + " bytes");
        Fresh();
        State.PaletteOffset = 99;
        State.PaletteReverse = 1;
        State.DeepZoom = 1;
        const std::vector<uint8_t> bytes = LegacyFile(c);
        ASSERT_EQ(bytes.size(), c.size);
        WriteBytes(PathOf("old.fdz"), bytes);
        ASSERT_EQ(LoadParameterFile(PathOf("old.fdz")), 1);

        // L1 and L2 kept "Inside color" in flag bit 6.
        EXPECT_EQ(State.FractalFlags, c.flags & ~64);
        EXPECT_EQ(State.ColorOptions, c.colorOptions | (c.layout <= 2 && (c.flags & 64) ? 1 : 0));
        const int32_t switches = State.PaletteHSL + State.PaletteInverse + State.PaletteReverse + State.PaletteExp2
                                 + State.PaletteExp3;
        EXPECT_EQ(switches, c.layout < 4 ? 0 : (c.colorOptions == 0x1F4 ? 5 : 2));
        EXPECT_EQ(State.PotValue, c.layout == 4 ? 0x1p-10 : 0.0001);
        EXPECT_EQ(State.PaletteOffset, c.offset && c.tag == '+' ? 77 : 0);
        EXPECT_EQ(State.IterMax, 777);
        if (!c.palette)
            EXPECT_EQ(State.PaletteGen, (std::array<float, 9>{218, 64, 74, 5, 3, 4, 255, 169, 194}));
        else
            EXPECT_EQ(State.PaletteGen[4], c.intPalette ? 41.0f : 43.0f);
        const long double* mandelbrotView[] = {&State.Realmin, &State.Realmax, &State.StepRe,
                                               &State.Imagmin, &State.Imagmax, &State.StepIm};
        const long double* juliaView[] = {&State.JuliaRealmin, &State.JuliaImagmin, &State.JuliaRealmax,
                                          &State.JuliaImagmax, &State.JuliaRe, &State.JuliaIm,
                                          &State.JuliaStepIm, &State.JuliaStepRe};
        const bool mandelbrot = IsMandelbrot(c.flags);
        for (size_t k = 0; k < (mandelbrot ? 6u : 8u); ++k)
            EXPECT_EQ(*(mandelbrot ? mandelbrotView : juliaView)[k], ViewValue(k)) << k;
        EXPECT_EQ(mpf_get_d(mandelbrot ? BigRealmin : BigJuliaRealmin), -1.5);
        EXPECT_EQ(State.DeepZoom, 0);
        EXPECT_EQ(State.MultiThreaded, 1);
        EXPECT_EQ(State.TitleFileName, PathOf("old.fdz"));
    }
}

TEST_F(ParameterFileTest, LegacyFileWithoutPaletteGetsTheDefaultForItsColouring)
{
    // L3 with the integer palette all zeros, as files saved before the
    // palette was stored have it; smooth colour keeps the start and stop in
    // force before the load.
    const std::array<float, 9> startUp{12, 164, 127, 1, 1, 1, 245, 172, 200};
    const std::array<float, 9> own{30, 40, 50, 0.5f, 0.25f, 2, 200, 210, 220};
    struct Case {
        int32_t colorOptions;
        std::array<float, 9> fromStartUp;
        std::array<float, 9> fromOwn;
    };
    const Case cases[] = {
        {0, {218, 64, 74, 5, 3, 4, 255, 169, 194}, {218, 64, 74, 5, 3, 4, 255, 169, 194}},
        {2, {12, 164, 127, 5, 3, 4, 245, 172, 200}, {30, 40, 50, 5, 3, 4, 200, 210, 220}},
        {4, startUp, startUp},
        {6, startUp, {30, 40, 50, 1, 1, 1, 200, 210, 220}},
    };
    const size_t paletteAt = 1 + 4 + 4 + 6 * 10 + 4 + 10;
    for (const Case& c : cases) {
        for (const bool fromStartUp : {true, false}) {
            SCOPED_TRACE("options " + std::to_string(c.colorOptions) + (fromStartUp ? ", start-up" : ", own"));
            Fresh();
            BuildDefaultPalette();
            ASSERT_EQ(State.PaletteGen, startUp);
            if (!fromStartUp)
                State.PaletteGen = own;
            const LegacyCase l3{3, 30, 1 | 4, c.colorOptions, true, true, false, 119};
            WriteBytes(PathOf("old.fra"), Patched(LegacyFile(l3), paletteAt, std::array<int32_t, 9>{}));
            ASSERT_EQ(LoadParameterFile(PathOf("old.fra")), 1);
            EXPECT_EQ(State.ColorOptions, c.colorOptions);
            EXPECT_EQ(State.PaletteGen, fromStartUp ? c.fromStartUp : c.fromOwn);
        }
    }
}

TEST_F(ParameterFileTest, DeepRecordsHoldNoMoreLimbsThanTheStoredPrecisionAllows)
{
    // A 96-bit Mandelbrot view whose step 2^-100 raises the precision to 112
    // bits: the values, read again at 112 bits, fill every 64-bit limb.
    const auto raisedTo112 = [] {
        UseDeepView(true, 96, -20);
        SetBig(BigImagmin, "0.1318259042053119704931320563851391234567890123456789");
        mpf_set_ui(BigStepRe, 1);
        mpf_div_2exp(BigStepRe, BigStepRe, 100);
        mpf_mul_ui(BigRealmax, BigStepRe, 640);
        mpf_add(BigRealmax, BigRealmax, BigRealmin);
        mpf_mul_ui(BigImagmax, BigStepRe, 480);
        mpf_add(BigImagmax, BigImagmax, BigImagmin);
        RefreshBigSteps();
        CornersToCenter();
    };
    struct Case {
        const char* name;
        std::function<void()> use;
        int32_t bits;
    };
    const Case cases[] = {
        {"Mandelbrot 96 raised to 112", raisedTo112, 112},
        {"Julia 96", [] { UseDeepView(false, 96, -15); }, 96},
        {"Mandelbrot 176", [] { UseDeepView(true, 176, -46); }, 176},
        {"Mandelbrot 368", [] { UseDeepView(true, 368, -97); CornersToCenter(); }, 368},
        {"Julia 992", [] { UseDeepView(false, 992, -260); SyncViewTexts(); }, 992},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fresh();
        c.use();
        ASSERT_EQ(State.PrecisionBits, c.bits);
        ASSERT_TRUE(SaveFdzFile(PathOf("deep.fdz")));
        const std::vector<uint8_t> bytes = ReadBytes(PathOf("deep.fdz"));
        ASSERT_EQ(At<int32_t>(bytes, 73), c.bits);
        const int32_t precisionLimbs = PrecisionLimbs32(c.bits);
        bool full = false;
        for (const LimbRecord& record : StoredLimbRecords(bytes)) {
            EXPECT_EQ(record.precisionLimbs, precisionLimbs);
            EXPECT_LE(std::abs(record.signedCount), precisionLimbs + 1);
            full |= std::abs(record.signedCount) == precisionLimbs + 1;
            if (!record.limbs.empty()) {
                EXPECT_NE(record.limbs.front(), 0u);
                EXPECT_NE(record.limbs.back(), 0u);
            }
        }
        EXPECT_TRUE(full);  // long values reach the bound

        ParameterRecord record;
        EXPECT_TRUE(ReadParameterRecord(bytes, record));
        Fresh();
        ASSERT_EQ(LoadParameterFile(PathOf("deep.fdz")), 1);
        EXPECT_EQ(State.PrecisionBits, c.bits);
        ASSERT_TRUE(SaveFdzFile(PathOf("again.fdz")));
        EXPECT_EQ(ReadBytes(PathOf("again.fdz")), bytes);
    }
}

TEST_F(ParameterFileTest, DeepValuesThatFitTheStoredPrecisionReloadExactly)
{
    // 336 bits, the precision a 3 * 2^-301 step asks for, so the load keeps
    // the values as they are. The edges reach down to 2^-416: 13 limbs from
    // their top one, the most a record at 336 bits holds.
    State.PrecisionBits = 336;
    ClearBigFloats();
    InitBigFloats();
    State.AppliedPrecisionBits = 336;
    State.FractalFlags = 5;
    State.DeepZoom = 1;
    BigFloat lowest(336);
    mpf_set_ui(lowest, 1);
    mpf_div_2exp(lowest, lowest, 416);
    mpf_set_d(BigRealmin, -0.75);
    mpf_sub(BigRealmin, BigRealmin, lowest);
    mpf_set_d(BigImagmin, 0.125);
    mpf_add(BigImagmin, BigImagmin, lowest);
    mpf_set_ui(BigStepRe, 3);
    mpf_div_2exp(BigStepRe, BigStepRe, 301);
    mpf_set(BigStepIm, BigStepRe);
    mpf_mul_ui(BigRealmax, BigStepRe, 640);
    mpf_add(BigRealmax, BigRealmax, BigRealmin);
    mpf_mul_ui(BigImagmax, BigStepIm, 480);
    mpf_add(BigImagmax, BigImagmax, BigImagmin);
    BigFloat* view[] = {&BigRealmin, &BigRealmax, &BigStepRe, &BigImagmin, &BigImagmax, &BigStepIm};
    std::vector<std::unique_ptr<BigFloat>> saved;
    for (BigFloat* value : view) {
        saved.push_back(std::make_unique<BigFloat>(336));
        mpf_set(*saved.back(), *value);
    }
    ASSERT_TRUE(SaveFdzFile(PathOf("fits.fdz")));
    const std::vector<LimbRecord> records = StoredLimbRecords(ReadBytes(PathOf("fits.fdz")));
    ASSERT_EQ(records.size(), 6u);
    EXPECT_EQ(records[0].signedCount, -13);
    EXPECT_EQ(records[3].signedCount, 13);
    Fresh();
    ASSERT_EQ(LoadParameterFile(PathOf("fits.fdz")), 1);
    ASSERT_EQ(State.PrecisionBits, 336);
    for (size_t k = 0; k < std::size(view); ++k)
        EXPECT_EQ(mpf_cmp(*view[k], *saved[k]), 0) << k;
}

TEST_F(ParameterFileTest, BailoutAndPotValueCorrectionsPerLayout)
{
    const std::pair<double, double> legacyLimits[] = {{0.5, 4}, {1.5, 4}, {2, 2}, {3, 3}};
    for (const auto& [stored, expected] : legacyLimits) {
        WriteBytes(PathOf("b.fra"), LegacyFile({4, '+', 1 | 4, 0, true, false, true, 133}, stored));
        ASSERT_EQ(LoadParameterFile(PathOf("b.fra")), 1);
        EXPECT_EQ(State.Bailout, expected) << stored;
    }
    const std::pair<double, double> deepLimits[] = {{0.5, 2}, {1.5, 2}, {2.5, 2.5}};
    for (const auto& [stored, expected] : deepLimits) {
        UseDeepView(false, 96, -15);
        State.Bailout = stored;
        State.PotValue = 0;
        ASSERT_TRUE(SaveFdzFile(PathOf("b.fdz")));
        ASSERT_EQ(LoadParameterFile(PathOf("b.fdz")), 1);
        EXPECT_EQ(State.Bailout, expected) << stored;
        EXPECT_EQ(State.PotValue, 0.0001);
    }
}

TEST_F(ParameterFileTest, TextLayoutLoadsDeepAndShallowViews)
{
    UseDeepView(true, 176, -46);
    BigFloatsToTexts();
    const std::string realmin = Texts.RealminText;
    std::vector<uint8_t> bytes = TextLayoutFile(1, 176, 1.5);
    ASSERT_EQ(bytes.size(), 3077u);
    Fresh();
    WriteBytes(PathOf("text.fra"), bytes);
    ASSERT_EQ(LoadParameterFile(PathOf("text.fra")), 1);
    EXPECT_EQ(State.PrecisionBits, 176);
    EXPECT_EQ(State.DeepZoom, 1);
    BigFloat fromText(176);
    ASSERT_TRUE(ReadBigFloatText(realmin, fromText));
    EXPECT_EQ(mpf_cmp(BigRealmin, fromText), 0);
    EXPECT_EQ(Texts.RealminText, BigFloatText(BigRealmin, nullptr));
    EXPECT_FALSE(Texts.MagnificationText.empty());
    EXPECT_EQ(State.Bailout, 2);
    EXPECT_EQ(State.PotValue, 0.0001);
    EXPECT_EQ(State.PaletteReverse + State.PaletteExp2, 2);
    EXPECT_EQ(State.PaletteOffset, 5);
    EXPECT_EQ(State.ParamFileName, PathOf("text.fra"));

    // Extended texts with their leading blank, the zero text, and an .fpi
    // picture after the parameters.
    Fresh();
    State.FractalFlags = 6;
    Texts.JuliaRealminText = "-1.5E+0";
    Texts.JuliaImagminText = " 1.25E-1";
    Texts.JuliaRealmaxText = " 1.5";
    Texts.JuliaImagmaxText = " 1.375E-1";
    Texts.JuliaReText = "-7.5E-1";
    Texts.JuliaImText = ".e-1";
    Texts.JuliaStepImText = Texts.JuliaStepReText = " 1.5E-3";
    bytes = TextLayoutFile(0, 0, 3, 4000);
    Fresh();
    WriteBytes(PathOf("text.fpi"), bytes);
    ASSERT_EQ(LoadParameterFile(PathOf("text.fpi")), 1);
    EXPECT_EQ(State.DeepZoom, 0);
    EXPECT_EQ(State.JuliaRe, -0.75L);
    EXPECT_EQ(State.JuliaIm, 0);
    EXPECT_EQ(State.JuliaImagmin, 0.125L);
    EXPECT_EQ(State.Bailout, 3);

    Texts.JuliaReText = std::string(500, '1');  // no room for its NUL
    ByteWriter w;
    EXPECT_FALSE(WriteViewTextFields(w));
    EXPECT_TRUE(w.bytes().empty());
}

TEST_F(ParameterFileTest, RefusedFilesChangeNothingAndSaySo)
{
    UseStoredFields();
    UseDeepView(true, 96, -20);
    ASSERT_TRUE(SaveFdzFile(PathOf("good.fdz")));
    BigFloatsToTexts();
    State.FrameValid = 1;
    State.PictureLocked = 1;
    State.ParamFileName = "shown.fdz";
    // Each damaged file below is one of these with a single fault.
    const std::vector<uint8_t> deep = ReadBytes(PathOf("good.fdz"));
    const std::vector<uint8_t> text = TextLayoutFile(0, 0, 3);
    const std::vector<uint8_t> plus = LegacyFile({4, '+', 1, 0, true, false, true, 133});
    ParameterRecord record;
    for (const auto* good : {&deep, &text, &plus})
        ASSERT_TRUE(ReadParameterRecord(*good, record));

    std::vector<std::pair<std::string, std::vector<uint8_t>>> files = {
        {"154 bytes tagged +", std::vector<uint8_t>(154, '+')},
        {"size in no list", std::vector<uint8_t>(100, '+')},
        {"empty", {}},
        {"unknown tag", std::vector<uint8_t>(300, 'X')},
        {"7 short of a limb", {deep.begin(), deep.end() - 4}},
        {"7 short of headers", {deep.begin(), deep.begin() + 160}},
        {"7 precision 64", Patched(deep, 73, int32_t{64})},
        {"7 precision negative", Patched(deep, 73, int32_t{-96})},
        {"7 precision absurd", Patched(deep, 73, int32_t{1} << 30)},
        {"7 deep zoom 2", Patched(deep, 5, int32_t{2})},
        {"7 bailout NaN", Patched(deep, 25, std::numeric_limits<double>::quiet_NaN())},
        {"2 Julia in Mandelbrot size", Patched(text, 1, int32_t{6})},
        {"2 text not a number", Patched(text, 521, std::array<char, 5>{'1', '.', '5', 'q', 0})},
        {"2 deep at 50 bits", Patched(Patched(text, 5, int32_t{1}), 3073, int32_t{50})},
        {"+ NaN view", Patched(plus, 19, std::numeric_limits<long double>::quiet_NaN())},
        {"L1 Julia in Mandelbrot size", LegacyFile({1, 0, 2, 0, true, true, false, 131})},
    };
    files.back().second.resize(111);
    files.emplace_back("7 with bytes after the limbs", deep);
    files.back().second.resize(deep.size() + 4);
    files.emplace_back("2 text without end", text);
    std::fill(files.back().second.begin() + 21, files.back().second.begin() + 521, 'x');
    ByteWriter w;
    w.Raw(deep.data(), 77);
    for (int k = 0; k < 6; ++k) {
        const int32_t header[] = {4, k == 0 ? -40 : 0, 1, 0};
        w.Raw(header, sizeof header);
    }
    for (int k = 0; k < 40; ++k)
        w.UInt32(0xFFFFFFFFu);
    files.emplace_back("7 limb count beyond capacity", w.bytes());

    const Snapshot before = TakeSnapshot(platform);
    for (const auto& [name, file] : files) {
        SCOPED_TRACE(name);
        platform.messages.clear();
        WriteBytes(PathOf("bad.fdz"), file);
        EXPECT_EQ(LoadParameterFile(PathOf("bad.fdz")), 0);
        EXPECT_TRUE(TakeSnapshot(platform) == before);
        ASSERT_EQ(platform.messages.size(), 1u);
        EXPECT_EQ(platform.messages[0].text, "Not a quorvatix-file!");
        EXPECT_EQ(platform.messages[0].caption, "QUORVATIX");
    }
    platform.messages.clear();
    EXPECT_EQ(LoadParameterFile(""), 0);
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(LoadParameterFile(PathOf("nowhere.fdz")), 0);
    EXPECT_EQ(platform.messages.size(), 1u);
    EXPECT_TRUE(TakeSnapshot(platform) == before);
}

TEST_F(ParameterFileTest, PeekDescribesFilesWithoutLoadingThem)
{
    WriteBytes(PathOf("l1"), LegacyFile({1, 0, 1 | 4, 0, false, true, false, 75}));
    ASSERT_TRUE(SaveFraFile(PathOf("plus")));
    UseDeepView(false, 176, -40);
    ASSERT_TRUE(SaveFdzFile(PathOf("deep")));
    WriteBytes(PathOf("shallow"), Patched(ReadBytes(PathOf("deep")), 5, int32_t{0}));
    State.FractalFlags = 5;
    BigFloatsToTexts();
    WriteBytes(PathOf("text"), TextLayoutFile(1, 176, 3));
    WriteBytes(PathOf("junk"), std::vector<uint8_t>(200, 'j'));

    const Snapshot before = TakeSnapshot(platform);
    const std::pair<const char*, std::pair<int32_t, int32_t>> expected[] = {
        {"l1", {1, 80}}, {"plus", {1, 80}}, {"deep", {0, 176}}, {"shallow", {0, 80}}, {"text", {1, 176}}};
    for (const auto& [name, result] : expected) {
        std::pair<int32_t, int32_t> shown{-1, -1};
        EXPECT_TRUE(PeekParameterHeader(PathOf(name), shown.first, shown.second)) << name;
        EXPECT_EQ(shown, result) << name;
    }
    int32_t kind = 7;
    int32_t precision = 7;
    EXPECT_FALSE(PeekParameterHeader(PathOf("junk"), kind, precision));
    EXPECT_EQ(kind + precision, 14);
    EXPECT_TRUE(TakeSnapshot(platform) == before);
    EXPECT_TRUE(platform.messages.empty());
}

TEST_F(ParameterFileTest, MenuCommandsSaveLoadAndReportFailedSaves)
{
    platform.answers = {PathOf("m.fra"), "Cancel", PathOf("gone/m.fdz"), PathOf("m.fra"), "Cancel"};
    SaveFractalCommand();
    EXPECT_EQ(ReadBytes(PathOf("m.fra")).size(), 133u);
    EXPECT_EQ(State.ParamFileName, PathOf("m.fra"));
    EXPECT_EQ(platform.titles.back(), "QUORVATIX - " + PathOf("m.fra"));
    SaveFractalCommand();  // cancelled
    EXPECT_TRUE(platform.messages.empty());
    UseDeepView(true, 96, -20);
    SaveFractalCommand();  // into a missing folder
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].caption, "QUORVATIX");
    EXPECT_EQ(State.ParamFileName, PathOf("m.fra"));

    State.TitleFileName = "shown";
    LoadFractalCommand();
    EXPECT_EQ(State.TitleFileName, PathOf("m.fra"));
    EXPECT_EQ(State.DeepZoom, 0);
    LoadFractalCommand();  // cancelled: the shown picture keeps its title
    EXPECT_EQ(State.TitleFileName, PathOf("m.fra"));
}

}  // namespace
