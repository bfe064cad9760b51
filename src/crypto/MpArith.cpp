// Multi-precision arithmetic on arrays of 32-bit digits (least significant first).
#include "MpArith.h"

#include <openssl/rand.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "infra/HexDigit.h"

namespace {

using Digits = std::vector<DIGIT_T>;

// Knuth's algorithm D. q (udigits, may be null) and r (vdigits, may be null).
int divide(DIGIT_T q[], DIGIT_T r[], const DIGIT_T u[], size_t udigits, const DIGIT_T v[], size_t vdigits) {
    if (!u || !v)
        return -1;
    const size_t n = mpSizeof(v, vdigits);
    if (n == 0)
        return -1;
    const size_t m = mpSizeof(u, udigits);
    Digits qq(udigits ? udigits : 1, 0);
    Digits rr(vdigits, 0);
    if (m < n) {
        for (size_t i = 0; i < m; ++i)
            rr[i] = u[i];
    } else if (n == 1) {
        uint64_t rem = 0;
        for (size_t j = m; j-- > 0;) {
            const uint64_t num = (rem << 32) | u[j];
            qq[j] = static_cast<DIGIT_T>(num / v[0]);
            rem = num % v[0];
        }
        rr[0] = static_cast<DIGIT_T>(rem);
    } else {
        const int s = __builtin_clz(v[n - 1]);
        Digits vn(n), un(m + 1);
        for (size_t i = n - 1; i > 0; --i)
            vn[i] = (v[i] << s) | (s ? static_cast<DIGIT_T>(static_cast<uint64_t>(v[i - 1]) >> (32 - s)) : 0);
        vn[0] = v[0] << s;
        un[m] = s ? static_cast<DIGIT_T>(static_cast<uint64_t>(u[m - 1]) >> (32 - s)) : 0;
        for (size_t i = m - 1; i > 0; --i)
            un[i] = (u[i] << s) | (s ? static_cast<DIGIT_T>(static_cast<uint64_t>(u[i - 1]) >> (32 - s)) : 0);
        un[0] = u[0] << s;

        const uint64_t base = 1ULL << 32;
        for (size_t j = m - n + 1; j-- > 0;) {
            const uint64_t num = (static_cast<uint64_t>(un[j + n]) << 32) | un[j + n - 1];
            uint64_t qhat = num / vn[n - 1];
            uint64_t rhat = num % vn[n - 1];
            while (qhat >= base || qhat * vn[n - 2] > ((rhat << 32) | un[j + n - 2])) {
                --qhat;
                rhat += vn[n - 1];
                if (rhat >= base)
                    break;
            }
            // un[j .. j+n] -= qhat * vn
            int64_t k = 0;
            int64_t t = 0;
            for (size_t i = 0; i < n; ++i) {
                const uint64_t p = qhat * vn[i];
                t = static_cast<int64_t>(un[i + j]) - k - static_cast<int64_t>(p & 0xFFFFFFFFu);
                un[i + j] = static_cast<DIGIT_T>(t);
                k = static_cast<int64_t>(p >> 32) - (t >> 32);
            }
            t = static_cast<int64_t>(un[j + n]) - k;
            un[j + n] = static_cast<DIGIT_T>(t);
            if (t < 0) {  // qhat was one too large: add vn back
                --qhat;
                uint64_t c = 0;
                for (size_t i = 0; i < n; ++i) {
                    const uint64_t sum = static_cast<uint64_t>(un[i + j]) + vn[i] + c;
                    un[i + j] = static_cast<DIGIT_T>(sum);
                    c = sum >> 32;
                }
                un[j + n] = static_cast<DIGIT_T>(un[j + n] + c);
            }
            qq[j] = static_cast<DIGIT_T>(qhat);
        }
        for (size_t i = 0; i < n && i < vdigits; ++i)
            rr[i] = (un[i] >> s) | (s ? static_cast<DIGIT_T>(static_cast<uint64_t>(un[i + 1]) << (32 - s)) : 0);
    }
    if (q)
        std::memcpy(q, qq.data(), udigits * sizeof(DIGIT_T));
    if (r)
        std::memcpy(r, rr.data(), vdigits * sizeof(DIGIT_T));
    return 0;
}

// a = x * y mod m with a scratch product of 2 * ndigits digits.
void modMult(DIGIT_T a[], const DIGIT_T x[], const DIGIT_T y[], const DIGIT_T m[], size_t ndigits, Digits& product) {
    mpMultiply(product.data(), x, y, ndigits);
    divide(nullptr, a, product.data(), 2 * ndigits, m, ndigits);
}

size_t putText(const std::string& text, char* s, size_t smax) {
    if (s && text.size() < smax)
        std::memcpy(s, text.c_str(), text.size() + 1);
    return text.size();
}

const DIGIT_T kSmallPrimes[] = {3,  5,  7,  11, 13, 17, 19, 23,  29,  31,  37,  41,  43,  47,  53,  59,  61,
                                67, 71, 73, 79, 83, 89, 97, 101, 103, 107, 109, 113, 127, 131, 137, 139, 149};

}  // namespace

