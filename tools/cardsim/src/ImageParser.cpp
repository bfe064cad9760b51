// Reads the text image of a card.
//
//   # comment
//   [card]                 dialect, atr, label, protocol, option.NAME
//   [df PATH]              aid, fcp, lcs
//   [ef PATH]              type, data, text, cert, file, size, fill, record,
//                          record-size, sfi, read, update, fcp, lcs
//   [pin DFPATH REF]       value, puk, tries, max-tries, puk-tries, encoding,
//                          pad, stored-length, min-length, max-length
//   [key DFPATH REF]       private, secret, use, pin, pin-per-signature,
//                          sign-alg, decipher-alg, auth-alg, tries
//   [se DFPATH NUMBER]     sign, decipher, auth  (= KEYREF [ALGORITHM])
//   [data P1P2]            value
//
// Paths are absolute hex file identifiers from the MF ("3F00/0604/C001").
#include <openssl/bio.h>
#include <openssl/pem.h>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "Dialect.h"
#include "Model.h"
#include "Util.h"

namespace cardsim {
namespace {

constexpr off_t kMaxFile = 1 << 20;

class Parser {
 public:
  Parser(const std::string& source, const std::string& pkiDir, const std::string& imageDir)
      : m_source(source), m_pkiDir(pkiDir), m_imageDir(imageDir) {}

  std::unique_ptr<CardModel> run(const std::string& text) {
    m_model = std::make_unique<CardModel>();
    m_model->mf = std::make_unique<FileNode>();
    m_model->mf->type = FileType::DF;
    m_model->mf->fid = 0x3F00;
    std::istringstream in(text);
    std::string raw;
    while (std::getline(in, raw)) {
      ++m_line;
      std::string line = stripComment(raw);
      line = trim(line);
      if (line.empty())
        continue;
      if (line.front() == '[') {
        if (line.back() != ']')
          fail("section header without ']'");
        beginSection(trim(line.substr(1, line.size() - 2)));
        continue;
      }
      size_t eq = line.find('=');
      if (eq == std::string::npos)
        fail("expected 'key = value' or '[section]'");
      std::string key = toLower(trim(line.substr(0, eq)));
      std::string value = trim(line.substr(eq + 1));
      if (key.empty())
        fail("empty key");
      assign(key, value);
    }
    finishEf();
    if (m_model->atr.empty()) {
      m_line = 0;
      fail("no 'atr' in [card]");
    }
    return std::move(m_model);
  }

 private:
  enum class Sec { None, Card, Df, Ef, Pin, Key, Se, Data };

  [[noreturn]] void fail(const std::string& msg) const {
    throw ImageError(m_source + ":" + std::to_string(m_line) + ": " + msg);
  }

  static std::string stripComment(const std::string& s) {
    bool quoted = false;
    for (size_t i = 0; i < s.size(); ++i) {
      if (s[i] == '"')
        quoted = !quoted;
      if (!quoted && (s[i] == '#' || s[i] == ';'))
        return s.substr(0, i);
    }
    return s;
  }

  Bytes hex(const std::string& v) const {
    try {
      return fromHex(v);
    } catch (const std::exception& e) {
      fail(std::string("bad hex value: ") + e.what());
    }
  }

  long number(const std::string& v, long lo, long hi) const {
    char* end = nullptr;
    long n = std::strtol(v.c_str(), &end, 0);
    if (v.empty() || *end != '\0' || n < lo || n > hi)
      fail("expected a number from " + std::to_string(lo) + " to " + std::to_string(hi) + ", got '" + v + "'");
    return n;
  }

  uint8_t hexByte(const std::string& v) const {
    Bytes b = hex(v);
    if (b.size() != 1)
      fail("expected one hex byte, got '" + v + "'");
    return b[0];
  }

  bool yesNo(const std::string& v) const {
    std::string l = toLower(v);
    if (l == "yes" || l == "true" || l == "1")
      return true;
    if (l == "no" || l == "false" || l == "0")
      return false;
    fail("expected yes or no, got '" + v + "'");
  }

