// PKCS#15 (ISO/IEC 7816-15) application reader: the record classes that decode and encode
// the directory files, and CPkcs15, which finds the application on a card, reads its
// directory files and links each certificate to its private key and PIN.
#ifndef VN_PKCS15_H
#define VN_PKCS15_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vn_export.h"

class CSC_Profile_Base;

// Hex path text and Latin-1 helpers.
class VN_EXPORT CPkcs15Helper {
public:
    // Hex text (length characters, "/" and blanks skipped) to bytes. *outLength is the
    // capacity of out on entry and the count on return. False on a bad digit, an odd
    // digit count or a result that does not fit.
    static bool ConvertPath(char* text, unsigned int length, unsigned char* out, unsigned int* outLength);
    // Latin-1 text to UTF-8.
    static std::string ConvToUTF8(const std::string& latin1);
};

// Common part of every record: the decoding result.
class VN_EXPORT CPkcs15Record {
public:
    virtual ~CPkcs15Record() = default;
    int getError() const { return m_error; }
    // DER of the record. out null: *length gets the size. Otherwise *length is the
    // capacity of out on entry and the size on return; 0 when it does not fit.
    int getDER(unsigned char* out, unsigned short* length) const;
    // The same as a vector.
    virtual std::vector<uint8_t> encode() const = 0;

protected:
    int m_error = 0;
};

class VN_EXPORT CPkcs15Path : public CPkcs15Record {
public:
    CPkcs15Path(const unsigned char* der, unsigned int length);
    CPkcs15Path(std::string pathHex, int index = -1, int length = -1);
    std::vector<uint8_t> encode() const override;
    const std::string& getPath() const { return m_path; }
    int getIndex() const { return m_index < 0 ? 0 : m_index; }
    int getLength() const { return m_length < 0 ? 0 : m_length; }

private:
    std::string m_path;
    int m_index = -1;
    int m_length = -1;
};

// One access control rule: the access mode bits read (0), update (1), execute (2).
class VN_EXPORT CPkcs15Acr : public CPkcs15Record {
public:
    CPkcs15Acr(const unsigned char* der, unsigned int length);
    CPkcs15Acr(unsigned int mode, std::vector<uint8_t> conditionDer);
    std::vector<uint8_t> encode() const override;
    bool isRead() const { return (m_mode & 1u) != 0; }
    bool isUpdate() const { return (m_mode & 2u) != 0; }
    bool isExecute() const { return (m_mode & 4u) != 0; }

private:
    unsigned int m_mode = 0;
    std::vector<uint8_t> m_condition;  // SecurityCondition as found
};

// Bit strings are kept as numbers with ASN.1 bit n in value bit n.
class VN_EXPORT CPkcs15CommAttrib : public CPkcs15Record {
public:
    CPkcs15CommAttrib(const unsigned char* der, unsigned int length);
    CPkcs15CommAttrib(std::string label, unsigned int flags, std::string authIdHex);
    std::vector<uint8_t> encode() const override;
    const std::string& getLabel() const { return m_label; }
    unsigned int getFlags() const { return m_flags; }
    const std::string& getAuthId() const { return m_authId; }
    bool isPrivate() const { return (m_flags & 1u) != 0; }
    bool isModifiable() const { return (m_flags & 2u) != 0; }
    int getNumAcr() const { return static_cast<int>(m_acrs.size()); }
    const CPkcs15Acr* getAcr(int i) const;

private:
    std::string m_label;
    unsigned int m_flags = 0;
    std::string m_authId;
    std::vector<std::unique_ptr<CPkcs15Acr>> m_acrs;
};

class VN_EXPORT CPkcs15CommKeyAttrib : public CPkcs15Record {
public:
    CPkcs15CommKeyAttrib(const unsigned char* der, unsigned int length);
    CPkcs15CommKeyAttrib(std::string idHex, unsigned int usage, bool native, unsigned int accessFlags,
                         int keyReference);
    std::vector<uint8_t> encode() const override;
    const std::string& getId() const { return m_id; }
    unsigned int getUsage() const { return m_usage; }
    bool getNative() const { return m_native; }
    unsigned int getAccessFlags() const { return m_accessFlags; }
    int getKeyReference() const { return m_keyRef; }
    const std::string& getStartDate() const { return m_startDate; }
    const std::string& getEndDate() const { return m_endDate; }

private:
    std::string m_id;
    unsigned int m_usage = 0;
    bool m_native = true;
    unsigned int m_accessFlags = 0;
    bool m_hasAccessFlags = false;
    int m_keyRef = -1;
    std::string m_startDate, m_endDate;
};