DIGIT_T mpAdd(DIGIT_T w[], const DIGIT_T u[], const DIGIT_T v[], size_t ndigits) {
    if (!w || !u || !v)
        return 0;
    uint64_t carry = 0;
    for (size_t i = 0; i < ndigits; ++i) {
        carry += static_cast<uint64_t>(u[i]) + v[i];
        w[i] = static_cast<DIGIT_T>(carry);
        carry >>= 32;
    }
    return static_cast<DIGIT_T>(carry);
}

DIGIT_T mpSubtract(DIGIT_T w[], const DIGIT_T u[], const DIGIT_T v[], size_t ndigits) {
    if (!w || !u || !v)
        return 0;
    DIGIT_T borrow = 0;
    for (size_t i = 0; i < ndigits; ++i) {
        const uint64_t d = static_cast<uint64_t>(u[i]) - v[i] - borrow;
        w[i] = static_cast<DIGIT_T>(d);
        borrow = static_cast<DIGIT_T>((d >> 32) & 1);
    }
    return borrow;
}

int mpMultiply(DIGIT_T w[], const DIGIT_T u[], const DIGIT_T v[], size_t ndigits) {
    if (!w || !u || !v)
        return -1;
    Digits t(2 * ndigits, 0);
    const size_t nu = mpSizeof(u, ndigits), nv = mpSizeof(v, ndigits);
    for (size_t i = 0; i < nu; ++i) {
        uint64_t carry = 0;
        const uint64_t ui = u[i];
        for (size_t j = 0; j < nv; ++j) {
            carry += ui * v[j] + t[i + j];
            t[i + j] = static_cast<DIGIT_T>(carry);
            carry >>= 32;
        }
        t[i + nv] = static_cast<DIGIT_T>(carry);
    }
    if (ndigits)
        std::memcpy(w, t.data(), 2 * ndigits * sizeof(DIGIT_T));
    return 0;
}

int mpDivide(DIGIT_T q[], DIGIT_T r[], const DIGIT_T u[], size_t udigits, const DIGIT_T v[], size_t vdigits) {
    if (!q || !r)
        return -1;
    return divide(q, r, u, udigits, v, vdigits);
}

int mpModulo(DIGIT_T r[], const DIGIT_T u[], size_t udigits, const DIGIT_T v[], size_t vdigits) {
    if (!r)
        return -1;
    return divide(nullptr, r, u, udigits, v, vdigits);
}

int mpModMult(DIGIT_T a[], const DIGIT_T x[], const DIGIT_T y[], const DIGIT_T m[], size_t ndigits) {
    if (!a || !x || !y || !m || mpIsZero(m, ndigits))
        return -1;
    Digits product(2 * ndigits);
    modMult(a, x, y, m, ndigits, product);
    return 0;
}

