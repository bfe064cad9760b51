// Round macros shared by the SHA-256 and SHA-512 compressions: the two differ only in
// word size, round constants and the rotation counts of their sigma functions.
#ifndef VN_CRYPTO_SHA2ROUNDS_H
#define VN_CRYPTO_SHA2ROUNDS_H

#define SHA2_CH(x, y, z) ((z) ^ ((x) & ((y) ^ (z))))
#define SHA2_MAJ(x, y, z) (((x) & (y)) | ((z) & ((x) | (y))))

// One round on words of type T with the big sigmas S0 and S1; kw is K[i] + W[i].
#define SHA2_ROUND(T, S0, S1, a, b, c, d, e, f, g, h, kw) \
    {                                                     \
        T t1 = h + S1(e) + SHA2_CH(e, f, g) + (kw);       \
        d += t1;                                          \
        h = t1 + S0(a) + SHA2_MAJ(a, b, c);               \
    }

// Eight rounds from round i; ROUND(a, b, c, d, e, f, g, h, i) is one round. The working
// variables rotate by renaming, so no words are moved.
#define SHA2_EIGHT(ROUND, i)               \
    ROUND(a, b, c, d, e, f, g, h, (i) + 0) \
    ROUND(h, a, b, c, d, e, f, g, (i) + 1) \
    ROUND(g, h, a, b, c, d, e, f, (i) + 2) \
    ROUND(f, g, h, a, b, c, d, e, (i) + 3) \
    ROUND(e, f, g, h, a, b, c, d, (i) + 4) \
    ROUND(d, e, f, g, h, a, b, c, (i) + 5) \
    ROUND(c, d, e, f, g, h, a, b, (i) + 6) \
    ROUND(b, c, d, e, f, g, h, a, (i) + 7)

// The next word of a 16-word rolling schedule, stored in place; s0 and s1 are the small
// sigmas.
#define SHA2_SCHED(s0, s1, i) (w[(i)&15] += s1(w[((i) + 14) & 15]) + w[((i) + 9) & 15] + s0(w[((i) + 1) & 15]))

// Adds the working variables into the state after a block and starts the next from it.
#define SHA2_FEED_FORWARD \
    a = state[0] += a;    \
    b = state[1] += b;    \
    c = state[2] += c;    \
    d = state[3] += d;    \
    e = state[4] += e;    \
    f = state[5] += f;    \
    g = state[6] += g;    \
    h = state[7] += h;

#endif
