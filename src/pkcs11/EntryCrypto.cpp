// Signing and deciphering with a token's private keys. Hashes are made here with the
// library's digests; the card signs the hash (or deciphers the block) through the key
// interface of the card layer.
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <algorithm>
#include <climits>

#include "Entries.h"
#include "MessageDigest.h"
#include "Module.h"
#include "SC_Profile_Base.h"
#include "crypto/Algorithms.h"
#include "crypto/DigestFactory.h"
#include "infra/OpenSslPtr.h"

namespace vn_p11 {

namespace {

// The most input collected for a mechanism that does not hash (a DigestInfo of
// SHA-512, or a block to decipher).
const size_t kMaxCollected = 512;

const struct {
    CK_RSA_PKCS_MGF_TYPE mgf;
    int nAlgoID;
} kMgfs[] = {{CKG_MGF1_SHA1, 0}, {CKG_MGF1_SHA256, 1}, {CKG_MGF1_SHA384, 2}, {CKG_MGF1_SHA512, 3}};

int hashOfMgf(CK_RSA_PKCS_MGF_TYPE mgf) {
    for (const auto& m : kMgfs)
        if (m.mgf == mgf)
            return m.nAlgoID;
    return -1;
}

size_t outputLength(const Key& k) {
    const size_t bytes = static_cast<size_t>(k.bits + 7) / 8;
    return k.keyType == CKK_EC ? 2 * bytes : bytes;
}

// The hash number of a bare ECDSA hash, told by its length.
int hashOfLength(size_t length) {
    for (int id = 0; id <= 3; ++id)
        if (static_cast<size_t>(digestLength(id)) == length)
            return id;
    return -1;
}

// The private key an operation may use: visible to the session and of the right kind.
CK_RV keyFor(const Session& s, CK_OBJECT_HANDLE h, const Key*& key) {
    const Token& t = s.card->card.tokens[s.token];
    if (h == 0 || h > t.objects.size())
        return CKR_KEY_HANDLE_INVALID;
    const Object& o = t.objects[h - 1];
    if (o.objectClass != CKO_PRIVATE_KEY || (o.isPrivate && !s.card->logins[s.token].loggedIn))
        return CKR_KEY_HANDLE_INVALID;
    auto it = t.keys.find(o.certIndex);
    if (it == t.keys.end())
        return CKR_KEY_HANDLE_INVALID;
    key = &it->second;
    return CKR_OK;
}

bool offered(const Token& t, CK_MECHANISM_TYPE type) {
    return std::find(t.mechanisms.begin(), t.mechanisms.end(), type) != t.mechanisms.end();
}

// Whether the token offers the hashing mechanism of the same family for a hash.
bool hashOffered(const Token& t, MechKind kind, int nAlgoID) {
    const MechKind family = isPss(kind)                                                ? MechKind::RsaPssHash
                            : (kind == MechKind::Ecdsa || kind == MechKind::EcdsaHash) ? MechKind::EcdsaHash
                                                                                       : MechKind::RsaPkcsHash;
    for (const Mechanism& m : mechanisms())
        if (m.kind == family && m.nAlgoID == nAlgoID)
            return offered(t, m.type);
    return false;
}

// RSA-PSS parameters the card's signature can meet: MGF1 and salt of the hash.
CK_RV pssParameters(const CK_MECHANISM& m, const Mechanism& row, Operation& op) {
    if (m.pParameter == nullptr || m.ulParameterLen != sizeof(CK_RSA_PKCS_PSS_PARAMS))
        return CKR_MECHANISM_PARAM_INVALID;
    const auto* p = static_cast<const CK_RSA_PKCS_PSS_PARAMS*>(m.pParameter);
    const int hash = hashOfMechanism(p->hashAlg);
    if (hash < 0 || (row.nAlgoID >= 0 && hash != row.nAlgoID) || hashOfMgf(p->mgf) != hash ||
        p->sLen != static_cast<CK_ULONG>(digestLength(hash)))
        return CKR_MECHANISM_PARAM_INVALID;
    op.nAlgoID = hash;
    op.saltLength = p->sLen;
    return CKR_OK;
}

// The only OAEP the card layer deciphers: SHA-256, MGF1 with SHA-256, no label.
CK_RV oaepParameters(const CK_MECHANISM& m) {
    if (m.pParameter == nullptr || m.ulParameterLen != sizeof(CK_RSA_PKCS_OAEP_PARAMS))
        return CKR_MECHANISM_PARAM_INVALID;
    const auto* p = static_cast<const CK_RSA_PKCS_OAEP_PARAMS*>(m.pParameter);
    if (p->hashAlg != CKM_SHA256 || p->mgf != CKG_MGF1_SHA256 || (p->source != 0 && p->source != CKZ_DATA_SPECIFIED) ||
        p->ulSourceDataLen != 0)
        return CKR_MECHANISM_PARAM_INVALID;
    return CKR_OK;
}

// Checks a PSS signature against the certificate's key: the card chooses the padding
// from its environment, so what it made is looked at before it is handed out.
bool pssVerifies(const Key& key, int nAlgoID, size_t salt, const Bytes& hash, const Bytes& sig) {
    const unsigned char* p = key.spki.data();
    vn_ossl::EvpPkeyPtr pub(d2i_PUBKEY(nullptr, &p, static_cast<long>(key.spki.size())));
    if (!pub)
        return false;
    vn_ossl::EvpPkeyCtxPtr ctx(EVP_PKEY_CTX_new(pub.get(), nullptr));
    const EVP_MD* md = vn_crypto::algorithm_for_sign_id(nAlgoID).evp();
    return ctx && EVP_PKEY_verify_init(ctx.get()) == 1 &&
           EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_PKCS1_PSS_PADDING) == 1 &&
           EVP_PKEY_CTX_set_signature_md(ctx.get(), md) == 1 && EVP_PKEY_CTX_set_rsa_mgf1_md(ctx.get(), md) == 1 &&
           EVP_PKEY_CTX_set_rsa_pss_saltlen(ctx.get(), static_cast<int>(salt)) == 1 &&
           EVP_PKEY_verify(ctx.get(), sig.data(), sig.size(), hash.data(), hash.size()) == 1;
}

// Makes the key usable for the operation: the token's login (or, for a key that asks
// for its PIN every time, the login of this operation).
CK_RV authorise(CardState& c, size_t token, const Key& key, const Operation& op) {
    if (key.alwaysAuthenticate)
        return op.contextLogin ? CKR_OK : CKR_USER_NOT_LOGGED_IN;
    if (!c.logins[token].loggedIn)
        return CKR_USER_NOT_LOGGED_IN;
    // The card keeps the PIN verified at login for the token's other keys as well.
    c.keys.setVerified(key.certIndex, true);
    return CKR_OK;
}

// Runs a card call; when the card says the PIN is no longer verified (another
// folder was selected since), verifies the token's PIN once more and runs it again.
template <class F>
bool withPin(CardState& c, size_t token, const Key& key, F call) {
    bool ok = call();
    LoginState& login = c.logins[token];
    if (!ok && !key.alwaysAuthenticate && login.loggedIn && securityNotSatisfied(c.keys.card())) {
        std::string pin(login.pin.begin(), login.pin.end());
        vn_secret::WipeOnExit wipe(&pin[0], pin.size());
        int tries;
        if (c.keys.verify(key.certIndex, pin, tries) == CKR_OK)
            ok = call();
    }
    return ok;
}

CK_RV cardFailure(const Session& s) {
    Module* m = module();
    if (m == nullptr)
        return CKR_CRYPTOKI_NOT_INITIALIZED;
    std::lock_guard<std::mutex> g(m->lock);
    refreshReaders(*m);
    const Reader& r = *s.reader;
    if (!r.attached || !r.present || r.events != s.card->events)
        return CKR_DEVICE_REMOVED;
    return CKR_DEVICE_ERROR;
}

CK_RV signNow(Session& s, const Bytes& input, Bytes& signature) {
    Operation& op = s.op;
    CardState& c = *s.card;
    const Key& key = c.card.tokens[s.token].keys.at(op.certIndex);
    if (!c.keys.usable())
        return cardFailure(s);
    CK_RV rv = authorise(c, s.token, key, op);
    if (rv != CKR_OK)
        return rv;
    Bytes hash;
    int nAlgoID = op.nAlgoID;
    switch (op.mechanism->kind) {
    case MechKind::RsaPkcs:
        if (!parseDigestInfo(input.data(), input.size(), nAlgoID, hash))
            return CKR_DATA_INVALID;
        break;
    case MechKind::RsaPss:
        if (input.size() != static_cast<size_t>(digestLength(nAlgoID)))
            return CKR_DATA_LEN_RANGE;
        hash = input;
        break;
    case MechKind::Ecdsa:
        nAlgoID = hashOfLength(input.size());
        if (nAlgoID < 0)
            return CKR_DATA_LEN_RANGE;
        hash = input;
        break;
    default: hash = input; break;
    }
    // A hash the token signs with no mechanism of its own is refused before the card.
    if (!hashOffered(c.card.tokens[s.token], op.mechanism->kind, nAlgoID))
        return CKR_DATA_INVALID;
    Bytes out;
    const bool pss = isPss(op.mechanism->kind);
    if (!withPin(c, s.token, key, [&]() { return c.keys.sign(op.certIndex, hash, nAlgoID, pss, out); }))
        return cardFailure(s);
    if (out.size() != outputLength(key))
        return CKR_DEVICE_ERROR;
    if (pss && !pssVerifies(key, nAlgoID, op.saltLength, hash, out))
        return CKR_FUNCTION_FAILED;
    signature.swap(out);
    return CKR_OK;
}

CK_RV addData(Operation& op, const CK_BYTE* part, CK_ULONG length) {
    if (part == nullptr && length > 0)
        return CKR_ARGUMENTS_BAD;
    if (op.digest) {
        for (CK_ULONG done = 0; done < length;) {
            const CK_ULONG step = std::min<CK_ULONG>(length - done, INT_MAX);
            op.digest->AddData(reinterpret_cast<const char*>(part + done), static_cast<int>(step));
            done += step;
        }
        return CKR_OK;
    }
    if (op.data.size() + length > kMaxCollected)
        return CKR_DATA_LEN_RANGE;
    op.data.insert(op.data.end(), part, part + length);
    return CKR_OK;
}

// The end of a signing operation: the length alone, or the signature.
CK_RV finishSign(Session& s, CK_BYTE_PTR sig, CK_ULONG_PTR sigLength) {
    Operation& op = s.op;
    const Key& key = s.card->card.tokens[s.token].keys.at(op.certIndex);
    const size_t needed = outputLength(key);
    if (sig == nullptr) {
        *sigLength = needed;
        return CKR_OK;
    }
    if (*sigLength < needed) {
        *sigLength = needed;
        return CKR_BUFFER_TOO_SMALL;
    }
    Bytes input;
    if (op.digest) {
        input.resize(static_cast<size_t>(digestLength(op.nAlgoID)));
        op.digest->FinalDigest(reinterpret_cast<char*>(input.data()));
    } else {
        input = op.data;
    }
    Bytes signature;
    CK_RV rv = signNow(s, input, signature);
    op.reset();
    if (rv != CKR_OK)
        return rv;
    std::memcpy(sig, signature.data(), signature.size());
    *sigLength = signature.size();
    return CKR_OK;
}

// Starts a signing or deciphering operation on a session (reader lock held).
CK_RV startOperation(Session& s, const CK_MECHANISM& mech, CK_OBJECT_HANDLE keyHandle, Operation::What what) {
    Operation& op = s.op;
    if (op.what != Operation::None)
        return CKR_OPERATION_ACTIVE;
    const Key* key = nullptr;
    CK_RV rv = keyFor(s, keyHandle, key);
    if (rv != CKR_OK)
        return rv;
    const Mechanism* row = mechanism(mech.mechanism);
    const Token& t = s.card->card.tokens[s.token];
    if (row == nullptr || !offered(t, mech.mechanism))
        return CKR_MECHANISM_INVALID;
    MechKind kind = row->kind;
    if (what == Operation::Decrypt) {
        if (mech.mechanism == CKM_RSA_PKCS)
            kind = MechKind::DecryptPkcs;
        if (!isDecrypt(kind))
            return CKR_MECHANISM_INVALID;
        if (!key->decrypt)
            return CKR_KEY_FUNCTION_NOT_PERMITTED;
        if (kind == MechKind::DecryptOaep && (rv = oaepParameters(mech)) != CKR_OK)
            return rv;
    } else if (isDecrypt(kind)) {
        return CKR_MECHANISM_INVALID;
    }
    if (isRsa(kind) != (key->keyType == CKK_RSA))
        return CKR_KEY_TYPE_INCONSISTENT;
    op.reset();
    op.nAlgoID = row->nAlgoID;
    if (isPss(kind) && (rv = pssParameters(mech, *row, op)) != CKR_OK)
        return rv;
    op.what = what;
    op.mechanism = row;
    op.certIndex = key->certIndex;
    if (hashesData(kind))
        op.digest = vn_crypto::make_digest(vn_crypto::algorithm_for_sign_id(op.nAlgoID).kind);
    return CKR_OK;
}

CK_RV startOperation(CK_SESSION_HANDLE h, CK_MECHANISM_PTR mech, CK_OBJECT_HANDLE keyHandle, Operation::What what) {
    return withSession(h, true, mech != nullptr, [&](Session& s) { return startOperation(s, *mech, keyHandle, what); });
}

}  // namespace

