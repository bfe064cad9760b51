// The mp... functions against OpenSSL's BIGNUM on random operands.
#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/err.h>

#include <cctype>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "MpArith.h"

namespace {

struct BnDel {
    void operator()(BIGNUM* b) const { BN_free(b); }
};
using Bn = std::unique_ptr<BIGNUM, BnDel>;
struct CtxDel {
    void operator()(BN_CTX* c) const { BN_CTX_free(c); }
};

using Digits = std::vector<DIGIT_T>;

Bn toBn(const Digits& a) {
    std::vector<unsigned char> bytes(4 * a.size());
    mpConvToOctets(a.data(), a.size(), bytes.data(), bytes.size());
    return Bn(BN_bin2bn(bytes.data(), static_cast<int>(bytes.size()), nullptr));
}

Digits fromBn(const BIGNUM* b, size_t ndigits) {
    std::vector<unsigned char> bytes(static_cast<size_t>(BN_num_bytes(b)));
    BN_bn2bin(b, bytes.data());
    Digits a(ndigits);
    mpConvFromOctets(a.data(), ndigits, bytes.data(), bytes.size());
    return a;
}

std::string dec(const BIGNUM* b) {
    char* s = BN_bn2dec(b);
    std::string r(s);
    OPENSSL_free(s);
    return r;
}

// A random number of up to n digits, sometimes with fewer digits in use or extreme values.
Digits randomDigits(std::mt19937& rng, size_t n) {
    Digits a(n, 0);
    const size_t used = 1 + rng() % n;
    for (size_t i = 0; i < used; ++i) {
        switch (rng() % 8) {
        case 0: a[i] = 0xFFFFFFFFu; break;
        case 1: a[i] = 0; break;
        default: a[i] = static_cast<DIGIT_T>(rng());
        }
    }
    return a;
}

std::string mpDec(const Digits& a) {
    std::string s(mpConvToDecimal(a.data(), a.size(), nullptr, 0) + 1, '\0');
    mpConvToDecimal(a.data(), a.size(), &s[0], s.size());
    s.resize(s.size() - 1);
    return s;
}

}  // namespace

