// The library's digests against the published vectors and against OpenSSL.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "MessageDigest.h"
#include "crypto/DigestCore.h"

namespace {

std::string hex(const unsigned char* p, size_t n) {
    static const char* d = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        s += d[p[i] >> 4];
        s += d[p[i] & 15];
    }
    return s;
}

enum Algo { MD5, SHA1, SHA256, SHA384, SHA512, RMD160 };

std::unique_ptr<IMessageDigest> make(Algo a) {
    switch (a) {
    case MD5: return std::make_unique<CMD5>();
    case SHA1: return std::make_unique<CSHA>(0);
    case SHA256: return std::make_unique<CSHA>(1);
    case SHA384: return std::make_unique<CSHA>(2);
    case SHA512: return std::make_unique<CSHA>(3);
    default: return std::make_unique<CRIPEMD>(1);
    }
}

size_t digestLen(Algo a) {
    static const size_t l[] = {16, 20, 32, 48, 64, 20};
    return l[a];
}

std::string digestOf(Algo a, const std::string& msg) {
    auto d = make(a);
    d->AddData(msg.data(), static_cast<int>(msg.size()));
    unsigned char out[64];
    d->FinalDigest(reinterpret_cast<char*>(out));
    return hex(out, digestLen(a));
}

const EVP_MD* evpOf(Algo a) {
    switch (a) {
    case MD5: return EVP_md5();
    case SHA1: return EVP_sha1();
    case SHA256: return EVP_sha256();
    case SHA384: return EVP_sha384();
    case SHA512: return EVP_sha512();
    default: return EVP_ripemd160();
    }
}

std::string opensslDigest(Algo a, const std::string& msg) {
    unsigned char out[64];
    unsigned int n = 0;
    EVP_Digest(msg.data(), msg.size(), out, &n, evpOf(a), nullptr);
    return hex(out, n);
}

struct Vector {
    Algo algo;
    std::string msg;
    std::string digest;
};

const std::string kAbc = "abc";
const std::string k448 = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
const std::string k896 =
    "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu";