CK_RV SignInit(CK_SESSION_HANDLE h, CK_MECHANISM_PTR mech, CK_OBJECT_HANDLE key) {
    return guarded([&]() { return startOperation(h, mech, key, Operation::Sign); });
}

CK_RV Sign(CK_SESSION_HANDLE h, CK_BYTE_PTR data, CK_ULONG length, CK_BYTE_PTR sig, CK_ULONG_PTR sigLength) {
    return guarded([&]() {
        return withSession(h, true, sigLength != nullptr, [&](Session& s) -> CK_RV {
            Operation& op = s.op;
            if (op.what != Operation::Sign)
                return CKR_OPERATION_NOT_INITIALIZED;
            if (sig == nullptr)
                return finishSign(s, sig, sigLength);
            // One part: the operation may not have taken data yet.
            if (op.digest)
                op.digest->Reset();
            op.data.clear();
            const CK_RV rv = addData(op, data, length);
            if (rv != CKR_OK) {
                op.reset();
                return rv;
            }
            return finishSign(s, sig, sigLength);
        });
    });
}

CK_RV SignUpdate(CK_SESSION_HANDLE h, CK_BYTE_PTR part, CK_ULONG length) {
    return guarded([&]() {
        return withSession(h, false, true, [&](Session& s) -> CK_RV {
            Operation& op = s.op;
            if (op.what != Operation::Sign)
                return CKR_OPERATION_NOT_INITIALIZED;
            const CK_RV rv = addData(op, part, length);
            if (rv != CKR_OK)
                op.reset();
            return rv;
        });
    });
}

