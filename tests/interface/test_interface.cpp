// The library's interface as its description gives it: the address of every public
// function, static member and data member of the exported classes and of every exported
// free function, taken with its exact type. A changed parameter, return type, constness
// or a lost overload stops this file from compiling; a function that is declared but not
// exported from libvorncryptossl.so stops it from linking.
#include <gtest/gtest.h>

#include "ASN1.h"
#include "Asn1AlgoIdent.h"
#include "Asn1Base.h"
#include "Asn1Cert.h"
#include "Asn1Pkcs7.h"
#include "CardObject.h"
#include "CertHandler.h"
#include "CertInfo.h"
#include "CertInfoSC.h"
#include "CertStore.h"
#include "Cms.h"
#include "ConfigSC.h"
#include "ConsoleDialogs.h"
#include "CrlSSL.h"
#include "DirHelp.h"
#include "ExtensionSSL.h"
#include "HashSSL.h"
#include "Http.h"
#include "LegacyProfile.h"
#include "MessageDigest.h"
#include "MinidriverCardData.h"
#include "MpArith.h"
#include "P15Profile.h"
#include "PKCS7SSL.h"
#include "PinInterface.h"
#include "PinObj.h"
#include "Pkcs15.h"
#include "Reader.h"
#include "Rsa.h"
#include "RsaSmall.h"
#include "SCM_Interface.h"
#include "SCTools.h"
#include "SCUtils.h"
#include "SC_Profile.h"
#include "SC_Profile_Base.h"
#include "SC_Profile_CardOS.h"
#include "SafeMem.h"
#include "ScPcsc.h"
#include "SignMessage.h"
#include "SmartCard.h"
#include "StatusThread.h"
#include "Tcos3sm.h"
#include "TimeStampSSL.h"
#include "VerifyMsg.h"
#include "VornCryptoSLL.h"
#include "vn_log.h"

namespace {

int g_null = 0;
int g_taken = 0;

// The explicit type is the only candidate: an overload set gives the member of exactly
// that type, and a single function of another type does not convert.
template <class F>
F* fn(F* p) {
    return p;
}
template <class T>
T* obj(T* p) {
    return p;
}
template <class C, class F>
F C::*mem(F C::*p) {
    return p;
}

template <class P>
void take(P p) {
    ++g_taken;
    if (p == nullptr)
        ++g_null;
}

}  // namespace

#define VN_FN(name, ...) take(fn<__VA_ARGS__>(&name))
#define VN_OBJ(name, ...) take(obj<__VA_ARGS__>(&name))
#define VN_MEM(cls, name, ...) take(mem<cls, __VA_ARGS__>(&cls::name))

