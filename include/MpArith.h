// Multi-precision unsigned integers: arrays of 32-bit digits, least significant digit
// first, with an explicit digit count (ndigits) passed to every function.
//
// Unless stated otherwise, every array has ndigits digits, the output may not overlap
// an input, and a null pointer makes the function do nothing and return its failure
// value (0 for counts and carries, -1 for status results).
#ifndef VN_MPARITH_H
#define VN_MPARITH_H

#include <cstddef>
#include <cstdint>
#include "vn_export.h"

typedef uint32_t DIGIT_T;
#define MP_BITS_PER_DIGIT 32
#define MP_MAX_DIGIT 0xFFFFFFFFu

// --- arithmetic --------------------------------------------------------------
// w = u + v; returns the carry (0 or 1). w may be u or v.
VN_EXPORT DIGIT_T mpAdd(DIGIT_T w[], const DIGIT_T u[], const DIGIT_T v[], size_t ndigits);
// w = u - v; returns the borrow (0 or 1). w may be u or v.
VN_EXPORT DIGIT_T mpSubtract(DIGIT_T w[], const DIGIT_T u[], const DIGIT_T v[], size_t ndigits);
// w = u * v; w has 2 * ndigits digits.
VN_EXPORT int mpMultiply(DIGIT_T w[], const DIGIT_T u[], const DIGIT_T v[], size_t ndigits);
// q = u / v (udigits digits), r = u mod v (vdigits digits). -1 when v is zero.
VN_EXPORT int mpDivide(DIGIT_T q[], DIGIT_T r[], const DIGIT_T u[], size_t udigits, const DIGIT_T v[], size_t vdigits);
// r = u mod v (vdigits digits). -1 when v is zero.
VN_EXPORT int mpModulo(DIGIT_T r[], const DIGIT_T u[], size_t udigits, const DIGIT_T v[], size_t vdigits);
// a = x * y mod m. -1 when m is zero.
VN_EXPORT int mpModMult(DIGIT_T a[], const DIGIT_T x[], const DIGIT_T y[], const DIGIT_T m[], size_t ndigits);
// y = x ^ e mod m. -1 when m is zero.
VN_EXPORT int mpModExp(DIGIT_T y[], const DIGIT_T x[], const DIGIT_T e[], const DIGIT_T m[], size_t ndigits);
// inv = u^-1 mod v. -1 when there is no inverse (gcd(u, v) != 1 or v zero).
VN_EXPORT int mpModInv(DIGIT_T inv[], const DIGIT_T u[], const DIGIT_T v[], size_t ndigits);
// g = gcd(x, y).
VN_EXPORT int mpGcd(DIGIT_T g[], const DIGIT_T x[], const DIGIT_T y[], size_t ndigits);
// s = floor(sqrt(x)).
VN_EXPORT int mpSqrt(DIGIT_T s[], const DIGIT_T x[], size_t ndigits);
// a = b << shift or b >> shift (shift below 32 * ndigits, else a becomes zero); returns
// the bits shifted out of the last digit for shifts below 32. a may be b.
VN_EXPORT DIGIT_T mpShiftLeft(DIGIT_T a[], const DIGIT_T b[], size_t shift, size_t ndigits);
VN_EXPORT DIGIT_T mpShiftRight(DIGIT_T a[], const DIGIT_T b[], size_t shift, size_t ndigits);

// --- single-digit operations ---------------------------------------------------
// w = u + d; returns the carry. w may be u.
VN_EXPORT DIGIT_T mpShortAdd(DIGIT_T w[], const DIGIT_T u[], DIGIT_T d, size_t ndigits);
// w = u * d; returns the overflow digit. w may be u.
VN_EXPORT DIGIT_T mpShortMult(DIGIT_T w[], const DIGIT_T u[], DIGIT_T d, size_t ndigits);
// q = u / d; returns u mod d (0 when d is zero, q then untouched). q may be u.
VN_EXPORT DIGIT_T mpShortDiv(DIGIT_T q[], const DIGIT_T u[], DIGIT_T d, size_t ndigits);
// u mod d (0 when d is zero).
VN_EXPORT DIGIT_T mpShortMod(const DIGIT_T u[], DIGIT_T d, size_t ndigits);