  std::string unquote(const std::string& v) const {
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"')
      return v.substr(1, v.size() - 2);
    return v;
  }

  std::string locate(const std::string& name) const {
    std::vector<std::string> dirs;
    if (!m_pkiDir.empty())
      dirs.push_back(m_pkiDir);
    if (const char* e = std::getenv("CARDSIM_PKI_DIR"))
      dirs.push_back(e);
    dirs.push_back(m_imageDir.empty() ? "." : m_imageDir);
    if (!name.empty() && name[0] == '/')
      dirs.assign(1, "");
    std::string tried;
    for (auto& d : dirs) {
      std::string p = d.empty() ? name : d + "/" + name;
      struct stat st {};
      if (::stat(p.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode) || st.st_size > kMaxFile)
          fail("'" + name + "' is not a regular file of at most 1 MiB");
        std::ifstream f(p, std::ios::binary);
        if (f)
          return p;
      }
      tried += (tried.empty() ? "" : ", ") + (d.empty() ? std::string("/") : d);
    }
    fail("cannot read file '" + name + "' (looked in " + tried + ")");
  }

  Bytes readFile(const std::string& name) const {
    std::string p = locate(name);
    std::ifstream f(p, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  }

  PkeyPtr readKey(const std::string& name) const {
    std::string p = locate(name);
    BIO* bio = BIO_new_file(p.c_str(), "r");
    if (!bio)
      fail("cannot open key file '" + name + "'");
    EVP_PKEY* k = PEM_read_bio_PrivateKey(bio, nullptr, nullptr, nullptr);
    BIO_free(bio);
    if (!k)
      fail("'" + name + "' is not a PEM private key");
    return PkeyPtr(k);
  }

  Access access(const std::string& v) const {
    std::istringstream s(toLower(v));
    std::string kind, ref;
    s >> kind >> ref;
    Access a;
    if (kind == "always")
      a.kind = Access::Kind::Always;
    else if (kind == "never")
      a.kind = Access::Kind::Never;
    else if (kind == "pin")
      a.kind = Access::Kind::Pin;
    else if (kind == "key")
      a.kind = Access::Kind::Key;
    else
      fail("access must be always, never, pin XX or key XX; got '" + v + "'");
    if (a.kind == Access::Kind::Pin || a.kind == Access::Kind::Key) {
      if (ref.empty())
        fail("access '" + kind + "' needs a reference");
      a.ref = hexByte(ref);
    }
    return a;
  }

  FileNode* dfAt(const std::string& path) const {
    FileNode* n = findPath(m_model->mf.get(), path);
    if (!n)
      fail("no DF '" + path + "' declared before");
    if (!n->isDF())
      fail("'" + path + "' is not a DF");
    return n;
  }

  static bool knownAlg(const std::string& a) {
    static const char* algs[] = {"pkcs1",        "pkcs1-sha1",      "pkcs1-sha224", "pkcs1-sha256", "pkcs1-sha384",
                                 "pkcs1-sha512", "pkcs1-ripemd160", "pss-sha1",     "pss-sha224",   "pss-sha256",
                                 "pss-sha384",   "pss-sha512",      "raw",          "ecdsa",        "oaep",
                                 "oaep-sha256"};
    for (auto* x : algs)
      if (a == x)
        return true;
    return false;
  }

  SeTemplate seTemplate(const std::string& v) const {
    std::istringstream s(v);
    std::string ref, alg;
    s >> ref >> alg;
    SeTemplate t;
    t.set = true;
    t.keyRef = hexByte(ref);
    t.alg = toLower(alg);
    if (!t.alg.empty() && !knownAlg(t.alg))
      fail("unknown algorithm '" + alg + "'");
    return t;
  }

  void beginSection(const std::string& header) {
    finishEf();
    std::istringstream s(header);
    std::string kind, a, b, extra;
    s >> kind >> a >> b >> extra;
    kind = toLower(kind);
    if (!extra.empty())
      fail("too many words in section header");
    m_node = nullptr;
    m_pin = nullptr;
    m_key = nullptr;
    m_se = nullptr;
    if (kind == "card") {
      if (!a.empty())
        fail("[card] takes no arguments");
      m_sec = Sec::Card;
    } else if (kind == "df" || kind == "ef") {
      if (a.empty() || !b.empty())
        fail("[" + kind + "] needs exactly one path");
      Bytes p = hex(a);
      if (p.size() < 2 || p.size() % 2 || p[0] != 0x3F || p[1] != 0x00)
        fail("path must start at 3F00 and consist of 2-byte identifiers: '" + a + "'");
      if (p.size() == 2) {
        if (kind == "ef")
          fail("3F00 is the MF, not an EF");
        m_node = m_model->mf.get();
      } else {
        std::string parentPath = toHex(Bytes(p.begin(), p.end() - 2));
        FileNode* parent = dfAt(parentPath);
        uint16_t fid = static_cast<uint16_t>(p[p.size() - 2] << 8 | p.back());
        if (fid == 0x3F00 || fid == 0x3FFF || fid == 0xFFFF)
          fail("reserved file identifier " + a);
        if (parent->child(fid))
          fail("file " + a + " declared twice");
        auto n = std::make_unique<FileNode>();
        n->fid = fid;
        n->parent = parent;
        n->type = kind == "df" ? FileType::DF : FileType::Transparent;
        m_node = n.get();
        parent->children.push_back(std::move(n));
      }
      m_sec = kind == "df" ? Sec::Df : Sec::Ef;
    } else if (kind == "pin" || kind == "key" || kind == "se") {
      if (a.empty() || b.empty())
        fail("[" + kind + "] needs a DF path and a reference");
      FileNode* df = dfAt(a);
      uint8_t ref = hexByte(b);
      if (kind == "pin") {
        for (auto& p : df->pins)
          if (p.ref == ref)
            fail("PIN " + b + " declared twice in " + a);
        df->pins.emplace_back();
        m_pin = &df->pins.back();
        m_pin->ref = ref;
        m_pin->line = m_line;
        m_sec = Sec::Pin;
      } else if (kind == "key") {
        for (auto& k : df->keys)
          if (k.ref == ref)
            fail("key " + b + " declared twice in " + a);
        df->keys.emplace_back();
        m_key = &df->keys.back();
        m_key->ref = ref;
        m_sec = Sec::Key;
      } else {
        df->ses.emplace_back();
        m_se = &df->ses.back();
        m_se->number = ref;
        m_sec = Sec::Se;
      }
    } else if (kind == "data") {
      Bytes tag = hex(a);
      if (tag.size() != 2 || !b.empty())
        fail("[data] needs P1P2 as 4 hex digits");
      m_dataTag = static_cast<uint16_t>(tag[0] << 8 | tag[1]);
      m_sec = Sec::Data;
    } else {
      fail("unknown section '" + kind + "'");
    }
  }

  void assign(const std::string& key, const std::string& value) {
    switch (m_sec) {
    case Sec::None: fail("'" + key + "' outside a section");
    case Sec::Card: return cardKey(key, value);
    case Sec::Df: return dfKey(key, value);
    case Sec::Ef: return efKey(key, value);
    case Sec::Pin: return pinKey(key, value);
    case Sec::Key: return keyKey(key, value);
    case Sec::Se: return seKey(key, value);
    case Sec::Data:
      if (key != "value")
        fail("unknown key '" + key + "' in [data]");
      m_model->dataObjects[m_dataTag] = hex(value);
      return;
    }
  }

  void cardKey(const std::string& key, const std::string& value) {
    if (key == "dialect") {
      m_model->dialect = toLower(value);
      if (!makeDialect(m_model->dialect))
        fail("unknown dialect '" + value + "'");
    } else if (key == "atr") {
      m_model->atr = hex(value);
      if (m_model->atr.size() < 2 || m_model->atr.size() > 33)
        fail("an ATR has 2 to 33 bytes");
    } else if (key == "label")
      m_model->label = unquote(value);
    else if (key == "protocol") {
      std::string p = toUpper(value);
      if (p == "T0" || p == "T=0")
        m_model->protocol = Protocol::T0;
      else if (p == "T1" || p == "T=1")
        m_model->protocol = Protocol::T1;
      else
        fail("protocol must be T0 or T1");
    } else if (key.rfind("option.", 0) == 0)
      m_model->options[key.substr(7)] = value;
    else
      fail("unknown key '" + key + "' in [card]");
  }

  void dfKey(const std::string& key, const std::string& value) {
    if (key == "aid") {
      m_node->aid = hex(value);
      if (m_node->aid.empty() || m_node->aid.size() > 16)
        fail("an AID has 1 to 16 bytes");
    } else if (key == "fcp")
      m_node->fcpOverride = hex(value);
    else if (key == "lcs")
      m_node->lcs = hexByte(value);
    else
      fail("unknown key '" + key + "' in [df]");
  }

  void efKey(const std::string& key, const std::string& value) {
    FileNode& n = *m_node;
    if (key == "type") {
      std::string t = toLower(value);
      if (t == "transparent")
        n.type = FileType::Transparent;
      else if (t == "linear-fixed")
        n.type = FileType::LinearFixed;
      else if (t == "linear-variable")
        n.type = FileType::LinearVariable;
      else if (t == "cyclic")
        n.type = FileType::Cyclic;
      else
        fail("type must be transparent, linear-fixed, linear-variable or cyclic");
    } else if (key == "data") {
      Bytes b = hex(value);
      n.data.insert(n.data.end(), b.begin(), b.end());
    } else if (key == "text") {
      std::string t = unquote(value);
      n.data.insert(n.data.end(), t.begin(), t.end());
    } else if (key == "cert" || key == "file") {
      Bytes b = readFile(value);
      if (key == "cert" && (b.size() < 4 || b[0] != 0x30))
        fail("'" + value + "' is not a DER certificate");
      n.data.insert(n.data.end(), b.begin(), b.end());
    } else if (key == "size") {
      m_size = static_cast<size_t>(number(value, 0, 65535));
    } else if (key == "fill") {
      m_fill = hexByte(value);
    } else if (key == "record") {
      n.records.push_back(hex(value));
    } else if (key == "record-size") {
      n.recordSize = static_cast<size_t>(number(value, 1, 255));
    } else if (key == "max-records") {
      n.maxRecords = static_cast<size_t>(number(value, 1, 254));
    } else if (key == "sfi") {
      n.sfi = static_cast<uint8_t>(number(value, 1, 30));
    } else if (key == "read") {
      n.read = access(value);
    } else if (key == "update") {
      n.update = access(value);
    } else if (key == "fcp") {
      n.fcpOverride = hex(value);
    } else if (key == "lcs") {
      n.lcs = hexByte(value);
    } else {
      fail("unknown key '" + key + "' in [ef]");
    }
  }

  void finishEf() {
    if (m_sec == Sec::Ef && m_node) {
      FileNode& n = *m_node;
      if (n.isRecord()) {
        if (!n.data.empty())
          fail("record file " + n.path() + " has 'data'; use 'record'");
        for (auto& r : n.records) {
          if (r.empty() || r.size() > 255)
            fail("record of " + n.path() + " must have 1 to 255 bytes");
          if ((n.type == FileType::LinearFixed || n.type == FileType::Cyclic) && n.recordSize &&
              r.size() != n.recordSize)
            fail("record of " + n.path() + " does not have record-size bytes");
        }
      } else if (!n.records.empty()) {
        fail("transparent file " + n.path() + " has records; set 'type'");
      }
      if (m_size) {
        if (n.data.size() > m_size)
          fail("contents of " + n.path() + " exceed its size");
        n.data.resize(m_size, m_fill);
      }
    }
    m_size = 0;
    m_fill = 0;
  }

  PinEncoding encoding(const std::string& v) const {
    std::string l = toLower(v);
    if (l == "ascii")
      return PinEncoding::Ascii;
    if (l == "padded")
      return PinEncoding::Padded;
    if (l == "format2")
      return PinEncoding::Format2;
    fail("encoding must be ascii, padded or format2");
  }

  void pinKey(const std::string& key, const std::string& value) {
    PinObj& p = *m_pin;
    if (key == "value")
      p.value = unquote(value);
    else if (key == "puk")
      p.puk = unquote(value);
    else if (key == "tries")
      p.tries = static_cast<int>(number(value, 0, 15));
    else if (key == "max-tries")
      p.maxTries = static_cast<int>(number(value, 1, 15));
    else if (key == "puk-tries")
      p.pukTries = static_cast<int>(number(value, 0, 15));
    else if (key == "puk-max-tries")
      p.pukMaxTries = static_cast<int>(number(value, 1, 15));
    else if (key == "encoding")
      p.encoding = encoding(value);
    else if (key == "pad")
      p.padChar = hexByte(value);
    else if (key == "stored-length")
      p.storedLength = static_cast<size_t>(number(value, 1, 64));
    else if (key == "min-length")
      p.minLength = static_cast<size_t>(number(value, 1, 64));
    else if (key == "max-length")
      p.maxLength = static_cast<size_t>(number(value, 1, 64));
    else
      fail("unknown key '" + key + "' in [pin]");
    if (key == "encoding" && p.encoding == PinEncoding::Format2)
      p.maxLength = std::min<size_t>(p.maxLength, 14);
  }

  void keyKey(const std::string& key, const std::string& value) {
    KeyObj& k = *m_key;
    if (key == "private") {
      k.pkey = readKey(value);
      k.file = value;
      if (EVP_PKEY_base_id(k.pkey.get()) == EVP_PKEY_EC)
        k.signAlg = k.authAlg = "ecdsa";
    } else if (key == "secret") {
      k.secret = hex(value);
      if (k.secret.size() != 16 && k.secret.size() != 24 && k.secret.size() != 32)
        fail("a secret key has 16, 24 or 32 bytes");
    } else if (key == "use")
      k.use = access(value);
    else if (key == "pin")
      k.use = access("pin " + value);
    else if (key == "pin-per-signature")
      k.pinPerSignature = yesNo(value);
    else if (key == "tries")
      k.errorCounter = static_cast<int>(number(value, 0, 15));
    else if (key == "sign-alg" || key == "decipher-alg" || key == "auth-alg") {
      std::string a = toLower(value);
      if (!knownAlg(a))
        fail("unknown algorithm '" + value + "'");
      (key == "sign-alg" ? k.signAlg : key == "decipher-alg" ? k.decipherAlg : k.authAlg) = a;
    } else
      fail("unknown key '" + key + "' in [key]");
  }

  void seKey(const std::string& key, const std::string& value) {
    if (key == "sign")
      m_se->dst = seTemplate(value);
    else if (key == "decipher")
      m_se->ct = seTemplate(value);
    else if (key == "auth")
      m_se->at = seTemplate(value);
    else
      fail("unknown key '" + key + "' in [se]");
  }

  std::string m_source, m_pkiDir, m_imageDir;
  int m_line = 0;
  std::unique_ptr<CardModel> m_model;
  Sec m_sec = Sec::None;
  FileNode* m_node = nullptr;
  PinObj* m_pin = nullptr;
  KeyObj* m_key = nullptr;
  SeObj* m_se = nullptr;
  uint16_t m_dataTag = 0;
  size_t m_size = 0;
  uint8_t m_fill = 0;
};

}  // namespace

std::unique_ptr<CardModel> parseImage(const std::string& text, const std::string& sourceName, const std::string& pkiDir,
                                      const std::string& imageDir) {
  Parser p(sourceName, pkiDir, imageDir);
  return p.run(text);
}

}  // namespace cardsim
