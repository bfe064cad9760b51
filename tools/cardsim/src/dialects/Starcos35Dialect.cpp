// STARCOS 3.5: proprietary GET DATA classes, algorithm identifiers of tag 89.
#include "../Dialect.h"
#include "../Engine.h"
#include "../Util.h"

namespace cardsim {

Bytes isoFcp(const FileNode& f, bool withSize);

namespace {

class Starcos35Dialect : public Dialect {
 public:
  std::string name() const override { return "starcos35"; }

  // GET DATA is also accepted with the proprietary classes 80 and A0.
  bool proprietaryClass(uint8_t cla, uint8_t ins) const override { return (cla == 0x80 || cla == 0xA0) && ins == 0xCA; }

  // EF: 80 size, 82 descriptor, 83 FID, 88 SFI, 8A LCS, then the proprietary
  // A1 template with the access rule reference (86 01 ..).
  Bytes fcp(const Engine&, const FileNode& f) const override {
    Bytes b = isoFcp(f, true);
    if (!f.fcpOverride.empty())
      return b;
    Bytes in(b.begin() + 2, b.end());
    Bytes arr;
    appendTlv(arr, 0x8B, Bytes{0x00, 0x30, 0x01});  // EF.ARR 0030, record 1
    in.insert(in.end(), arr.begin(), arr.end());
    Bytes out;
    appendTlv(out, 0x62, in);
    return out;
  }

  // 89 02 13 23: RSA PKCS#1 v1.5 over the DigestInfo sent by the terminal.
  // 89 03 13 33 hh: RSASSA-PSS over the hash; hh names the hash.
  // 89 02 11 3x: RSA decipher, PKCS#1 v1.5 padding; 11 31 OAEP (SHA-256, MGF1-SHA-256).
  // 80 01 xx: key's own algorithm.
  bool algorithm(uint8_t tag, const Bytes& v, SeUse use, std::string& alg) const override {
    alg.clear();
    if (tag == 0x80)
      return true;
    if (use == SeUse::Sign || use == SeUse::Auth) {
      if (v == Bytes{0x13, 0x23} || v == Bytes{0x23}) {
        alg = "pkcs1";
        return true;
      }
      if (v.size() == 3 && v[0] == 0x13 && v[1] == 0x33) {
        switch (v[2]) {
        case 0x10: alg = "pss-sha1"; return true;
        case 0x30: alg = "pss-sha256"; return true;
        case 0x40: alg = "pss-sha384"; return true;
        case 0x50: alg = "pss-sha512"; return true;
        case 0x60: alg = "pss-sha224"; return true;
        default: return false;
        }
      }
      return false;
    }
    if (v.size() == 2 && v[0] == 0x11 && (v[1] & 0xF0) == 0x30) {
      alg = v[1] == 0x31 ? "oaep-sha256" : "pkcs1";
      return true;
    }
    return false;
  }
};

}  // namespace

std::unique_ptr<Dialect> makeStarcos35Dialect() { return std::make_unique<Starcos35Dialect>(); }

}  // namespace cardsim
