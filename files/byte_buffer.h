#pragma once
#include <cstdint>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

// Little-endian records without padding, as every file layout of the program
// stores them. The machine is little-endian, so values are copied as they lie.

class ByteWriter {
public:
    void Byte(uint8_t value) { bytes_.push_back(value); }
    void Int32(int32_t value) { Raw(&value, 4); }
    void UInt32(uint32_t value) { Raw(&value, 4); }
    void Float32(float value) { Raw(&value, 4); }
    void Float64(double value) { Raw(&value, 8); }
    // The 80-bit extended format in 10 bytes.
    void Extended(long double value) { Raw(&value, 10); }
    void Text(const std::string& text, size_t fieldSize);  // zero-padded, cut to the field
    void Raw(const void* data, size_t size)
    {
        const auto* p = static_cast<const uint8_t*>(data);
        bytes_.insert(bytes_.end(), p, p + size);
    }
    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

// Reads fields in order; reading past the end sets failed() and yields zeros,
// so a truncated file can never make a reader touch memory beyond it.
class ByteReader {
public:
    explicit ByteReader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
    uint8_t Byte() { uint8_t v = 0; Raw(&v, 1); return v; }
    int32_t Int32() { int32_t v = 0; Raw(&v, 4); return v; }
    uint32_t UInt32() { uint32_t v = 0; Raw(&v, 4); return v; }
    float Float32() { float v = 0; Raw(&v, 4); return v; }
    double Float64() { double v = 0; Raw(&v, 8); return v; }
    long double Extended()
    {
        long double v = 0;
        Raw(&v, 10);
        return v;
    }
    std::string Text(size_t fieldSize);  // up to the first zero byte of the field
    void Raw(void* data, size_t size)
    {
        if (size > bytes_.size() - position_) {
            failed_ = true;
            std::memset(data, 0, size);
            position_ = bytes_.size();
            return;
        }
        std::memcpy(data, bytes_.data() + position_, size);
        position_ += size;
    }
    void Skip(size_t size)
    {
        if (size > bytes_.size() - position_) {
            failed_ = true;
            position_ = bytes_.size();
        } else {
            position_ += size;
        }
    }
    size_t position() const { return position_; }
    size_t remaining() const { return bytes_.size() - position_; }
    bool failed() const { return failed_; }

private:
    const std::vector<uint8_t>& bytes_;
    size_t position_ = 0;
    bool failed_ = false;
};