int mpModExp(DIGIT_T y[], const DIGIT_T x[], const DIGIT_T e[], const DIGIT_T m[], size_t ndigits) {
    if (!y || !x || !e || !m || mpIsZero(m, ndigits))
        return -1;
    Digits base(ndigits), acc(ndigits, 0), product(2 * ndigits);
    divide(nullptr, base.data(), x, ndigits, m, ndigits);  // x may be >= m
    // acc = 1 mod m
    Digits one(ndigits, 0);
    one[0] = 1;
    divide(nullptr, acc.data(), one.data(), ndigits, m, ndigits);

    // Left to right over the exponent bits with a 4-bit fixed window.
    const size_t bits = mpBitLength(e, ndigits);
    if (bits) {
        Digits table(16 * ndigits);
        std::memcpy(table.data(), acc.data(), ndigits * sizeof(DIGIT_T));
        std::memcpy(table.data() + ndigits, base.data(), ndigits * sizeof(DIGIT_T));
        for (int i = 2; i < 16; ++i)
            modMult(table.data() + i * ndigits, table.data() + (i - 1) * ndigits, base.data(), m, ndigits, product);
        const size_t windows = (bits + 3) / 4;
        for (size_t w = windows; w-- > 0;) {
            if (w + 1 != windows)
                for (int s = 0; s < 4; ++s)
                    modMult(acc.data(), acc.data(), acc.data(), m, ndigits, product);
            const size_t bit = 4 * w;
            const unsigned nibble = (e[bit / 32] >> (bit % 32)) & 0xF;
            if (w + 1 == windows)
                std::memcpy(acc.data(), table.data() + nibble * ndigits, ndigits * sizeof(DIGIT_T));
            else if (nibble)
                modMult(acc.data(), acc.data(), table.data() + nibble * ndigits, m, ndigits, product);
        }
    }
    std::memcpy(y, acc.data(), ndigits * sizeof(DIGIT_T));
    return 0;
}

int mpModInv(DIGIT_T inv[], const DIGIT_T u[], const DIGIT_T v[], size_t ndigits) {
    if (!inv || !u || !v || mpIsZero(v, ndigits))
        return -1;
    // Extended Euclid keeping the cofactors non-negative; their sign alternates.
    Digits u1(ndigits, 0), u3(ndigits), v1(ndigits, 0), v3(ndigits), t1(ndigits), t3(ndigits), q(ndigits),
        product(2 * ndigits);
    u1[0] = 1;
    divide(nullptr, u3.data(), u, ndigits, v, ndigits);
    std::memcpy(v3.data(), v, ndigits * sizeof(DIGIT_T));
    bool negative = false;
    while (!mpIsZero(v3.data(), ndigits)) {
        divide(q.data(), t3.data(), u3.data(), ndigits, v3.data(), ndigits);
        mpMultiply(product.data(), q.data(), v1.data(), ndigits);
        mpAdd(t1.data(), u1.data(), product.data(), ndigits);
        u1.swap(v1);
        v1.swap(t1);
        u3.swap(v3);
        v3.swap(t3);
        negative = !negative;
    }
    Digits one(ndigits, 0);
    if (ndigits)
        one[0] = 1;
    if (!mpEqual(u3.data(), one.data(), ndigits))
        return -1;
    if (negative)
        mpSubtract(inv, v, u1.data(), ndigits);
    else
        std::memcpy(inv, u1.data(), ndigits * sizeof(DIGIT_T));
    return 0;
}

int mpGcd(DIGIT_T g[], const DIGIT_T x[], const DIGIT_T y[], size_t ndigits) {
    if (!g || !x || !y)
        return -1;
    Digits a(x, x + ndigits), b(y, y + ndigits), r(ndigits);
    while (!mpIsZero(b.data(), ndigits)) {
        divide(nullptr, r.data(), a.data(), ndigits, b.data(), ndigits);
        a.swap(b);
        b.swap(r);
    }
    std::memcpy(g, a.data(), ndigits * sizeof(DIGIT_T));
    return 0;
}

int mpSqrt(DIGIT_T s[], const DIGIT_T x[], size_t ndigits) {
    if (!s || !x)
        return -1;
    const size_t bits = mpBitLength(x, ndigits);
    if (bits == 0) {
        mpSetZero(s, ndigits);
        return 0;
    }
    // Newton's iteration from a start above the root; it decreases to floor(sqrt(x)).
    const size_t n1 = ndigits + 1;
    Digits cur(n1, 0), next(n1, 0), quot(n1), xx(x, x + ndigits);
    xx.push_back(0);
    const size_t startBit = (bits + 1) / 2;
    cur[startBit / 32] = 1u << (startBit % 32);
    for (;;) {
        divide(quot.data(), nullptr, xx.data(), n1, cur.data(), n1);
        mpAdd(next.data(), cur.data(), quot.data(), n1);
        mpShiftRight(next.data(), next.data(), 1, n1);
        if (mpCompare(next.data(), cur.data(), n1) >= 0)
            break;
        cur.swap(next);
    }
    std::memcpy(s, cur.data(), ndigits * sizeof(DIGIT_T));
    return 0;
}

