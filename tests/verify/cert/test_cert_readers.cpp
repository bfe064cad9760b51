// The static DER readers of CCertInfo and the extension texts compared field by field with
// OpenSSL's view of every generated certificate.
#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/x509v3.h>

#include <cstring>
#include <string>

#include "CertInfo.h"
#include "CertTestSupport.h"
#include "ExtensionSSL.h"

namespace {

const char* const CorpusCerts[] = {"pki/root.der",           "pki/sub.der",           "pki/signer.der",
                                   "certs/full_rsa.der",     "certs/full_ec.der",     "certs/names_long.der",
                                   "certs/names_latin.der",  "certs/names_greek.der", "certs/dates_utc.der",
                                   "certs/dates_across.der", "certs/dates_gen.der",   "certs/v1.der"};

std::string objText(const ASN1_OBJECT* o) {
    char buf[256];
    OBJ_obj2txt(buf, sizeof(buf), o, 1);
    return buf;
}

std::string hexOf(const unsigned char* p, size_t n) {
    static const char d[] = "0123456789ABCDEF";
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        s.push_back(d[p[i] >> 4]);
        s.push_back(d[p[i] & 15]);
    }
    return s;
}

std::string bnHex(const BIGNUM* bn) {
    char* h = BN_bn2hex(bn);
    std::string s = h ? h : "";
    OPENSSL_free(h);
    return s;
}

// Seconds since 1970 of an ASN.1 time, by OpenSSL's own day arithmetic.
time_t epochOf(const ASN1_TIME* t) {
    ASN1_TIME* epoch = ASN1_TIME_set(nullptr, 0);
    int days = 0, secs = 0;
    ASN1_TIME_diff(&days, &secs, epoch, t);
    ASN1_TIME_free(epoch);
    return static_cast<time_t>(days) * 86400 + secs;
}

// The GeneralNames as the decoder writes them: string contents joined by ", ".
std::string generalNamesText(const GENERAL_NAMES* names) {
    std::string s;
    for (int i = 0; i < sk_GENERAL_NAME_num(names); ++i) {
        const GENERAL_NAME* g = sk_GENERAL_NAME_value(names, i);
        int type = 0;
        const ASN1_IA5STRING* str = static_cast<const ASN1_IA5STRING*>(GENERAL_NAME_get0_value(g, &type));
        if (!s.empty())
            s += ", ";
        s.append(reinterpret_cast<const char*>(ASN1_STRING_get0_data(str)), ASN1_STRING_length(str));
    }
    return s;
}

// What the formatter should say about extension i, from OpenSSL's decoding of it.
std::string expectedExtensionText(X509* x, int i) {
    X509_EXTENSION* ext = X509_get_ext(x, i);
    const int nid = OBJ_obj2nid(X509_EXTENSION_get_object(ext));
    void* decoded = X509V3_EXT_d2i(ext);
    std::string s;
    switch (nid) {
    case NID_subject_alt_name:
    case NID_issuer_alt_name:
        s = generalNamesText(static_cast<GENERAL_NAMES*>(decoded));
        GENERAL_NAMES_free(static_cast<GENERAL_NAMES*>(decoded));
        return s;
    case NID_key_usage: {
        ASN1_BIT_STRING* bits = static_cast<ASN1_BIT_STRING*>(decoded);
        s = hexOf(bits->data, bits->length);
        ASN1_BIT_STRING_free(bits);
        return s;
    }
    case NID_subject_key_identifier: {
        ASN1_OCTET_STRING* id = static_cast<ASN1_OCTET_STRING*>(decoded);
        s = hexOf(id->data, id->length);
        ASN1_OCTET_STRING_free(id);
        return s;
    }
    case NID_authority_key_identifier: {
        AUTHORITY_KEYID* akid = static_cast<AUTHORITY_KEYID*>(decoded);
        if (akid->keyid)
            s = hexOf(akid->keyid->data, akid->keyid->length);
        AUTHORITY_KEYID_free(akid);
        return s;
    }
    case NID_certificate_policies: {
        CERTIFICATEPOLICIES* pol = static_cast<CERTIFICATEPOLICIES*>(decoded);
        s = objText(sk_POLICYINFO_value(pol, 0)->policyid);
        CERTIFICATEPOLICIES_free(pol);
        return s;
    }
    case NID_info_access: {
        AUTHORITY_INFO_ACCESS* aia = static_cast<AUTHORITY_INFO_ACCESS*>(decoded);
        for (int k = 0; k < sk_ACCESS_DESCRIPTION_num(aia); ++k) {
            ACCESS_DESCRIPTION* ad = sk_ACCESS_DESCRIPTION_value(aia, k);
            const ASN1_IA5STRING* uri = ad->location->d.uniformResourceIdentifier;
            s += (k ? ", URI={" : "URI={") + objText(ad->method) + "=" +
                 std::string(reinterpret_cast<const char*>(uri->data), uri->length) + "}";
        }
        AUTHORITY_INFO_ACCESS_free(aia);
        return s;
    }
    case NID_crl_distribution_points: {
        CRL_DIST_POINTS* dps = static_cast<CRL_DIST_POINTS*>(decoded);
        for (int k = 0; k < sk_DIST_POINT_num(dps); ++k) {
            DIST_POINT* dp = sk_DIST_POINT_value(dps, k);
            auto piece = [&s](const std::string& p) { s += (s.empty() ? "" : ", ") + p; };
            if (dp->distpoint && dp->distpoint->type == 0)
                piece("URI={" + generalNamesText(dp->distpoint->name.fullname) + "}");
            if (dp->reasons)
                piece("reasons={" + hexOf(dp->reasons->data, dp->reasons->length) + "}");
            if (dp->CRLissuer)
                piece("cRLIssuer={countryName=DE, organizationName=CRL Issuer}");
        }
        CRL_DIST_POINTS_free(dps);
        return s;
    }
    default: break;
    }
    if (const X509V3_EXT_METHOD* method = X509V3_EXT_get(ext)) {
        if (method->it)
            ASN1_item_free(static_cast<ASN1_VALUE*>(decoded), ASN1_ITEM_ptr(method->it));
        else if (method->ext_free)
            method->ext_free(decoded);
    }
    const std::string dotted = objText(X509_EXTENSION_get_object(ext));
    if (dotted == "1.3.6.1.5.5.7.1.3")
        return "0.4.0.1862.1.1, 0.4.0.1862.1.4, 0.4.0";  // the last statement's OID is malformed
    if (dotted == "1.3.36.8.3.8") {
        const ASN1_OCTET_STRING* data = X509_EXTENSION_get_data(ext);
        const unsigned char* p = data->data;
        ASN1_UTF8STRING* u = d2i_ASN1_UTF8STRING(nullptr, &p, data->length);
        s.assign(reinterpret_cast<const char*>(ASN1_STRING_get0_data(u)), ASN1_STRING_length(u));
        ASN1_UTF8STRING_free(u);
        return s;
    }
    return "";
}

}  // namespace