// Private RSA key type attributes.
class VN_EXPORT CPkcs15KeyAttrib : public CPkcs15Record {
public:
    CPkcs15KeyAttrib(const unsigned char* der, unsigned int length);
    CPkcs15KeyAttrib(std::string pathHex, int modulusBits);
    std::vector<uint8_t> encode() const override;
    const std::string& getPath() const { return m_path; }
    int getModulus() const { return m_modulus; }

private:
    std::string m_path;
    int m_modulus = 0;
};

class VN_EXPORT CPkcs15CertAttrib : public CPkcs15Record {
public:
    CPkcs15CertAttrib(const unsigned char* der, unsigned int length);
    CPkcs15CertAttrib(std::string idHex, bool authority);
    std::vector<uint8_t> encode() const override;
    const std::string& getId() const { return m_id; }
    bool isAuthority() const { return m_authority; }

private:
    std::string m_id;
    bool m_authority = false;
};

class VN_EXPORT CPkcs15CertInfo : public CPkcs15Record {
public:
    CPkcs15CertInfo(const unsigned char* der, unsigned int length);
    CPkcs15CertInfo(const CPkcs15CommAttrib& common, const CPkcs15CertAttrib& cert, const CPkcs15Path& path);
    std::vector<uint8_t> encode() const override;
    const CPkcs15CommAttrib* getCommAttrib() const { return m_common.get(); }
    const CPkcs15CertAttrib* getCertAttrib() const { return m_cert.get(); }
    const CPkcs15Path* getPath() const { return m_path.get(); }

private:
    std::unique_ptr<CPkcs15CommAttrib> m_common;
    std::unique_ptr<CPkcs15CertAttrib> m_cert;
    std::unique_ptr<CPkcs15Path> m_path;
};

// One CDF file.
class VN_EXPORT CPkcs15Cert : public CPkcs15Record {
public:
    CPkcs15Cert();
    CPkcs15Cert(const unsigned char* der, unsigned int length);
    std::vector<uint8_t> encode() const override;
    int getNum() const { return static_cast<int>(m_items.size()); }
    const CPkcs15CertInfo* getCI(int i) const;
    // Appends a copy of an object built from values (its encoding is decoded again).
    int addCert(const CPkcs15CertInfo& info);

private:
    std::vector<std::unique_ptr<CPkcs15CertInfo>> m_items;
};

class VN_EXPORT CPkcs15PrKeyInfo : public CPkcs15Record {
public:
    CPkcs15PrKeyInfo(const unsigned char* der, unsigned int length);
    CPkcs15PrKeyInfo(const CPkcs15CommAttrib& common, const CPkcs15CommKeyAttrib& key, const CPkcs15KeyAttrib& type);
    std::vector<uint8_t> encode() const override;
    const CPkcs15CommAttrib* getCommAttrib() const { return m_common.get(); }
    const CPkcs15CommKeyAttrib* getCommKeyAttrib() const { return m_key.get(); }
    const CPkcs15KeyAttrib* getKeyAttrib() const { return m_type.get(); }
    // 0x30 RSA key, 0xA0 EC key (as tagged in the PrKDF).
    unsigned char getKeyTag() const { return m_tag; }

private:
    unsigned char m_tag = 0x30;
    std::unique_ptr<CPkcs15CommAttrib> m_common;
    std::unique_ptr<CPkcs15CommKeyAttrib> m_key;
    std::unique_ptr<CPkcs15KeyAttrib> m_type;
};

class VN_EXPORT CPkcs15PrKey : public CPkcs15Record {
public:
    CPkcs15PrKey();
    CPkcs15PrKey(const unsigned char* der, unsigned int length);
    std::vector<uint8_t> encode() const override;
    int getNum() const { return static_cast<int>(m_items.size()); }
    const CPkcs15PrKeyInfo* getPI(int i) const;
    int addPrKey(const CPkcs15PrKeyInfo& info);

private:
    std::vector<std::unique_ptr<CPkcs15PrKeyInfo>> m_items;
};

class VN_EXPORT CPkcs15AuthAttrib : public CPkcs15Record {
public:
    CPkcs15AuthAttrib(const unsigned char* der, unsigned int length);
    explicit CPkcs15AuthAttrib(std::string authIdHex);
    std::vector<uint8_t> encode() const override;
    const std::string& getAuthId() const { return m_authId; }

private:
    std::string m_authId;
};