TEST(MpArith, ArithmeticAgreesWithBignumOnRandomOperands) {
    std::mt19937 rng(2024);
    std::unique_ptr<BN_CTX, CtxDel> ctx(BN_CTX_new());
    for (int iter = 0; iter < 300; ++iter) {
        const size_t n = 1 + rng() % 24;
        Digits u = randomDigits(rng, n), v = randomDigits(rng, n);
        if (mpIsZero(v.data(), n))
            v[0] = 1;
        Bn bu = toBn(u), bv = toBn(v), r(BN_new()), r2(BN_new());
        SCOPED_TRACE("u=" + dec(bu.get()) + " v=" + dec(bv.get()));

        Digits w(n), w2(2 * n), q(n), rem(n);
        DIGIT_T carry = mpAdd(w.data(), u.data(), v.data(), n);
        BN_add(r.get(), bu.get(), bv.get());
        Digits full(w);
        full.push_back(carry);
        EXPECT_EQ(dec(toBn(full).get()), dec(r.get()));

        if (mpCompare(u.data(), v.data(), n) >= 0) {
            EXPECT_EQ(mpSubtract(w.data(), u.data(), v.data(), n), 0u);
            BN_sub(r.get(), bu.get(), bv.get());
            EXPECT_EQ(dec(toBn(w).get()), dec(r.get()));
        } else {
            EXPECT_EQ(mpSubtract(w.data(), u.data(), v.data(), n), 1u);
        }
        EXPECT_EQ(mpCompare(u.data(), v.data(), n), BN_cmp(bu.get(), bv.get()));

        mpMultiply(w2.data(), u.data(), v.data(), n);
        BN_mul(r.get(), bu.get(), bv.get(), ctx.get());
        EXPECT_EQ(dec(toBn(w2).get()), dec(r.get()));

        // A double-length dividend by a shorter divisor exercises every branch of the division.
        const size_t vd = 1 + rng() % n;
        Digits vs(v.begin(), v.begin() + static_cast<long>(vd));
        if (mpIsZero(vs.data(), vd))
            vs[0] = 7;
        Digits q2(2 * n), r3(vd);
        ASSERT_EQ(mpDivide(q2.data(), r3.data(), w2.data(), 2 * n, vs.data(), vd), 0);
        BN_div(r.get(), r2.get(), toBn(w2).get(), toBn(vs).get(), ctx.get());
        EXPECT_EQ(dec(toBn(q2).get()), dec(r.get()));
        EXPECT_EQ(dec(toBn(r3).get()), dec(r2.get()));
        Digits r4(vd);
        ASSERT_EQ(mpModulo(r4.data(), w2.data(), 2 * n, vs.data(), vd), 0);
        EXPECT_EQ(r4, r3);

        mpGcd(w.data(), u.data(), v.data(), n);
        BN_gcd(r.get(), bu.get(), bv.get(), ctx.get());
        EXPECT_EQ(dec(toBn(w).get()), dec(r.get()));

        if (BN_mod_inverse(r.get(), bu.get(), bv.get(), ctx.get()) && !BN_is_one(bv.get())) {
            ASSERT_EQ(mpModInv(w.data(), u.data(), v.data(), n), 0);
            EXPECT_EQ(dec(toBn(w).get()), dec(r.get()));
        } else if (!BN_is_one(bv.get())) {
            ERR_clear_error();
            EXPECT_EQ(mpModInv(w.data(), u.data(), v.data(), n), -1);
        }

        mpModMult(w.data(), u.data(), u.data(), v.data(), n);
        BN_mod_mul(r.get(), bu.get(), bu.get(), bv.get(), ctx.get());
        EXPECT_EQ(dec(toBn(w).get()), dec(r.get()));

        const size_t shift = rng() % (32 * n + 8);
        mpShiftLeft(w.data(), u.data(), shift, n);
        BN_lshift(r.get(), bu.get(), static_cast<int>(shift));
        BN_mask_bits(r.get(), static_cast<int>(32 * n));
        EXPECT_EQ(dec(toBn(w).get()), dec(r.get())) << "shift " << shift;
        mpShiftRight(w.data(), u.data(), shift, n);
        BN_rshift(r.get(), bu.get(), static_cast<int>(shift));
        EXPECT_EQ(dec(toBn(w).get()), dec(r.get())) << "shift " << shift;

        mpSqrt(w.data(), u.data(), n);
        Digits sq(2 * n), next(n), sq2(2 * n);
        mpMultiply(sq.data(), w.data(), w.data(), n);
        mpShortAdd(next.data(), w.data(), 1, n);
        mpMultiply(sq2.data(), next.data(), next.data(), n);
        Digits u2(u);
        u2.resize(2 * n, 0);
        EXPECT_LE(mpCompare(sq.data(), u2.data(), 2 * n), 0);
        EXPECT_GT(mpCompare(sq2.data(), u2.data(), 2 * n), 0);

        EXPECT_EQ(mpDec(u), dec(bu.get()));
        char* hex = BN_bn2hex(bu.get());
        std::string lower(hex);
        OPENSSL_free(hex);
        for (auto& c : lower)
            c = static_cast<char>(tolower(c));
        while (lower.size() > 1 && lower[0] == '0')
            lower.erase(0, 1);
        std::string mine(mpConvToHex(u.data(), n, nullptr, 0) + 1, '\0');
        mpConvToHex(u.data(), n, &mine[0], mine.size());
        mine.resize(mine.size() - 1);
        EXPECT_EQ(mine, lower);
        Digits back(n);
        mpConvFromHex(back.data(), n, mine.c_str());
        EXPECT_EQ(back, u);
    }
}

TEST(MpArith, ModExpAgreesWithBignum) {
    std::mt19937 rng(77);
    std::unique_ptr<BN_CTX, CtxDel> ctx(BN_CTX_new());
    for (int iter = 0; iter < 40; ++iter) {
        const size_t n = 1 + rng() % 32;
        Digits x = randomDigits(rng, n), e = randomDigits(rng, n), m = randomDigits(rng, n), y(n);
        if (mpIsZero(m.data(), n))
            m[0] = 3;
        if (iter == 0)
            mpSetZero(e.data(), n);  // x^0 = 1 mod m
        ASSERT_EQ(mpModExp(y.data(), x.data(), e.data(), m.data(), n), 0);
        Bn r(BN_new());
        BN_mod_exp(r.get(), toBn(x).get(), toBn(e).get(), toBn(m).get(), ctx.get());
        EXPECT_EQ(dec(toBn(y).get()), dec(r.get())) << "iter " << iter;
    }
}