TEST(CertReaders, EveryFieldMatchesOpenSSL) {
    ASSERT_FALSE(certCorpus().empty());
    for (const char* file : CorpusCerts) {
        SCOPED_TRACE(file);
        const Bytes der = corpusFile(file);
        X509Ptr x = parseX509(der);
        ASSERT_TRUE(x);
        const unsigned char* d = der.data();
        const unsigned int n = static_cast<unsigned int>(der.size());

        BIGNUM* serial = ASN1_INTEGER_to_BN(X509_get_serialNumber(x.get()), nullptr);
        EXPECT_EQ(bnHex(serial), CCertInfo::getSerialNum(d, n));
        BN_free(serial);
        EXPECT_STREQ(CCertInfo::getSerialNum(d, n), CCertInfo::S_getSerial(d, n));
        EXPECT_EQ(std::to_string(X509_get_version(x.get())), CCertInfo::getVersion(d, n));
        EXPECT_EQ(epochOf(X509_get0_notBefore(x.get())), CCertInfo::getNotBefore(d, n));
        EXPECT_EQ(epochOf(X509_get0_notAfter(x.get())), CCertInfo::getNotAfter(d, n));
        EXPECT_STREQ(CCertInfo::getIssuer(d, n), CCertInfo::S_getIssuerName(d, n));

        const X509_ALGOR* alg = nullptr;
        const ASN1_BIT_STRING* sig = nullptr;
        X509_get0_signature(&sig, &alg, x.get());
        const ASN1_OBJECT* algObj = nullptr;
        X509_ALGOR_get0(&algObj, nullptr, nullptr, alg);
        EXPECT_EQ(objText(algObj), CCertInfo::getCertSigOID(d, n));
        X509_ALGOR_get0(&algObj, nullptr, nullptr, X509_get0_tbs_sigalg(x.get()));
        EXPECT_EQ(objText(algObj), CCertInfo::getSignaturOID(d, n));
        EXPECT_EQ(hexOf(sig->data, sig->length), CCertInfo::getCertSigValue(d, n));

        X509_PUBKEY* pub = X509_get_X509_PUBKEY(x.get());
        ASN1_OBJECT* keyAlg = nullptr;
        X509_PUBKEY_get0_param(&keyAlg, nullptr, nullptr, nullptr, pub);
        EXPECT_EQ(objText(keyAlg), CCertInfo::getPkOID(d, n));
        EVP_PKEY* key = X509_get0_pubkey(x.get());
        if (EVP_PKEY_base_id(key) == EVP_PKEY_RSA) {
            const RSA* rsa = EVP_PKEY_get0_RSA(key);
            EXPECT_EQ(bnHex(RSA_get0_n(rsa)), CCertInfo::getPkMod(d, n));
            EXPECT_EQ(bnHex(RSA_get0_e(rsa)), CCertInfo::getPkExp(d, n));
            EXPECT_EQ(EVP_PKEY_bits(key), CCertInfo::getPkLen(d, n));
            EXPECT_EQ(RSA_size(rsa), CCertInfo::getPublicKeyBits(d, n));
            unsigned char* rsaDer = nullptr;
            const int rsaLen = i2d_RSAPublicKey(rsa, &rsaDer);
            EXPECT_EQ(rsaLen, CCertInfo::getPublicKeySize(d, n));
            DBs* rec = CCertInfo::getPublicKey(d, n);
            ASSERT_NE(rec, nullptr);
            EXPECT_EQ(Bytes(rsaDer, rsaDer + rsaLen), Bytes(rec->data, rec->data + rec->length));
            OPENSSL_free(rsaDer);
        } else {
            const EC_KEY* ec = EVP_PKEY_get0_EC_KEY(key);
            unsigned char* point = nullptr;
            const size_t len = EC_KEY_key2buf(ec, POINT_CONVERSION_UNCOMPRESSED, &point, nullptr);
            EXPECT_EQ(hexOf(point, len), CCertInfo::getPkMod(d, n));
            OPENSSL_free(point);
            EXPECT_EQ(objText(OBJ_nid2obj(EC_GROUP_get_curve_name(EC_KEY_get0_group(ec)))), CCertInfo::getPkExp(d, n));
            // The key BIT STRING: tag, length, unused-bits byte and the point.
            EXPECT_EQ(static_cast<int>(len + 3), CCertInfo::getPublicKeyBits(d, n));
            EXPECT_EQ(static_cast<int>(len + 3), CCertInfo::getPublicKeySize(d, n));
            ASSERT_NE(CCertInfo::getPublicKey(d, n), nullptr);
            EXPECT_EQ(0x03, CCertInfo::getPublicKey(d, n)->data[0]);
        }

        ASSERT_EQ(X509_get_ext_count(x.get()), CCertInfo::getExtensionNum(d, n));
        for (int i = 0; i < X509_get_ext_count(x.get()); ++i) {
            const std::string dotted = objText(X509_EXTENSION_get_object(X509_get_ext(x.get(), i)));
            SCOPED_TRACE(dotted);
            EXPECT_EQ(dotted, CCertInfo::getExtensionOID(d, n, i));
            EXPECT_EQ(expectedExtensionText(x.get(), i), CCertInfo::getExtensionValue(d, n, i));
        }
        EXPECT_STREQ("", CCertInfo::getExtensionOID(d, n, X509_get_ext_count(x.get())));
        EXPECT_STREQ("", CCertInfo::getExtensionValue(d, n, -1));
    }
}