class VN_EXPORT CPkcs15Pin : public CPkcs15Record {
public:
    enum Flags : unsigned int {
        CASE_SENSITIVE = 1u << 0,
        LOCAL = 1u << 1,
        CHANGE_DISABLED = 1u << 2,
        UNBLOCK_DISABLED = 1u << 3,
        INITIALIZED = 1u << 4,
        NEEDS_PADDING = 1u << 5,
        UNBLOCKING_PIN = 1u << 6,
        SO_PIN = 1u << 7,
        DISABLE_ALLOWED = 1u << 8,
        INTEGRITY_PROTECTED = 1u << 9,
        CONFIDENTIALITY_PROTECTED = 1u << 10,
        EXCHANGE_REF_DATA = 1u << 11
    };
    CPkcs15Pin(const unsigned char* der, unsigned int length);
    CPkcs15Pin(unsigned int flags, int type, int minLength, int storedLength, int maxLength, int reference, int padChar,
               std::string pathHex);
    std::vector<uint8_t> encode() const override;
    unsigned int getFlags() const { return m_flags; }
    bool isCaseSensitive() const { return m_flags & CASE_SENSITIVE; }
    bool isLocal() const { return m_flags & LOCAL; }
    bool isChangeDisabled() const { return m_flags & CHANGE_DISABLED; }
    bool isUnblockDisabled() const { return m_flags & UNBLOCK_DISABLED; }
    bool isInitialized() const { return m_flags & INITIALIZED; }
    bool isNeedsPadding() const { return m_flags & NEEDS_PADDING; }
    bool isUnblockingPin() const { return m_flags & UNBLOCKING_PIN; }
    bool isSoPin() const { return m_flags & SO_PIN; }
    bool isDisableAllowed() const { return m_flags & DISABLE_ALLOWED; }
    bool isIntegrityProtected() const { return m_flags & INTEGRITY_PROTECTED; }
    bool isConfidentialityProtected() const { return m_flags & CONFIDENTIALITY_PROTECTED; }
    bool isExchangeRefData() const { return m_flags & EXCHANGE_REF_DATA; }
    int getType() const { return m_type; }
    int getMinLength() const { return m_minLength; }
    int getStoredLength() const { return m_storedLength; }
    int getMaxLength() const { return m_maxLength; }
    int getReference() const { return m_reference; }
    int getPadChar() const { return m_padChar; }
    const std::string& getLastPinChange() const { return m_lastChange; }
    const std::string& getPath() const { return m_path; }

private:
    unsigned int m_flags = 0;
    int m_type = 0;
    int m_minLength = 0, m_storedLength = 0, m_maxLength = -1;
    int m_reference = 0;
    int m_padChar = -1;
    std::string m_lastChange;
    std::string m_path;
};

class VN_EXPORT CPkcs15AuthInfo : public CPkcs15Record {
public:
    CPkcs15AuthInfo(const unsigned char* der, unsigned int length);
    CPkcs15AuthInfo(const CPkcs15CommAttrib& common, const CPkcs15AuthAttrib& auth, const CPkcs15Pin& pin);
    std::vector<uint8_t> encode() const override;
    const CPkcs15CommAttrib* getCommAttrib() const { return m_common.get(); }
    const CPkcs15AuthAttrib* getAuthAttrib() const { return m_auth.get(); }
    const CPkcs15Pin* getPin() const { return m_pin.get(); }

private:
    std::unique_ptr<CPkcs15CommAttrib> m_common;
    std::unique_ptr<CPkcs15AuthAttrib> m_auth;
    std::unique_ptr<CPkcs15Pin> m_pin;
};

class VN_EXPORT CPkcs15Auth : public CPkcs15Record {
public:
    CPkcs15Auth();
    CPkcs15Auth(const unsigned char* der, unsigned int length);
    std::vector<uint8_t> encode() const override;
    int getNum() const { return static_cast<int>(m_items.size()); }
    const CPkcs15AuthInfo* getAI(int i) const;
    int addAuth(const CPkcs15AuthInfo& info);

private:
    std::vector<std::unique_ptr<CPkcs15AuthInfo>> m_items;
};

// EF.DIR: the application template with the PKCS#15 AID (the first one when none has it).
class VN_EXPORT CPkcs15EfDir : public CPkcs15Record {
public:
    static const char* const Pkcs15Aid;  // "A000000063504B43532D3135"
    CPkcs15EfDir(const unsigned char* der, unsigned int length);
    CPkcs15EfDir(std::string aidHex, std::string label, std::string pathHex);
    std::vector<uint8_t> encode() const override;
    const std::string& getPath() const { return m_path; }
    const std::string& getLabel() const { return m_label; }
    const std::string& getName() const { return m_aid; }

private:
    std::string m_aid, m_label, m_path;
};

