#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/big_float_limbs.h"
#include "engine/view_texts.h"
#include "files/byte_buffer.h"

// Parameter files: everything needed to compute a picture again.
//   '+' (.fra)  the view as 80-bit extended values; also legacy layout L4
//   '7' (.fdz)  the view as arbitrary-precision records, limb by limb
//   '2'         an older deep-zoom form with the view as decimal text (read only)
//   L1 - L3     older extended layouts, recognised by their exact size
// A file is read whole and checked completely before anything in the state
// changes, so a damaged file leaves the program exactly as it was.

constexpr uint8_t ExtendedLayoutTag = '+';
constexpr uint8_t DeepLayoutTag = '7';
constexpr uint8_t TextLayoutTag = '2';
constexpr uint8_t LegacyIntegerPaletteTag = 30;  // L3 with LegacyPaletteGen

// Files up to this size are legacy or '+' files, recognised by size alone.
constexpr size_t LargestExtendedFileSize = 153;
constexpr size_t ViewTextFieldSize = 500;
constexpr size_t DeepFixedFieldsSize = 77;  // '7' fields up to PrecisionBits
constexpr size_t BigFloatHeaderSize = 16;

// Precisions a file may carry; the batch renderer accepts up to 2^20 bits.
constexpr int32_t MinFilePrecisionBits = 96;
constexpr int32_t MaxFilePrecisionBits = MaxPrecisionBits;

enum class ParameterLayout { Legacy1, Legacy2, Legacy3, Legacy4, Text, Deep };

// The number of view values a file stores for this kind: 6 Mandelbrot, 8 Julia.
int32_t ViewValueCount(int32_t fractalFlags);
// The size of the '2' layout's fields: 3077 bytes Mandelbrot, 4077 Julia.
size_t TextLayoutSize(int32_t fractalFlags);

// One parameter file as read and checked, not yet applied. The view is in
// view-block order: Mandelbrot Realmin, Realmax, StepRe, Imagmin, Imagmax,
// StepIm; Julia JuliaRealmin, JuliaImagmin, JuliaRealmax, JuliaImagmax,
// JuliaRe, JuliaIm, JuliaStepIm, JuliaStepRe.
struct ParameterRecord {
    ParameterLayout layout = ParameterLayout::Legacy4;
    uint8_t tag = 0;
    int32_t FractalFlags = 0;
    int32_t DeepZoom = 0;      // '2' and '7' only
    int32_t ColorOptions = 0;  // 0 where the layout has none
    double PotValue = 0;       // 0 where the layout has none
    int32_t IterMax = 0;
    double Bailout = 0;
    std::array<float, 9> PaletteGen{};
    bool paletteIsLegacy = false;  // the nine values came as LegacyPaletteGen
    std::array<int32_t, 9> LegacyPaletteGen{};
    int32_t PaletteOffset = 0;
    int32_t PrecisionBits = 0;  // '2' and '7' only
    std::array<long double, 8> extendedView{};  // legacy and '+'
    std::array<std::string, 8> textView;         // '2'
    std::array<LimbRecord, 8> limbView;          // '7'
};

// Recognises the layout of a whole file by its size and first byte (never by
// the file name) and reads it. False for anything the loader must refuse:
// unknown size or tag, missing bytes, non-finite numbers, a precision outside
// MinFilePrecisionBits..MaxFilePrecisionBits, a record that a value created
// at the stored precision cannot hold, a text field that is not a number.
bool ReadParameterRecord(const std::vector<uint8_t>& bytes, ParameterRecord& record);

// The pieces, for the files that embed these layouts (.fpi, .fpz). The
// record is complete only when they return true.
bool ReadExtendedLayout(const std::vector<uint8_t>& bytes, ParameterRecord& record);  // L1-L4, '+'
bool ReadTextLayoutFields(ByteReader& in, ParameterRecord& record);   // the whole '2' parameter part
bool ReadDeepFixedFields(ByteReader& in, ParameterRecord& record);    // '7' up to PrecisionBits
bool ReadBigFloatRecords(ByteReader& in, ParameterRecord& record);    // '7' headers, then limbs

// ColorOptions bits 4-8 mirror the five palette switches in every file.
void RefreshPaletteSwitchBits();
void SetPaletteSwitchesFromBits(int32_t colorOptions);

// Writers of the current state; the first two refresh bits 4-8 first.
std::vector<uint8_t> FraFileBytes();
void WriteDeepFixedFields(ByteWriter& out);
// Headers and limbs of the current kind's view at PrecisionBits; false when
// the values do not exist.
bool WriteBigFloatRecords(ByteWriter& out);
// The current kind's view texts (Texts), one 500-byte NUL-ended field each;
// false, writing nothing, when a text does not fit its field.
bool WriteViewTextFields(ByteWriter& out);

// Applying a checked record to the state, as the loaders do.
// The stored fields every layout carries; the palette switches start off.
void ApplyStoredFields(const ParameterRecord& record);
void ApplyExtendedRecord(const ParameterRecord& record, const std::string& path);
void ApplyTextRecord(const ParameterRecord& record, const std::string& path);
// The view of a '2' record into all three forms (precision, values, texts,
// extended view, centre), without the other fields.
void LoadTextRecordView(const ParameterRecord& record);
// `unlockPicture` false keeps PictureLocked, for files that carry their picture.
void ApplyDeepRecord(const ParameterRecord& record, const std::string& path, bool unlockPicture);

// PaletteGen[i] := float(legacyPaletteGen[i]) for all nine values.
void ConvertLegacyPalette(const std::array<int32_t, 9>& legacyPaletteGen);

// "Not a quorvatix-file!" in a message box titled "QUORVATIX".
void ShowNotQuorvatixFile();

// Writes a saved file over `path` (atomically), then its thumbnail path + ".jpg".
bool WriteWithThumbnail(const std::string& path, const std::vector<uint8_t>& bytes);

// Write the '+' / '7' layout of the current state over `path` (atomically),
// then the thumbnail path + ".jpg". False when the parameter file could not
// be written; errors are not shown, autosave relies on that.
bool SaveFraFile(const std::string& path);
bool SaveFdzFile(const std::string& path);
// '7' while DeepZoom is 1, '+' otherwise, as "Save Fractal" chooses.
bool SaveParameterFile(const std::string& path);

// 1 when a layout was recognised and loaded, 0 otherwise; a refused or
// unreadable file shows a message and changes nothing. An empty path
// returns 0 without a message.
int LoadParameterFile(const std::string& path);
// A file known to have the '7' layout.
int ReadFdzFile(const std::string& path);

// Describes a file for the browser without loading it: kind (1 Mandelbrot,
// 0 Julia) and precision (80 without deep-zoom data). An unrecognised file
// returns false and leaves both results as they were.
bool PeekParameterHeader(const std::string& path, int32_t& shownIsMandelbrot, int32_t& shownPrecision);

// The menu commands "Save Fractal" and "Load Fractal".
void SaveFractalCommand();
void LoadFractalCommand();