TEST(CertReaders, NamesOfTheGeneratedCertificates) {
    const Bytes der = corpusFile("certs/full_rsa.der");
    const unsigned int n = static_cast<unsigned int>(der.size());
    EXPECT_STREQ("countryName=DE, organizationName=Test Trust, commonName=Full RSA",
                 CCertInfo::getSubject(der.data(), n));
    EXPECT_STREQ("countryName=DE, organizationName=Test Trust, commonName=Test Sub CA",
                 CCertInfo::getIssuer(der.data(), n));
    const Bytes v1 = corpusFile("certs/v1.der");
    EXPECT_STREQ("0", CCertInfo::getVersion(v1.data(), static_cast<unsigned int>(v1.size())));
    EXPECT_EQ(0, CCertInfo::getExtensionNum(v1.data(), static_cast<unsigned int>(v1.size())));
}

// Validity times are seconds in UTC whatever the host's zone: UTCTime before 2050 and
// GeneralizedTime from 2050 on.
TEST(CertReaders, ValidityTimesAreUtcInEveryZone) {
    const Bytes utc = corpusFile("certs/dates_utc.der");
    const Bytes across = corpusFile("certs/dates_across.der");
    const Bytes gen = corpusFile("certs/dates_gen.der");
    for (const char* zone : {"UTC", "Europe/Berlin", "America/New_York"}) {
        inZone(zone, [&] {
            SCOPED_TRACE(zone);
            EXPECT_EQ(645445800, CCertInfo::getNotBefore(utc.data(), static_cast<unsigned int>(utc.size())));
            EXPECT_EQ(2524607999, CCertInfo::getNotAfter(utc.data(), static_cast<unsigned int>(utc.size())));
            EXPECT_EQ(2506118400, CCertInfo::getNotBefore(across.data(), static_cast<unsigned int>(across.size())));
            EXPECT_EQ(2524608000, CCertInfo::getNotAfter(across.data(), static_cast<unsigned int>(across.size())));
            EXPECT_EQ(2562480550, CCertInfo::getNotBefore(gen.data(), static_cast<unsigned int>(gen.size())));
            EXPECT_EQ(4102444799, CCertInfo::getNotAfter(gen.data(), static_cast<unsigned int>(gen.size())));
        });
    }
}
