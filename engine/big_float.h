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

// Same sign, exponent and limbs: two values of equal precision whose next
// operations give identical results, bit for bit.
inline bool SameBits(mpf_srcptr x, mpf_srcptr y)
{
    if (x->_mp_size != y->_mp_size || x->_mp_exp != y->_mp_exp)
        return false;
    const mp_size_t limbs = x->_mp_size < 0 ? -x->_mp_size : x->_mp_size;
    return limbs == 0 || mpn_cmp(x->_mp_d, y->_mp_d, limbs) == 0;
}
