// CRsaSmall: raw RSA on the multi-precision module.
#include "RsaSmall.h"

#include <cstring>
#include <vector>

#include "MpArith.h"

namespace {
const size_t N = CRsaSmall::MAX_DIGITS;

bool loaded(const unsigned int* part) { return part && !mpIsZero(part, N); }
}  // namespace

// The definition hosts may take the address of (the class gives only the value).
const int CRsaSmall::MAX_DIGITS;

CRsaSmall::CRsaSmall() = default;

CRsaSmall::~CRsaSmall() {
    for (unsigned int** part : {&m_n, &m_e, &m_d, &m_p, &m_q, &m_dmp1, &m_dmq1, &m_iqmp}) {
        if (*part) {
            mpSetZero(*part, N);  // key material does not linger in freed memory
            delete[] * part;
            *part = nullptr;
        }
    }
}

int CRsaSmall::Set(unsigned int** target, unsigned char* data, unsigned short length) {
    if (!target || (!data && length))
        return -1;
    size_t skip = 0;
    while (skip < length && data[skip] == 0)
        ++skip;
    if (length - skip > 4 * N)
        return -1;
    if (!*target)
        *target = new unsigned int[N];
    mpConvFromOctets(*target, N, data ? data + skip : nullptr, length - skip);
    return 0;
}

int CRsaSmall::Set_n(unsigned char* data, unsigned short length) { return Set(&m_n, data, length); }
int CRsaSmall::Set_e(unsigned char* data, unsigned short length) { return Set(&m_e, data, length); }
int CRsaSmall::Set_d(unsigned char* data, unsigned short length) { return Set(&m_d, data, length); }
int CRsaSmall::Set_p(unsigned char* data, unsigned short length) { return Set(&m_p, data, length); }
int CRsaSmall::Set_q(unsigned char* data, unsigned short length) { return Set(&m_q, data, length); }
int CRsaSmall::Set_dmp1(unsigned char* data, unsigned short length) { return Set(&m_dmp1, data, length); }
int CRsaSmall::Set_dmq1(unsigned char* data, unsigned short length) { return Set(&m_dmq1, data, length); }
int CRsaSmall::Set_iqmp(unsigned char* data, unsigned short length) { return Set(&m_iqmp, data, length); }

namespace {

// Reads in (below n) into x of nd digits; false when it does not fit.
bool readInput(const unsigned char* in, int inLength, const unsigned int* n, size_t nd, std::vector<DIGIT_T>& x) {
    int skip = 0;
    while (skip < inLength && in[skip] == 0)
        ++skip;
    if (static_cast<size_t>(inLength - skip) > 4 * nd)
        return false;
    x.assign(nd, 0);
    mpConvFromOctets(x.data(), nd, in + skip, static_cast<size_t>(inLength - skip));
    return mpCompare(x.data(), n, nd) < 0;
}

// Writes y as outLength bytes when its significant bytes fit.
bool writeOutput(const std::vector<DIGIT_T>& y, unsigned char* out, int outLength) {
    const size_t needed = (mpBitLength(y.data(), y.size()) + 7) / 8;
    if (needed > static_cast<size_t>(outLength))
        return false;
    mpConvToOctets(y.data(), y.size(), out, static_cast<size_t>(outLength));
    return true;
}

}  // namespace

int CRsaSmall::publicOp(unsigned char* in, int inLength, unsigned char* out, int outLength) {
    if (!in || !out || inLength < 0 || outLength < 0 || !loaded(m_n) || !loaded(m_e))
        return -1;
    const size_t nd = mpSizeof(m_n, N);
    std::vector<DIGIT_T> x, y(nd), e(m_e, m_e + nd);
    if (mpSizeof(m_e, N) > nd || !readInput(in, inLength, m_n, nd, x))
        return -1;
    mpModExp(y.data(), x.data(), e.data(), m_n, nd);
    return writeOutput(y, out, outLength) ? 0 : -1;
}