// clang-format off
const Vector kVectors[] = {
    // RFC 1321 test suite
    {MD5, "", "d41d8cd98f00b204e9800998ecf8427e"},
    {MD5, "a", "0cc175b9c0f1b6a831c399e269772661"},
    {MD5, "abc", "900150983cd24fb0d6963f7d28e17f72"},
    {MD5, "message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
    {MD5, "abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
    {MD5, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
    {MD5, "12345678901234567890123456789012345678901234567890123456789012345678901234567890",
     "57edf4a22be3c955ac49da2e2107b67a"},
    // FIPS 180-4 examples
    {SHA1, "", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
    {SHA1, kAbc, "a9993e364706816aba3e25717850c26c9cd0d89d"},
    {SHA1, k448, "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
    {SHA256, "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
    {SHA256, kAbc, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    {SHA256, k448, "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
    {SHA384, "", "38b060a751ac96384cd9327eb1b1e36a21fdb71114be07434c0cc7bf63f6e1da274edebfe76f65fbd51ad2f14898b95b"},
    {SHA384, kAbc, "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca134c825a7"},
    {SHA384, k896, "09330c33f71147e83d192fc782cd1b4753111b173b3b05d22fa08086e3b0f712fcc7c71a557e2db966c3e9fa91746039"},
    {SHA512, "",
     "cf83e1357eefb8bdf1542850d66d8007d620e4050b5715dc83f4a921d36ce9ce47d0d13c5d85f2b0ff8318d2877eec2f63b931bd47417a81a538327af927da3e"},
    {SHA512, kAbc,
     "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f"},
    {SHA512, k896,
     "8e959b75dae313da8cf4f72814fc143f8f7779c6eb9f7fa17299aeadb6889018501d289e4900f7e4331b99dec4b5433ac7d329eeb6dd26545e96e55b874be909"},
    // RIPEMD-160 reference strings
    {RMD160, "", "9c1185a5c5e9fc54612808977ee8f548b2258d31"},
    {RMD160, "a", "0bdc9d2d256b3ee9daae347be6f4dc835a467ffe"},
    {RMD160, "abc", "8eb208f7e05d987a9b044a8e98c6b087f15a0bfc"},
    {RMD160, "message digest", "5d0689ef49d2fae572b881b123a85ffa21595f36"},
    {RMD160, "abcdefghijklmnopqrstuvwxyz", "f71c27109c692c1b56bbdceb5b9d2865b3708dbc"},
    {RMD160, k448, "12a053384a9c0c88e405a06c27dcf49ada62eb2b"},
    {RMD160, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "b0e20b6e3116640286ed3a87a5713079b21f5189"},
    {RMD160, "12345678901234567890123456789012345678901234567890123456789012345678901234567890",
     "9b752e45573d4b39f4dbd3323cab82bf63326bfb"},
};
// clang-format on

const char* const kMillionA[] = {
    "7707d6ae4e027c70eea2a935c2296f21",                                  // MD5
    "34aa973cd4c4daa4f61eeb2bdbad27316534016f",                          // SHA-1
    "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0",  // SHA-256
    "9d0e1809716474cb086e834e310a4a1ced149e9c00f248527972cec5704c2a5b07b8b3dc38ecc4ebae97ddd87f3d8985",
    "e718483d0ce769644e2e42c7bc15b4638e1f98b13b2044285632a803afa973ebde0ff244877ea60a4cb0432ce577c31beb009c5c2c49aa2e4e"
    "adb217ad8cc09b",
    "52783243c1697bdbe16d37f97f68f08325dc1528",  // RIPEMD-160
};

// Runs the body once with the SHA extensions allowed and once on the portable code.
template <class F>
void onBothShaPaths(F body) {
    for (bool allowed : {true, false}) {
        SCOPED_TRACE(allowed ? "SHA extensions allowed" : "portable SHA code");
        vn_crypto::set_sha_extensions_allowed(allowed);
        body();
    }
    vn_crypto::set_sha_extensions_allowed(true);
}

}  // namespace

TEST(Digests, PublishedVectorsOnBothShaPaths) {
    onBothShaPaths([] {
        for (const auto& v : kVectors)
            EXPECT_EQ(digestOf(v.algo, v.msg), v.digest) << "algo " << v.algo << " msg '" << v.msg << "'";
    });
}

TEST(Digests, OneMillionTimesAOnBothShaPaths) {
    const std::string chunk(1000, 'a');
    onBothShaPaths([&] {
        for (int a = MD5; a <= RMD160; ++a) {
            auto d = make(static_cast<Algo>(a));
            for (int i = 0; i < 1000; ++i)
                d->AddData(chunk.data(), 1000);
            unsigned char out[64];
            d->FinalDigest(reinterpret_cast<char*>(out));
            EXPECT_EQ(hex(out, digestLen(static_cast<Algo>(a))), kMillionA[a]) << "algo " << a;
        }
    });
}

TEST(Digests, OddPiecesAcrossBlockBoundariesEqualOneShotAndOpenSSL) {
    std::mt19937 rng(1234);
    std::string msg(3000, '\0');
    for (auto& c : msg)
        c = static_cast<char>(rng());
    const int pieces[] = {1, 3, 55, 56, 57, 63, 64, 65, 111, 112, 113, 127, 128, 129, 7, 250};
    onBothShaPaths([&] {
        for (int a = MD5; a <= RMD160; ++a) {
            const Algo algo = static_cast<Algo>(a);
            // Every length around the padding boundaries, at once.
            for (size_t len : {0, 1, 55, 56, 57, 63, 64, 65, 111, 112, 113, 119, 120, 127, 128, 129, 255, 256, 3000})
                ASSERT_EQ(digestOf(algo, msg.substr(0, len)), opensslDigest(algo, msg.substr(0, len)))
                    << "algo " << a << " len " << len;
            // The same message streamed in odd pieces.
            auto d = make(algo);
            size_t pos = 0;
            for (int i = 0; pos < msg.size(); ++i) {
                const size_t n = std::min<size_t>(pieces[i % 16], msg.size() - pos);
                d->AddData(msg.data() + pos, static_cast<int>(n));
                pos += n;
            }
            unsigned char out[64];
            d->FinalDigest(reinterpret_cast<char*>(out));
            EXPECT_EQ(hex(out, digestLen(algo)), digestOf(algo, msg)) << "algo " << a;
        }
    });
}

TEST(Digests, FinalDigestResetsSoTheSecondGivesTheEmptyDigest) {
    for (int a = MD5; a <= RMD160; ++a) {
        const Algo algo = static_cast<Algo>(a);
        auto d = make(algo);
        d->AddData("abc", 3);
        unsigned char first[64], second[64];
        d->FinalDigest(reinterpret_cast<char*>(first));
        d->FinalDigest(reinterpret_cast<char*>(second));
        EXPECT_EQ(hex(first, digestLen(algo)), opensslDigest(algo, "abc"));
        EXPECT_EQ(hex(second, digestLen(algo)), opensslDigest(algo, ""));
        // Reset in the middle of a message forgets what was fed.
        d->AddData("xyz", 3);
        d->Reset();
        d->AddData("abc", 3);
        d->FinalDigest(reinterpret_cast<char*>(first));
        EXPECT_EQ(hex(first, digestLen(algo)), opensslDigest(algo, "abc"));
    }
}

TEST(Digests, NullDataAndNegativeLengthsFeedNothing) {
    for (int a = MD5; a <= RMD160; ++a) {
        const Algo algo = static_cast<Algo>(a);
        auto d = make(algo);
        d->AddData(nullptr, 10);
        d->AddData("abc", -5);
        d->AddData("abc", 0);
        d->AddData("abc", 3);
        d->FinalDigest(nullptr);  // dropped, but resets
        d->AddData("abc", 3);
        unsigned char out[64];
        d->FinalDigest(reinterpret_cast<char*>(out));
        EXPECT_EQ(hex(out, digestLen(algo)), opensslDigest(algo, "abc"));
    }
}

TEST(Digests, ShaVariantsOutsideOneToThreeAreSha1) {
    for (int v : {-1, 0, 4, 100}) {
        CSHA sha(v);
        EXPECT_EQ(sha.GetVariant(), 0);
        EXPECT_EQ(sha.GetDigestLength(), 20);
    }
    EXPECT_EQ(CSHA(1).GetDigestLength(), 32);
    EXPECT_EQ(CSHA(2).GetDigestLength(), 48);
    EXPECT_EQ(CSHA(3).GetDigestLength(), 64);
    EXPECT_EQ(CSHA::sm_H512[0], 0x6a09e667f3bcc908ULL);
    EXPECT_EQ(CSHA::sm_H384[7], 0x47b5481dbefa4fa4ULL);
    EXPECT_EQ(CRIPEMD(0).GetDigestLength(), 20);
    EXPECT_EQ(CMD5().GetDigestLength(), 16);
}

TEST(Digests, ShaExtensionAndPortableBlocksAgreeOnRandomData) {
    if (!vn_crypto::sha_extensions_available())
        GTEST_SKIP() << "processor without SHA extensions";
    std::mt19937 rng(99);
    std::vector<unsigned char> data(64 * 37);
    for (auto& c : data)
        c = static_cast<unsigned char>(rng());
    uint32_t s1a[5] = {1, 2, 3, 4, 5}, s1b[5] = {1, 2, 3, 4, 5};
    vn_crypto::sha1_blocks_shani(s1a, data.data(), 37);
    vn_crypto::sha1_blocks_portable(s1b, data.data(), 37);
    EXPECT_EQ(std::vector<uint32_t>(s1a, s1a + 5), std::vector<uint32_t>(s1b, s1b + 5));
    uint32_t s2a[8] = {8, 7, 6, 5, 4, 3, 2, 1}, s2b[8] = {8, 7, 6, 5, 4, 3, 2, 1};
    vn_crypto::sha256_blocks_shani(s2a, data.data(), 37);
    vn_crypto::sha256_blocks_portable(s2b, data.data(), 37);
    EXPECT_EQ(std::vector<uint32_t>(s2a, s2a + 8), std::vector<uint32_t>(s2b, s2b + 8));
    vn_crypto::set_sha_extensions_allowed(false);
    EXPECT_FALSE(vn_crypto::sha_extensions_in_use());
    vn_crypto::set_sha_extensions_allowed(true);
    EXPECT_TRUE(vn_crypto::sha_extensions_in_use());
}

TEST(Digests, Sha512VectorScheduleAndPortableBlocksAgree) {
    std::mt19937 rng(7);
    std::vector<unsigned char> data(128 * 21);
    for (auto& c : data)
        c = static_cast<unsigned char>(rng());
    uint64_t a[8] = {1, 2, 3, 4, 5, 6, 7, 8}, b[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    vn_crypto::sha512_blocks(a, data.data(), 21);
    vn_crypto::sha512_blocks_portable(b, data.data(), 21);
    EXPECT_EQ(std::vector<uint64_t>(a, a + 8), std::vector<uint64_t>(b, b + 8));
}