CK_RV SignFinal(CK_SESSION_HANDLE h, CK_BYTE_PTR sig, CK_ULONG_PTR sigLength) {
    return guarded([&]() {
        return withSession(h, true, sigLength != nullptr, [&](Session& s) -> CK_RV {
            if (s.op.what != Operation::Sign)
                return CKR_OPERATION_NOT_INITIALIZED;
            return finishSign(s, sig, sigLength);
        });
    });
}

CK_RV DecryptInit(CK_SESSION_HANDLE h, CK_MECHANISM_PTR mech, CK_OBJECT_HANDLE key) {
    return guarded([&]() { return startOperation(h, mech, key, Operation::Decrypt); });
}

CK_RV Decrypt(CK_SESSION_HANDLE h, CK_BYTE_PTR in, CK_ULONG length, CK_BYTE_PTR out, CK_ULONG_PTR outLength) {
    return guarded([&]() {
        return withSession(h, true, outLength != nullptr && (in != nullptr || length == 0), [&](Session& s) -> CK_RV {
            Operation& op = s.op;
            if (op.what != Operation::Decrypt)
                return CKR_OPERATION_NOT_INITIALIZED;
            CardState& c = *s.card;
            const Key& key = c.card.tokens[s.token].keys.at(op.certIndex);
            const size_t modulus = outputLength(key);
            // A plain block kept from a call whose buffer was too small.
            if (!op.data.empty()) {
                if (out == nullptr || *outLength < op.data.size()) {
                    *outLength = op.data.size();
                    return out == nullptr ? CKR_OK : CKR_BUFFER_TOO_SMALL;
                }
                std::memcpy(out, op.data.data(), op.data.size());
                *outLength = op.data.size();
                op.reset();
                return CKR_OK;
            }
            if (out == nullptr) {
                *outLength = modulus;
                return CKR_OK;
            }
            if (length != modulus) {
                op.reset();
                return CKR_ENCRYPTED_DATA_LEN_RANGE;
            }
            if (!c.keys.usable()) {
                op.reset();
                return cardFailure(s);
            }
            const CK_RV rv = authorise(c, s.token, key, op);
            if (rv != CKR_OK) {
                op.reset();
                return rv;
            }
            Bytes input(in, in + length), plain;
            const bool oaep = op.mechanism->kind == MechKind::DecryptOaep;
            if (!withPin(c, s.token, key, [&]() { return c.keys.decrypt(op.certIndex, input, oaep, plain); })) {
                op.reset();
                return cardFailure(s);
            }
            if (*outLength < plain.size()) {
                *outLength = plain.size();
                op.data.swap(plain);
                return CKR_BUFFER_TOO_SMALL;
            }
            std::memcpy(out, plain.data(), plain.size());
            *outLength = plain.size();
            vn_secret::cleanse(plain.data(), plain.size());
            op.reset();
            return CKR_OK;
        });
    });
}

}  // namespace vn_p11