DIGIT_T mpShiftLeft(DIGIT_T a[], const DIGIT_T b[], size_t shift, size_t ndigits) {
    if (!a || !b)
        return 0;
    if (shift >= 32 * ndigits) {
        mpSetZero(a, ndigits);
        return 0;
    }
    const size_t whole = shift / 32;
    const unsigned bitsPart = static_cast<unsigned>(shift % 32);
    DIGIT_T out = 0;
    if (shift < 32 && ndigits)
        out = bitsPart ? b[ndigits - 1] >> (32 - bitsPart) : 0;
    for (size_t i = ndigits; i-- > 0;) {
        DIGIT_T v = 0;
        if (i >= whole) {
            v = b[i - whole] << bitsPart;
            if (bitsPart && i > whole)
                v |= b[i - whole - 1] >> (32 - bitsPart);
        }
        a[i] = v;
    }
    return out;
}

DIGIT_T mpShiftRight(DIGIT_T a[], const DIGIT_T b[], size_t shift, size_t ndigits) {
    if (!a || !b)
        return 0;
    if (shift >= 32 * ndigits) {
        mpSetZero(a, ndigits);
        return 0;
    }
    const size_t whole = shift / 32;
    const unsigned bitsPart = static_cast<unsigned>(shift % 32);
    DIGIT_T out = 0;
    if (shift < 32 && ndigits)
        out = bitsPart ? b[0] & ((1u << bitsPart) - 1) : 0;
    for (size_t i = 0; i < ndigits; ++i) {
        DIGIT_T v = 0;
        if (i + whole < ndigits) {
            v = b[i + whole] >> bitsPart;
            if (bitsPart && i + whole + 1 < ndigits)
                v |= b[i + whole + 1] << (32 - bitsPart);
        }
        a[i] = v;
    }
    return out;
}

DIGIT_T mpShortAdd(DIGIT_T w[], const DIGIT_T u[], DIGIT_T d, size_t ndigits) {
    if (!w || !u)
        return 0;
    uint64_t carry = d;
    for (size_t i = 0; i < ndigits; ++i) {
        carry += u[i];
        w[i] = static_cast<DIGIT_T>(carry);
        carry >>= 32;
    }
    return static_cast<DIGIT_T>(carry);
}

DIGIT_T mpShortMult(DIGIT_T w[], const DIGIT_T u[], DIGIT_T d, size_t ndigits) {
    if (!w || !u)
        return 0;
    uint64_t carry = 0;
    for (size_t i = 0; i < ndigits; ++i) {
        carry += static_cast<uint64_t>(u[i]) * d;
        w[i] = static_cast<DIGIT_T>(carry);
        carry >>= 32;
    }
    return static_cast<DIGIT_T>(carry);
}

DIGIT_T mpShortDiv(DIGIT_T q[], const DIGIT_T u[], DIGIT_T d, size_t ndigits) {
    if (!q || !u || d == 0)
        return 0;
    uint64_t rem = 0;
    for (size_t i = ndigits; i-- > 0;) {
        const uint64_t num = (rem << 32) | u[i];
        q[i] = static_cast<DIGIT_T>(num / d);
        rem = num % d;
    }
    return static_cast<DIGIT_T>(rem);
}

DIGIT_T mpShortMod(const DIGIT_T u[], DIGIT_T d, size_t ndigits) {
    if (!u || d == 0)
        return 0;
    uint64_t rem = 0;
    for (size_t i = ndigits; i-- > 0;)
        rem = ((rem << 32) | u[i]) % d;
    return static_cast<DIGIT_T>(rem);
}

int mpCompare(const DIGIT_T a[], const DIGIT_T b[], size_t ndigits) {
    if (!a || !b)
        return 0;
    for (size_t i = ndigits; i-- > 0;) {
        if (a[i] > b[i])
            return 1;
        if (a[i] < b[i])
            return -1;
    }
    return 0;
}

int mpEqual(const DIGIT_T a[], const DIGIT_T b[], size_t ndigits) { return a && b && mpCompare(a, b, ndigits) == 0; }