// --- comparison and set-up -------------------------------------------------------
// Sign of a - b: -1, 0 or 1.
VN_EXPORT int mpCompare(const DIGIT_T a[], const DIGIT_T b[], size_t ndigits);
VN_EXPORT int mpEqual(const DIGIT_T a[], const DIGIT_T b[], size_t ndigits);
VN_EXPORT int mpIsZero(const DIGIT_T a[], size_t ndigits);
VN_EXPORT void mpSetZero(DIGIT_T a[], size_t ndigits);
VN_EXPORT void mpSetDigit(DIGIT_T a[], DIGIT_T d, size_t ndigits);
VN_EXPORT void mpSetEqual(DIGIT_T a[], const DIGIT_T b[], size_t ndigits);
// Digits in use (index of the highest non-zero digit + 1).
VN_EXPORT size_t mpSizeof(const DIGIT_T a[], size_t ndigits);
VN_EXPORT size_t mpBitLength(const DIGIT_T a[], size_t ndigits);

// --- primes ------------------------------------------------------------------------
// 1 when w is probably prime after small-prime division and t Rabin-Miller rounds.
VN_EXPORT int mpIsPrime(const DIGIT_T w[], size_t ndigits, size_t t);
// 1 when w passes t Rabin-Miller rounds with random bases (OpenSSL RAND_bytes).
VN_EXPORT int mpRabinMiller(const DIGIT_T w[], size_t ndigits, size_t t);

// --- conversion --------------------------------------------------------------------
// Big-endian octets to a (ndigits digits; octets beyond them are ignored, from the most
// significant side). Returns the digits in use.
VN_EXPORT size_t mpConvFromOctets(DIGIT_T a[], size_t ndigits, const unsigned char* c, size_t nbytes);
// a as exactly nbytes big-endian octets, left-padded with zeros (digits that do not fit
// are cut off on the significant side). Returns the significant octets of a.
VN_EXPORT size_t mpConvToOctets(const DIGIT_T a[], size_t ndigits, unsigned char* c, size_t nbytes);
// Hex text (upper or lower case; other characters are skipped) to a. Returns the
// digits in use.
VN_EXPORT size_t mpConvFromHex(DIGIT_T a[], size_t ndigits, const char* s);
// a as lower-case hex (no leading zeros, "0" for zero) into s of smax bytes; returns the
// length of the whole text, which is written only when it fits with its terminator.
VN_EXPORT size_t mpConvToHex(const DIGIT_T a[], size_t ndigits, char* s, size_t smax);
// a as decimal text, same rules as mpConvToHex.
VN_EXPORT size_t mpConvToDecimal(const DIGIT_T a[], size_t ndigits, char* s, size_t smax);
// Print to standard output: all digits as 8-hex-digit groups; with prefix/suffix text.
VN_EXPORT void mpPrint(const DIGIT_T a[], size_t ndigits);
VN_EXPORT void mpPrintNL(const DIGIT_T a[], size_t ndigits);
VN_EXPORT void mpPrintHex(const char* prefix, const DIGIT_T a[], size_t ndigits, const char* suffix);
VN_EXPORT void mpPrintDecimal(const char* prefix, const DIGIT_T a[], size_t ndigits, const char* suffix);

// Hex text to bytes, two digits per byte, big-endian; an odd number of digits gets a
// leading zero nibble. *length = (digits - 1) / 2 + 1. out must hold that many bytes.
// Returns 0, or -1 (nothing written) for null pointers, an empty text, a character that
// is not a hex digit, or a text of more than 131070 digits.
VN_EXPORT int hex2bn(const char* hex, unsigned char* out, unsigned short* length);

#endif