TEST(MpArith, PrimalityAgreesWithBignum) {
    std::unique_ptr<BN_CTX, CtxDel> ctx(BN_CTX_new());
    Bn p(BN_new());
    for (int bits : {64, 256, 512}) {
        BN_generate_prime_ex(p.get(), bits, 0, nullptr, nullptr, nullptr);
        Digits d = fromBn(p.get(), 16);
        EXPECT_EQ(mpIsPrime(d.data(), 16, 20), 1);
        mpShortAdd(d.data(), d.data(), 2, 16);
        Bn p2 = toBn(d);
        EXPECT_EQ(mpIsPrime(d.data(), 16, 20), BN_check_prime(p2.get(), ctx.get(), nullptr));
        // A product of two primes is composite.
        Digits sq(32);
        Digits orig = fromBn(p.get(), 16);
        mpMultiply(sq.data(), orig.data(), orig.data(), 16);
        EXPECT_EQ(mpIsPrime(sq.data(), 32, 20), 0);
    }
    // Carmichael number 561 and small primes.
    DIGIT_T c[1] = {561}, two[1] = {2}, nine[1] = {9}, big[1] = {4294967291u};
    EXPECT_EQ(mpIsPrime(c, 1, 10), 0);
    EXPECT_EQ(mpIsPrime(two, 1, 10), 1);
    EXPECT_EQ(mpIsPrime(nine, 1, 10), 0);
    EXPECT_EQ(mpIsPrime(big, 1, 10), 1);
}

TEST(MpArith, NullPointersAndZeroDivisorsFailWithoutCrashing) {
    DIGIT_T a[2] = {1, 2}, z[2] = {0, 0}, out[4] = {9, 9, 9, 9};
    EXPECT_EQ(mpAdd(nullptr, a, a, 2), 0u);
    EXPECT_EQ(mpDivide(out, out + 2, a, 2, z, 2), -1);
    EXPECT_EQ(mpModulo(out, a, 2, z, 2), -1);
    EXPECT_EQ(mpModExp(out, a, a, z, 2), -1);
    EXPECT_EQ(mpModInv(out, a, z, 2), -1);
    EXPECT_EQ(mpModMult(out, a, nullptr, a, 2), -1);
    EXPECT_EQ(out[0], 9u);
    EXPECT_EQ(mpShortDiv(out, a, 0, 2), 0u);
    EXPECT_EQ(mpConvFromOctets(nullptr, 2, nullptr, 4), 0u);
    EXPECT_EQ(mpConvToOctets(a, 2, nullptr, 8), 0u);
    char small[3];
    DIGIT_T big[2] = {0, 0x10000};
    EXPECT_EQ(mpConvToHex(big, 2, small, sizeof small), 13u);  // needs 14 bytes: not written
    EXPECT_EQ(mpConvToDecimal(z, 2, small, sizeof small), 1u);
    EXPECT_STREQ(small, "0");
}

TEST(MpArith, OctetConversionPadsAndCuts) {
    const unsigned char bytes[] = {0x01, 0x02, 0x03, 0x04, 0x05};
    DIGIT_T a[2];
    EXPECT_EQ(mpConvFromOctets(a, 2, bytes, 5), 2u);
    EXPECT_EQ(a[0], 0x02030405u);
    EXPECT_EQ(a[1], 0x01u);
    unsigned char out[8];
    EXPECT_EQ(mpConvToOctets(a, 2, out, 8), 5u);
    const unsigned char padded[] = {0, 0, 0, 1, 2, 3, 4, 5};
    EXPECT_EQ(0, memcmp(out, padded, 8));
    EXPECT_EQ(mpConvToOctets(a, 2, out, 3), 5u);  // only the low three bytes fit
    EXPECT_EQ(out[0], 3);
    EXPECT_EQ(out[2], 5);
}