int mpIsZero(const DIGIT_T a[], size_t ndigits) { return a ? mpSizeof(a, ndigits) == 0 : 1; }

void mpSetZero(DIGIT_T a[], size_t ndigits) {
    if (a && ndigits)
        std::memset(a, 0, ndigits * sizeof(DIGIT_T));
}

void mpSetDigit(DIGIT_T a[], DIGIT_T d, size_t ndigits) {
    if (!a || !ndigits)
        return;
    mpSetZero(a, ndigits);
    a[0] = d;
}

void mpSetEqual(DIGIT_T a[], const DIGIT_T b[], size_t ndigits) {
    if (a && b && ndigits)
        std::memmove(a, b, ndigits * sizeof(DIGIT_T));
}

size_t mpSizeof(const DIGIT_T a[], size_t ndigits) {
    if (!a)
        return 0;
    while (ndigits && a[ndigits - 1] == 0)
        --ndigits;
    return ndigits;
}

size_t mpBitLength(const DIGIT_T a[], size_t ndigits) {
    const size_t n = mpSizeof(a, ndigits);
    if (n == 0)
        return 0;
    return 32 * n - static_cast<size_t>(__builtin_clz(a[n - 1]));
}

int mpRabinMiller(const DIGIT_T w[], size_t ndigits, size_t t) {
    if (!w)
        return 0;
    const size_t n = mpSizeof(w, ndigits);
    if (n == 0)
        return 0;
    if (n == 1 && w[0] <= 3)
        return w[0] >= 2;
    if ((w[0] & 1) == 0)
        return 0;
    // w - 1 = 2^s * d with d odd
    Digits wm1(n), d(n), a(n), x(n), product(2 * n), wm3(n);
    Digits one(n, 0);
    one[0] = 1;
    mpSubtract(wm1.data(), w, one.data(), n);
    size_t s = 0;
    while (((wm1[s / 32] >> (s % 32)) & 1) == 0)
        ++s;
    mpShiftRight(d.data(), wm1.data(), s, n);
    Digits three(n, 0);
    three[0] = 3;
    mpSubtract(wm3.data(), w, three.data(), n);
    std::vector<unsigned char> random(4 * n + 8);
    for (size_t round = 0; round < t; ++round) {
        // a uniform enough in [2, w-2]: random mod (w - 3), plus 2.
        if (RAND_bytes(random.data(), static_cast<int>(random.size())) != 1)
            return 0;
        Digits big(n + 2);
        mpConvFromOctets(big.data(), n + 2, random.data(), random.size());
        divide(nullptr, a.data(), big.data(), n + 2, wm3.data(), n);
        mpShortAdd(a.data(), a.data(), 2, n);
        mpModExp(x.data(), a.data(), d.data(), w, n);
        if ((mpSizeof(x.data(), n) == 1 && x[0] == 1) || mpEqual(x.data(), wm1.data(), n))
            continue;
        bool witness = true;
        for (size_t j = 1; j < s; ++j) {
            modMult(x.data(), x.data(), x.data(), w, n, product);
            if (mpEqual(x.data(), wm1.data(), n)) {
                witness = false;
                break;
            }
            if (mpSizeof(x.data(), n) == 1 && x[0] == 1)
                break;
        }
        if (witness)
            return 0;
    }
    return 1;
}

int mpIsPrime(const DIGIT_T w[], size_t ndigits, size_t t) {
    if (!w)
        return 0;
    const size_t n = mpSizeof(w, ndigits);
    if (n == 0)
        return 0;
    if (n == 1 && w[0] < 4)
        return w[0] >= 2;
    if ((w[0] & 1) == 0)
        return 0;
    for (DIGIT_T p : kSmallPrimes) {
        if (n == 1 && w[0] == p)
            return 1;
        if (mpShortMod(w, p, n) == 0)
            return 0;
    }
    return mpRabinMiller(w, n, t);
}

size_t mpConvFromOctets(DIGIT_T a[], size_t ndigits, const unsigned char* c, size_t nbytes) {
    if (!a)
        return 0;
    mpSetZero(a, ndigits);
    if (!c)
        return 0;
    for (size_t k = 0; k < nbytes && k / 4 < ndigits; ++k)
        a[k / 4] |= static_cast<DIGIT_T>(c[nbytes - 1 - k]) << (8 * (k % 4));
    return mpSizeof(a, ndigits);
}