int CRsaSmall::privateOp(unsigned char* in, int inLength, unsigned char* out, int outLength) {
    if (!in || !out || inLength < 0 || outLength < 0 || !loaded(m_n))
        return -1;
    const size_t nd = mpSizeof(m_n, N);
    std::vector<DIGIT_T> x, y(nd, 0);
    if (!readInput(in, inLength, m_n, nd, x))
        return -1;
    if (loaded(m_d)) {
        if (mpSizeof(m_d, N) > nd)
            return -1;
        std::vector<DIGIT_T> d(m_d, m_d + nd);
        mpModExp(y.data(), x.data(), d.data(), m_n, nd);
    } else if (loaded(m_p) && loaded(m_q) && loaded(m_dmp1) && loaded(m_dmq1) && loaded(m_iqmp)) {
        // m1 = x^dmp1 mod p, m2 = x^dmq1 mod q, h = iqmp (m1 - m2) mod p, y = m2 + h q.
        const size_t w = nd + 1;  // every CRT value and product fits in w digits of 2w
        auto widen = [&](const unsigned int* v) {
            std::vector<DIGIT_T> r(w, 0);
            std::memcpy(r.data(), v, std::min(w, N) * sizeof(DIGIT_T));
            return r;
        };
        if (mpSizeof(m_p, N) > nd || mpSizeof(m_q, N) > nd || mpSizeof(m_dmp1, N) > nd || mpSizeof(m_dmq1, N) > nd ||
            mpSizeof(m_iqmp, N) > nd)
            return -1;
        std::vector<DIGIT_T> p = widen(m_p), q = widen(m_q), xw(w, 0), m1(w), m2(w), h(w), t(w), prod(2 * w);
        std::memcpy(xw.data(), x.data(), nd * sizeof(DIGIT_T));
        std::vector<DIGIT_T> dp = widen(m_dmp1), dq = widen(m_dmq1), iq = widen(m_iqmp);
        mpModExp(m1.data(), xw.data(), dp.data(), p.data(), w);
        mpModExp(m2.data(), xw.data(), dq.data(), q.data(), w);
        mpModulo(t.data(), m2.data(), w, p.data(), w);  // m2 mod p
        if (mpSubtract(h.data(), m1.data(), t.data(), w))
            mpAdd(h.data(), h.data(), p.data(), w);  // m1 - m2 mod p
        mpModMult(h.data(), h.data(), iq.data(), p.data(), w);
        mpMultiply(prod.data(), h.data(), q.data(), w);
        mpAdd(prod.data(), prod.data(), m2.data(), w);  // h q < p q = n, no carry out of w digits
        std::memcpy(y.data(), prod.data(), nd * sizeof(DIGIT_T));
    } else {
        return -1;
    }
    return writeOutput(y, out, outLength) ? 0 : -1;
}

int CRsaSmall::PublicKeyEncrypt(unsigned char* in, int inLength, unsigned char* out, int outLength) {
    return publicOp(in, inLength, out, outLength);
}
int CRsaSmall::PublicKeyDecrypt(unsigned char* in, int inLength, unsigned char* out, int outLength) {
    return publicOp(in, inLength, out, outLength);
}
int CRsaSmall::PrivateKeyEncrypt(unsigned char* in, int inLength, unsigned char* out, int outLength) {
    return privateOp(in, inLength, out, outLength);
}
int CRsaSmall::PrivateKeyDecrypt(unsigned char* in, int inLength, unsigned char* out, int outLength) {
    return privateOp(in, inLength, out, outLength);
}
int CRsaSmall::RsaDP(unsigned char* in, int inLength, unsigned char* out, int outLength) {
    return privateOp(in, inLength, out, outLength);
}

int CRsaSmall::getPart(const unsigned int* part, unsigned char* out, int* length) const {
    if (!out || !length || !loaded(part))
        return -1;
    const size_t needed = (mpBitLength(part, N) + 7) / 8;
    if (*length < 0 || static_cast<size_t>(*length) < needed) {
        *length = static_cast<int>(needed);
        return -1;
    }
    mpConvToOctets(part, N, out, needed);
    *length = static_cast<int>(needed);
    return 0;
}

int CRsaSmall::PubKeyGetModulus(unsigned char* out, int* length) { return getPart(m_n, out, length); }
int CRsaSmall::PubKeyGetExponent(unsigned char* out, int* length) { return getPart(m_e, out, length); }