// clang-format off
void takeEveryAddress() {
    // DBs (ASN1.h)
    VN_MEM(DBs, data, unsigned char *);
    VN_MEM(DBs, length, uint32_t);
    VN_MEM(DBs, end, const unsigned char *);
    // Asn1OidEntry (ASN1.h)
    VN_MEM(Asn1OidEntry, length, unsigned int);
    VN_MEM(Asn1OidEntry, der, const char *);
    VN_MEM(Asn1OidEntry, oid, const char *);
    VN_MEM(Asn1OidEntry, name, const char *);
    // CASN1 (ASN1.h)
    VN_OBJ(CASN1::ResultSize, const size_t);
    VN_FN(CASN1::getType, unsigned int (const unsigned char *));
    VN_FN(CASN1::getClass, unsigned int (const unsigned char *));
    VN_FN(CASN1::getContextNum, unsigned int (const unsigned char *));
    VN_FN(CASN1::readHeader, bool (const unsigned char *, size_t, Asn1Header &));
    VN_OBJ(CASN1::MaxNesting, const int);
    VN_FN(CASN1::getSeqLength, uint32_t (const unsigned char *, uint32_t &, unsigned char *, uint32_t));
    VN_FN(CASN1::GetNextItem, int (const unsigned char *, DBs *));
    VN_FN(CASN1::GetNextSubItem, int (const unsigned char *, DBs *));
    VN_FN(CASN1::getSubItems, int (const unsigned char *, uint32_t));
    VN_FN(CASN1::GetCertItem, int (const unsigned char *, uint32_t, int, DBs *));
    VN_FN(CASN1::GetAttrCertItem, int (const unsigned char *, uint32_t, int, DBs *));
    VN_FN(CASN1::GetCmsItem, int (const unsigned char *, uint32_t, int, DBs *));
    VN_FN(CASN1::GetCertSignatureAlgo, int (const unsigned char *, uint32_t));
    VN_FN(CASN1::GetCertValue, int (const unsigned char *, uint32_t, unsigned char *, uint32_t, uint32_t *));
    VN_FN(CASN1::getOID, char *(const unsigned char *, uint32_t, bool));
    VN_FN(CASN1::getOIDDescr, const char *(const char *));
    VN_FN(CASN1::getOIDDescrOpt, const char *(const char *));
    VN_FN(CASN1::getInteger, uint32_t (const unsigned char *, uint32_t));
    VN_FN(CASN1::getString, char *(const unsigned char *, uint32_t));
    VN_FN(CASN1::getBoolean, int (const unsigned char *, uint32_t));
    VN_FN(CASN1::getOctetString, char *(const unsigned char *, uint32_t));
    VN_FN(CASN1::getBitString, char *(const unsigned char *, uint32_t));
    VN_FN(CASN1::getBmpString, uint16_t *(const unsigned char *, uint32_t));
    VN_FN(CASN1::getGenTime, char *(const unsigned char *, uint32_t));
    VN_FN(CASN1::getGenTimeDate, char *(const unsigned char *, uint32_t));
    VN_FN(CASN1::getGenTimeTime, char *(const unsigned char *, uint32_t));
    VN_FN(CASN1::getGenTimeRaw, char *(const unsigned char *, uint32_t));
    VN_FN(CASN1::getGenName, char *(const unsigned char *, uint32_t));
    VN_FN(CASN1::getAttrCertType, int (const char *));
    VN_FN(CASN1::getExtensionCertType, int (const char *));
    VN_FN(CASN1::getAlgoId, unsigned int (DBs));
    VN_FN(CASN1::getCardName, int (const unsigned char *, uint32_t, char *, size_t));
    VN_FN(CASN1::getCardName1k, int (const unsigned char *, uint32_t, char *, size_t));
    VN_FN(CASN1::getCardSerial, int (const unsigned char *, uint32_t, unsigned char *, size_t, unsigned char *));
    VN_FN(CASN1::getPKCS1, int (const unsigned char *, uint32_t, DBs &));
    VN_FN(CASN1::getPKCS1_2, int (const unsigned char *, unsigned char **, uint32_t *));
    VN_FN(CASN1::EndianConv, void (const unsigned char *, unsigned char *, size_t));
    VN_FN(CASN1::endian_swap_short, unsigned short (unsigned short &));
    VN_FN(CASN1::encodeInteger, int (uint32_t, unsigned char *, uint32_t *));
    VN_FN(CASN1::GetLenBytes, int (uint32_t, unsigned char *, uint32_t *));
    VN_FN(CASN1::encodeOctetString, int (const unsigned char *, uint32_t, unsigned char *, uint32_t *));
    VN_FN(CASN1::encodeUTF8, int (const unsigned char *, uint32_t, unsigned char *, uint32_t *));
    VN_FN(CASN1::encodeBitString, int (uint32_t, unsigned char *, uint32_t *));
    // CAsn1Base (Asn1Base.h)
    VN_OBJ(CAsn1Base::ASN1_DECODE_ERROR, const int);
    VN_MEM(CAsn1Base, getError, int () const);
    VN_MEM(CAsn1Base, getAsn1Type, unsigned int () const);
    VN_MEM(CAsn1Base, getAsn1Length, unsigned int () const);
    VN_MEM(CAsn1Base, getDER, unsigned char *() const);
    VN_MEM(CAsn1Base, getDERlength, unsigned int () const);
    VN_MEM(CAsn1Base, decode, int ());
    VN_MEM(CAsn1Base, encode, int ());
    VN_MEM(CAsn1Base, resetPosition, int ());
    VN_MEM(CAsn1Base, nextItem, int ());
    VN_MEM(CAsn1Base, nextSubItem, int ());
    VN_MEM(CAsn1Base, getItemLen, unsigned int () const);
    VN_MEM(CAsn1Base, getDataLen, unsigned int () const);
    VN_MEM(CAsn1Base, getContentLen, unsigned int () const);
    VN_MEM(CAsn1Base, getData, unsigned char *() const);
    VN_FN(CAsn1Base::insertLength, int (unsigned char *, unsigned int, int, unsigned char, int));
    VN_FN(CAsn1Base::getEncodingSize, int (unsigned int, int));
    VN_FN(CAsn1Base::Tokenize, std::vector<std::string> (const std::string &, const std::string &));
    // CAsn1_Int (Asn1Base.h)
    VN_MEM(CAsn1_Int, decode, int ());
    VN_MEM(CAsn1_Int, encode, int ());
    VN_MEM(CAsn1_Int, getValue, int () const);
    VN_MEM(CAsn1_Int, getText, const std::string &() const);
    // CAsn1_Oid (Asn1Base.h)
    VN_MEM(CAsn1_Oid, decode, int ());
    VN_MEM(CAsn1_Oid, encode, int ());
    VN_MEM(CAsn1_Oid, getOid, const std::string &() const);
    VN_MEM(CAsn1_Oid, getName, const std::string &() const);
    // CAsn1_NullTag (Asn1Base.h)
    VN_MEM(CAsn1_NullTag, decode, int ());
    VN_MEM(CAsn1_NullTag, encode, int ());
    // CAsn1_BitString (Asn1Base.h)
    VN_MEM(CAsn1_BitString, decode, int ());
    VN_MEM(CAsn1_BitString, encode, int ());
    VN_MEM(CAsn1_BitString, getValue, const std::string &() const);
    VN_MEM(CAsn1_BitString, getBinaryData, unsigned char *() const);
    VN_MEM(CAsn1_BitString, getBinaryDataLen, unsigned int () const);
    // CAsn1_OctetString (Asn1Base.h)
    VN_MEM(CAsn1_OctetString, decode, int ());
    VN_MEM(CAsn1_OctetString, encode, int ());
    VN_MEM(CAsn1_OctetString, getValue, const std::string &() const);
    VN_MEM(CAsn1_OctetString, getBinaryData, unsigned char *() const);
    VN_MEM(CAsn1_OctetString, getBinaryDataLen, unsigned int () const);
    // CAsn1_IA5String (Asn1Base.h)
    VN_MEM(CAsn1_IA5String, decode, int ());
    VN_MEM(CAsn1_IA5String, encode, int ());
    VN_MEM(CAsn1_IA5String, getValue, const std::string &() const);
    // CAsn1_BmpString (Asn1Base.h)
    VN_MEM(CAsn1_BmpString, decode, int ());
    VN_MEM(CAsn1_BmpString, encode, int ());
    VN_MEM(CAsn1_BmpString, getValue, const std::string &() const);
    // CAsn1_UtcTime (Asn1Base.h)
    VN_MEM(CAsn1_UtcTime, decode, int ());
    VN_MEM(CAsn1_UtcTime, encode, int ());
    VN_MEM(CAsn1_UtcTime, getTime, long () const);
    // CAsn1_GeneralizedTime (Asn1Base.h)
    VN_MEM(CAsn1_GeneralizedTime, decode, int ());
    VN_MEM(CAsn1_GeneralizedTime, encode, int ());
    VN_MEM(CAsn1_GeneralizedTime, getValue, const std::string &() const);
    // CAsn1_Universal (Asn1Base.h)
    VN_MEM(CAsn1_Universal, decode, int ());
    VN_MEM(CAsn1_Universal, encode, int ());
    // CAsn1Helper (Asn1Base.h)
    VN_FN(CAsn1Helper::getUTCTime, long (const std::string &));
    VN_FN(CAsn1Helper::str2hex, int (const std::string &, unsigned char *, int &));
    VN_FN(CAsn1Helper::hex2str, void (const unsigned char *, unsigned int, std::string &));
    // CAsn1_AlgoIdent (Asn1AlgoIdent.h)
    VN_MEM(CAsn1_AlgoIdent, decode, int ());
    VN_MEM(CAsn1_AlgoIdent, encode, int ());
    VN_MEM(CAsn1_AlgoIdent, getAlgorithm, std::string () const);
    VN_MEM(CAsn1_AlgoIdent, getAlgorithmObject, CAsn1_Oid *() const);
    VN_MEM(CAsn1_AlgoIdent, getParameter, CAsn1Base *() const);
    VN_MEM(CAsn1_AlgoIdent, getAlgoHashLength, int () const);
    // CAsn1_PublicKeyRSA (Asn1Cert.h)
    VN_MEM(CAsn1_PublicKeyRSA, decode, int ());
    VN_MEM(CAsn1_PublicKeyRSA, encode, int ());
    VN_MEM(CAsn1_PublicKeyRSA, getKeySize, int () const);
    VN_MEM(CAsn1_PublicKeyRSA, getModulus, CAsn1_OctetString *() const);
    VN_MEM(CAsn1_PublicKeyRSA, getExponent, CAsn1_Int *() const);
    // CAsn1_PublicKeyEC (Asn1Cert.h)
    VN_MEM(CAsn1_PublicKeyEC, decode, int ());
    VN_MEM(CAsn1_PublicKeyEC, encode, int ());
    VN_MEM(CAsn1_PublicKeyEC, getKeySize, int () const);
    VN_MEM(CAsn1_PublicKeyEC, getKeyValue, CAsn1_OctetString *() const);
    VN_MEM(CAsn1_PublicKeyEC, getCurve, CAsn1_Oid *() const);
    VN_MEM(CAsn1_PublicKeyEC, getKeyPoint, CAsn1_BitString *() const);
    // CAsn1_PublicKey (Asn1Cert.h)
    VN_MEM(CAsn1_PublicKey, decode, int ());
    VN_MEM(CAsn1_PublicKey, encode, int ());
    VN_MEM(CAsn1_PublicKey, getAlgoOID, std::string () const);
    VN_MEM(CAsn1_PublicKey, isRSA, bool () const);
    VN_MEM(CAsn1_PublicKey, isEC, bool () const);
    VN_MEM(CAsn1_PublicKey, getKeyLength, int ());
    VN_MEM(CAsn1_PublicKey, getAlgorithm, CAsn1_AlgoIdent *() const);
    VN_MEM(CAsn1_PublicKey, getKeyBits, CAsn1_BitString *() const);
    VN_MEM(CAsn1_PublicKey, getRSAKey, CAsn1_PublicKeyRSA *() const);
    VN_MEM(CAsn1_PublicKey, getECKey, CAsn1_PublicKeyEC *() const);
    VN_FN(CAsn1_PublicKey::curveBits, int (const std::string &));
    // CAsn1_Cert (Asn1Cert.h)
    VN_MEM(CAsn1_Cert, decode, int ());
    VN_MEM(CAsn1_Cert, encode, int ());
    VN_MEM(CAsn1_Cert, getIssuerDn, unsigned char *() const);
    VN_MEM(CAsn1_Cert, getIssuerDnLength, unsigned int () const);
    VN_MEM(CAsn1_Cert, getSerial, unsigned char *() const);
    VN_MEM(CAsn1_Cert, getSerialLength, unsigned int () const);
    VN_MEM(CAsn1_Cert, getPublicKeyLength, int () const);
    VN_MEM(CAsn1_Cert, getPublicKeyOID, std::string () const);
    VN_MEM(CAsn1_Cert, isPublicKeyRSA, bool () const);
    VN_MEM(CAsn1_Cert, isPublicKeyEC, bool () const);
    VN_MEM(CAsn1_Cert, getPublicKey, CAsn1_PublicKey *() const);
    VN_FN(::pkcs1_like_from_raw_ecdsa_signature, int (const unsigned char *, unsigned int, unsigned char **));
    // CAsn1_Crl (Asn1Pkcs7.h)
    VN_MEM(CAsn1_Crl, decode, int ());
    VN_MEM(CAsn1_Crl, encode, int ());
    // CAsn1_AlgoIdent_Params (Asn1Pkcs7.h)
    VN_MEM(CAsn1_AlgoIdent_Params, decode, int ());
    VN_MEM(CAsn1_AlgoIdent_Params, encode, int ());
    VN_MEM(CAsn1_AlgoIdent_Params, getHashAlgorithm, CAsn1_AlgoIdent *() const);
    VN_MEM(CAsn1_AlgoIdent_Params, getMaskAlgorithm, CAsn1_AlgoIdent *() const);
    VN_MEM(CAsn1_AlgoIdent_Params, getMaskHashAlgorithm, CAsn1_AlgoIdent *() const);
    VN_MEM(CAsn1_AlgoIdent_Params, getSaltLength, int () const);
    // CAsn1_IssuerAndSerial (Asn1Pkcs7.h)
    VN_MEM(CAsn1_IssuerAndSerial, getDER, unsigned char *() const);
    VN_MEM(CAsn1_IssuerAndSerial, getDERlength, unsigned int () const);
    VN_MEM(CAsn1_IssuerAndSerial, decode, int ());
    VN_MEM(CAsn1_IssuerAndSerial, encode, int ());
    VN_MEM(CAsn1_IssuerAndSerial, getIssuer, const std::vector<unsigned char> &() const);
    VN_MEM(CAsn1_IssuerAndSerial, getSerial, const std::vector<unsigned char> &() const);
    // CAsn1_IssuerSerial (Asn1Pkcs7.h)
    VN_MEM(CAsn1_IssuerSerial, getDER, unsigned char *() const);
    VN_MEM(CAsn1_IssuerSerial, getDERlength, unsigned int () const);
    VN_MEM(CAsn1_IssuerSerial, decode, int ());
    VN_MEM(CAsn1_IssuerSerial, encode, int ());
    VN_MEM(CAsn1_IssuerSerial, getIssuer, const std::vector<unsigned char> &() const);
    VN_MEM(CAsn1_IssuerSerial, getSerial, const std::vector<unsigned char> &() const);
    // CAsn1_EssCertIdV2 (Asn1Pkcs7.h)
    VN_MEM(CAsn1_EssCertIdV2, decode, int ());
    VN_MEM(CAsn1_EssCertIdV2, encode, int ());
    VN_MEM(CAsn1_EssCertIdV2, getHashAlgorithm, CAsn1_AlgoIdent *() const);
    VN_MEM(CAsn1_EssCertIdV2, getCertHash, CAsn1_OctetString *() const);
    VN_MEM(CAsn1_EssCertIdV2, getIssuerSerial, CAsn1_IssuerSerial *() const);
    // CAsn1_Attribute (Asn1Pkcs7.h)
    VN_OBJ(CAsn1_Attribute::TYPE_OCTETSTRING, const int);
    VN_OBJ(CAsn1_Attribute::TYPE_OID, const int);
    VN_OBJ(CAsn1_Attribute::TYPE_UTCTIME, const int);
    VN_OBJ(CAsn1_Attribute::ERROR_BAD_TYPE, const int);
    VN_MEM(CAsn1_Attribute, decode, int ());
    VN_MEM(CAsn1_Attribute, encode, int ());
    VN_MEM(CAsn1_Attribute, getType, CAsn1_Oid *() const);
    VN_MEM(CAsn1_Attribute, getOid, std::string () const);
    VN_MEM(CAsn1_Attribute, getValue, CAsn1Base *() const);
    VN_MEM(CAsn1_Attribute, getValueNum, int () const);
    VN_MEM(CAsn1_Attribute, getValue, CAsn1Base *(int) const);
    // CAsn1_AuthAttributes (Asn1Pkcs7.h)
    VN_MEM(CAsn1_AuthAttributes, getDER, unsigned char *() const);
    VN_MEM(CAsn1_AuthAttributes, getDERlength, unsigned int () const);
    VN_MEM(CAsn1_AuthAttributes, decode, int ());
    VN_MEM(CAsn1_AuthAttributes, encode, int ());
    VN_MEM(CAsn1_AuthAttributes, addAttribute, int (CAsn1_Attribute *));
    VN_MEM(CAsn1_AuthAttributes, getAttribute, CAsn1_Attribute *(int) const);
    VN_MEM(CAsn1_AuthAttributes, getAttributeNum, int () const);
    VN_MEM(CAsn1_AuthAttributes, findAttribute, CAsn1_Attribute *(const std::string &) const);
    // CAsn1_UnauthAttributes (Asn1Pkcs7.h)
    VN_MEM(CAsn1_UnauthAttributes, decode, int ());
    VN_MEM(CAsn1_UnauthAttributes, encode, int ());
    VN_MEM(CAsn1_UnauthAttributes, getAttribute, CAsn1_Attribute *(int) const);
    VN_MEM(CAsn1_UnauthAttributes, getAttributeNum, int () const);
    // CAsn1_ContentInfo (Asn1Pkcs7.h)
    VN_MEM(CAsn1_ContentInfo, decode, int ());
    VN_MEM(CAsn1_ContentInfo, encode, int ());
    VN_MEM(CAsn1_ContentInfo, getContentType, CAsn1_Oid *() const);
    VN_MEM(CAsn1_ContentInfo, getContent, CAsn1_OctetString *() const);
    // CAsn1_SignerInfo (Asn1Pkcs7.h)
    VN_MEM(CAsn1_SignerInfo, decode, int ());
    VN_MEM(CAsn1_SignerInfo, encode, int ());
    VN_MEM(CAsn1_SignerInfo, setSignature, int (CAsn1_OctetString *));
    VN_MEM(CAsn1_SignerInfo, isPSS, bool () const);
    VN_MEM(CAsn1_SignerInfo, isECDSA, bool () const);
    VN_MEM(CAsn1_SignerInfo, getSiganture, CAsn1_OctetString *(bool) const);
    VN_MEM(CAsn1_SignerInfo, getRawECDSA_SignatureData, CAsn1_OctetString *() const);
    VN_MEM(CAsn1_SignerInfo, getVersion, CAsn1_Int *() const);
    VN_MEM(CAsn1_SignerInfo, getIssuerAndSerial, CAsn1_IssuerAndSerial *() const);
    VN_MEM(CAsn1_SignerInfo, getDigestAlgorithm, CAsn1_AlgoIdent *() const);
    VN_MEM(CAsn1_SignerInfo, getAuthAttributes, CAsn1_AuthAttributes *() const);
    VN_MEM(CAsn1_SignerInfo, getSignatureAlgorithm, CAsn1_AlgoIdent *() const);
    VN_MEM(CAsn1_SignerInfo, getUnauthAttributes, CAsn1_UnauthAttributes *() const);
    // CAsn1_Pkcs7_Sd (Asn1Pkcs7.h)
    VN_MEM(CAsn1_Pkcs7_Sd, getError, int () const);
    VN_MEM(CAsn1_Pkcs7_Sd, decode, int ());
    VN_MEM(CAsn1_Pkcs7_Sd, encode, int ());
    VN_MEM(CAsn1_Pkcs7_Sd, getSignerInfo, CAsn1_SignerInfo *(int) const);
    VN_MEM(CAsn1_Pkcs7_Sd, getSignerInfoNum, int () const);
    VN_MEM(CAsn1_Pkcs7_Sd, setSignature, int (int, CAsn1_OctetString *));
    VN_MEM(CAsn1_Pkcs7_Sd, getVersion, CAsn1_Int *() const);
    VN_MEM(CAsn1_Pkcs7_Sd, getDigestAlgorithmNum, int () const);
    VN_MEM(CAsn1_Pkcs7_Sd, getDigestAlgorithm, CAsn1_AlgoIdent *(int) const);
    VN_MEM(CAsn1_Pkcs7_Sd, getContentInfo, CAsn1_ContentInfo *() const);
    VN_MEM(CAsn1_Pkcs7_Sd, getCertificateNum, int () const);
    VN_MEM(CAsn1_Pkcs7_Sd, getCertificate, CAsn1_Cert *(int) const);
    VN_MEM(CAsn1_Pkcs7_Sd, getCrlNum, int () const);
    VN_MEM(CAsn1_Pkcs7_Sd, getCrl, CAsn1_Crl *(int) const);
    // CAsn1_KeyTransportRecipientInfo (Asn1Pkcs7.h)
    VN_MEM(CAsn1_KeyTransportRecipientInfo, decode, int ());
    VN_MEM(CAsn1_KeyTransportRecipientInfo, encode, int ());
    VN_MEM(CAsn1_KeyTransportRecipientInfo, getVersion, CAsn1_Int *() const);
    // CAsn1_RecipientInfo (Asn1Pkcs7.h)
    VN_MEM(CAsn1_RecipientInfo, decode, int ());
    VN_MEM(CAsn1_RecipientInfo, encode, int ());
    VN_MEM(CAsn1_RecipientInfo, getKeyTransport, CAsn1_KeyTransportRecipientInfo *() const);
    VN_MEM(CAsn1_RecipientInfo, getOther, CAsn1_Universal *() const);
    // CAsn1_OriginatorInfo (Asn1Pkcs7.h)
    VN_MEM(CAsn1_OriginatorInfo, decode, int ());
    VN_MEM(CAsn1_OriginatorInfo, encode, int ());
    VN_MEM(CAsn1_OriginatorInfo, getCertificateNum, int () const);
    VN_MEM(CAsn1_OriginatorInfo, getCrlNum, int () const);
    // CAsn1_Pkcs7_Ed (Asn1Pkcs7.h)
    VN_MEM(CAsn1_Pkcs7_Ed, getError, int () const);
    VN_MEM(CAsn1_Pkcs7_Ed, decode, int ());
    VN_MEM(CAsn1_Pkcs7_Ed, encode, int ());
    VN_MEM(CAsn1_Pkcs7_Ed, getVersion, CAsn1_Int *() const);
    VN_MEM(CAsn1_Pkcs7_Ed, getOriginatorInfo, CAsn1_OriginatorInfo *() const);
    VN_MEM(CAsn1_Pkcs7_Ed, getRecipientInfoNum, int () const);
    VN_MEM(CAsn1_Pkcs7_Ed, getRecipientInfo, CAsn1_RecipientInfo *(int) const);
    VN_MEM(CAsn1_Pkcs7_Ed, getEncryptedContentInfo, CAsn1_Universal *() const);
    VN_MEM(CAsn1_Pkcs7_Ed, getUnprotectedAttributes, CAsn1_UnauthAttributes *() const);
    // CAsn1_Pkcs7 (Asn1Pkcs7.h)
    VN_OBJ(CAsn1_Pkcs7::SIG_RSA_PKCS1, const int);
    VN_OBJ(CAsn1_Pkcs7::SIG_RSA_PSS, const int);
    VN_OBJ(CAsn1_Pkcs7::SIG_ECDSA, const int);
    VN_OBJ(CAsn1_Pkcs7::CT_DATA, const int);
    VN_OBJ(CAsn1_Pkcs7::CT_SIGNED_DATA, const int);
    VN_OBJ(CAsn1_Pkcs7::CT_ENVELOPED_DATA, const int);
    VN_MEM(CAsn1_Pkcs7, getError, int () const);
    VN_MEM(CAsn1_Pkcs7, decode, int ());
    VN_MEM(CAsn1_Pkcs7, encode, int ());
    VN_MEM(CAsn1_Pkcs7, setContentType, void (int));
    VN_MEM(CAsn1_Pkcs7, setSigAlgo, void (int));
    VN_MEM(CAsn1_Pkcs7, getSigAlgo, int () const);
    VN_MEM(CAsn1_Pkcs7, setContent_SignedData, int (unsigned char *, unsigned int, int, unsigned char *, int, timeb *, bool, int, std::string, std::list<CAsn1_Cert *> *));
    VN_MEM(CAsn1_Pkcs7, setSignature, int (int, unsigned char *, unsigned int));
    VN_MEM(CAsn1_Pkcs7, getAuthAttributes, CAsn1_AuthAttributes *(int) const);
    VN_MEM(CAsn1_Pkcs7, getSignature, CAsn1_OctetString *(int, bool) const);
    VN_MEM(CAsn1_Pkcs7, getVersion, int () const);
    VN_MEM(CAsn1_Pkcs7, getContentTypeNum, int () const);
    VN_MEM(CAsn1_Pkcs7, getContentType, CAsn1_Oid *() const);
    VN_MEM(CAsn1_Pkcs7, getSignedData, CAsn1_Pkcs7_Sd *() const);
    VN_MEM(CAsn1_Pkcs7, getEnvelopedData, CAsn1_Pkcs7_Ed *() const);
    VN_FN(CAsn1_Pkcs7::checkCadesLevel, bool (std::string, int));
    // CCardObject (CardObject.h)
    VN_MEM(CCardObject, m_type, int);
    VN_MEM(CCardObject, m_label, std::string);
    VN_MEM(CCardObject, m_profileType, int);
    VN_MEM(CCardObject, m_certPath, std::string);
    VN_MEM(CCardObject, m_certOffset, int);
    VN_MEM(CCardObject, m_certLength, int);
    VN_MEM(CCardObject, m_keyPath, std::string);
    VN_MEM(CCardObject, m_pinPath, std::string);
    VN_MEM(CCardObject, m_pinRef, unsigned char);
    VN_MEM(CCardObject, m_keyRef, unsigned char);
    VN_MEM(CCardObject, m_keyBits, int);
    VN_MEM(CCardObject, m_keyClass, int);
    VN_MEM(CCardObject, m_pinName, std::string);
    VN_MEM(CCardObject, m_singleSign, bool);
    VN_MEM(CCardObject, m_isCA, bool);
    VN_MEM(CCardObject, m_usage, int);
    VN_MEM(CCardObject, m_decipherFlag, bool);
    // CCertInfo (CertInfo.h)
    VN_OBJ(CCertInfo::FieldSize, const int);
    VN_OBJ(CCertInfo::SSL_CHAIN_END, const int);
    VN_OBJ(CCertInfo::SSL_CERT_ERROR, const int);
    VN_MEM(CCertInfo, GetCSP, char *());
    VN_MEM(CCertInfo, GetFingerPrint, char *());
    VN_MEM(CCertInfo, GetSubPubKey, char *());
    VN_MEM(CCertInfo, GetSubPubKeyAlg, char *());
    VN_MEM(CCertInfo, GetSubject, char *());
    VN_MEM(CCertInfo, GetIssuer, char *());
    VN_MEM(CCertInfo, GetNotAfter, char *());
    VN_MEM(CCertInfo, GetNotBefore, char *());
    VN_MEM(CCertInfo, GetSignatureAlg, char *());
    VN_MEM(CCertInfo, GetCertVersion, char *());
    VN_MEM(CCertInfo, GetSerialNumber, char *());
    VN_MEM(CCertInfo, GetX509Cert, X509 *());
    VN_MEM(CCertInfo, SetFingerPrint, int (const char *));
    VN_MEM(CCertInfo, SetSubPubKey, int (const char *));
    VN_MEM(CCertInfo, SetSubPubKeyAlg, int (const char *));
    VN_MEM(CCertInfo, SetSubject, int (const char *));
    VN_MEM(CCertInfo, SetIssuer, int (const char *));
    VN_MEM(CCertInfo, NotAfter, int (const char *));
    VN_MEM(CCertInfo, NotBefore, int (const char *));
    VN_MEM(CCertInfo, SetSignatureAlg, int (const char *));
    VN_MEM(CCertInfo, SetCertVersion, int (const char *));
    VN_MEM(CCertInfo, SetSerialNumber, int (const char *));
    VN_MEM(CCertInfo, NotAfterRaw, int (const char *));
    VN_MEM(CCertInfo, NotBeforeRaw, int (const char *));
    VN_MEM(CCertInfo, DisplayName, int (const char *));
    VN_MEM(CCertInfo, SSLprefix, int (const char *));
    VN_MEM(CCertInfo, SSLdir, int (const char *));
    VN_MEM(CCertInfo, SSLcertfilename, int (const char *));
    VN_MEM(CCertInfo, SSLpkeyfilename, int (const char *));
    VN_MEM(CCertInfo, SetCertID, int (const char *));
    VN_MEM(CCertInfo, SetX509Cert, int (X509 *));
    VN_MEM(CCertInfo, SetX509Cert, int (const unsigned char *, unsigned int));
    VN_MEM(CCertInfo, GetNumberOfFields, int ());
    VN_MEM(CCertInfo, GetFieldName, const char *(int));
    VN_MEM(CCertInfo, GetNumberOfDetails, int (int));
    VN_MEM(CCertInfo, GetDetails, const char *(int, int));
    VN_MEM(CCertInfo, GetCertFieldSSL, int (const char *, char *, unsigned int *));
    VN_FN(CCertInfo::GetCertFieldX509, int (X509 *, const char *, char *, unsigned int *));
    VN_FN(CCertInfo::getSubject, char *(const unsigned char *, unsigned int));
    VN_FN(CCertInfo::getIssuer, char *(const unsigned char *, unsigned int));
    VN_FN(CCertInfo::S_getIssuerName, char *(const unsigned char *, unsigned int));
    VN_FN(CCertInfo::getSerialNum, char *(const unsigned char *, unsigned int));
    VN_FN(CCertInfo::S_getSerial, char *(const unsigned char *, unsigned int));
    VN_FN(CCertInfo::getNotBefore, time_t (const unsigned char *, unsigned int));
    VN_FN(CCertInfo::getNotAfter, time_t (const unsigned char *, unsigned int));
    VN_FN(CCertInfo::getVersion, char *(const unsigned char *, unsigned int));
    VN_FN(CCertInfo::getPkOID, char *(const unsigned char *, unsigned int));
    VN_FN(CCertInfo::getPkMod, char *(const unsigned char *, unsigned int));
    VN_FN(CCertInfo::getPkExp, char *(const unsigned char *, unsigned int));
    VN_FN(CCertInfo::getPkLen, int (const unsigned char *, unsigned int));
    VN_FN(CCertInfo::getSignaturOID, char *(const unsigned char *, unsigned int));
    VN_FN(CCertInfo::getCertSigOID, char *(const unsigned char *, unsigned int));
    VN_FN(CCertInfo::getCertSigValue, char *(const unsigned char *, unsigned int));
    VN_FN(CCertInfo::getExtensionNum, int (const unsigned char *, unsigned int));
    VN_FN(CCertInfo::getExtensionOID, char *(const unsigned char *, unsigned int, int));
    VN_FN(CCertInfo::getExtensionValue, char *(const unsigned char *, unsigned int, int));
    VN_FN(CCertInfo::getPublicKeyBits, int (const unsigned char *, unsigned int));
    VN_FN(CCertInfo::getPublicKeySize, int (const unsigned char *, unsigned int));
    VN_FN(CCertInfo::getPublicKey, DBs *(const unsigned char *, unsigned int));
    VN_FN(CCertInfo::A_getSubject, char *(const unsigned char *, unsigned int));
    VN_FN(CCertInfo::A_getSubjectSerial, char *(const unsigned char *, unsigned int));
    VN_FN(CCertInfo::A_getIssuer, char *(const unsigned char *, unsigned int));
    VN_FN(CCertInfo::A_getSignatureOID, char *(const unsigned char *, unsigned int));
    VN_FN(CCertInfo::A_getSerial, char *(const unsigned char *, unsigned int));
    VN_FN(CCertInfo::A_getNotBefore, time_t (const unsigned char *, unsigned int));
    VN_FN(CCertInfo::A_getNotAfter, time_t (const unsigned char *, unsigned int));
    VN_FN(CCertInfo::A_getAttributeNum, int (const unsigned char *, unsigned int));
    VN_FN(CCertInfo::A_getAttributeOID, char *(const unsigned char *, unsigned int, int));
    VN_FN(CCertInfo::A_getAttributeValue, char *(const unsigned char *, unsigned int, int));
    VN_FN(CCertInfo::A_getExtensionNum, int (const unsigned char *, unsigned int));
    VN_FN(CCertInfo::A_getExtensionOID, char *(const unsigned char *, unsigned int, int));
    VN_FN(CCertInfo::A_getExtensionValue, char *(const unsigned char *, unsigned int, int));
    VN_FN(CCertInfo::getDisplayname, int (const unsigned char *, unsigned int));
    VN_FN(CCertInfo::getFingerprint, int (const unsigned char *, unsigned int));
    VN_FN(CCertInfo::getSignatur, int (const unsigned char *, unsigned int));
    VN_FN(CCertInfo::getKeyUsage, int (const unsigned char *, unsigned int));
    VN_FN(CCertInfo::S_getPublicKey, int (const unsigned char *, unsigned int));
    VN_FN(CCertInfo::S_getHash, int (const unsigned char *, unsigned int));
    VN_FN(CCertInfo::GetCertRawLength, int (const unsigned char *, unsigned int));
    VN_FN(CCertInfo::GetCertRaw, int (const unsigned char *, unsigned int, unsigned char *));
    VN_FN(CCertInfo::GetChainSize, int (const unsigned char *, unsigned int));
    VN_FN(CCertInfo::GetNextChainCert, int (const unsigned char *, unsigned int, unsigned char *, unsigned int *));
    VN_FN(CCertInfo::CheckCertSignature, int (const unsigned char *, unsigned int, const unsigned char *, unsigned int));
    VN_FN(CCertInfo::ReadX509, X509 *(const char *, bool));
    VN_FN(CCertInfo::InitSSL_CAStore, int (const char *, bool));
    VN_FN(CCertInfo::AddDir2Store, int (const char *, X509_STORE *, bool));
    VN_FN(CCertInfo::AddCert2Store, int (const char *, X509_STORE *, bool));
    VN_FN(CCertInfo::AddCertToSSL_CAStore, int (const unsigned char *, unsigned int));
    VN_FN(CCertInfo::CleanUpSSL_CAStore, void ());
    VN_FN(CCertInfo::sslGetNextChainCert, int (const unsigned char *, unsigned int, unsigned char *, unsigned int *, const char *));
    VN_FN(CCertInfo::sslGetChainSize, int (const unsigned char *, unsigned int, const char *));
    VN_FN(CCertInfo::sslCheckCertSignature, int (const unsigned char *, unsigned int, const unsigned char *, unsigned int, const char *));
    VN_OBJ(CCertInfo::m_store, X509_STORE *);
    VN_OBJ(CCertInfo::m_storePath, std::string);
    VN_OBJ(CCertInfo::m_logger, log4cxx::LoggerPtr);
    // CCertHandler (CertHandler.h)
    VN_OBJ(CCertHandler::NameSize, const int);
    VN_OBJ(CCertHandler::DateSize, const int);
    VN_OBJ(CCertHandler::PubkeySize, const int);
    VN_OBJ(CCertHandler::ReadableNameFlags, const unsigned long);
    VN_MEM(CCertHandler, GetEntrySSL, CCertInfo *(X509 *));
    VN_MEM(CCertHandler, GetEntrySSL, CCertInfo *(const char *, const char *, int, int));
    VN_MEM(CCertHandler, GetCertFromPKCS7, CCertInfo *(const unsigned char *, unsigned int));
    VN_FN(CCertHandler::GetSerialNumberSSL, int (X509 *, char *, int));
    VN_FN(CCertHandler::GetSignatureAlgSSL, int (X509 *, char *, int));
    VN_FN(CCertHandler::GetNotBeforeSSL, int (X509 *, char *, int));
    VN_FN(CCertHandler::GetNotAfterSSL, int (X509 *, char *, int));
    VN_FN(CCertHandler::GetSubjectSSL, int (X509 *, char *, int));
    VN_FN(CCertHandler::GetIssuerSSL, int (X509 *, char *, int));
    VN_FN(CCertHandler::GetSubjectsNameSSL, int (X509 *, char *, int));
    VN_FN(CCertHandler::GetFingerPrintSSL, int (X509 *, char *, int));
    VN_FN(CCertHandler::GetCertVersionSSL, long (X509 *));
    VN_FN(CCertHandler::GetKeyUsageSSL, int (X509 *, char *, int));
    VN_FN(CCertHandler::GetPubkeySSL, int (X509 *, char *));
    VN_FN(CCertHandler::X509_NAME_oneline_readable, char *(X509_NAME *, char *, int));
    VN_FN(CCertHandler::uft8iso, void (char *));
    VN_FN(CCertHandler::X509_NAME_oneline_ex, int (X509_NAME *, char *, unsigned int *, unsigned long));
    VN_FN(CCertHandler::ASN1_UTCTIME_get, time_t (const ASN1_TIME *));
    VN_MEM(CCertHandler, HashBlob, int (unsigned char *, unsigned int, int, unsigned char *, int *));
    VN_OBJ(CCertHandler::m_logger, log4cxx::LoggerPtr);
    // CCertInfoSC (CertInfoSC.h)
    VN_MEM(CCertInfoSC, getLabel, const std::string &() const);
    VN_MEM(CCertInfoSC, getCertData, unsigned char *());
    VN_MEM(CCertInfoSC, getCertDataLen, unsigned short () const);
    VN_MEM(CCertInfoSC, isCA, bool () const);
    VN_MEM(CCertInfoSC, setCA, void (bool));
    VN_MEM(CCertInfoSC, getSubject, std::string () const);
    VN_MEM(CCertInfoSC, getIssuer, std::string () const);
    VN_MEM(CCertInfoSC, getSerialNum, std::string () const);
    VN_MEM(CCertInfoSC, getDER, int (int, unsigned char *, unsigned int *) const);
    VN_MEM(CCertInfoSC, GetPublicKeyMod, int (unsigned char *, unsigned int *, unsigned int *) const);
    VN_MEM(CCertInfoSC, GetPublicKeyExp, int (unsigned char *, unsigned int *) const);
    VN_MEM(CCertInfoSC, IsVistaDummyCert, bool () const);
    VN_FN(CCertInfoSC::CorrectCert, void (unsigned char *, unsigned short *));
    VN_FN(CCertInfoSC::derHeader, bool (const unsigned char *, size_t, unsigned int *, unsigned int *));
    VN_MEM(CCertInfoSC, m_label, std::string);
    VN_MEM(CCertInfoSC, m_data, std::vector<unsigned char>);
    VN_MEM(CCertInfoSC, m_length, unsigned short);
    VN_MEM(CCertInfoSC, m_isCA, bool);
    // CCertStore (CertStore.h)
    VN_MEM(CCertStore, GetCertNum, int ());
    VN_MEM(CCertStore, GetCert, int (int, unsigned char *, unsigned int *));
    VN_MEM(CCertStore, EncryptMsg, int (const unsigned char *, unsigned int, const unsigned char *, unsigned int, unsigned char *, unsigned int *));
    VN_MEM(CCertStore, EncryptMsgMulti, int (const unsigned char *, unsigned int, const unsigned char **, const unsigned int *, int, unsigned char *, unsigned int *));
    VN_MEM(CCertStore, GetCipherCert, int (const unsigned char *, unsigned int, unsigned char *, unsigned int *));
    VN_MEM(CCertStore, DecryptMsg, int (const unsigned char *, unsigned int, unsigned char *, unsigned int *));
    // CCmsDataContent (Cms.h)
    VN_MEM(CCmsDataContent, operator=, CCmsDataContent &(const CCmsDataContent &));
    VN_MEM(CCmsDataContent, getPbCmsData, unsigned char *() const);
    VN_MEM(CCmsDataContent, getCbCmsData, unsigned int () const);
    VN_MEM(CCmsDataContent, getError, int () const);
    VN_OBJ(CCmsDataContent::m_logger, log4cxx::LoggerPtr);
    // CCms (Cms.h)
    VN_OBJ(CCms::CMS_ERROR, const int);
    VN_MEM(CCms, operator=, CCms &(const CCms &));
    VN_MEM(CCms, getPbCms, unsigned char *() const);
    VN_MEM(CCms, getCbCms, unsigned int () const);
    VN_MEM(CCms, getDataContent, CCmsDataContent *() const);
    VN_MEM(CCms, getDataContentType, const char *() const);
    VN_MEM(CCms, setDataContentType, void (const char *));
    VN_MEM(CCms, setDataContent, void (const CCmsDataContent *));
    VN_MEM(CCms, getError, int () const);
    VN_FN(CCms::GetData, int (unsigned char *, unsigned int));
    VN_OBJ(CCms::m_logger, log4cxx::LoggerPtr);
    // ConfigSC (ConfigSC.h)
    VN_MEM(ConfigSC, readLUConfigSC, int ());
    VN_MEM(ConfigSC, readLMConfigSC, int ());
    VN_MEM(ConfigSC, writeLUConfigSC, int ());
    VN_MEM(ConfigSC, canUsePINDlgCallbackFunc, bool ());
    VN_MEM(ConfigSC, language, int32_t);
    VN_MEM(ConfigSC, logEnabled, bool);
    VN_MEM(ConfigSC, logLevel, int32_t);
    VN_MEM(ConfigSC, maxReadChunk, uint32_t);
    VN_MEM(ConfigSC, logFile, std::string);
    VN_MEM(ConfigSC, hideUnusedCerts, bool);
    VN_MEM(ConfigSC, hasAuthCert, bool);
    VN_MEM(ConfigSC, keyboardPIN, bool);
    VN_MEM(ConfigSC, pinDialogEnabled, bool);
    VN_MEM(ConfigSC, isService, bool);
    VN_MEM(ConfigSC, usePINDialogCallback, bool);
    VN_MEM(ConfigSC, pinDialogCallback, FPINDialogCallBack);
    // CMsg (ConfigSC.h)
    VN_FN(CMsg::GetRessString, const char *(unsigned int));
    VN_MEM(CMsg, LoadString, const char *(unsigned int));
    VN_OBJ(CMsg::m_iLanguage, int32_t);
    // CDlgInputPin (ConsoleDialogs.h)
    VN_MEM(CDlgInputPin, SetText, void (const char *));
    VN_MEM(CDlgInputPin, ShowModal, bool ());
    VN_MEM(CDlgInputPin, GetPin, std::string () const);
    // CDlgPinCardreader (ConsoleDialogs.h)
    VN_MEM(CDlgPinCardreader, SetText, void (const char *));
    VN_MEM(CDlgPinCardreader, SetReader, void (const char *));
    VN_MEM(CDlgPinCardreader, Show, void ());
    VN_MEM(CDlgPinCardreader, Show, void (bool));
    VN_MEM(CDlgPinCardreader, Update, void ());
    VN_MEM(CDlgPinCardreader, PollPin, bool (char));
    VN_MEM(CDlgPinCardreader, Destroy, void ());
    // CMessageBox (ConsoleDialogs.h)
    VN_MEM(CMessageBox, GetValue, int () const);
    // CCrlSSL (CrlSSL.h)
    VN_FN(CCrlSSL::setProxy, void (bool, const std::string &, const std::string &, const std::string &, const std::string &));
    VN_FN(CCrlSSL::setTimeout, void (int));
    VN_FN(CCrlSSL::getTimeout, int ());
    VN_FN(CCrlSSL::LoadCrl, int (const char *, unsigned char **, unsigned int *, const char *, const char *));
    VN_FN(CCrlSSL::LoadFromHttp, int (const char *, unsigned char **, unsigned int *));
    VN_FN(CCrlSSL::LoadFromLdap, int (const char *, unsigned char **, unsigned int *, const char *, const char *));
    VN_FN(CCrlSSL::ssl_get_from_uri, int (const char *, unsigned char **, unsigned int *));
    VN_FN(CCrlSSL::LoadFromFile, int (const char *, unsigned char **, unsigned int *));
    VN_FN(CCrlSSL::ParseURL, int (char *));
    VN_FN(CCrlSSL::sslGetCrl, int (const unsigned char *, unsigned int, unsigned char *, unsigned int *, const char *));
    VN_FN(CCrlSSL::FindCertInCrl, int (const unsigned char *, unsigned int, const unsigned char *, unsigned int, time_t *));
    VN_FN(CCrlSSL::ssl_get_ldap_url, int (const char *, unsigned char **, unsigned int *));
    VN_FN(CCrlSSL::CheckOCSP, unsigned int (const char *, const unsigned char *, unsigned int, const unsigned char *, unsigned int, unsigned char **, unsigned int *, time_t *, unsigned char **, unsigned int *));
    VN_FN(CCrlSSL::GetCrl, int ());
    VN_FN(CCrlSSL::SendCRLRequest, int ());
    VN_FN(CCrlSSL::SendHttpRequest, int ());
    VN_FN(CCrlSSL::SetDCUrl, void (const char *));
    VN_FN(CCrlSSL::SendLdapRequest, char *(const char *, int, const char *, const char *, const char *, const char *));
    VN_OBJ(CCrlSSL::proxy_active, bool);
    VN_OBJ(CCrlSSL::proxy_url, std::string);
    VN_OBJ(CCrlSSL::proxy_user, std::string);
    VN_OBJ(CCrlSSL::proxy_password, std::string);
    VN_OBJ(CCrlSSL::proxy_useragent, std::string);
    VN_OBJ(CCrlSSL::m_logger, log4cxx::LoggerPtr);
    // FileStruct (DirHelp.h)
    VN_MEM(FileStruct, FileName, std::string);
    VN_MEM(FileStruct, IsDir, bool);
    // CDirHelp (DirHelp.h)
    VN_MEM(CDirHelp, GetNumOfFoundFiles, int ());
    VN_MEM(CDirHelp, FindNext, int (FileStruct *));
    VN_MEM(CDirHelp, GetDirectories, int (std::string, std::string, int, std::vector<FileStruct> *));
    VN_MEM(CDirHelp, MyFindFirst, const char *(const char *, const char *));
    VN_MEM(CDirHelp, MyFindNext, const char *());
    VN_MEM(CDirHelp, MyFindClose, void ());
    VN_MEM(CDirHelp, GetNumofFiles, int (char *, char *));
    VN_FN(CDirHelp::PatMatch, bool (const char *, const char *));
    VN_FN(CDirHelp::PatiMatch, bool (const char *, const char *));
    VN_FN(CDirHelp::IsDirectory, bool (const char *));
    VN_FN(CDirHelp::IsDots, bool (const char *));
    VN_FN(CDirHelp::IsLocked, bool (const char *));
    VN_MEM(CDirHelp, MyCopyFile, bool (char *, char *, char *));
    VN_MEM(CDirHelp, MyMoveFile, bool (char *, char *, char *));
    VN_MEM(CDirHelp, MyDeleteFile, bool (char *));
    VN_MEM(CDirHelp, MyFileName, const char *(char *, char *));
    VN_MEM(CDirHelp, MakeDirs, void (std::string, std::string));
    VN_OBJ(CDirHelp::m_logger, log4cxx::LoggerPtr);
    // CExtensionSSL (ExtensionSSL.h)
    VN_OBJ(CExtensionSSL::TextSize, const int);
    VN_FN(CExtensionSSL::getSubjectAltName, char *(const unsigned char *, unsigned int));
    VN_FN(CExtensionSSL::getIssuerAltName, char *(const unsigned char *, unsigned int));
    VN_FN(CExtensionSSL::getKeyUsage, char *(const unsigned char *, unsigned int));
    VN_FN(CExtensionSSL::getSubjectKeyIdent, char *(const unsigned char *, unsigned int));
    VN_FN(CExtensionSSL::getAuthorityKeyIdent, char *(const unsigned char *, unsigned int));
    VN_FN(CExtensionSSL::getCertPolicies, char *(const unsigned char *, unsigned int));
    VN_FN(CExtensionSSL::getQSTatements, char *(const unsigned char *, unsigned int));
    VN_FN(CExtensionSSL::getAuthorityInfoAccess, char *(const unsigned char *, unsigned int));
    VN_FN(CExtensionSSL::getCRLDistrbutionPoints, char *(const unsigned char *, unsigned int));
    VN_FN(CExtensionSSL::getRestriction, char *(const unsigned char *, unsigned int));
    VN_OBJ(CExtensionSSL::m_logger, log4cxx::LoggerPtr);
    // CRestrictionSSL (ExtensionSSL.h)
    VN_OBJ(CRestrictionSSL::TextSize, const int);
    VN_FN(CRestrictionSSL::getRestriction, char *(const unsigned char *, unsigned int));
    VN_FN(CRestrictionSSL::getRestrictionAdditional, char *(const unsigned char *, unsigned int));
    VN_FN(CRestrictionSSL::getRestrictionMonetary, char *(const unsigned char *, unsigned int));
    VN_FN(CRestrictionSSL::getRestrictionMajority, char *(const unsigned char *, unsigned int));
    VN_FN(CRestrictionSSL::getRestrictionProkura, char *(const unsigned char *, unsigned int));
    VN_FN(CRestrictionSSL::getRestrictionAdmission, char *(const unsigned char *, unsigned int));
    VN_FN(CRestrictionSSL::getRestrictionIdentity, char *(const unsigned char *, unsigned int));
    // CHashSSL (HashSSL.h)
    VN_FN(CHashSSL::calculateHash, char *(unsigned char *, uint32_t, int));
    VN_FN(CHashSSL::calculateHashBin, unsigned char *(unsigned char *, uint32_t, int, unsigned int *));
    VN_FN(CHashSSL::getHashAlgo, int (char *));
    VN_FN(CHashSSL::getHashAlgoName, const char *(int));
    VN_FN(CHashSSL::HashBlob, int (unsigned char *, unsigned int, int, unsigned char *, int *));
    VN_OBJ(CHashSSL::m_logger, log4cxx::LoggerPtr);
    // http_request_opts (Http.h)
    VN_MEM(http_request_opts, headers, const char *);
    VN_MEM(http_request_opts, body, const unsigned char *);
    VN_MEM(http_request_opts, body_length, uint32_t);
    VN_MEM(http_request_opts, socket, int32_t);
    VN_MEM(http_request_opts, connect_timeout_ms, int32_t);
    VN_MEM(http_request_opts, receive_timeout_ms, int32_t);
    // http_response (Http.h)
    VN_MEM(http_response, body, unsigned char *);
    VN_MEM(http_response, body_length, uint64_t);
    VN_MEM(http_response, header_copy, char *);
    VN_MEM(http_response, error_number, int32_t);
    VN_MEM(http_response, error_text, char[256]);
    VN_MEM(http_response, status, char[4]);
    VN_MEM(http_response, status_text, char[32]);
    VN_FN(::http_request, http_response (const char *, http_request_opts *, int, int));
    // CHttp (Http.h)
    VN_FN(CHttp::SendHttpRequest, unsigned int (std::string, const char *, const unsigned char *, unsigned int, const char *, unsigned int, unsigned char **, unsigned int *));
    VN_OBJ(CHttp::m_logger, log4cxx::LoggerPtr);
    // SmartCardAtrRow (SmartCard.h)
    VN_MEM(SmartCardAtrRow, cardType, int32_t);
    VN_MEM(SmartCardAtrRow, atr, char[120]);
    VN_MEM(SmartCardAtrRow, mask, char[120]);
    VN_MEM(SmartCardAtrRow, separator, char);
    // CSmartCard (SmartCard.h)
    VN_FN(CSmartCard::GetCardType, int (wchar_t *));
    VN_MEM(CSmartCard, GetCardType, int ());
    VN_MEM(CSmartCard, SelectPath, int (const char *, bool, bool));
    VN_MEM(CSmartCard, ReadFile, int (unsigned char *, unsigned short *));
    VN_MEM(CSmartCard, ReadFileOffset, int (unsigned char *, unsigned short *, unsigned short, unsigned short));
    VN_MEM(CSmartCard, ReadRecord, int (unsigned char, unsigned char *, unsigned short *));
    VN_MEM(CSmartCard, getSerial, std::string ());
    VN_MEM(CSmartCard, SetSMKeys, int (unsigned char *, unsigned short, unsigned char *, unsigned short));
    VN_MEM(CSmartCard, GetSCardHandle, SCARDHANDLE ());
    VN_MEM(CSmartCard, GetProtocol, unsigned long ());
    VN_MEM(CSmartCard, IsNullPIN, bool ());
    VN_MEM(CSmartCard, TC_GetKey, int (unsigned long));
    VN_MEM(CSmartCard, GetData, int (unsigned char, unsigned char, unsigned char *, unsigned char *));
    VN_FN(CSmartCard::ResetCurrPath, void (int));
    VN_MEM(CSmartCard, FormatAPDU, void (unsigned char, unsigned char, unsigned char, unsigned char, unsigned char, unsigned short, unsigned short, unsigned char *, unsigned short));
    VN_MEM(CSmartCard, SendToCard, bool ());
    VN_MEM(CSmartCard, TransmitControl, bool (unsigned long, unsigned char *, unsigned long));
    VN_MEM(CSmartCard, GetRequestedPathPart, void (unsigned char *, unsigned int *, bool, bool));
    VN_MEM(CSmartCard, ConvertPath, bool (char *, unsigned char *, unsigned int *));
    VN_MEM(CSmartCard, SCSelectMF, int ());
    VN_MEM(CSmartCard, SCSelectDF, int (unsigned char *, int));
    VN_MEM(CSmartCard, SCSelectEF, int (unsigned char *));
    VN_MEM(CSmartCard, SelectPathByName, int (unsigned char *, unsigned int));
    VN_MEM(CSmartCard, ResetCard, int ());
    VN_MEM(CSmartCard, GetFileLen, int ());
    VN_MEM(CSmartCard, ReadFilePart, int (unsigned char *, unsigned short *, unsigned short));
    VN_MEM(CSmartCard, SCReadFile, int (unsigned char *, unsigned short, unsigned char));
    VN_MEM(CSmartCard, SCReadRecord, int (unsigned char, unsigned char *));
    VN_MEM(CSmartCard, ReadAllRecords, int (unsigned char *, unsigned short *));
    VN_MEM(CSmartCard, UpdateFile, int (unsigned char *, unsigned short));
    VN_MEM(CSmartCard, EraseFile, int ());
    VN_MEM(CSmartCard, GenRSAKeyPair, int ());
    VN_MEM(CSmartCard, GetSigAlgOID, int (unsigned int, unsigned char *, unsigned long *));
    VN_MEM(CSmartCard, BuildSignBuffer, int (unsigned int, int, unsigned char *, unsigned long, unsigned char **, unsigned long *, bool));
    VN_MEM(CSmartCard, SignData, int (const char *, unsigned char, int, unsigned int, unsigned char *, unsigned long, unsigned char *, unsigned long *, int));
    VN_MEM(CSmartCard, DecryptData, int (const char *, unsigned char, unsigned char *, unsigned long, unsigned char *, unsigned long *, int));
    VN_MEM(CSmartCard, VerifyPassword, int (const char *, unsigned char, unsigned char *, unsigned char));
    VN_MEM(CSmartCard, ModifyPassword, int (const char *, unsigned char, unsigned char *, unsigned char, unsigned char *, unsigned char));
    VN_MEM(CSmartCard, UnblockPassword, int (const char *, unsigned char, unsigned char *, unsigned char, unsigned char *, unsigned char));
    VN_MEM(CSmartCard, QuorVerifyPIN, int (const char *, const char *, unsigned char, bool, void *, const char *));
    VN_MEM(CSmartCard, QuorModifyPIN, int (const char *, const char *, unsigned char, bool, void *, const char *, const char *));
    VN_MEM(CSmartCard, QuorUnblockPIN, int (const char *, const char *, unsigned char, bool, void *, const char *, const char *));
    VN_MEM(CSmartCard, InternalAuthenticate, int (unsigned char *, unsigned long, unsigned char *, unsigned long *));
    VN_MEM(CSmartCard, ExternalAuthenticate, int (unsigned char *, unsigned long));
    VN_MEM(CSmartCard, GetChallange, int (unsigned char *, unsigned long));
    VN_MEM(CSmartCard, WriteQuorPubKey, int ());
    VN_MEM(CSmartCard, CheckQuorPubKey, bool ());
    VN_MEM(CSmartCard, GetCardCerts, int (wchar_t *));
    VN_OBJ(CSmartCard::m_currPath, unsigned char[8][128]);
    VN_OBJ(CSmartCard::m_currPathLen, int[8]);
    VN_OBJ(CSmartCard::m_currFile, unsigned char[8][8]);
    VN_OBJ(CSmartCard::m_currFileLen, int[8]);
    VN_OBJ(CSmartCard::m_pinVerified, unsigned char[8][10]);
    VN_OBJ(CSmartCard::m_keysInitialized, unsigned char[8]);
    VN_OBJ(CSmartCard::m_pubModulus, unsigned char[8][512]);
    VN_OBJ(CSmartCard::m_pubModulusLen, uint16_t[8]);
    VN_OBJ(CSmartCard::m_pubExponent, unsigned char[8][512]);
    VN_OBJ(CSmartCard::m_pubExponentLen, uint16_t[8]);
    VN_OBJ(CSmartCard::m_ATRTABLE, const SmartCardAtrRow[10]);
    VN_MEM(CSmartCard, getReaderId, int () const);
    VN_MEM(CSmartCard, getCardOS, CSC_Profile_Base *() const);
    // CProfileCertEntry (LegacyProfile.h)
    VN_MEM(CProfileCertEntry, cardType, uint32_t);
    VN_MEM(CProfileCertEntry, profileType, uint32_t);
    VN_MEM(CProfileCertEntry, index, uint32_t);
    VN_MEM(CProfileCertEntry, certPath, char[52]);
    VN_MEM(CProfileCertEntry, valid, uint32_t);
    VN_MEM(CProfileCertEntry, certOffset, uint32_t);
    VN_MEM(CProfileCertEntry, certLength, uint32_t);
    VN_MEM(CProfileCertEntry, keyPath, char[44]);
    VN_MEM(CProfileCertEntry, keyRef, uint32_t);
    VN_MEM(CProfileCertEntry, pinPath, char[48]);
    VN_MEM(CProfileCertEntry, pinRef, uint32_t);
    VN_MEM(CProfileCertEntry, keyClass, uint32_t);
    VN_MEM(CProfileCertEntry, pinName, char[40]);
    VN_MEM(CProfileCertEntry, containerName, wchar_t[40]);
    VN_MEM(CProfileCertEntry, containerFlags, uint8_t);
    VN_MEM(CProfileCertEntry, reserved, uint8_t);
    VN_MEM(CProfileCertEntry, sigKeySize, uint16_t);
    VN_MEM(CProfileCertEntry, keyExKeySize, uint16_t);
    VN_MEM(CProfileCertEntry, singleSign, uint8_t);
    VN_MEM(CProfileCertEntry, lastFlag, uint8_t);
    // CProfileFileEntry (LegacyProfile.h)
    VN_MEM(CProfileFileEntry, name, char[10]);
    VN_MEM(CProfileFileEntry, path, char[40]);
    // CProfileName (LegacyProfile.h)
    VN_MEM(CProfileName, cardType, int32_t);
    VN_MEM(CProfileName, profileType, int32_t);
    VN_MEM(CProfileName, name, char[32]);
    VN_MEM(CProfileName, flag, int32_t);
    // CProfile (LegacyProfile.h)
    VN_MEM(CProfile, GetReaderId, int ());
    VN_FN(CProfile::GetReaderID, int (CARD_DATA *));
    VN_MEM(CProfile, GetProfile, int ());
    VN_MEM(CProfile, AddCert, int (int, const char *, int, int, const char *, const char *, int, int, int, int, const char *, bool, bool, unsigned long));
    VN_MEM(CProfile, UpdateCert, int (int, int, const char *, int, int, const char *, const char *, int, int, int, int, const char *, bool, bool, unsigned long));
    VN_MEM(CProfile, AddEmptyCert, int (CONTAINERMAPRECORD *));
    VN_MEM(CProfile, ClearCertList, void ());
    VN_FN(CProfile::FreeCertList, void (CARD_DATA *));
    VN_MEM(CProfile, CheckCert, bool (const char *, int, int, CSmartCard &));
    VN_MEM(CProfile, GetSerial, int ());
    VN_MEM(CProfile, CheckTelesec1k, bool (CSmartCard &));
    VN_MEM(CProfile, CheckTelesec2k, bool (CSmartCard &));
    VN_MEM(CProfile, CheckSignTrust1k, bool (CSmartCard &));
    VN_MEM(CProfile, CheckSignTrust2k, bool (CSmartCard &));
    VN_MEM(CProfile, CheckSignTrust2k9, bool (CSmartCard &));
    VN_MEM(CProfile, CheckDatev1k, bool (CSmartCard &));
    VN_MEM(CProfile, CheckMicardo1k, bool (CSmartCard &));
    VN_MEM(CProfile, CheckMediSign2k, bool (CSmartCard &));
    VN_MEM(CProfile, CheckMedisign1k, bool (CSmartCard &));
    VN_MEM(CProfile, CheckSTrust, bool (CSmartCard &));
    VN_MEM(CProfile, CheckPKCS15, bool (CSmartCard &));
    VN_MEM(CProfile, CheckCardOS43, bool (CSmartCard &));
    VN_MEM(CProfile, CheckCardOS401, bool (CSmartCard &));
    VN_MEM(CProfile, CheckStarCos32, bool (CSmartCard &));
    VN_MEM(CProfile, CheckStarCos34, bool (CSmartCard &));
    VN_MEM(CProfile, getCardType, int () const);
    VN_MEM(CProfile, getReaderId, int () const);
    VN_MEM(CProfile, getReaderNum, int () const);
    VN_OBJ(CProfile::m_certinfo, CProfileCertEntry[8][10]);
    VN_OBJ(CProfile::m_certnum, int32_t[8]);
    VN_OBJ(CProfile::m_cardfile, CProfileFileEntry[8][40]);
    VN_OBJ(CProfile::m_cardfilenum, int32_t[8]);
    VN_OBJ(CProfile::m_cardnum, unsigned char[8][17]);
    VN_OBJ(CProfile::m_cardosProfile, int32_t[8]);
    VN_OBJ(CProfile::m_initialized, bool[8]);
    VN_OBJ(CProfile::m_genkey, bool[8]);
    VN_OBJ(CProfile::m_singelsign, bool[8]);
    VN_OBJ(CProfile::m_cardspace, int32_t[8]);
    VN_OBJ(CProfile::m_cachever, unsigned char[8][6]);
    VN_OBJ(CProfile::pkcs15, CPkcs15 *[8]);
    VN_OBJ(CProfile::g_hSCardCtx, SCARDCONTEXT[8]);
    VN_OBJ(CProfile::g_hScard, SCARDHANDLE[8]);
    VN_OBJ(CProfile::m_profile, const CProfileName[21]);
    VN_FN(CProfile::validReader, bool (int));
    // IMessageDigest (MessageDigest.h)
    VN_MEM(IMessageDigest, AddData, void (const char *, int));
    VN_MEM(IMessageDigest, FinalDigest, void (char *));
    VN_MEM(IMessageDigest, Reset, void ());
    VN_MEM(IMessageDigest, Transform, void ());
    // CMD5 (MessageDigest.h)
    VN_MEM(CMD5, AddData, void (const char *, int));
    VN_MEM(CMD5, FinalDigest, void (char *));
    VN_MEM(CMD5, Reset, void ());
    VN_MEM(CMD5, Transform, void ());
    VN_MEM(CMD5, GetDigestLength, int () const);
    // CSHA (MessageDigest.h)
    VN_MEM(CSHA, AddData, void (const char *, int));
    VN_MEM(CSHA, FinalDigest, void (char *));
    VN_MEM(CSHA, Reset, void ());
    VN_MEM(CSHA, Transform, void ());
    VN_MEM(CSHA, GetVariant, int () const);
    VN_MEM(CSHA, GetDigestLength, int () const);
    VN_FN(CSHA::SIG0, SUI64 (SUI64));
    VN_FN(CSHA::SIG1, SUI64 (SUI64));
    VN_OBJ(CSHA::sm_H384, const SUI64[8]);
    VN_OBJ(CSHA::sm_H512, const SUI64[8]);
    // CRIPEMD (MessageDigest.h)
    VN_MEM(CRIPEMD, AddData, void (const char *, int));
    VN_MEM(CRIPEMD, FinalDigest, void (char *));
    VN_MEM(CRIPEMD, Reset, void ());
    VN_MEM(CRIPEMD, Transform, void ());
    VN_MEM(CRIPEMD, GetDigestLength, int () const);
    VN_MEM(CRIPEMD, GetVariant, int () const);
    // CCardData (MinidriverCardData.h)
    VN_FN(CCardData::GetContNum, int (int, int));
    VN_FN(CCardData::GetCertNum, int (int, int));
    VN_FN(CCardData::GetCont, int (int, int, int, CONTAINERMAPRECORD *));
    VN_FN(CCardData::GetContainerMap, int (int, int, int, CONTAINERMAPRECORD *));
    VN_FN(CCardData::GetContainerMaps, int (CARD_DATA *, unsigned char **, unsigned long *));
    VN_FN(CCardData::CopyContainerInfo, int (CARD_DATA *, CONTAINER_INFO *, CONTAINER_INFO *));
    VN_FN(CCardData::GetFileType, int (char *));
    VN_FN(CCardData::GetFileName, int (int, int, int, char *));
    VN_FN(CCardData::GetDirectory, long (CARD_DATA *, char *, char **, unsigned long *));
    VN_FN(CCardData::GetFileIndex, int (CARD_DATA *));
    VN_FN(CCardData::GetKeyPath, int (CARD_DATA *, unsigned char, char *));
    VN_FN(CCardData::GetPINPath, int (CARD_DATA *, unsigned char, char *));
    VN_FN(CCardData::GetCertFileName, int (CARD_DATA *, unsigned char, char *));
    VN_FN(CCardData::ReadFile, bool (CARD_DATA *, char *, unsigned char **, unsigned long *));
    VN_FN(CCardData::ReadSerial, int (CARD_DATA *, void **, unsigned long *));
    VN_FN(CCardData::GetPubKey, int (CARD_DATA *, int, unsigned long *, unsigned char *, unsigned long *));
    VN_FN(CCardData::GetContainerInfo, int (CARD_DATA *, int, CONTAINER_INFO *));
    VN_FN(CCardData::GetP15CardProfile, IP15Profile *(CARD_DATA *));
    VN_FN(::mpAdd, DIGIT_T (DIGIT_T *, const DIGIT_T *, const DIGIT_T *, size_t));
    VN_FN(::mpSubtract, DIGIT_T (DIGIT_T *, const DIGIT_T *, const DIGIT_T *, size_t));
    VN_FN(::mpMultiply, int (DIGIT_T *, const DIGIT_T *, const DIGIT_T *, size_t));
    VN_FN(::mpDivide, int (DIGIT_T *, DIGIT_T *, const DIGIT_T *, size_t, const DIGIT_T *, size_t));
    VN_FN(::mpModulo, int (DIGIT_T *, const DIGIT_T *, size_t, const DIGIT_T *, size_t));
    VN_FN(::mpModMult, int (DIGIT_T *, const DIGIT_T *, const DIGIT_T *, const DIGIT_T *, size_t));
    VN_FN(::mpModExp, int (DIGIT_T *, const DIGIT_T *, const DIGIT_T *, const DIGIT_T *, size_t));
    VN_FN(::mpModInv, int (DIGIT_T *, const DIGIT_T *, const DIGIT_T *, size_t));
    VN_FN(::mpGcd, int (DIGIT_T *, const DIGIT_T *, const DIGIT_T *, size_t));
    VN_FN(::mpSqrt, int (DIGIT_T *, const DIGIT_T *, size_t));
    VN_FN(::mpShiftLeft, DIGIT_T (DIGIT_T *, const DIGIT_T *, size_t, size_t));
    VN_FN(::mpShiftRight, DIGIT_T (DIGIT_T *, const DIGIT_T *, size_t, size_t));
    VN_FN(::mpShortAdd, DIGIT_T (DIGIT_T *, const DIGIT_T *, DIGIT_T, size_t));
    VN_FN(::mpShortMult, DIGIT_T (DIGIT_T *, const DIGIT_T *, DIGIT_T, size_t));
    VN_FN(::mpShortDiv, DIGIT_T (DIGIT_T *, const DIGIT_T *, DIGIT_T, size_t));
    VN_FN(::mpShortMod, DIGIT_T (const DIGIT_T *, DIGIT_T, size_t));
    VN_FN(::mpCompare, int (const DIGIT_T *, const DIGIT_T *, size_t));
    VN_FN(::mpEqual, int (const DIGIT_T *, const DIGIT_T *, size_t));
    VN_FN(::mpIsZero, int (const DIGIT_T *, size_t));
    VN_FN(::mpSetZero, void (DIGIT_T *, size_t));
    VN_FN(::mpSetDigit, void (DIGIT_T *, DIGIT_T, size_t));
    VN_FN(::mpSetEqual, void (DIGIT_T *, const DIGIT_T *, size_t));
    VN_FN(::mpSizeof, size_t (const DIGIT_T *, size_t));
    VN_FN(::mpBitLength, size_t (const DIGIT_T *, size_t));
    VN_FN(::mpIsPrime, int (const DIGIT_T *, size_t, size_t));
    VN_FN(::mpRabinMiller, int (const DIGIT_T *, size_t, size_t));
    VN_FN(::mpConvFromOctets, size_t (DIGIT_T *, size_t, const unsigned char *, size_t));
    VN_FN(::mpConvToOctets, size_t (const DIGIT_T *, size_t, unsigned char *, size_t));
    VN_FN(::mpConvFromHex, size_t (DIGIT_T *, size_t, const char *));
    VN_FN(::mpConvToHex, size_t (const DIGIT_T *, size_t, char *, size_t));
    VN_FN(::mpConvToDecimal, size_t (const DIGIT_T *, size_t, char *, size_t));
    VN_FN(::mpPrint, void (const DIGIT_T *, size_t));
    VN_FN(::mpPrintNL, void (const DIGIT_T *, size_t));
    VN_FN(::mpPrintHex, void (const char *, const DIGIT_T *, size_t, const char *));
    VN_FN(::mpPrintDecimal, void (const char *, const DIGIT_T *, size_t, const char *));
    VN_FN(::hex2bn, int (const char *, unsigned char *, unsigned short *));
    // IP15Profile (P15Profile.h)
    VN_MEM(IP15Profile, getCardType, int ());
    VN_MEM(IP15Profile, getKeyNum, int ());
    VN_MEM(IP15Profile, getKeyUsage, int (int));
    VN_MEM(IP15Profile, getKeyName, std::string (int));
    VN_MEM(IP15Profile, getKeyPath, std::string (int));
    VN_MEM(IP15Profile, getKeyRef, int (int));
    VN_MEM(IP15Profile, getKeySize, int (int));
    VN_MEM(IP15Profile, getKeyAccessFlag, int (int));
    VN_MEM(IP15Profile, getKeyPathBySpec, std::string (int));
    VN_MEM(IP15Profile, getKeyAuthIdBySpec, int (int));
    VN_MEM(IP15Profile, getKeyNameBySpec, std::string (int));
    VN_MEM(IP15Profile, getKeyAuthId, int (int));
    VN_MEM(IP15Profile, getKeyId, int (int));
    VN_MEM(IP15Profile, getPinNum, int ());
    VN_MEM(IP15Profile, getPinRef, int (int));
    VN_MEM(IP15Profile, getPinName, std::string (int));
    VN_MEM(IP15Profile, getPinPath, std::string (int));
    VN_MEM(IP15Profile, getPinId, int (int));
    VN_MEM(IP15Profile, getPinAuth, int (int));
    VN_MEM(IP15Profile, getPinMinLen, int ());
    VN_MEM(IP15Profile, getPinMaxLen, int ());
    VN_MEM(IP15Profile, getCardPinIndex, int ());
    VN_MEM(IP15Profile, getCertPath, std::string (int));
    VN_MEM(IP15Profile, getCertName, std::string (int));
    VN_MEM(IP15Profile, getCertAuthId, int (int));
    VN_MEM(IP15Profile, getCertId, int (int));
    VN_MEM(IP15Profile, getCertNum, int ());
    VN_MEM(IP15Profile, getCertId, int (std::string));
    // CP15ProfileTable (P15Profile.h)
    VN_MEM(CP15ProfileTable, getCardType, int ());
    VN_MEM(CP15ProfileTable, getKeyNum, int ());
    VN_MEM(CP15ProfileTable, getKeyUsage, int (int));
    VN_MEM(CP15ProfileTable, getKeyName, std::string (int));
    VN_MEM(CP15ProfileTable, getKeyPath, std::string (int));
    VN_MEM(CP15ProfileTable, getKeyRef, int (int));
    VN_MEM(CP15ProfileTable, getKeySize, int (int));
    VN_MEM(CP15ProfileTable, getKeyAccessFlag, int (int));
    VN_MEM(CP15ProfileTable, getKeyPathBySpec, std::string (int));
    VN_MEM(CP15ProfileTable, getKeyAuthIdBySpec, int (int));
    VN_MEM(CP15ProfileTable, getKeyNameBySpec, std::string (int));
    VN_MEM(CP15ProfileTable, getKeyAuthId, int (int));
    VN_MEM(CP15ProfileTable, getKeyId, int (int));
    VN_MEM(CP15ProfileTable, getPinNum, int ());
    VN_MEM(CP15ProfileTable, getPinRef, int (int));
    VN_MEM(CP15ProfileTable, getPinName, std::string (int));
    VN_MEM(CP15ProfileTable, getPinPath, std::string (int));
    VN_MEM(CP15ProfileTable, getPinId, int (int));
    VN_MEM(CP15ProfileTable, getPinAuth, int (int));
    VN_MEM(CP15ProfileTable, getPinMinLen, int ());
    VN_MEM(CP15ProfileTable, getPinMaxLen, int ());
    VN_MEM(CP15ProfileTable, getCardPinIndex, int ());
    VN_MEM(CP15ProfileTable, getCertPath, std::string (int));
    VN_MEM(CP15ProfileTable, getCertName, std::string (int));
    VN_MEM(CP15ProfileTable, getCertAuthId, int (int));
    VN_MEM(CP15ProfileTable, getCertId, int (int));
    VN_MEM(CP15ProfileTable, getCertNum, int ());
    VN_MEM(CP15ProfileTable, getCertId, int (std::string));
    // CPKCS7SSL (PKCS7SSL.h)
    VN_OBJ(CPKCS7SSL::NOT_FOUND, const int);
    VN_OBJ(CPKCS7SSL::FAILED, const int);
    VN_OBJ(CPKCS7SSL::NO_SIGNATURE, const int);
    VN_FN(CPKCS7SSL::GetData, int (unsigned char *, unsigned int, unsigned char *, unsigned int *));
    VN_FN(CPKCS7SSL::GetHash, unsigned char *(unsigned char *, unsigned int, unsigned int *));
    VN_FN(CPKCS7SSL::GetHashAlgo, char *(unsigned char *, unsigned int, int, unsigned int *));
    VN_FN(CPKCS7SSL::GetHashAlgoPkcs1, const char *(unsigned char *, unsigned int, unsigned int *, int *));
    VN_FN(CPKCS7SSL::GetHashFromPKCS1Signature, unsigned char *(unsigned char *, unsigned int, unsigned char *, unsigned int, unsigned int *, int *));
    VN_FN(CPKCS7SSL::getHashfromBlob, int (unsigned char *, unsigned int, unsigned char *, unsigned int *, const char *));
    VN_FN(CPKCS7SSL::GetVersion, int (unsigned char *, unsigned int));
    VN_FN(CPKCS7SSL::GetSignerCertNum, int (unsigned char *, unsigned int));
    VN_FN(CPKCS7SSL::GetNCertNum, int (unsigned char *, unsigned int));
    VN_FN(CPKCS7SSL::GetCipherCertNum, int (unsigned char *, unsigned int));
    VN_FN(CPKCS7SSL::GetSignerCert, int (unsigned char *, unsigned int, int, unsigned char *, unsigned int *));
    VN_FN(CPKCS7SSL::GetNCert, int (unsigned char *, unsigned int, int, unsigned char *, unsigned int *));
    VN_FN(CPKCS7SSL::GetCipherCert, int (unsigned char *, unsigned int, int, unsigned char *, unsigned int *));
    VN_FN(CPKCS7SSL::GetSignerCertEx, int (unsigned char *, unsigned int, int, unsigned char *, unsigned int *));
    VN_FN(CPKCS7SSL::GetSignerRSAKey, int (unsigned char *, unsigned int, unsigned char *, unsigned int *, int));
    VN_FN(CPKCS7SSL::GetSignerRSAKeySize, int (unsigned char *, unsigned int, int));
    VN_FN(CPKCS7SSL::GetSignedAttrCertNum, int (unsigned char *, unsigned int));
    VN_FN(CPKCS7SSL::GetSignedAttrCert, int (unsigned char *, unsigned int, int, unsigned char *, unsigned int *));
    VN_FN(CPKCS7SSL::FindQualifiedSC, int (unsigned char *, unsigned int));
    VN_FN(CPKCS7SSL::GetCertChainSize, int (unsigned char *, unsigned int));
    VN_FN(CPKCS7SSL::GetCert, int (unsigned char *, unsigned int, int, unsigned char *, unsigned int *));
    VN_FN(CPKCS7SSL::GetNum, int (unsigned char *, unsigned int));
    VN_FN(CPKCS7SSL::GetAttrCertNum, int (unsigned char *, unsigned int));
    VN_FN(CPKCS7SSL::GetAttrCert, int (unsigned char *, unsigned int, int, unsigned char *, unsigned int *));
    VN_FN(CPKCS7SSL::GetCRLNum, int (unsigned char *, unsigned int));
    VN_FN(CPKCS7SSL::GetCRL, int (unsigned char *, unsigned int, int, unsigned char *, unsigned int *));
    VN_FN(CPKCS7SSL::GetParam, int (unsigned char *, unsigned int, int));
    VN_FN(CPKCS7SSL::GetHashFromSignature, char *(unsigned char *, unsigned int));
    VN_FN(CPKCS7SSL::GetSigningTime, long (unsigned char *, unsigned int));
    VN_FN(CPKCS7SSL::getTimeFromASN1, long (ASN1_TIME *));
    VN_FN(CPKCS7SSL::IsTimestamp, int (unsigned char *, unsigned int));
    VN_FN(CPKCS7SSL::GetTimestampHash, char *(unsigned char *, unsigned int, unsigned int *));
    VN_FN(CPKCS7SSL::GetTimestampBlob, int (unsigned char *, unsigned int, unsigned char *, unsigned int *));
    VN_FN(CPKCS7SSL::AddTimeStamp, int (unsigned char *, unsigned int *, unsigned char *, unsigned int, unsigned int));
    VN_FN(CPKCS7SSL::AddTimeStamp, int (unsigned char *, unsigned int *, unsigned char *, unsigned int));
    VN_FN(CPKCS7SSL::GetSignatureBlobSize, int (unsigned char *, unsigned int *, int, bool, unsigned int));
    VN_FN(CPKCS7SSL::GetSignatureBlob, int (unsigned char *, unsigned char *, int, bool, unsigned int));
    VN_FN(CPKCS7SSL::GetRSAKeySize, int (unsigned char *, unsigned int *));
    VN_FN(CPKCS7SSL::isEnveloped, int (unsigned char *, unsigned int));
    VN_FN(CPKCS7SSL::Verify, int (unsigned char *, unsigned int));
    VN_FN(CPKCS7SSL::VerifyCMS, int (unsigned char *, unsigned int, unsigned char *, unsigned int));
    VN_FN(CPKCS7SSL::getPublicKeyType, int (const ASN1_OBJECT *));
    VN_OBJ(CPKCS7SSL::m_logger, log4cxx::LoggerPtr);
    // CPIN_Interface (PinInterface.h)
    VN_MEM(CPIN_Interface, ShowDialog, bool (std::string));
    VN_MEM(CPIN_Interface, PollDialog, bool (char));
    VN_MEM(CPIN_Interface, DestroyDialog, bool ());
    VN_MEM(CPIN_Interface, DisplayText, bool (std::string));
    VN_MEM(CPIN_Interface, GetPin, const std::string &() const);
    VN_MEM(CPIN_Interface, ClearPin, void ());
    // CPIN_Window_Dialog (PinInterface.h)
    VN_MEM(CPIN_Window_Dialog, ShowDialog, bool (std::string));
    VN_MEM(CPIN_Window_Dialog, PollDialog, bool (char));
    VN_MEM(CPIN_Window_Dialog, DestroyDialog, bool ());
    VN_MEM(CPIN_Window_Dialog, DisplayText, bool (std::string));
    // CPIN_Window_Dialog_Callback (PinInterface.h)
    VN_MEM(CPIN_Window_Dialog_Callback, ShowDialog, bool (std::string));
    VN_MEM(CPIN_Window_Dialog_Callback, PollDialog, bool (char));
    VN_MEM(CPIN_Window_Dialog_Callback, DestroyDialog, bool ());
    VN_MEM(CPIN_Window_Dialog_Callback, DisplayText, bool (std::string));
    // CPIN_PinPad_Dialog (PinInterface.h)
    VN_MEM(CPIN_PinPad_Dialog, ShowDialog, bool (std::string));
    VN_MEM(CPIN_PinPad_Dialog, PollDialog, bool (char));
    VN_MEM(CPIN_PinPad_Dialog, DestroyDialog, bool ());
    VN_MEM(CPIN_PinPad_Dialog, DisplayText, bool (std::string));
    // CPIN_PinPad_Dialog_Callback (PinInterface.h)
    VN_MEM(CPIN_PinPad_Dialog_Callback, ShowDialog, bool (std::string));
    VN_MEM(CPIN_PinPad_Dialog_Callback, PollDialog, bool (char));
    VN_MEM(CPIN_PinPad_Dialog_Callback, DestroyDialog, bool ());
    VN_MEM(CPIN_PinPad_Dialog_Callback, DisplayText, bool (std::string));
    // CPIN_Error_Dialog_Callback (PinInterface.h)
    VN_MEM(CPIN_Error_Dialog_Callback, ShowDialog, bool (std::string));
    VN_MEM(CPIN_Error_Dialog_Callback, PollDialog, bool (char));
    VN_MEM(CPIN_Error_Dialog_Callback, DestroyDialog, bool ());
    VN_MEM(CPIN_Error_Dialog_Callback, DisplayText, bool (std::string));
    // CPinObj (PinObj.h)
    VN_FN(CPinObj::ConvertPath, bool (char *, unsigned char *, unsigned short &));
    VN_MEM(CPinObj, m_label, std::string);
    VN_MEM(CPinObj, m_kind, int);
    VN_MEM(CPinObj, m_path, std::string);
    VN_MEM(CPinObj, m_ref, unsigned char);
    VN_MEM(CPinObj, m_local, bool);
    VN_MEM(CPinObj, m_flag2, bool);
    VN_MEM(CPinObj, m_linked, std::unique_ptr<CPinObj>);
    VN_MEM(CPinObj, m_minLength, int);
    VN_MEM(CPinObj, m_maxLength, int);
    VN_MEM(CPinObj, m_value3, int);
    VN_MEM(CPinObj, m_option, bool);
    VN_MEM(CPinObj, m_verified, bool);
    VN_MEM(CPinObj, getLabel, const std::string &() const);
    VN_MEM(CPinObj, getPath, const std::string &() const);
    VN_MEM(CPinObj, getRef, unsigned char () const);
    VN_MEM(CPinObj, getLinked, CPinObj *() const);
    VN_MEM(CPinObj, isVerified, bool () const);
    VN_MEM(CPinObj, setVerified, void (bool));
    // CPkcs15Helper (Pkcs15.h)
    VN_FN(CPkcs15Helper::ConvertPath, bool (char *, unsigned int, unsigned char *, unsigned int *));
    VN_FN(CPkcs15Helper::ConvToUTF8, std::string (const std::string &));
    // CPkcs15Record (Pkcs15.h)
    VN_MEM(CPkcs15Record, getError, int () const);
    VN_MEM(CPkcs15Record, getDER, int (unsigned char *, unsigned short *) const);
    VN_MEM(CPkcs15Record, encode, std::vector<uint8_t> () const);
    // CPkcs15Path (Pkcs15.h)
    VN_MEM(CPkcs15Path, encode, std::vector<uint8_t> () const);
    VN_MEM(CPkcs15Path, getPath, const std::string &() const);
    VN_MEM(CPkcs15Path, getIndex, int () const);
    VN_MEM(CPkcs15Path, getLength, int () const);
    // CPkcs15Acr (Pkcs15.h)
    VN_MEM(CPkcs15Acr, encode, std::vector<uint8_t> () const);
    VN_MEM(CPkcs15Acr, isRead, bool () const);
    VN_MEM(CPkcs15Acr, isUpdate, bool () const);
    VN_MEM(CPkcs15Acr, isExecute, bool () const);
    // CPkcs15CommAttrib (Pkcs15.h)
    VN_MEM(CPkcs15CommAttrib, encode, std::vector<uint8_t> () const);
    VN_MEM(CPkcs15CommAttrib, getLabel, const std::string &() const);
    VN_MEM(CPkcs15CommAttrib, getFlags, unsigned int () const);
    VN_MEM(CPkcs15CommAttrib, getAuthId, const std::string &() const);
    VN_MEM(CPkcs15CommAttrib, isPrivate, bool () const);
    VN_MEM(CPkcs15CommAttrib, isModifiable, bool () const);
    VN_MEM(CPkcs15CommAttrib, getNumAcr, int () const);
    VN_MEM(CPkcs15CommAttrib, getAcr, const CPkcs15Acr *(int) const);
    // CPkcs15CommKeyAttrib (Pkcs15.h)
    VN_MEM(CPkcs15CommKeyAttrib, encode, std::vector<uint8_t> () const);
    VN_MEM(CPkcs15CommKeyAttrib, getId, const std::string &() const);
    VN_MEM(CPkcs15CommKeyAttrib, getUsage, unsigned int () const);
    VN_MEM(CPkcs15CommKeyAttrib, getNative, bool () const);
    VN_MEM(CPkcs15CommKeyAttrib, getAccessFlags, unsigned int () const);
    VN_MEM(CPkcs15CommKeyAttrib, getKeyReference, int () const);
    VN_MEM(CPkcs15CommKeyAttrib, getStartDate, const std::string &() const);
    VN_MEM(CPkcs15CommKeyAttrib, getEndDate, const std::string &() const);
    // CPkcs15KeyAttrib (Pkcs15.h)
    VN_MEM(CPkcs15KeyAttrib, encode, std::vector<uint8_t> () const);
    VN_MEM(CPkcs15KeyAttrib, getPath, const std::string &() const);
    VN_MEM(CPkcs15KeyAttrib, getModulus, int () const);
    // CPkcs15CertAttrib (Pkcs15.h)
    VN_MEM(CPkcs15CertAttrib, encode, std::vector<uint8_t> () const);
    VN_MEM(CPkcs15CertAttrib, getId, const std::string &() const);
    VN_MEM(CPkcs15CertAttrib, isAuthority, bool () const);
    // CPkcs15CertInfo (Pkcs15.h)
    VN_MEM(CPkcs15CertInfo, encode, std::vector<uint8_t> () const);
    VN_MEM(CPkcs15CertInfo, getCommAttrib, const CPkcs15CommAttrib *() const);
    VN_MEM(CPkcs15CertInfo, getCertAttrib, const CPkcs15CertAttrib *() const);
    VN_MEM(CPkcs15CertInfo, getPath, const CPkcs15Path *() const);
    // CPkcs15Cert (Pkcs15.h)
    VN_MEM(CPkcs15Cert, encode, std::vector<uint8_t> () const);
    VN_MEM(CPkcs15Cert, getNum, int () const);
    VN_MEM(CPkcs15Cert, getCI, const CPkcs15CertInfo *(int) const);
    VN_MEM(CPkcs15Cert, addCert, int (const CPkcs15CertInfo &));
    // CPkcs15PrKeyInfo (Pkcs15.h)
    VN_MEM(CPkcs15PrKeyInfo, encode, std::vector<uint8_t> () const);
    VN_MEM(CPkcs15PrKeyInfo, getCommAttrib, const CPkcs15CommAttrib *() const);
    VN_MEM(CPkcs15PrKeyInfo, getCommKeyAttrib, const CPkcs15CommKeyAttrib *() const);
    VN_MEM(CPkcs15PrKeyInfo, getKeyAttrib, const CPkcs15KeyAttrib *() const);
    VN_MEM(CPkcs15PrKeyInfo, getKeyTag, unsigned char () const);
    // CPkcs15PrKey (Pkcs15.h)
    VN_MEM(CPkcs15PrKey, encode, std::vector<uint8_t> () const);
    VN_MEM(CPkcs15PrKey, getNum, int () const);
    VN_MEM(CPkcs15PrKey, getPI, const CPkcs15PrKeyInfo *(int) const);
    VN_MEM(CPkcs15PrKey, addPrKey, int (const CPkcs15PrKeyInfo &));
    // CPkcs15AuthAttrib (Pkcs15.h)
    VN_MEM(CPkcs15AuthAttrib, encode, std::vector<uint8_t> () const);
    VN_MEM(CPkcs15AuthAttrib, getAuthId, const std::string &() const);
    // CPkcs15Pin (Pkcs15.h)
    VN_MEM(CPkcs15Pin, encode, std::vector<uint8_t> () const);
    VN_MEM(CPkcs15Pin, getFlags, unsigned int () const);
    VN_MEM(CPkcs15Pin, isCaseSensitive, bool () const);
    VN_MEM(CPkcs15Pin, isLocal, bool () const);
    VN_MEM(CPkcs15Pin, isChangeDisabled, bool () const);
    VN_MEM(CPkcs15Pin, isUnblockDisabled, bool () const);
    VN_MEM(CPkcs15Pin, isInitialized, bool () const);
    VN_MEM(CPkcs15Pin, isNeedsPadding, bool () const);
    VN_MEM(CPkcs15Pin, isUnblockingPin, bool () const);
    VN_MEM(CPkcs15Pin, isSoPin, bool () const);
    VN_MEM(CPkcs15Pin, isDisableAllowed, bool () const);
    VN_MEM(CPkcs15Pin, isIntegrityProtected, bool () const);
    VN_MEM(CPkcs15Pin, isConfidentialityProtected, bool () const);
    VN_MEM(CPkcs15Pin, isExchangeRefData, bool () const);
    VN_MEM(CPkcs15Pin, getType, int () const);
    VN_MEM(CPkcs15Pin, getMinLength, int () const);
    VN_MEM(CPkcs15Pin, getStoredLength, int () const);
    VN_MEM(CPkcs15Pin, getMaxLength, int () const);
    VN_MEM(CPkcs15Pin, getReference, int () const);
    VN_MEM(CPkcs15Pin, getPadChar, int () const);
    VN_MEM(CPkcs15Pin, getLastPinChange, const std::string &() const);
    VN_MEM(CPkcs15Pin, getPath, const std::string &() const);
    // CPkcs15AuthInfo (Pkcs15.h)
    VN_MEM(CPkcs15AuthInfo, encode, std::vector<uint8_t> () const);
    VN_MEM(CPkcs15AuthInfo, getCommAttrib, const CPkcs15CommAttrib *() const);
    VN_MEM(CPkcs15AuthInfo, getAuthAttrib, const CPkcs15AuthAttrib *() const);
    VN_MEM(CPkcs15AuthInfo, getPin, const CPkcs15Pin *() const);
    // CPkcs15Auth (Pkcs15.h)
    VN_MEM(CPkcs15Auth, encode, std::vector<uint8_t> () const);
    VN_MEM(CPkcs15Auth, getNum, int () const);
    VN_MEM(CPkcs15Auth, getAI, const CPkcs15AuthInfo *(int) const);
    VN_MEM(CPkcs15Auth, addAuth, int (const CPkcs15AuthInfo &));
    // CPkcs15EfDir (Pkcs15.h)
    VN_OBJ(CPkcs15EfDir::Pkcs15Aid, const char *const);
    VN_MEM(CPkcs15EfDir, encode, std::vector<uint8_t> () const);
    VN_MEM(CPkcs15EfDir, getPath, const std::string &() const);
    VN_MEM(CPkcs15EfDir, getLabel, const std::string &() const);
    VN_MEM(CPkcs15EfDir, getName, const std::string &() const);
    // CPkcs15DfOdf (Pkcs15.h)
    VN_OBJ(CPkcs15DfOdf::MaxPaths, const int);
    VN_MEM(CPkcs15DfOdf, encode, std::vector<uint8_t> () const);
    VN_MEM(CPkcs15DfOdf, addPath, bool (int, std::string));
    VN_MEM(CPkcs15DfOdf, getNum, int (int) const);
    VN_MEM(CPkcs15DfOdf, getPath, std::string (int, int) const);
    VN_MEM(CPkcs15DfOdf, getNumPrKDFs, int () const);
    VN_MEM(CPkcs15DfOdf, getPrKDFs, std::string (int) const);
    VN_MEM(CPkcs15DfOdf, getNumPuKDFs, int () const);
    VN_MEM(CPkcs15DfOdf, getPuKDFs, std::string (int) const);
    VN_MEM(CPkcs15DfOdf, getNumTrustedPuKDFs, int () const);
    VN_MEM(CPkcs15DfOdf, getTrustedPuKDFs, std::string (int) const);
    VN_MEM(CPkcs15DfOdf, getNumSecretKDFs, int () const);
    VN_MEM(CPkcs15DfOdf, getSecretKDFs, std::string (int) const);
    VN_MEM(CPkcs15DfOdf, getNumCDFs, int () const);
    VN_MEM(CPkcs15DfOdf, getCDFs, std::string (int) const);
    VN_MEM(CPkcs15DfOdf, getNumTrustedCDFs, int () const);
    VN_MEM(CPkcs15DfOdf, getTrustedCDFs, std::string (int) const);
    VN_MEM(CPkcs15DfOdf, getNumUsefulCDFs, int () const);
    VN_MEM(CPkcs15DfOdf, getUsefulCDFs, std::string (int) const);
    VN_MEM(CPkcs15DfOdf, getNumDODFs, int () const);
    VN_MEM(CPkcs15DfOdf, getDODFs, std::string (int) const);
    VN_MEM(CPkcs15DfOdf, getNumAODFs, int () const);
    VN_MEM(CPkcs15DfOdf, getAODFs, std::string (int) const);
    // CPkcs15DfTi (Pkcs15.h)
    VN_MEM(CPkcs15DfTi, encode, std::vector<uint8_t> () const);
    VN_MEM(CPkcs15DfTi, getVersion, int () const);
    VN_MEM(CPkcs15DfTi, getSerialNumber, const std::string &() const);
    VN_MEM(CPkcs15DfTi, getManufacturerID, const std::string &() const);
    VN_MEM(CPkcs15DfTi, getLabel, const std::string &() const);
    VN_MEM(CPkcs15DfTi, getTokenFlags, unsigned int () const);
    VN_MEM(CPkcs15DfTi, isTF_readonly, bool () const);
    VN_MEM(CPkcs15DfTi, isTF_loginRequired, bool () const);
    VN_MEM(CPkcs15DfTi, isTF_prnGeneration, bool () const);
    VN_MEM(CPkcs15DfTi, isTF_eidCompliant, bool () const);
    VN_MEM(CPkcs15DfTi, setSerialNumber, void (char *));
    // CPkcs15ExportCert (Pkcs15.h)
    VN_MEM(CPkcs15ExportCert, getCertLabel, const std::string &() const);
    VN_MEM(CPkcs15ExportCert, getCertpath, const std::string &() const);
    VN_MEM(CPkcs15ExportCert, getCertoffset, int () const);
    VN_MEM(CPkcs15ExportCert, getCertlength, int () const);
    VN_MEM(CPkcs15ExportCert, getKeypath, const std::string &() const);
    VN_MEM(CPkcs15ExportCert, getPinpath, const std::string &() const);
    VN_MEM(CPkcs15ExportCert, getPinindex, int () const);
    VN_MEM(CPkcs15ExportCert, getKeyindex, int () const);
    VN_MEM(CPkcs15ExportCert, getKeysize, int () const);
    VN_MEM(CPkcs15ExportCert, getPinname, const std::string &() const);
    VN_MEM(CPkcs15ExportCert, isSiglesign, bool () const);
    VN_MEM(CPkcs15ExportCert, isCacert, bool () const);
    VN_MEM(CPkcs15ExportCert, getFlags, unsigned int () const);
    VN_MEM(CPkcs15ExportCert, isSelectP15byname, bool () const);
    VN_MEM(CPkcs15ExportCert, getAuthId, const std::string &() const);
    VN_MEM(CPkcs15ExportCert, getCertId, const std::string &() const);
    // CPkcs15 (Pkcs15.h)
    VN_OBJ(CPkcs15::MaxFiles, const int);
    VN_OBJ(CPkcs15::MaxResults, const int);
    VN_MEM(CPkcs15, Init, void ());
    VN_MEM(CPkcs15, ReadCerts, int ());
    VN_MEM(CPkcs15, copyFound, std::unique_ptr<CPkcs15> () const);
    VN_MEM(CPkcs15, getEf_dir, CPkcs15EfDir *() const);
    VN_MEM(CPkcs15, getDf_odf, CPkcs15DfOdf *() const);
    VN_MEM(CPkcs15, getDf_ti, CPkcs15DfTi *() const);
    VN_MEM(CPkcs15, getNumcerts, int () const);
    VN_MEM(CPkcs15, getCert, CPkcs15ExportCert *(int) const);
    VN_MEM(CPkcs15, getP15Cert, CPkcs15Cert *(int) const);
    VN_MEM(CPkcs15, getNumP15Certs, int () const);
    VN_MEM(CPkcs15, getAuthInfo, const CPkcs15AuthInfo *(int) const);
    VN_MEM(CPkcs15, getNumAuthInfo, int () const);
    VN_MEM(CPkcs15, GetPrKeyByCert, const CPkcs15PrKeyInfo *(int) const);
    VN_MEM(CPkcs15, isRoot, bool () const);
    VN_MEM(CPkcs15, getError, int () const);
    VN_MEM(CPkcs15, setSC, void (CSC_Profile_Base *));
    // CReader (Reader.h)
    VN_MEM(CReader, ConnectCtx, void ());
    VN_MEM(CReader, DisconnectCtx, void ());
    VN_MEM(CReader, GetReaderNum, int ());
    VN_MEM(CReader, GetReaderIndex, int (const char *));
    VN_MEM(CReader, GetReaderName, std::string (int));
    VN_MEM(CReader, GetReaderStatus, long ());
    VN_MEM(CReader, GetReaderState, SCARD_READERSTATE (int));
    VN_MEM(CReader, GetReaderATR, std::string (int));
    VN_MEM(CReader, isCard, bool (int));
    VN_MEM(CReader, hasPinPad, bool (int));
    VN_MEM(CReader, GetCardType, int (int));
    VN_MEM(CReader, ReadSCProfile, CSC_Profile *(int));
    VN_MEM(CReader, GetBaseProfile, CSC_Profile_Base *());
    // CRsa (Rsa.h)
    VN_MEM(CRsa, GenerateKey, int (int, unsigned long));
    VN_MEM(CRsa, SetPublicKey, int (const unsigned char *, int, const unsigned char *, int));
    VN_MEM(CRsa, SetPrivateKey, int (const unsigned char *, int, const unsigned char *, int, const unsigned char *, int));
    VN_MEM(CRsa, HasPrivateKey, bool () const);
    VN_MEM(CRsa, GetModulusSize, int () const);
    VN_MEM(CRsa, GetModulus, int (unsigned char *, int *) const);
    VN_MEM(CRsa, GetPublicExponent, int (unsigned char *, int *) const);
    VN_MEM(CRsa, GetPrivateExponent, int (unsigned char *, int *) const);
    VN_MEM(CRsa, PublicEncrypt, int (const unsigned char *, int, unsigned char *, int));
    VN_MEM(CRsa, PublicDecrypt, int (const unsigned char *, int, unsigned char *, int));
    VN_MEM(CRsa, PrivateEncrypt, int (const unsigned char *, int, unsigned char *, int));
    VN_MEM(CRsa, PrivateDecrypt, int (const unsigned char *, int, unsigned char *, int));
    VN_OBJ(CRsa::m_logger, log4cxx::LoggerPtr);
    // CRsaSmall (RsaSmall.h)
    VN_OBJ(CRsaSmall::MAX_DIGITS, const int);
    VN_MEM(CRsaSmall, Set_n, int (unsigned char *, unsigned short));
    VN_MEM(CRsaSmall, Set_e, int (unsigned char *, unsigned short));
    VN_MEM(CRsaSmall, Set_d, int (unsigned char *, unsigned short));
    VN_MEM(CRsaSmall, Set_p, int (unsigned char *, unsigned short));
    VN_MEM(CRsaSmall, Set_q, int (unsigned char *, unsigned short));
    VN_MEM(CRsaSmall, Set_dmp1, int (unsigned char *, unsigned short));
    VN_MEM(CRsaSmall, Set_dmq1, int (unsigned char *, unsigned short));
    VN_MEM(CRsaSmall, Set_iqmp, int (unsigned char *, unsigned short));
    VN_MEM(CRsaSmall, PublicKeyEncrypt, int (unsigned char *, int, unsigned char *, int));
    VN_MEM(CRsaSmall, PublicKeyDecrypt, int (unsigned char *, int, unsigned char *, int));
    VN_MEM(CRsaSmall, PrivateKeyEncrypt, int (unsigned char *, int, unsigned char *, int));
    VN_MEM(CRsaSmall, PrivateKeyDecrypt, int (unsigned char *, int, unsigned char *, int));
    VN_MEM(CRsaSmall, RsaDP, int (unsigned char *, int, unsigned char *, int));
    VN_MEM(CRsaSmall, PubKeyGetModulus, int (unsigned char *, int *));
    VN_MEM(CRsaSmall, PubKeyGetExponent, int (unsigned char *, int *));
    // CSCM_Interface (SCM_Interface.h)
    VN_MEM(CSCM_Interface, VerifyPIN, bool (std::string));
    VN_MEM(CSCM_Interface, ModifyPIN, bool (std::string, std::string));
    VN_MEM(CSCM_Interface, SignBlob, int32_t (unsigned char *, int32_t, unsigned char *, uint32_t *, uint32_t *, int32_t, bool, bool));
    VN_MEM(CSCM_Interface, DecryptBlob, int32_t (unsigned char *, int32_t, unsigned char *, uint32_t *, uint32_t *, bool));
    VN_MEM(CSCM_Interface, GetProfile, CSC_Profile *());
    // SCTools (SCTools.h)
    VN_FN(SCTools::isHexNumber, bool (char));
    VN_FN(SCTools::getLenHex, int (std::string &));
    VN_FN(SCTools::getHex, std::string (std::string &));
    VN_FN(SCTools::getMaskedAtr, std::string (std::string, std::string));
    VN_FN(SCTools::isCNG_Os, bool ());
    VN_FN(SCTools::findProcessName, bool (std::string));
    VN_FN(SCTools::isQuorvel, bool ());
    VN_FN(SCTools::getOs, int ());
    // CSCUtils (SCUtils.h)
    VN_FN(CSCUtils::GetNumReaders, int ());
    VN_FN(CSCUtils::GetMaxReaders, int ());
    VN_MEM(CSCUtils, getNumSlots, int ());
    VN_MEM(CSCUtils, GetReaderName, const char *(int) const);
    VN_MEM(CSCUtils, setReader, void (int));
    VN_MEM(CSCUtils, setSlot, void (int));
    VN_MEM(CSCUtils, setCertID, void (const char *));
    VN_MEM(CSCUtils, InitCerts, void ());
    VN_MEM(CSCUtils, GetNumCerts, int ());
    VN_MEM(CSCUtils, GetCertIDs, int ());
    VN_MEM(CSCUtils, GetCertID, char *(int));
    VN_MEM(CSCUtils, GetX509, X509 *(int));
    VN_FN(CSCUtils::freeX509, void (void *));
    VN_FN(CSCUtils::freeOPENSSL, void (void *));
    VN_MEM(CSCUtils, getPINPADSupport, bool (int));
    VN_MEM(CSCUtils, VerifyPIN, int32_t (int, char *));
    VN_MEM(CSCUtils, ChangePIN, int32_t (int, char *, char *));
    VN_MEM(CSCUtils, PermanentLogin, int (int, int, bool, char *));
    VN_MEM(CSCUtils, CheckPermanentLogin, int (int, int));
    VN_FN(CSCUtils::InitLogging, bool (std::string, int));
    VN_FN(CSCUtils::SetLogLevel, void (int));
    VN_FN(CSCUtils::GetLogLevel, int ());
    VN_FN(CSCUtils::SetLanguage, int (int));
    VN_FN(CSCUtils::GetLanguage, int ());
    VN_FN(CSCUtils::SetIsService, void (bool));
    VN_FN(CSCUtils::GetIsService, bool ());
    VN_FN(CSCUtils::SetUsePINDialogCallback, void (bool));
    VN_FN(CSCUtils::GetUsePINDialogCallback, bool ());
    VN_FN(CSCUtils::SetPINDialogCallbackFunc, void (bool (*)(FPINDialogCallBackParams *)));
    VN_FN(CSCUtils::GetPINDialogCallbackFunc, bool (*())(FPINDialogCallBackParams *));
    VN_FN(CSCUtils::GenerateRandom, void (unsigned char *, int));
    VN_FN(CSCUtils::incIV, int (unsigned char *));
    VN_MEM(CSCUtils, ResetCard, int ());
    VN_MEM(CSCUtils, InitSCardEngine, int ());
    VN_MEM(CSCUtils, ExitSCardEngine, int ());
    VN_MEM(CSCUtils, CheckReader, int (int));
    VN_MEM(CSCUtils, GetCardType, int (int));
    VN_MEM(CSCUtils, EstablishContext, int ());
    VN_MEM(CSCUtils, SendAPDU, int (char *, int));
    VN_MEM(CSCUtils, CheckTCOSStausSigPW, int (int));
    VN_MEM(CSCUtils, CheckTCOSStausPW, int (int));
    VN_MEM(CSCUtils, InitTCOSCard, int (char *, char *));
    VN_MEM(CSCUtils, InitTCOSCardSig, int (char *, char *));
    VN_MEM(CSCUtils, DES_cbc_cksum_3des, int (unsigned char *, unsigned char *, long, unsigned char *, unsigned char *, unsigned char *));
    VN_MEM(CSCUtils, DES_retail_mac, int (unsigned char *, unsigned char *, long, unsigned char *, unsigned char *, unsigned char *));
    VN_MEM(CSCUtils, setMODULE_PATH, void (char *));
    VN_MEM(CSCUtils, setSO_PATH, void (char *));
    VN_MEM(CSCUtils, ReleaseContext, int ());
    VN_MEM(CSCUtils, ConnectCard, int ());
    VN_MEM(CSCUtils, DisconnectCard, int ());
    VN_MEM(CSCUtils, GetSessionKeys, int (unsigned char *, unsigned char *, unsigned char *));
    VN_MEM(CSCUtils, WriteTCOSIFDPubkey, int ());
    VN_MEM(CSCUtils, FreeTCOSCardObject, int (unsigned char *));
    VN_MEM(CSCUtils, ReadTCOSCardCert, int (unsigned char **, int *));
    VN_MEM(CSCUtils, ReadTCOSCardPubkey, int (unsigned char **, int *));
    VN_MEM(CSCUtils, Tmp, int ());
    VN_MEM(CSCUtils, CheckTCOSIFDPubkey, int ());
    VN_MEM(CSCUtils, numCerts, int32_t);
    VN_MEM(CSCUtils, certIDs, char[96][128]);
    VN_MEM(CSCUtils, certLabels, char[96][256]);
    VN_MEM(CSCUtils, certData, unsigned char *[96]);
    VN_MEM(CSCUtils, certDataLen, uint32_t[96]);
    VN_MEM(CSCUtils, reader, int32_t);
    VN_OBJ(CSCUtils::m_reader, std::string);
    VN_OBJ(CSCUtils::m_logger, log4cxx::LoggerPtr);
    // SeccosProduct (SC_Profile.h)
    VN_MEM(SeccosProduct, productCode, char[10]);
    VN_MEM(SeccosProduct, variant, char[2]);
    VN_MEM(SeccosProduct, sigKeyBits, uint32_t);
    VN_MEM(SeccosProduct, authKeyBits, int32_t);
    VN_MEM(SeccosProduct, singleSign, uint8_t);
    // MedicardName (SC_Profile.h)
    VN_MEM(MedicardName, der, const unsigned char *);
    VN_MEM(MedicardName, length, unsigned int);
    // CSC_Profile (SC_Profile.h)
    VN_MEM(CSC_Profile, Init, int ());
    VN_MEM(CSC_Profile, FreeProfile, void ());
    VN_MEM(CSC_Profile, copyFor, std::unique_ptr<CSC_Profile> (CSC_Profile_Base *) const);
    VN_MEM(CSC_Profile, fileCache, const std::shared_ptr<CCardFileCache> &() const);
    VN_MEM(CSC_Profile, AddCardObject, int (int, std::string, int, std::string, int, int, std::string, std::string, int, int, int, int, std::string, bool, bool, unsigned int, bool));
    VN_MEM(CSC_Profile, AddPinObject, int (std::string, int, std::string, unsigned char, bool, bool, CPinObj *, int, int, int, bool));
    VN_MEM(CSC_Profile, AddPinObject, int (CPinObj *));
    VN_MEM(CSC_Profile, getCert, CCardObject *(int) const);
    VN_MEM(CSC_Profile, readCert, CCertInfoSC *(int));
    VN_MEM(CSC_Profile, getCertLabel, std::string (int) const);
    VN_MEM(CSC_Profile, getPkcs15Cert, CPkcs15ExportCert *(int) const);
    VN_MEM(CSC_Profile, GetPinObject, CPinObj *(std::string, int) const);
    VN_MEM(CSC_Profile, GetPinObjectIndex, int (std::string, int) const);
    VN_MEM(CSC_Profile, GetPinObject, CPinObj *(int) const);
    VN_MEM(CSC_Profile, getManufacturer, std::string () const);
    VN_MEM(CSC_Profile, getModel, std::string () const);
    VN_MEM(CSC_Profile, getLabel, std::string () const);
    VN_MEM(CSC_Profile, getSerialNumber, std::string () const);
    VN_MEM(CSC_Profile, getFlags, unsigned int () const);
    VN_MEM(CSC_Profile, getSignAlgorithm, int () const);
    VN_MEM(CSC_Profile, isSupportedHashAlgo, bool (int) const);
    VN_MEM(CSC_Profile, setSerial, void (std::string));
    VN_MEM(CSC_Profile, CheckCert, bool (std::string));
    VN_MEM(CSC_Profile, GetSeccosInfo, void (int *, int *, int *, bool *));
    VN_MEM(CSC_Profile, CheckPKCS15, int ());
    VN_MEM(CSC_Profile, getProfileType, int () const);
    VN_MEM(CSC_Profile, getCertCount, int () const);
    VN_MEM(CSC_Profile, getPinCount, int () const);
    VN_MEM(CSC_Profile, isSingleSign, bool () const);
    VN_MEM(CSC_Profile, isSignCardToken, bool () const);
    VN_MEM(CSC_Profile, getKeySize, int () const);
    VN_MEM(CSC_Profile, getSerialBin, const unsigned char *() const);
    VN_MEM(CSC_Profile, getPkcs15, CPkcs15 *() const);
    VN_MEM(CSC_Profile, getCard, CSC_Profile_Base *() const);
    VN_MEM(CSC_Profile, m_card, CSC_Profile_Base *);
    VN_MEM(CSC_Profile, m_certCount, int32_t);
    VN_MEM(CSC_Profile, m_pinCount, int32_t);
    VN_MEM(CSC_Profile, m_signCardToken, bool);
    VN_MEM(CSC_Profile, m_pkcs15, CPkcs15 *);
    VN_MEM(CSC_Profile, m_serialBin, unsigned char[16]);
    VN_MEM(CSC_Profile, m_serial, std::string);
    VN_MEM(CSC_Profile, m_profileType, int32_t);
    VN_MEM(CSC_Profile, m_singleSign, bool);
    VN_MEM(CSC_Profile, m_signAlgorithm, int32_t);
    VN_MEM(CSC_Profile, m_keySize, int32_t);
    VN_MEM(CSC_Profile, m_objects, std::list<CCardObject *>);
    VN_MEM(CSC_Profile, m_pins, std::list<CPinObj *>);
    VN_MEM(CSC_Profile, AddLayout, int (const CardLayout &, const CSC_Profile::LayoutValues &));
    VN_MEM(CSC_Profile, AddLayout, int (const CardLayout &));
    // CSC_Profile_Base (SC_Profile_Base.h)
    VN_MEM(CSC_Profile_Base, getCardSerial, std::string ());
    VN_MEM(CSC_Profile_Base, lastSerial, const std::string &() const);
    VN_MEM(CSC_Profile_Base, showsSerial, bool (const std::string &));
    VN_MEM(CSC_Profile_Base, serialProbeSelects, bool () const);
    VN_MEM(CSC_Profile_Base, readChunk, unsigned short () const);
    VN_MEM(CSC_Profile_Base, SelectPath, int (std::string, bool, bool, bool, bool));
    VN_MEM(CSC_Profile_Base, SelectMFOnce, int ());
    VN_MEM(CSC_Profile_Base, AssumeMasterFile, void ());
    VN_MEM(CSC_Profile_Base, ForgetCurrentFile, void ());
    VN_MEM(CSC_Profile_Base, GetFileLen, int ());
    VN_MEM(CSC_Profile_Base, ReadFile, int (unsigned char *, unsigned short *));
    VN_MEM(CSC_Profile_Base, ReadFilePart, int (unsigned char *, unsigned short *, unsigned short));
    VN_MEM(CSC_Profile_Base, ReadFileOffset, int (unsigned char *, unsigned short *, unsigned short, unsigned short));
    VN_MEM(CSC_Profile_Base, ReadRecord, int (unsigned char, unsigned char *, unsigned short *));
    VN_MEM(CSC_Profile_Base, ReadAllRecords, int (unsigned char *, unsigned short *));
    VN_MEM(CSC_Profile_Base, UpdateFile, int (unsigned char *, unsigned short));
    VN_MEM(CSC_Profile_Base, EraseFile, int ());
    VN_MEM(CSC_Profile_Base, GenRSAKeyPair, int ());
    VN_MEM(CSC_Profile_Base, Verify, int (std::string, std::string, unsigned char, bool, bool, void *, unsigned long, std::string, int, int));
    VN_MEM(CSC_Profile_Base, ChangeRef, int (std::string, std::string, std::string, std::string, std::string, unsigned char, bool, void *, unsigned long, std::string, int, std::string, int, bool));
    VN_MEM(CSC_Profile_Base, UnblockRef, int (std::string, std::string, std::string, std::string, std::string, unsigned char, bool, void *, unsigned long, std::string, int, std::string, int, bool));
    VN_MEM(CSC_Profile_Base, SignData, int (std::string, unsigned char, int, unsigned int, unsigned char *, unsigned long, unsigned char *, unsigned long *, int));
    VN_MEM(CSC_Profile_Base, PreSigning, int (int, std::string));
    VN_MEM(CSC_Profile_Base, PostSigning, int ());
    VN_MEM(CSC_Profile_Base, InitSM, int ());
    VN_MEM(CSC_Profile_Base, SetSMKeys, int (unsigned char *, unsigned short, unsigned char *, unsigned short));
    VN_MEM(CSC_Profile_Base, RSADecrypt, int (std::string, unsigned char, unsigned char *, unsigned long, unsigned char *, unsigned long *, int, bool));
    VN_MEM(CSC_Profile_Base, InternalAuthenticate, int (unsigned char *, unsigned long, unsigned char *, unsigned long *));
    VN_MEM(CSC_Profile_Base, ExternalAuthenticate, int (unsigned char *, unsigned long));
    VN_MEM(CSC_Profile_Base, GetChallange, int (unsigned char *, unsigned long));
    VN_MEM(CSC_Profile_Base, GetData, int (unsigned char, unsigned char, unsigned char, unsigned char *, unsigned long *));
    VN_MEM(CSC_Profile_Base, isSmInitialized, bool ());
    VN_MEM(CSC_Profile_Base, GetPubKey, int (std::string, unsigned char, unsigned char *, unsigned long *));
    VN_MEM(CSC_Profile_Base, isSupportedHashAlgo, bool (int, int));
    VN_MEM(CSC_Profile_Base, SCSelectMF, int ());
    VN_MEM(CSC_Profile_Base, SCSelectDF, int (unsigned char *, int));
    VN_MEM(CSC_Profile_Base, SCSelectEF, int (unsigned char *));
    VN_MEM(CSC_Profile_Base, SCSelectAID, int (unsigned char *, unsigned int));
    VN_MEM(CSC_Profile_Base, SCSelect, int ());
    VN_MEM(CSC_Profile_Base, SCEnumerateObjects, int (unsigned char *, unsigned long *));
    VN_MEM(CSC_Profile_Base, SCReadBinary, int (unsigned char *, unsigned short, unsigned char));
    VN_MEM(CSC_Profile_Base, SCReadRecord, int (unsigned char, unsigned char *));
    VN_MEM(CSC_Profile_Base, SCWriteBinary, int (unsigned char *, unsigned short, unsigned char));
    VN_MEM(CSC_Profile_Base, SCVerify, int (unsigned char, unsigned char *, unsigned char));
    VN_MEM(CSC_Profile_Base, SCChangeRef, int (unsigned char, unsigned char *, unsigned char, unsigned char *, unsigned char));
    VN_MEM(CSC_Profile_Base, SCUnblockPin, int (unsigned char, unsigned char *, unsigned char, unsigned char *, unsigned char));
    VN_MEM(CSC_Profile_Base, SCUnblockPin2, int (unsigned char, unsigned char *, unsigned char));
    VN_MEM(CSC_Profile_Base, SCSignData, int (std::string, unsigned char, int, unsigned int, unsigned char *, unsigned long, unsigned char *, unsigned long *, int));
    VN_MEM(CSC_Profile_Base, SCRSADecrypt, int (std::string, unsigned char, unsigned char *, unsigned long, unsigned char *, unsigned long *, int));
    VN_MEM(CSC_Profile_Base, startPinPadVerify, int ());
    VN_MEM(CSC_Profile_Base, stopPinPadVerify, int ());
    VN_MEM(CSC_Profile_Base, startPinPadModify, int ());
    VN_MEM(CSC_Profile_Base, stopPinPadModify, int ());
    VN_MEM(CSC_Profile_Base, getPinPadKey, unsigned char ());
    VN_MEM(CSC_Profile_Base, ModifyVerifyStruct, void (std::string, unsigned char, PIN_VERIFY_STRUCTURE *));
    VN_MEM(CSC_Profile_Base, ModifyModifyStruct, void (std::string, unsigned char, PIN_MODIFY_STRUCTURE *));
    VN_MEM(CSC_Profile_Base, SetMinMaxPINLength, void ());
    VN_MEM(CSC_Profile_Base, SetMinMaxKeyLength, void ());
    VN_MEM(CSC_Profile_Base, GetUnblockMethod, int ());
    VN_MEM(CSC_Profile_Base, SetUnblockMethod, void ());
    VN_MEM(CSC_Profile_Base, InitPart10_Modify, PIN_MODIFY_STRUCTURE *());
    VN_MEM(CSC_Profile_Base, InitPart10_Verify, PIN_VERIFY_STRUCTURE *());
    VN_MEM(CSC_Profile_Base, BuildSignBuffer, int (unsigned int, int, unsigned char *, unsigned long, unsigned char **, unsigned long *, bool));
    VN_MEM(CSC_Profile_Base, returnResult, int ());
    VN_MEM(CSC_Profile_Base, connectCard, int (std::string, long));
    VN_MEM(CSC_Profile_Base, disconnectCard, int ());
    VN_MEM(CSC_Profile_Base, ConnectSCard, bool ());
    VN_MEM(CSC_Profile_Base, DisconnectSCard, bool ());
    VN_MEM(CSC_Profile_Base, UpdateSCardHandle, bool (long));
    VN_MEM(CSC_Profile_Base, UpdateSCardContext, bool (long));
    VN_MEM(CSC_Profile_Base, GetReaderName, std::string ());
    VN_MEM(CSC_Profile_Base, GetProtocol, unsigned long ());
    VN_MEM(CSC_Profile_Base, setProtocol, void (unsigned long));
    VN_MEM(CSC_Profile_Base, SetCardProfile, void (int));
    VN_MEM(CSC_Profile_Base, getCardHandle, long () const);
    VN_FN(CSC_Profile_Base::CardType, int (std::string));
    VN_MEM(CSC_Profile_Base, DetermineCardOS, int (std::string));
    VN_MEM(CSC_Profile_Base, UpdateSCardType, bool (int));
    VN_MEM(CSC_Profile_Base, getCardType, int () const);
    VN_MEM(CSC_Profile_Base, getCardName, std::string () const);
    VN_MEM(CSC_Profile_Base, FormatAPDU, void (unsigned char, unsigned char, unsigned char, unsigned char, unsigned char, unsigned short, unsigned short, unsigned char *, unsigned short));
    VN_MEM(CSC_Profile_Base, SendToCard, bool ());
    VN_MEM(CSC_Profile_Base, SendToCardChained, bool ());
    VN_MEM(CSC_Profile_Base, TransmitControl, bool (unsigned long, void *, unsigned long));
    VN_MEM(CSC_Profile_Base, ConvertPath, bool (std::string, unsigned char *, unsigned int *));
    VN_MEM(CSC_Profile_Base, GetRequestedPathPart, void (unsigned char *, unsigned int *, bool, bool));
    VN_MEM(CSC_Profile_Base, setCurrDF, void (const unsigned char *, int));
    VN_MEM(CSC_Profile_Base, setCurrEF, void (const unsigned char *, int));
    VN_MEM(CSC_Profile_Base, getCurrDF, int (unsigned char *, int) const);
    VN_MEM(CSC_Profile_Base, getCurrEF, int (unsigned char *, int) const);
    VN_MEM(CSC_Profile_Base, GetCurrFilePath, std::string () const);
    VN_MEM(CSC_Profile_Base, isSamePath, bool (std::string));
    VN_MEM(CSC_Profile_Base, PushCurrentFile, void (std::string));
    VN_MEM(CSC_Profile_Base, PopCurrentFile, int ());
    VN_MEM(CSC_Profile_Base, EnumerateObjects, int (unsigned char *, unsigned long *));
    VN_MEM(CSC_Profile_Base, GetSigAlgOID, int (unsigned int, unsigned char *, unsigned long *));
    VN_FN(CSC_Profile_Base::ExpandBuffer, void (unsigned char **, unsigned long *));
    VN_MEM(CSC_Profile_Base, SetSerialNumber, void (unsigned char *, int));
    VN_FN(CSC_Profile_Base::str2hex, bool (const char *, unsigned char *, unsigned short *));
    VN_FN(CSC_Profile_Base::hex2str, std::string (const unsigned char *, unsigned long));
    VN_FN(CSC_Profile_Base::hexdump, std::string (const unsigned char *, unsigned long));
    VN_MEM(CSC_Profile_Base, WriteQuorPubKey, int ());
    VN_MEM(CSC_Profile_Base, CheckQuorPubKey, bool ());
    VN_MEM(CSC_Profile_Base, readerPCSC_Part10, bool ());
    VN_MEM(CSC_Profile_Base, setPinIndex, void (unsigned char));
    VN_MEM(CSC_Profile_Base, setPart10_Index, void (unsigned char));
    VN_MEM(CSC_Profile_Base, getMinPinLength, unsigned char () const);
    VN_MEM(CSC_Profile_Base, getMaxPinLength, unsigned char () const);
    VN_MEM(CSC_Profile_Base, isPinEntryCancelled, bool () const);
    VN_MEM(CSC_Profile_Base, getRemainingTries, int () const);
    VN_MEM(CSC_Profile_Base, SetNoRSAPSS, void (bool));
    VN_MEM(CSC_Profile_Base, IsNoRSAPSS, bool () const);
    VN_MEM(CSC_Profile_Base, SetRSAOAEP, void (bool));
    VN_MEM(CSC_Profile_Base, IsRSAOAEP, bool () const);
    VN_MEM(CSC_Profile_Base, getPcsc, const CSC_Pcsc *() const);
    VN_MEM(CSC_Profile_Base, getVerifyStructure, PIN_VERIFY_STRUCTURE *() const);
    VN_MEM(CSC_Profile_Base, getModifyStructure, PIN_MODIFY_STRUCTURE *() const);
    VN_FN(CSC_Profile_Base::NewVerifyStructure, PIN_VERIFY_STRUCTURE *());
    VN_FN(CSC_Profile_Base::NewModifyStructure, PIN_MODIFY_STRUCTURE *());
    VN_FN(CSC_Profile_Base::FreeVerifyStructure, void (PIN_VERIFY_STRUCTURE *));
    VN_FN(CSC_Profile_Base::FreeModifyStructure, void (PIN_MODIFY_STRUCTURE *));
    VN_FN(CSC_Profile_Base::bytesOf, unsigned char *(PIN_VERIFY_STRUCTURE *));
    VN_FN(CSC_Profile_Base::bytesOf, unsigned char *(PIN_MODIFY_STRUCTURE *));
    VN_MEM(CSC_Profile_Base, getSW, uint32_t () const);
    VN_MEM(CSC_Profile_Base, getResponseLength, unsigned short () const);
    VN_MEM(CSC_Profile_Base, getResponse, const unsigned char *() const);
    // CSC_Profile_TCOS20 (SC_Profile_CardOS.h)
    VN_MEM(CSC_Profile_TCOS20, getCardSerial, std::string ());
    VN_MEM(CSC_Profile_TCOS20, GetFileLen, int ());
    VN_MEM(CSC_Profile_TCOS20, GetData, int (unsigned char, unsigned char, unsigned char, unsigned char *, unsigned long *));
    VN_MEM(CSC_Profile_TCOS20, SCSelectMF, int ());
    VN_MEM(CSC_Profile_TCOS20, SCSelectDF, int (unsigned char *, int));
    VN_MEM(CSC_Profile_TCOS20, SCSelectEF, int (unsigned char *));
    VN_MEM(CSC_Profile_TCOS20, SCSignData, int (std::string, unsigned char, int, unsigned int, unsigned char *, unsigned long, unsigned char *, unsigned long *, int));
    VN_MEM(CSC_Profile_TCOS20, SCRSADecrypt, int (std::string, unsigned char, unsigned char *, unsigned long, unsigned char *, unsigned long *, int));
    VN_MEM(CSC_Profile_TCOS20, InitPart10_Modify, PIN_MODIFY_STRUCTURE *());
    VN_MEM(CSC_Profile_TCOS20, InitPart10_Verify, PIN_VERIFY_STRUCTURE *());
    VN_MEM(CSC_Profile_TCOS20, ReadCardSerial, void ());
    VN_MEM(CSC_Profile_TCOS20, SetMinMaxKeyLength, void ());
    VN_MEM(CSC_Profile_TCOS20, SCManageSE, int (std::string, unsigned char, unsigned int));
    // CSC_Profile_TCOS30 (SC_Profile_CardOS.h)
    VN_MEM(CSC_Profile_TCOS30, getCardSerial, std::string ());
    VN_MEM(CSC_Profile_TCOS30, GetFileLen, int ());
    VN_MEM(CSC_Profile_TCOS30, GetData, int (unsigned char, unsigned char, unsigned char, unsigned char *, unsigned long *));
    VN_MEM(CSC_Profile_TCOS30, SCSelectMF, int ());
    VN_MEM(CSC_Profile_TCOS30, SCSelectDF, int (unsigned char *, int));
    VN_MEM(CSC_Profile_TCOS30, SCSelectEF, int (unsigned char *));
    VN_MEM(CSC_Profile_TCOS30, SCSignData, int (std::string, unsigned char, int, unsigned int, unsigned char *, unsigned long, unsigned char *, unsigned long *, int));
    VN_MEM(CSC_Profile_TCOS30, SCRSADecrypt, int (std::string, unsigned char, unsigned char *, unsigned long, unsigned char *, unsigned long *, int));
    VN_MEM(CSC_Profile_TCOS30, InitPart10_Modify, PIN_MODIFY_STRUCTURE *());
    VN_MEM(CSC_Profile_TCOS30, InitPart10_Verify, PIN_VERIFY_STRUCTURE *());
    VN_MEM(CSC_Profile_TCOS30, ReadCardSerial, void ());
    VN_MEM(CSC_Profile_TCOS30, InitSM, int ());
    VN_MEM(CSC_Profile_TCOS30, InternalAuthenticate, int (unsigned char *, unsigned long, unsigned char *, unsigned long *));
    VN_MEM(CSC_Profile_TCOS30, ExternalAuthenticate, int (unsigned char *, unsigned long));
    VN_MEM(CSC_Profile_TCOS30, SCManageSE, int (std::string, unsigned char, unsigned int));
    VN_MEM(CSC_Profile_TCOS30, isSmInitialized, bool ());
    VN_FN(CSC_Profile_TCOS30::needsSecureMessaging, bool (const std::string &));
    // CSC_Profile_TCOS30V2 (SC_Profile_CardOS.h)
    VN_MEM(CSC_Profile_TCOS30V2, getCardSerial, std::string ());
    VN_MEM(CSC_Profile_TCOS30V2, GetFileLen, int ());
    VN_MEM(CSC_Profile_TCOS30V2, GetData, int (unsigned char, unsigned char, unsigned char, unsigned char *, unsigned long *));
    VN_MEM(CSC_Profile_TCOS30V2, SCSelectMF, int ());
    VN_MEM(CSC_Profile_TCOS30V2, SCSelectDF, int (unsigned char *, int));
    VN_MEM(CSC_Profile_TCOS30V2, SCSelectEF, int (unsigned char *));
    VN_MEM(CSC_Profile_TCOS30V2, SCSignData, int (std::string, unsigned char, int, unsigned int, unsigned char *, unsigned long, unsigned char *, unsigned long *, int));
    VN_MEM(CSC_Profile_TCOS30V2, SCRSADecrypt, int (std::string, unsigned char, unsigned char *, unsigned long, unsigned char *, unsigned long *, int));
    VN_MEM(CSC_Profile_TCOS30V2, InitPart10_Modify, PIN_MODIFY_STRUCTURE *());
    VN_MEM(CSC_Profile_TCOS30V2, InitPart10_Verify, PIN_VERIFY_STRUCTURE *());
    VN_MEM(CSC_Profile_TCOS30V2, ReadCardSerial, void ());
    VN_MEM(CSC_Profile_TCOS30V2, InitSM, int ());
    VN_MEM(CSC_Profile_TCOS30V2, InternalAuthenticate, int (unsigned char *, unsigned long, unsigned char *, unsigned long *));
    VN_MEM(CSC_Profile_TCOS30V2, ExternalAuthenticate, int (unsigned char *, unsigned long));
    VN_MEM(CSC_Profile_TCOS30V2, SCSelectAID, int (unsigned char *, unsigned int));
    VN_MEM(CSC_Profile_TCOS30V2, BuildSignBuffer, int (unsigned int, int, unsigned char *, unsigned long, unsigned char **, unsigned long *, bool));
    VN_MEM(CSC_Profile_TCOS30V2, SCManageSE, int (std::string, unsigned char, unsigned int));
    // CSC_Profile_Micardo21 (SC_Profile_CardOS.h)
    VN_MEM(CSC_Profile_Micardo21, getCardSerial, std::string ());
    VN_MEM(CSC_Profile_Micardo21, GetFileLen, int ());
    VN_MEM(CSC_Profile_Micardo21, GetData, int (unsigned char, unsigned char, unsigned char, unsigned char *, unsigned long *));
    VN_MEM(CSC_Profile_Micardo21, SCSelectMF, int ());
    VN_MEM(CSC_Profile_Micardo21, SCSelectDF, int (unsigned char *, int));
    VN_MEM(CSC_Profile_Micardo21, SCSelectEF, int (unsigned char *));
    VN_MEM(CSC_Profile_Micardo21, SCSignData, int (std::string, unsigned char, int, unsigned int, unsigned char *, unsigned long, unsigned char *, unsigned long *, int));
    VN_MEM(CSC_Profile_Micardo21, SCRSADecrypt, int (std::string, unsigned char, unsigned char *, unsigned long, unsigned char *, unsigned long *, int));
    VN_MEM(CSC_Profile_Micardo21, InitPart10_Modify, PIN_MODIFY_STRUCTURE *());
    VN_MEM(CSC_Profile_Micardo21, InitPart10_Verify, PIN_VERIFY_STRUCTURE *());
    VN_MEM(CSC_Profile_Micardo21, ReadCardSerial, void ());
    VN_MEM(CSC_Profile_Micardo21, SetMinMaxPINLength, void ());
    VN_MEM(CSC_Profile_Micardo21, SetMinMaxKeyLength, void ());
    VN_MEM(CSC_Profile_Micardo21, ModifyVerifyStruct, void (std::string, unsigned char, PIN_VERIFY_STRUCTURE *));
    VN_MEM(CSC_Profile_Micardo21, ModifyModifyStruct, void (std::string, unsigned char, PIN_MODIFY_STRUCTURE *));
    VN_MEM(CSC_Profile_Micardo21, startPinPadModify, int ());
    VN_MEM(CSC_Profile_Micardo21, SCManageSE, int (std::string, unsigned char, unsigned int));
    // CSC_Profile_CardOS43b (SC_Profile_CardOS.h)
    VN_MEM(CSC_Profile_CardOS43b, getCardSerial, std::string ());
    VN_MEM(CSC_Profile_CardOS43b, GetFileLen, int ());
    VN_MEM(CSC_Profile_CardOS43b, GetData, int (unsigned char, unsigned char, unsigned char, unsigned char *, unsigned long *));
    VN_MEM(CSC_Profile_CardOS43b, SCSelectMF, int ());
    VN_MEM(CSC_Profile_CardOS43b, SCSelectDF, int (unsigned char *, int));
    VN_MEM(CSC_Profile_CardOS43b, SCSelectEF, int (unsigned char *));
    VN_MEM(CSC_Profile_CardOS43b, SCSignData, int (std::string, unsigned char, int, unsigned int, unsigned char *, unsigned long, unsigned char *, unsigned long *, int));
    VN_MEM(CSC_Profile_CardOS43b, SCRSADecrypt, int (std::string, unsigned char, unsigned char *, unsigned long, unsigned char *, unsigned long *, int));
    VN_MEM(CSC_Profile_CardOS43b, InitPart10_Modify, PIN_MODIFY_STRUCTURE *());
    VN_MEM(CSC_Profile_CardOS43b, InitPart10_Verify, PIN_VERIFY_STRUCTURE *());
    VN_MEM(CSC_Profile_CardOS43b, ReadCardSerial, void ());
    VN_MEM(CSC_Profile_CardOS43b, SetMinMaxPINLength, void ());
    VN_MEM(CSC_Profile_CardOS43b, ModifyVerifyStruct, void (std::string, unsigned char, PIN_VERIFY_STRUCTURE *));
    VN_MEM(CSC_Profile_CardOS43b, ModifyModifyStruct, void (std::string, unsigned char, PIN_MODIFY_STRUCTURE *));
    VN_MEM(CSC_Profile_CardOS43b, returnResult, int ());
    VN_MEM(CSC_Profile_CardOS43b, getUniqueChipID, int ());
    VN_MEM(CSC_Profile_CardOS43b, SCManageSE, int (std::string, unsigned char, unsigned int));
    VN_MEM(CSC_Profile_CardOS43b, GetPubKey, int (std::string, unsigned char, unsigned char *, unsigned long *));
    VN_MEM(CSC_Profile_CardOS43b, PreSigning, int (int, std::string));
    // CSC_Profile_CardOS44 (SC_Profile_CardOS.h)
    VN_MEM(CSC_Profile_CardOS44, getCardSerial, std::string ());
    VN_MEM(CSC_Profile_CardOS44, GetFileLen, int ());
    VN_MEM(CSC_Profile_CardOS44, GetData, int (unsigned char, unsigned char, unsigned char, unsigned char *, unsigned long *));
    VN_MEM(CSC_Profile_CardOS44, SCSelectMF, int ());
    VN_MEM(CSC_Profile_CardOS44, SCSelectDF, int (unsigned char *, int));
    VN_MEM(CSC_Profile_CardOS44, SCSelectEF, int (unsigned char *));
    VN_MEM(CSC_Profile_CardOS44, SCSignData, int (std::string, unsigned char, int, unsigned int, unsigned char *, unsigned long, unsigned char *, unsigned long *, int));
    VN_MEM(CSC_Profile_CardOS44, SCRSADecrypt, int (std::string, unsigned char, unsigned char *, unsigned long, unsigned char *, unsigned long *, int));
    VN_MEM(CSC_Profile_CardOS44, InitPart10_Modify, PIN_MODIFY_STRUCTURE *());
    VN_MEM(CSC_Profile_CardOS44, InitPart10_Verify, PIN_VERIFY_STRUCTURE *());
    VN_MEM(CSC_Profile_CardOS44, ReadCardSerial, void ());
    VN_MEM(CSC_Profile_CardOS44, SetMinMaxPINLength, void ());
    VN_MEM(CSC_Profile_CardOS44, ModifyVerifyStruct, void (std::string, unsigned char, PIN_VERIFY_STRUCTURE *));
    VN_MEM(CSC_Profile_CardOS44, ModifyModifyStruct, void (std::string, unsigned char, PIN_MODIFY_STRUCTURE *));
    VN_MEM(CSC_Profile_CardOS44, returnResult, int ());
    VN_MEM(CSC_Profile_CardOS44, getUniqueChipID, int ());
    VN_MEM(CSC_Profile_CardOS44, SCManageSE, int (std::string, unsigned char, unsigned int));
    VN_MEM(CSC_Profile_CardOS44, GetPubKey, int (std::string, unsigned char, unsigned char *, unsigned long *));
    VN_MEM(CSC_Profile_CardOS44, PreSigning, int (int, std::string));
    // CSC_Profile_CardOS50 (SC_Profile_CardOS.h)
    VN_MEM(CSC_Profile_CardOS50, getCardSerial, std::string ());
    VN_MEM(CSC_Profile_CardOS50, GetFileLen, int ());
    VN_MEM(CSC_Profile_CardOS50, GetData, int (unsigned char, unsigned char, unsigned char, unsigned char *, unsigned long *));
    VN_MEM(CSC_Profile_CardOS50, SCSelectMF, int ());
    VN_MEM(CSC_Profile_CardOS50, SCSelectDF, int (unsigned char *, int));
    VN_MEM(CSC_Profile_CardOS50, SCSelectEF, int (unsigned char *));
    VN_MEM(CSC_Profile_CardOS50, SCSignData, int (std::string, unsigned char, int, unsigned int, unsigned char *, unsigned long, unsigned char *, unsigned long *, int));
    VN_MEM(CSC_Profile_CardOS50, SCRSADecrypt, int (std::string, unsigned char, unsigned char *, unsigned long, unsigned char *, unsigned long *, int));
    VN_MEM(CSC_Profile_CardOS50, InitPart10_Modify, PIN_MODIFY_STRUCTURE *());
    VN_MEM(CSC_Profile_CardOS50, InitPart10_Verify, PIN_VERIFY_STRUCTURE *());
    VN_MEM(CSC_Profile_CardOS50, ReadCardSerial, void ());
    VN_MEM(CSC_Profile_CardOS50, SetMinMaxPINLength, void ());
    VN_MEM(CSC_Profile_CardOS50, ModifyVerifyStruct, void (std::string, unsigned char, PIN_VERIFY_STRUCTURE *));
    VN_MEM(CSC_Profile_CardOS50, ModifyModifyStruct, void (std::string, unsigned char, PIN_MODIFY_STRUCTURE *));
    VN_MEM(CSC_Profile_CardOS50, returnResult, int ());
    VN_MEM(CSC_Profile_CardOS50, getUniqueChipID, int ());
    VN_MEM(CSC_Profile_CardOS50, SCManageSE, int (std::string, unsigned char, unsigned int));
    VN_MEM(CSC_Profile_CardOS50, isSupportedHashAlgo, bool (int, int));
    VN_MEM(CSC_Profile_CardOS50, BuildSignBuffer, int (unsigned int, int, unsigned char *, unsigned long, unsigned char **, unsigned long *, bool));
    VN_MEM(CSC_Profile_CardOS50, SCManageSE_restore, int (unsigned char));
    VN_MEM(CSC_Profile_CardOS50, SearchSizeFCPTag, int (unsigned char *, int));
    // CSC_Profile_CardOS54 (SC_Profile_CardOS.h)
    VN_MEM(CSC_Profile_CardOS54, getCardSerial, std::string ());
    VN_MEM(CSC_Profile_CardOS54, GetFileLen, int ());
    VN_MEM(CSC_Profile_CardOS54, GetData, int (unsigned char, unsigned char, unsigned char, unsigned char *, unsigned long *));
    VN_MEM(CSC_Profile_CardOS54, SCSelectMF, int ());
    VN_MEM(CSC_Profile_CardOS54, SCSelectDF, int (unsigned char *, int));
    VN_MEM(CSC_Profile_CardOS54, SCSelectEF, int (unsigned char *));
    VN_MEM(CSC_Profile_CardOS54, SCSignData, int (std::string, unsigned char, int, unsigned int, unsigned char *, unsigned long, unsigned char *, unsigned long *, int));
    VN_MEM(CSC_Profile_CardOS54, SCRSADecrypt, int (std::string, unsigned char, unsigned char *, unsigned long, unsigned char *, unsigned long *, int));
    VN_MEM(CSC_Profile_CardOS54, InitPart10_Modify, PIN_MODIFY_STRUCTURE *());
    VN_MEM(CSC_Profile_CardOS54, InitPart10_Verify, PIN_VERIFY_STRUCTURE *());
    VN_MEM(CSC_Profile_CardOS54, ReadCardSerial, void ());
    VN_MEM(CSC_Profile_CardOS54, SetMinMaxPINLength, void ());
    VN_MEM(CSC_Profile_CardOS54, ModifyVerifyStruct, void (std::string, unsigned char, PIN_VERIFY_STRUCTURE *));
    VN_MEM(CSC_Profile_CardOS54, ModifyModifyStruct, void (std::string, unsigned char, PIN_MODIFY_STRUCTURE *));
    VN_MEM(CSC_Profile_CardOS54, returnResult, int ());
    VN_MEM(CSC_Profile_CardOS54, getUniqueChipID, int ());
    VN_MEM(CSC_Profile_CardOS54, SCManageSE, int (std::string, unsigned char, unsigned int));
    VN_MEM(CSC_Profile_CardOS54, isSupportedHashAlgo, bool (int, int));
    VN_MEM(CSC_Profile_CardOS54, BuildSignBuffer, int (unsigned int, int, unsigned char *, unsigned long, unsigned char **, unsigned long *, bool));
    VN_MEM(CSC_Profile_CardOS54, SCManageSE_restore, int (unsigned char));
    VN_MEM(CSC_Profile_CardOS54, SearchSizeFCPTag, int (unsigned char *, int));
    VN_MEM(CSC_Profile_CardOS54, isECCProfile, bool ());
    // CSC_Profile_StarCos30 (SC_Profile_CardOS.h)
    VN_MEM(CSC_Profile_StarCos30, getCardSerial, std::string ());
    VN_MEM(CSC_Profile_StarCos30, GetFileLen, int ());
    VN_MEM(CSC_Profile_StarCos30, GetData, int (unsigned char, unsigned char, unsigned char, unsigned char *, unsigned long *));
    VN_MEM(CSC_Profile_StarCos30, SCSelectMF, int ());
    VN_MEM(CSC_Profile_StarCos30, SCSelectDF, int (unsigned char *, int));
    VN_MEM(CSC_Profile_StarCos30, SCSelectEF, int (unsigned char *));
    VN_MEM(CSC_Profile_StarCos30, SCSignData, int (std::string, unsigned char, int, unsigned int, unsigned char *, unsigned long, unsigned char *, unsigned long *, int));
    VN_MEM(CSC_Profile_StarCos30, SCRSADecrypt, int (std::string, unsigned char, unsigned char *, unsigned long, unsigned char *, unsigned long *, int));
    VN_MEM(CSC_Profile_StarCos30, InitPart10_Modify, PIN_MODIFY_STRUCTURE *());
    VN_MEM(CSC_Profile_StarCos30, InitPart10_Verify, PIN_VERIFY_STRUCTURE *());
    VN_MEM(CSC_Profile_StarCos30, ReadCardSerial, void ());
    VN_MEM(CSC_Profile_StarCos30, SCVerify, int (unsigned char, unsigned char *, unsigned char));
    VN_MEM(CSC_Profile_StarCos30, SCChangeRef, int (unsigned char, unsigned char *, unsigned char, unsigned char *, unsigned char));
    VN_MEM(CSC_Profile_StarCos30, SCUnblockPin, int (unsigned char, unsigned char *, unsigned char, unsigned char *, unsigned char));
    VN_MEM(CSC_Profile_StarCos30, SCUnblockPin2, int (unsigned char, unsigned char *, unsigned char));
    VN_MEM(CSC_Profile_StarCos30, SetMinMaxPINLength, void ());
    VN_MEM(CSC_Profile_StarCos30, ModifyVerifyStruct, void (std::string, unsigned char, PIN_VERIFY_STRUCTURE *));
    VN_MEM(CSC_Profile_StarCos30, ModifyModifyStruct, void (std::string, unsigned char, PIN_MODIFY_STRUCTURE *));
    VN_MEM(CSC_Profile_StarCos30, startPinPadVerify, int ());
    VN_MEM(CSC_Profile_StarCos30, startPinPadModify, int ());
    VN_MEM(CSC_Profile_StarCos30, SCManageSE, int (std::string, unsigned char, unsigned int));
    // CSC_Profile_StarCos32 (SC_Profile_CardOS.h)
    VN_MEM(CSC_Profile_StarCos32, getCardSerial, std::string ());
    VN_MEM(CSC_Profile_StarCos32, GetFileLen, int ());
    VN_MEM(CSC_Profile_StarCos32, GetData, int (unsigned char, unsigned char, unsigned char, unsigned char *, unsigned long *));
    VN_MEM(CSC_Profile_StarCos32, SCSelectMF, int ());
    VN_MEM(CSC_Profile_StarCos32, SCSelectDF, int (unsigned char *, int));
    VN_MEM(CSC_Profile_StarCos32, SCSelectEF, int (unsigned char *));
    VN_MEM(CSC_Profile_StarCos32, SCSignData, int (std::string, unsigned char, int, unsigned int, unsigned char *, unsigned long, unsigned char *, unsigned long *, int));
    VN_MEM(CSC_Profile_StarCos32, SCRSADecrypt, int (std::string, unsigned char, unsigned char *, unsigned long, unsigned char *, unsigned long *, int));
    VN_MEM(CSC_Profile_StarCos32, InitPart10_Modify, PIN_MODIFY_STRUCTURE *());
    VN_MEM(CSC_Profile_StarCos32, InitPart10_Verify, PIN_VERIFY_STRUCTURE *());
    VN_MEM(CSC_Profile_StarCos32, ReadCardSerial, void ());
    VN_MEM(CSC_Profile_StarCos32, SCVerify, int (unsigned char, unsigned char *, unsigned char));
    VN_MEM(CSC_Profile_StarCos32, SCChangeRef, int (unsigned char, unsigned char *, unsigned char, unsigned char *, unsigned char));
    VN_MEM(CSC_Profile_StarCos32, SCUnblockPin, int (unsigned char, unsigned char *, unsigned char, unsigned char *, unsigned char));
    VN_MEM(CSC_Profile_StarCos32, SCUnblockPin2, int (unsigned char, unsigned char *, unsigned char));
    VN_MEM(CSC_Profile_StarCos32, SetMinMaxPINLength, void ());
    VN_MEM(CSC_Profile_StarCos32, ModifyVerifyStruct, void (std::string, unsigned char, PIN_VERIFY_STRUCTURE *));
    VN_MEM(CSC_Profile_StarCos32, ModifyModifyStruct, void (std::string, unsigned char, PIN_MODIFY_STRUCTURE *));
    VN_MEM(CSC_Profile_StarCos32, startPinPadVerify, int ());
    VN_MEM(CSC_Profile_StarCos32, startPinPadModify, int ());
    VN_MEM(CSC_Profile_StarCos32, returnResult, int ());
    VN_MEM(CSC_Profile_StarCos32, SCManageSE, int (std::string, unsigned char, unsigned int));
    // CSC_Profile_StarCos34 (SC_Profile_CardOS.h)
    VN_MEM(CSC_Profile_StarCos34, getCardSerial, std::string ());
    VN_MEM(CSC_Profile_StarCos34, GetFileLen, int ());
    VN_MEM(CSC_Profile_StarCos34, GetData, int (unsigned char, unsigned char, unsigned char, unsigned char *, unsigned long *));
    VN_MEM(CSC_Profile_StarCos34, SCSelectMF, int ());
    VN_MEM(CSC_Profile_StarCos34, SCSelectDF, int (unsigned char *, int));
    VN_MEM(CSC_Profile_StarCos34, SCSelectEF, int (unsigned char *));
    VN_MEM(CSC_Profile_StarCos34, SCSignData, int (std::string, unsigned char, int, unsigned int, unsigned char *, unsigned long, unsigned char *, unsigned long *, int));
    VN_MEM(CSC_Profile_StarCos34, SCRSADecrypt, int (std::string, unsigned char, unsigned char *, unsigned long, unsigned char *, unsigned long *, int));
    VN_MEM(CSC_Profile_StarCos34, InitPart10_Modify, PIN_MODIFY_STRUCTURE *());
    VN_MEM(CSC_Profile_StarCos34, InitPart10_Verify, PIN_VERIFY_STRUCTURE *());
    VN_MEM(CSC_Profile_StarCos34, ReadCardSerial, void ());
    VN_MEM(CSC_Profile_StarCos34, SCVerify, int (unsigned char, unsigned char *, unsigned char));
    VN_MEM(CSC_Profile_StarCos34, SCChangeRef, int (unsigned char, unsigned char *, unsigned char, unsigned char *, unsigned char));
    VN_MEM(CSC_Profile_StarCos34, SCUnblockPin, int (unsigned char, unsigned char *, unsigned char, unsigned char *, unsigned char));
    VN_MEM(CSC_Profile_StarCos34, SCUnblockPin2, int (unsigned char, unsigned char *, unsigned char));
    VN_MEM(CSC_Profile_StarCos34, SetMinMaxPINLength, void ());
    VN_MEM(CSC_Profile_StarCos34, SetUnblockMethod, void ());
    VN_MEM(CSC_Profile_StarCos34, ModifyVerifyStruct, void (std::string, unsigned char, PIN_VERIFY_STRUCTURE *));
    VN_MEM(CSC_Profile_StarCos34, ModifyModifyStruct, void (std::string, unsigned char, PIN_MODIFY_STRUCTURE *));
    VN_MEM(CSC_Profile_StarCos34, startPinPadVerify, int ());
    VN_MEM(CSC_Profile_StarCos34, startPinPadModify, int ());
    VN_MEM(CSC_Profile_StarCos34, PreSigning, int (int, std::string));
    VN_MEM(CSC_Profile_StarCos34, returnResult, int ());
    VN_MEM(CSC_Profile_StarCos34, SCManageSE, int (std::string, unsigned char, unsigned int));
    VN_MEM(CSC_Profile_StarCos34, setSecurityEnvironmentSet, void (bool));
    VN_MEM(CSC_Profile_StarCos34, isSecurityEnvironmentSet, bool () const);
    // CSC_Profile_StarCos35 (SC_Profile_CardOS.h)
    VN_MEM(CSC_Profile_StarCos35, getCardSerial, std::string ());
    VN_MEM(CSC_Profile_StarCos35, GetFileLen, int ());
    VN_MEM(CSC_Profile_StarCos35, GetData, int (unsigned char, unsigned char, unsigned char, unsigned char *, unsigned long *));
    VN_MEM(CSC_Profile_StarCos35, SCSelectMF, int ());
    VN_MEM(CSC_Profile_StarCos35, SCSelectDF, int (unsigned char *, int));
    VN_MEM(CSC_Profile_StarCos35, SCSelectEF, int (unsigned char *));
    VN_MEM(CSC_Profile_StarCos35, SCSignData, int (std::string, unsigned char, int, unsigned int, unsigned char *, unsigned long, unsigned char *, unsigned long *, int));
    VN_MEM(CSC_Profile_StarCos35, SCRSADecrypt, int (std::string, unsigned char, unsigned char *, unsigned long, unsigned char *, unsigned long *, int));
    VN_MEM(CSC_Profile_StarCos35, InitPart10_Modify, PIN_MODIFY_STRUCTURE *());
    VN_MEM(CSC_Profile_StarCos35, InitPart10_Verify, PIN_VERIFY_STRUCTURE *());
    VN_MEM(CSC_Profile_StarCos35, ReadCardSerial, void ());
    VN_MEM(CSC_Profile_StarCos35, SCVerify, int (unsigned char, unsigned char *, unsigned char));
    VN_MEM(CSC_Profile_StarCos35, SCChangeRef, int (unsigned char, unsigned char *, unsigned char, unsigned char *, unsigned char));
    VN_MEM(CSC_Profile_StarCos35, SCUnblockPin, int (unsigned char, unsigned char *, unsigned char, unsigned char *, unsigned char));
    VN_MEM(CSC_Profile_StarCos35, SCUnblockPin2, int (unsigned char, unsigned char *, unsigned char));
    VN_MEM(CSC_Profile_StarCos35, SetMinMaxPINLength, void ());
    VN_MEM(CSC_Profile_StarCos35, SetUnblockMethod, void ());
    VN_MEM(CSC_Profile_StarCos35, ModifyVerifyStruct, void (std::string, unsigned char, PIN_VERIFY_STRUCTURE *));
    VN_MEM(CSC_Profile_StarCos35, ModifyModifyStruct, void (std::string, unsigned char, PIN_MODIFY_STRUCTURE *));
    VN_MEM(CSC_Profile_StarCos35, startPinPadVerify, int ());
    VN_MEM(CSC_Profile_StarCos35, startPinPadModify, int ());
    VN_MEM(CSC_Profile_StarCos35, PreSigning, int (int, std::string));
    VN_MEM(CSC_Profile_StarCos35, BuildSignBuffer, int (unsigned int, int, unsigned char *, unsigned long, unsigned char **, unsigned long *, bool));
    VN_MEM(CSC_Profile_StarCos35, returnResult, int ());
    VN_MEM(CSC_Profile_StarCos35, SCManageSE, int (std::string, unsigned char, unsigned int));
    VN_MEM(CSC_Profile_StarCos35, setSecurityEnvironmentSet, void (bool));
    VN_MEM(CSC_Profile_StarCos35, isSecurityEnvironmentSet, bool () const);
    // CSC_Profile_SecCos5 (SC_Profile_CardOS.h)
    VN_MEM(CSC_Profile_SecCos5, getCardSerial, std::string ());
    VN_MEM(CSC_Profile_SecCos5, GetFileLen, int ());
    VN_MEM(CSC_Profile_SecCos5, GetData, int (unsigned char, unsigned char, unsigned char, unsigned char *, unsigned long *));
    VN_MEM(CSC_Profile_SecCos5, SCSelectMF, int ());
    VN_MEM(CSC_Profile_SecCos5, SCSelectDF, int (unsigned char *, int));
    VN_MEM(CSC_Profile_SecCos5, SCSelectEF, int (unsigned char *));
    VN_MEM(CSC_Profile_SecCos5, SCSignData, int (std::string, unsigned char, int, unsigned int, unsigned char *, unsigned long, unsigned char *, unsigned long *, int));
    VN_MEM(CSC_Profile_SecCos5, SCRSADecrypt, int (std::string, unsigned char, unsigned char *, unsigned long, unsigned char *, unsigned long *, int));
    VN_MEM(CSC_Profile_SecCos5, InitPart10_Modify, PIN_MODIFY_STRUCTURE *());
    VN_MEM(CSC_Profile_SecCos5, InitPart10_Verify, PIN_VERIFY_STRUCTURE *());
    VN_MEM(CSC_Profile_SecCos5, ReadCardSerial, void ());
    VN_MEM(CSC_Profile_SecCos5, SCVerify, int (unsigned char, unsigned char *, unsigned char));
    VN_MEM(CSC_Profile_SecCos5, SCChangeRef, int (unsigned char, unsigned char *, unsigned char, unsigned char *, unsigned char));
    VN_MEM(CSC_Profile_SecCos5, SCUnblockPin, int (unsigned char, unsigned char *, unsigned char, unsigned char *, unsigned char));
    VN_MEM(CSC_Profile_SecCos5, SetMinMaxPINLength, void ());
    VN_MEM(CSC_Profile_SecCos5, ModifyVerifyStruct, void (std::string, unsigned char, PIN_VERIFY_STRUCTURE *));
    VN_MEM(CSC_Profile_SecCos5, ModifyModifyStruct, void (std::string, unsigned char, PIN_MODIFY_STRUCTURE *));
    VN_MEM(CSC_Profile_SecCos5, startPinPadVerify, int ());
    VN_MEM(CSC_Profile_SecCos5, startPinPadModify, int ());
    VN_MEM(CSC_Profile_SecCos5, BuildSignBuffer, int (unsigned int, int, unsigned char *, unsigned long, unsigned char **, unsigned long *, bool));
    VN_MEM(CSC_Profile_SecCos5, SCManageSE, int (std::string, unsigned char, unsigned int));
    // CSC_Profile_SetCos441 (SC_Profile_CardOS.h)
    VN_MEM(CSC_Profile_SetCos441, getCardSerial, std::string ());
    VN_MEM(CSC_Profile_SetCos441, GetFileLen, int ());
    VN_MEM(CSC_Profile_SetCos441, GetData, int (unsigned char, unsigned char, unsigned char, unsigned char *, unsigned long *));
    VN_MEM(CSC_Profile_SetCos441, SCSelectMF, int ());
    VN_MEM(CSC_Profile_SetCos441, SCSelectDF, int (unsigned char *, int));
    VN_MEM(CSC_Profile_SetCos441, SCSelectEF, int (unsigned char *));
    VN_MEM(CSC_Profile_SetCos441, SCSignData, int (std::string, unsigned char, int, unsigned int, unsigned char *, unsigned long, unsigned char *, unsigned long *, int));
    VN_MEM(CSC_Profile_SetCos441, SCRSADecrypt, int (std::string, unsigned char, unsigned char *, unsigned long, unsigned char *, unsigned long *, int));
    VN_MEM(CSC_Profile_SetCos441, InitPart10_Modify, PIN_MODIFY_STRUCTURE *());
    VN_MEM(CSC_Profile_SetCos441, InitPart10_Verify, PIN_VERIFY_STRUCTURE *());
    VN_MEM(CSC_Profile_SetCos441, ReadCardSerial, void ());
    VN_MEM(CSC_Profile_SetCos441, SetMinMaxKeyLength, void ());
    VN_MEM(CSC_Profile_SetCos441, EraseFile, int ());
    VN_MEM(CSC_Profile_SetCos441, GenRSAKeyPair, int ());
    VN_MEM(CSC_Profile_SetCos441, GetPubKey, int (std::string, unsigned char, unsigned char *, unsigned long *));
    VN_MEM(CSC_Profile_SetCos441, SCManageSE, int (std::string, unsigned char, unsigned int));
    // CSC_Profile_SetCos442 (SC_Profile_CardOS.h)
    VN_MEM(CSC_Profile_SetCos442, getCardSerial, std::string ());
    VN_MEM(CSC_Profile_SetCos442, GetFileLen, int ());
    VN_MEM(CSC_Profile_SetCos442, GetData, int (unsigned char, unsigned char, unsigned char, unsigned char *, unsigned long *));
    VN_MEM(CSC_Profile_SetCos442, SCSelectMF, int ());
    VN_MEM(CSC_Profile_SetCos442, SCSelectDF, int (unsigned char *, int));
    VN_MEM(CSC_Profile_SetCos442, SCSelectEF, int (unsigned char *));
    VN_MEM(CSC_Profile_SetCos442, SCSignData, int (std::string, unsigned char, int, unsigned int, unsigned char *, unsigned long, unsigned char *, unsigned long *, int));
    VN_MEM(CSC_Profile_SetCos442, SCRSADecrypt, int (std::string, unsigned char, unsigned char *, unsigned long, unsigned char *, unsigned long *, int));
    VN_MEM(CSC_Profile_SetCos442, InitPart10_Modify, PIN_MODIFY_STRUCTURE *());
    VN_MEM(CSC_Profile_SetCos442, InitPart10_Verify, PIN_VERIFY_STRUCTURE *());
    VN_MEM(CSC_Profile_SetCos442, ReadCardSerial, void ());
    VN_MEM(CSC_Profile_SetCos442, SCVerify, int (unsigned char, unsigned char *, unsigned char));
    VN_MEM(CSC_Profile_SetCos442, SCChangeRef, int (unsigned char, unsigned char *, unsigned char, unsigned char *, unsigned char));
    VN_MEM(CSC_Profile_SetCos442, SCUnblockPin, int (unsigned char, unsigned char *, unsigned char, unsigned char *, unsigned char));
    VN_MEM(CSC_Profile_SetCos442, SCUnblockPin2, int (unsigned char, unsigned char *, unsigned char));
    VN_MEM(CSC_Profile_SetCos442, SetMinMaxPINLength, void ());
    VN_MEM(CSC_Profile_SetCos442, SetMinMaxKeyLength, void ());
    VN_MEM(CSC_Profile_SetCos442, EraseFile, int ());
    VN_MEM(CSC_Profile_SetCos442, GenRSAKeyPair, int ());
    VN_MEM(CSC_Profile_SetCos442, GetPubKey, int (std::string, unsigned char, unsigned char *, unsigned long *));
    VN_MEM(CSC_Profile_SetCos442, ModifyVerifyStruct, void (std::string, unsigned char, PIN_VERIFY_STRUCTURE *));
    VN_MEM(CSC_Profile_SetCos442, ModifyModifyStruct, void (std::string, unsigned char, PIN_MODIFY_STRUCTURE *));
    VN_MEM(CSC_Profile_SetCos442, startPinPadVerify, int ());
    VN_MEM(CSC_Profile_SetCos442, startPinPadModify, int ());
    VN_MEM(CSC_Profile_SetCos442, SCManageSE, int (std::string, unsigned char, unsigned int));
    // CSC_Profile_SmartCardHSM (SC_Profile_CardOS.h)
    VN_MEM(CSC_Profile_SmartCardHSM, getCardSerial, std::string ());
    VN_MEM(CSC_Profile_SmartCardHSM, GetFileLen, int ());
    VN_MEM(CSC_Profile_SmartCardHSM, GetData, int (unsigned char, unsigned char, unsigned char, unsigned char *, unsigned long *));
    VN_MEM(CSC_Profile_SmartCardHSM, SCSelectMF, int ());
    VN_MEM(CSC_Profile_SmartCardHSM, SCSelectDF, int (unsigned char *, int));
    VN_MEM(CSC_Profile_SmartCardHSM, SCSelectEF, int (unsigned char *));
    VN_MEM(CSC_Profile_SmartCardHSM, SCSignData, int (std::string, unsigned char, int, unsigned int, unsigned char *, unsigned long, unsigned char *, unsigned long *, int));
    VN_MEM(CSC_Profile_SmartCardHSM, SCRSADecrypt, int (std::string, unsigned char, unsigned char *, unsigned long, unsigned char *, unsigned long *, int));
    VN_MEM(CSC_Profile_SmartCardHSM, InitPart10_Modify, PIN_MODIFY_STRUCTURE *());
    VN_MEM(CSC_Profile_SmartCardHSM, InitPart10_Verify, PIN_VERIFY_STRUCTURE *());
    VN_MEM(CSC_Profile_SmartCardHSM, ReadCardSerial, void ());
    VN_MEM(CSC_Profile_SmartCardHSM, SCVerify, int (unsigned char, unsigned char *, unsigned char));
    VN_MEM(CSC_Profile_SmartCardHSM, SCChangeRef, int (unsigned char, unsigned char *, unsigned char, unsigned char *, unsigned char));
    VN_MEM(CSC_Profile_SmartCardHSM, SCUnblockPin, int (unsigned char, unsigned char *, unsigned char, unsigned char *, unsigned char));
    VN_MEM(CSC_Profile_SmartCardHSM, SCUnblockPin2, int (unsigned char, unsigned char *, unsigned char));
    VN_MEM(CSC_Profile_SmartCardHSM, SetMinMaxPINLength, void ());
    VN_MEM(CSC_Profile_SmartCardHSM, SetUnblockMethod, void ());
    VN_MEM(CSC_Profile_SmartCardHSM, SCSelectAID, int (unsigned char *, unsigned int));
    VN_MEM(CSC_Profile_SmartCardHSM, SCEnumerateObjects, int (unsigned char *, unsigned long *));
    VN_MEM(CSC_Profile_SmartCardHSM, SCReadBinary, int (unsigned char *, unsigned short, unsigned char));
    VN_MEM(CSC_Profile_SmartCardHSM, ModifyVerifyStruct, void (std::string, unsigned char, PIN_VERIFY_STRUCTURE *));
    VN_MEM(CSC_Profile_SmartCardHSM, ModifyModifyStruct, void (std::string, unsigned char, PIN_MODIFY_STRUCTURE *));
    VN_MEM(CSC_Profile_SmartCardHSM, startPinPadVerify, int ());
    VN_MEM(CSC_Profile_SmartCardHSM, startPinPadModify, int ());
    VN_MEM(CSC_Profile_SmartCardHSM, returnResult, int ());
    VN_MEM(CSC_Profile_SmartCardHSM, setSecurityEnvironmentSet, void (bool));
    VN_MEM(CSC_Profile_SmartCardHSM, isSecurityEnvironmentSet, bool () const);
    // CSafeMem (SafeMem.h)
    VN_FN(CSafeMem::strcpy, char *(char *, int, const char *));
    VN_FN(CSafeMem::wcscpy, wchar_t *(wchar_t *, int, const wchar_t *));
    VN_FN(CSafeMem::strncpy, char *(char *, int, char *, int));
    VN_FN(CSafeMem::strcat, char *(char *, int, const char *));
    VN_FN(CSafeMem::sprintf, int (char *, int, const char *, ...));
    VN_FN(::BytesToStr, char *(unsigned int, const unsigned char *, char *));
    VN_FN(::itoa, char *(int, char *, int));
    // CSC_Pcsc (ScPcsc.h)
    VN_MEM(CSC_Pcsc, InitTlv, long ());
    VN_MEM(CSC_Pcsc, HasPinPad, bool () const);
    VN_MEM(CSC_Pcsc, getVerifyDirectIoctl, unsigned long () const);
    VN_MEM(CSC_Pcsc, getVerifyStartIoctl, unsigned long () const);
    VN_MEM(CSC_Pcsc, getVerifyFinishIoctl, unsigned long () const);
    VN_MEM(CSC_Pcsc, getModifyDirectIoctl, unsigned long () const);
    VN_MEM(CSC_Pcsc, getModifyStartIoctl, unsigned long () const);
    VN_MEM(CSC_Pcsc, getModifyFinishIoctl, unsigned long () const);
    VN_MEM(CSC_Pcsc, getKeyIoctl, unsigned long () const);
    // CPkcs7tool (SignMessage.h)
    VN_MEM(CPkcs7tool, prepare2sign, int32_t (X509 *, int, unsigned char *, int, timeb *, bool, uint32_t *, _ASN1_CERT_BLOB *, int));
    VN_MEM(CPkcs7tool, signIt, int32_t (int, uint32_t *, unsigned char *, bool));
    VN_MEM(CPkcs7tool, signItSCM, int32_t (int, uint32_t *, unsigned char *));
    VN_MEM(CPkcs7tool, signItP12, int32_t (int, uint32_t *, unsigned char *));
    VN_MEM(CPkcs7tool, signItRaw, int32_t (unsigned char *, int, uint32_t *, unsigned char *, uint32_t *, int, bool, bool, bool));
    VN_MEM(CPkcs7tool, decryptBlob, int32_t (unsigned char *, int, uint32_t *, unsigned char *, uint32_t *, bool));
    VN_MEM(CPkcs7tool, getSignedPkcs7, unsigned char *());
    VN_MEM(CPkcs7tool, getSignedPkcs7Length, uint32_t ());
    VN_MEM(CPkcs7tool, getSignedAttributes, bool (int, std::vector<unsigned char> &) const);
    VN_MEM(CPkcs7tool, pkcs7, CAsn1_Pkcs7 *);
    VN_MEM(CPkcs7tool, nAlgoID, int32_t);
    VN_MEM(CPkcs7tool, data, unsigned char *);
    VN_MEM(CPkcs7tool, dataLength, int32_t);
    VN_MEM(CPkcs7tool, cadesLevel, int32_t);
    VN_MEM(CPkcs7tool, keyAlgorithmOid, std::string);
    VN_MEM(CPkcs7tool, signMode, int32_t);
    // CSignMessage (SignMessage.h)
    VN_FN(CSignMessage::OpenSSLKey, uint32_t *(const char *, const char *, const char *, int, int, const char *));
    VN_FN(CSignMessage::OpenSSLKey_P12, uint32_t *(const char *, const char *, const char *, int, int, const char *));
    VN_FN(CSignMessage::CloseSSLKey, void (uint32_t *));
    VN_FN(CSignMessage::getSignAlgoFromPKey, int (uint32_t *));
    VN_FN(CSignMessage::getSignAlgoFromPKeyP12, int (uint32_t *));
    VN_FN(CSignMessage::getSignAlgoFromPKeySCM, int (uint32_t *));
    VN_FN(CSignMessage::checkSignHashAlgoPKey, int32_t (uint32_t *, int));
    VN_FN(CSignMessage::checkSignHashAlgoSCM, int32_t (uint32_t *, int));
    VN_FN(CSignMessage::InitSignAlgoOID, int (CPkcs7tool *, X509 *));
    VN_FN(CSignMessage::SignBlobSSL, int32_t (unsigned char *, uint32_t, unsigned char *, uint32_t *, timeb *, X509 *, uint32_t *, int, bool, _ASN1_CERT_BLOB *, int));
    VN_FN(CSignMessage::SignBlobSSLForLength, int32_t (unsigned char *, uint32_t, unsigned char *, uint32_t *, timeb *, X509 *, uint32_t *, int, bool, _ASN1_CERT_BLOB *, int));
    VN_FN(CSignMessage::SignBlobSSLRaw, int32_t (unsigned char *, uint32_t, unsigned char *, uint32_t *, timeb *, X509 *, uint32_t *, int, int, bool, bool));
    VN_FN(CSignMessage::RSADecryptBlobSSL, int32_t (unsigned char *, uint32_t, unsigned char *, uint32_t *, X509 *, uint32_t *, bool));
    VN_FN(CSignMessage::SignDetached, int32_t (char *, char *, X509 *, uint32_t *, int, _ASN1_CERT_BLOB *, int));
    VN_FN(CSignMessage::SignEnveloped, int32_t (char *, char *, X509 *, uint32_t *, int, _ASN1_CERT_BLOB *, int));
    VN_FN(CSignMessage::SignDetachedEnveloped, int32_t (char *, char *, X509 *, uint32_t *, int, _ASN1_CERT_BLOB *, int, bool));
    VN_FN(CSignMessage::checkInutFilePathLengthV1, int32_t (char *));
    VN_FN(CSignMessage::checkInutFilePathLengthV2, int32_t (char *));
    VN_FN(CSignMessage::readFile2Sign, int32_t (char *, unsigned char **, int *));
    VN_FN(CSignMessage::addTimestamp, int32_t (unsigned char *, unsigned int, unsigned int *, int, int));
    VN_FN(CSignMessage::setTSUrl, void (std::string));
    VN_FN(CSignMessage::setCAdES_Level, void (int));
    VN_FN(CSignMessage::IsSmartCardPresent, bool (int));
    VN_FN(CSignMessage::isSmartCardSupported, bool (int));
    VN_FN(CSignMessage::GetSmartCardProfileType, int (int));
    VN_FN(CSignMessage::IsSmartCardHashAlgoSupported, bool (int, int));
    VN_OBJ(CSignMessage::m_cadesLevel, int32_t);
    VN_OBJ(CSignMessage::m_tsURL, std::string);
    VN_OBJ(CSignMessage::m_isP12, bool);
    VN_OBJ(CSignMessage::m_logger, log4cxx::LoggerPtr);
    VN_FN(::setup_engine, ENGINE *(BIO *, const char *, int));
    VN_FN(::test1, int ());
    VN_FN(::test2, char *(X509 *, char *));
    VN_FN(::test3, char *(X509 *, char *));
    VN_FN(::test4, void ());
    VN_FN(::InitSSL, void ());
    // CStatusThread (StatusThread.h)
    VN_FN(CStatusThread::startThread, bool (long));
    VN_FN(CStatusThread::stopThread, bool ());
    VN_FN(CStatusThread::WorkerThreadProc, void *(void *));
    VN_FN(CStatusThread::setThreadRunning, void (bool));
    VN_FN(CStatusThread::setThreadStop, void (bool));
    VN_FN(CStatusThread::getThreadStop, bool ());
    VN_OBJ(CStatusThread::threadStop, bool);
    VN_OBJ(CStatusThread::threadRunning, bool);
    VN_OBJ(CStatusThread::m_hScard, long);
    VN_OBJ(CStatusThread::m_pThread, pthread_t);
    // TcosSmData (Tcos3sm.h)
    VN_MEM(TcosSmData, encKey, unsigned char[16]);
    VN_MEM(TcosSmData, macKey, unsigned char[16]);
    VN_MEM(TcosSmData, ssc, unsigned char[8]);
    VN_MEM(TcosSmData, cardModulus, unsigned char[256]);
    VN_MEM(TcosSmData, cardExponent, unsigned char[12]);
    VN_MEM(TcosSmData, modulusLength, unsigned short);
    VN_MEM(TcosSmData, exponentLength, unsigned short);
    // CTcos3sm (Tcos3sm.h)
    VN_FN(CTcos3sm::tocs_get_session_keys, int (CSC_Profile_Base *, unsigned char *));
    VN_FN(CTcos3sm::set_card_key, int (CRsaSmall &, unsigned char *, unsigned short, unsigned char *, unsigned short));
    VN_FN(CTcos3sm::set_quorvel_key, int (CRsaSmall &));
    VN_FN(CTcos3sm::set_quorvel_key_pk, int (CRsaSmall &));
    VN_FN(CTcos3sm::incIV, int ());
    VN_FN(CTcos3sm::session_of, bool (const CSC_Profile_Base *));
    VN_FN(CTcos3sm::end_session, void (const CSC_Profile_Base *));
    VN_OBJ(CTcos3sm::m_data, TcosSmData);
    // CTimeStampSSL (TimeStampSSL.h)
    VN_MEM(CTimeStampSSL, buildRequest, int ());
    VN_MEM(CTimeStampSSL, addElement, void (int, unsigned char, unsigned char));
    VN_MEM(CTimeStampSSL, addValue, void (int, unsigned char));
    VN_MEM(CTimeStampSSL, sendRequest, void ());
    VN_MEM(CTimeStampSSL, extractTimestamp, bool ());
    VN_MEM(CTimeStampSSL, algo, uint8_t);
    VN_MEM(CTimeStampSSL, digest, std::vector<unsigned char>);
    VN_MEM(CTimeStampSSL, digestLength, uint32_t);
    VN_MEM(CTimeStampSSL, request, std::vector<unsigned char>);
    VN_MEM(CTimeStampSSL, requestLength, int32_t);
    VN_MEM(CTimeStampSSL, response, std::vector<unsigned char>);
    VN_MEM(CTimeStampSSL, responseLength, uint32_t);
    VN_MEM(CTimeStampSSL, token, std::vector<unsigned char>);
    VN_MEM(CTimeStampSSL, tokenLength, int32_t);
    VN_MEM(CTimeStampSSL, url, std::string);
    VN_MEM(CTimeStampSSL, error, int32_t);
    VN_OBJ(CTimeStampSSL::m_logger, log4cxx::LoggerPtr);
    VN_FN(::GetTickCount, uint32_t ());
    // CVerifyMsg (VerifyMsg.h)
    VN_FN(CVerifyMsg::CheckSignDetached, unsigned int (const unsigned char *, unsigned int, int, const unsigned char *, unsigned int, int, int, const char *, const char *, const struct timeb *, int, int, const char *, const char *));
    VN_FN(CVerifyMsg::CheckSignPKCS1Detached, unsigned int (const unsigned char *, unsigned int, const unsigned char *, unsigned int, const unsigned char *, unsigned int, int, int, const char *, char *, const struct timeb *, int, int, const char *, const char *));
    VN_FN(CVerifyMsg::Check_TimeNested, int (PKCS7 *, X509_STORE *, const struct timeb *, int));
    VN_FN(CVerifyMsg::Check_TimeNested_CA, int (X509_STORE_CTX *, const struct tm *, int));
    VN_FN(CVerifyMsg::Check_CRL, unsigned int (X509 *, X509_STORE *, X509_STORE_CTX *, int, const char *, const struct tm *, int));
    VN_OBJ(CVerifyMsg::m_logger, log4cxx::LoggerPtr);
    VN_FN(::setup_verify, int (BIO *, const char *, const char *, X509_STORE **));
    VN_FN(::Check_CRL_signtime, unsigned int (X509_CRL *, const struct tm *, X509 *));
    VN_FN(::tm_Compare, int (const struct tm *, const struct tm *));
    VN_FN(::copy_tm, void (struct tm *, const struct tm *));
    VN_FN(::vn_log, void (int, const char *, ...));
    VN_FN(::vn_log_buffer, void (int, const char *, unsigned char *, unsigned int));
    VN_FN(::vn_log_dw_return, unsigned int (const char *, unsigned int));
    VN_FN(::vn_log_updateReaderId, void (int));
    VN_FN(::vn_log_updateCardName, void (std::string));
    VN_FN(::InitLogfile, void ());
    VN_FN(::getDateTimeStr, std::string ());
    VN_FN(::dateTimeToString, std::string (const tm &, const char *));
    VN_FN(::formatDateTime, void (std::ostream &, const tm &, const char *));
    VN_FN(::now, tm ());
}
// clang-format on

TEST(Interface, EveryDescribedFunctionAndMemberHasItsType) {
    takeEveryAddress();
    EXPECT_EQ(g_null, 0);
    EXPECT_GT(g_taken, 1800);
}