class VN_EXPORT CPkcs15DfOdf : public CPkcs15Record {
public:
    enum Kind { PRKDF = 0, PUKDF, TRUSTED_PUKDF, SECRETKDF, CDF, TRUSTED_CDF, USEFUL_CDF, DODF, AODF, KINDS };
    static constexpr int MaxPaths = 10;
    CPkcs15DfOdf();
    CPkcs15DfOdf(const unsigned char* der, unsigned int length);
    std::vector<uint8_t> encode() const override;
    // Appends a path of a kind (false when the kind already holds MaxPaths).
    bool addPath(int kind, std::string pathHex);
    int getNum(int kind) const;
    std::string getPath(int kind, int i) const;
    int getNumPrKDFs() const { return getNum(PRKDF); }
    std::string getPrKDFs(int i) const { return getPath(PRKDF, i); }
    int getNumPuKDFs() const { return getNum(PUKDF); }
    std::string getPuKDFs(int i) const { return getPath(PUKDF, i); }
    int getNumTrustedPuKDFs() const { return getNum(TRUSTED_PUKDF); }
    std::string getTrustedPuKDFs(int i) const { return getPath(TRUSTED_PUKDF, i); }
    int getNumSecretKDFs() const { return getNum(SECRETKDF); }
    std::string getSecretKDFs(int i) const { return getPath(SECRETKDF, i); }
    int getNumCDFs() const { return getNum(CDF); }
    std::string getCDFs(int i) const { return getPath(CDF, i); }
    int getNumTrustedCDFs() const { return getNum(TRUSTED_CDF); }
    std::string getTrustedCDFs(int i) const { return getPath(TRUSTED_CDF, i); }
    int getNumUsefulCDFs() const { return getNum(USEFUL_CDF); }
    std::string getUsefulCDFs(int i) const { return getPath(USEFUL_CDF, i); }
    int getNumDODFs() const { return getNum(DODF); }
    std::string getDODFs(int i) const { return getPath(DODF, i); }
    int getNumAODFs() const { return getNum(AODF); }
    std::string getAODFs(int i) const { return getPath(AODF, i); }

private:
    std::vector<std::string> m_paths[KINDS];
};

class VN_EXPORT CPkcs15DfTi : public CPkcs15Record {
public:
    CPkcs15DfTi(const unsigned char* der, unsigned int length);
    CPkcs15DfTi(int version, std::string serialHex, std::string manufacturer, std::string label,
                unsigned int tokenFlags);
    std::vector<uint8_t> encode() const override;
    int getVersion() const { return m_version; }
    const std::string& getSerialNumber() const { return m_serial; }
    const std::string& getManufacturerID() const { return m_manufacturer; }
    const std::string& getLabel() const { return m_label; }
    // First byte of the token flags: readonly 0x80, loginRequired 0x40, prnGeneration 0x20,
    // eidCompliant 0x10.
    unsigned int getTokenFlags() const { return m_flags; }
    bool isTF_readonly() const { return (m_flags & 0x80) != 0; }
    bool isTF_loginRequired() const { return (m_flags & 0x40) != 0; }
    bool isTF_prnGeneration() const { return (m_flags & 0x20) != 0; }
    bool isTF_eidCompliant() const { return (m_flags & 0x10) != 0; }
    void setSerialNumber(char* serialText);

private:
    int m_version = 0;
    std::string m_serial, m_manufacturer, m_label;
    unsigned int m_flags = 0;
};

