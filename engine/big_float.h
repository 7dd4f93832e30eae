#pragma once
#include <gmp.h>

#include <cstdint>

// One arbitrary-precision binary floating-point value: the sole owner of a
// GMP mpf_t created with mpf_init2. Not copyable, so no two values ever share
// limbs. The program-wide values are created and destroyed explicitly
// (InitBigFloats / ClearBigFloats); locals are created by the constructor.
class BigFloat {
public:
    BigFloat() = default;  // not yet created
    explicit BigFloat(int32_t precisionBits) { Create(precisionBits); }
    ~BigFloat() { Destroy(); }
    BigFloat(const BigFloat&) = delete;
    BigFloat& operator=(const BigFloat&) = delete;

    // Creates the value at the given precision; it starts as 0.
    void Create(int32_t precisionBits)
    {
        Destroy();
        mpf_init2(value_, static_cast<mp_bitcnt_t>(precisionBits));
        created_ = true;
    }
    void Destroy()
    {
        if (created_)
            mpf_clear(value_);
        created_ = false;
    }
    bool created() const { return created_; }

    mpf_ptr get() { return value_; }
    mpf_srcptr get() const { return value_; }
    operator mpf_ptr() { return value_; }
    operator mpf_srcptr() const { return value_; }

private:
    mpf_t value_;
    bool created_ = false;
};