size_t mpConvToOctets(const DIGIT_T a[], size_t ndigits, unsigned char* c, size_t nbytes) {
    if (!a || !c)
        return 0;
    for (size_t k = 0; k < nbytes; ++k)
        c[nbytes - 1 - k] = k / 4 < ndigits ? static_cast<unsigned char>(a[k / 4] >> (8 * (k % 4))) : 0;
    return (mpBitLength(a, ndigits) + 7) / 8;
}

size_t mpConvFromHex(DIGIT_T a[], size_t ndigits, const char* s) {
    if (!a)
        return 0;
    mpSetZero(a, ndigits);
    if (!s)
        return 0;
    for (; *s; ++s) {
        const int v = vnhex::digitValue(*s);
        if (v < 0)
            continue;
        mpShiftLeft(a, a, 4, ndigits);
        if (ndigits)
            a[0] |= static_cast<DIGIT_T>(v);
    }
    return mpSizeof(a, ndigits);
}

size_t mpConvToHex(const DIGIT_T a[], size_t ndigits, char* s, size_t smax) {
    if (!a)
        return 0;
    static const char digits[] = "0123456789abcdef";
    std::string text;
    const size_t bits = mpBitLength(a, ndigits);
    for (size_t nib = (bits + 3) / 4; nib-- > 0;)
        text += digits[(a[nib / 8] >> (4 * (nib % 8))) & 0xF];
    if (text.empty())
        text = "0";
    return putText(text, s, smax);
}

size_t mpConvToDecimal(const DIGIT_T a[], size_t ndigits, char* s, size_t smax) {
    if (!a)
        return 0;
    Digits t(a, a + ndigits);
    std::string text;
    while (!mpIsZero(t.data(), ndigits)) {
        DIGIT_T chunk = mpShortDiv(t.data(), t.data(), 1000000000u, ndigits);
        const bool last = mpIsZero(t.data(), ndigits);
        for (int i = 0; i < 9 && (!last || chunk); ++i) {
            text.insert(text.begin(), static_cast<char>('0' + chunk % 10));
            chunk /= 10;
        }
    }
    if (text.empty())
        text = "0";
    return putText(text, s, smax);
}

void mpPrint(const DIGIT_T a[], size_t ndigits) {
    if (!a)
        return;
    for (size_t i = ndigits; i-- > 0;)
        std::printf("%08x ", static_cast<unsigned>(a[i]));
}

void mpPrintNL(const DIGIT_T a[], size_t ndigits) {
    mpPrint(a, ndigits);
    std::printf("\n");
}

void mpPrintHex(const char* prefix, const DIGIT_T a[], size_t ndigits, const char* suffix) {
    std::string text(mpConvToHex(a, ndigits, nullptr, 0) + 1, '\0');
    mpConvToHex(a, ndigits, &text[0], text.size());
    std::printf("%s%s%s", prefix ? prefix : "", text.c_str(), suffix ? suffix : "");
}

void mpPrintDecimal(const char* prefix, const DIGIT_T a[], size_t ndigits, const char* suffix) {
    std::string text(mpConvToDecimal(a, ndigits, nullptr, 0) + 1, '\0');
    mpConvToDecimal(a, ndigits, &text[0], text.size());
    std::printf("%s%s%s", prefix ? prefix : "", text.c_str(), suffix ? suffix : "");
}

int hex2bn(const char* hex, unsigned char* out, unsigned short* length) {
    if (!hex || !out || !length)
        return -1;
    const size_t digits = std::strlen(hex);
    if (digits == 0 || digits > 131070)
        return -1;
    for (size_t i = 0; i < digits; ++i)
        if (vnhex::digitValue(hex[i]) < 0)
            return -1;
    const size_t bytes = (digits - 1) / 2 + 1;
    // The first byte takes one digit when the count is odd.
    size_t pos = 0;
    for (size_t b = 0; b < bytes; ++b) {
        int v = 0;
        const size_t take = (b == 0 && digits % 2) ? 1 : 2;
        for (size_t k = 0; k < take; ++k)
            v = v * 16 + vnhex::digitValue(hex[pos++]);
        out[b] = static_cast<unsigned char>(v);
    }
    *length = static_cast<unsigned short>(bytes);
    return 0;
}