// One linked certificate: where it is, which key and PIN belong to it.
class VN_EXPORT CPkcs15ExportCert {
public:
    CPkcs15ExportCert(std::string certLabel, std::string certPath, int certOffset, int certLength, std::string keyPath,
                      std::string pinPath, int pinIndex, int keyIndex, int keySize, std::string pinName,
                      bool singleSign, bool caCert, unsigned int flags, bool selectByName, std::string authId,
                      std::string certId);
    virtual ~CPkcs15ExportCert() = default;
    const std::string& getCertLabel() const { return m_certLabel; }
    const std::string& getCertpath() const { return m_certPath; }
    int getCertoffset() const { return m_certOffset; }
    int getCertlength() const { return m_certLength; }
    const std::string& getKeypath() const { return m_keyPath; }
    const std::string& getPinpath() const { return m_pinPath; }
    int getPinindex() const { return m_pinIndex; }
    int getKeyindex() const { return m_keyIndex; }
    int getKeysize() const { return m_keySize; }
    const std::string& getPinname() const { return m_pinName; }
    bool isSiglesign() const { return m_singleSign; }
    bool isCacert() const { return m_caCert; }
    unsigned int getFlags() const { return m_flags; }
    bool isSelectP15byname() const { return m_selectByName; }
    const std::string& getAuthId() const { return m_authId; }
    const std::string& getCertId() const { return m_certId; }

private:
    std::string m_certLabel, m_certPath;
    int m_certOffset, m_certLength;
    std::string m_keyPath, m_pinPath;
    int m_pinIndex, m_keyIndex, m_keySize;
    std::string m_pinName;
    bool m_singleSign, m_caCert;
    unsigned int m_flags;
    bool m_selectByName;
    std::string m_authId, m_certId;
};

class VN_EXPORT CPkcs15 {
public:
    static constexpr int MaxFiles = 16;
    static constexpr int MaxResults = 16;
    // Error codes of the first failure.
    enum {
        ERR_NO_EFDIR = 1,
        ERR_EFDIR_FORMAT = 2,
        ERR_ODF_NOT_FOUND = 3,
        ERR_ODF_READ = 4,
        ERR_TI_NOT_FOUND = 5,
        ERR_TI_READ = 6,
        ERR_DF_NOT_FOUND = 7,
        ERR_DF_READ = 8
    };

    explicit CPkcs15(CSC_Profile_Base* card);
    virtual ~CPkcs15();
    CPkcs15(const CPkcs15&) = delete;
    CPkcs15& operator=(const CPkcs15&) = delete;

    void Init();
    int ReadCerts();
    // A copy without a card: the token information, the linked certificates and the
    // error; the directory records stay behind.
    std::unique_ptr<CPkcs15> copyFound() const;

    CPkcs15EfDir* getEf_dir() const { return m_efDir.get(); }
    CPkcs15DfOdf* getDf_odf() const { return m_odf.get(); }
    CPkcs15DfTi* getDf_ti() const { return m_ti.get(); }
    int getNumcerts() const { return static_cast<int>(m_results.size()); }
    CPkcs15ExportCert* getCert(int i) const;
    CPkcs15Cert* getP15Cert(int i) const;
    int getNumP15Certs() const { return static_cast<int>(m_cdfs.size()); }
    const CPkcs15AuthInfo* getAuthInfo(int i) const;
    int getNumAuthInfo() const;
    // The private key object linked to the i-th result, or null.
    const CPkcs15PrKeyInfo* GetPrKeyByCert(int i) const;
    bool isRoot() const { return m_root; }
    int getError() const { return m_error; }
    void setSC(CSC_Profile_Base* card) { m_card = card; }

private:
    CPkcs15();
    enum class Read { Ok, NotFound, Unreadable };
    void setError(int code);
    // Selects path with the given flags and reads it (transparent, or all records when the
    // card says it is a record file).
    Read readFile(const std::string& path, bool absolute, std::vector<uint8_t>& out);
    // Reads the selected file; a record file as all its records, each without its tag and
    // length, or whole with `wholeRecords` (EF.DIR, whose records are its templates).
    bool readTransparent(std::vector<uint8_t>& out, bool wholeRecords = false);
    bool readWholeRecords(std::vector<uint8_t>& out, unsigned records = 0);
    int ReadDirectories();
    void MatchCerts();

    int m_error = 0;
    bool m_root = false;
    std::unique_ptr<CPkcs15EfDir> m_efDir;
    std::unique_ptr<CPkcs15DfOdf> m_odf;
    std::unique_ptr<CPkcs15DfTi> m_ti;
    std::vector<std::unique_ptr<CPkcs15Cert>> m_cdfs;
    std::vector<std::unique_ptr<CPkcs15Cert>> m_otherCdfs;
    std::vector<std::unique_ptr<CPkcs15Auth>> m_aodfs;
    std::vector<std::unique_ptr<CPkcs15PrKey>> m_prkdfs;
    std::vector<std::unique_ptr<CPkcs15ExportCert>> m_results;
    // Private key of each result (null for CA results), for GetPrKeyByCert.
    std::vector<const CPkcs15PrKeyInfo*> m_resultKeys;
    CSC_Profile_Base* m_card = nullptr;
};

#endif
