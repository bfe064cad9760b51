// The content of a simulated card: file tree, PINs, keys, security
// environments and data objects, as read from an image file.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <openssl/evp.h>

#include "cardsim/Engine.h"

namespace cardsim {

struct EvpPkeyFree {
  void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
using PkeyPtr = std::unique_ptr<EVP_PKEY, EvpPkeyFree>;

// Access condition of a file or key.
struct Access {
  enum class Kind { Always, Never, Pin, Key };
  Kind kind = Kind::Always;
  uint8_t ref = 0;  // PIN reference or external-authentication key reference
};

enum class PinEncoding {
  Ascii,    // the PIN characters as they are (length as typed)
  Padded,   // ASCII padded with padChar to storedLength bytes
  Format2,  // ISO 9564 format-2 block of 8 bytes
};

struct PinObj {
  uint8_t ref = 0;
  std::string value;
  std::string puk;  // resetting code; empty: RESET RETRY COUNTER with code not possible
  int tries = 3, maxTries = 3;
  int pukTries = 10, pukMaxTries = 10;
  PinEncoding encoding = PinEncoding::Ascii;
  uint8_t padChar = 0xFF;
  size_t storedLength = 8;
  size_t minLength = 4, maxLength = 16;
  int line = 0;
};

struct KeyObj {
  uint8_t ref = 0;
  PkeyPtr pkey;                   // private key (RSA or EC), may be null for symmetric keys
  Bytes secret;                   // symmetric key for EXTERNAL AUTHENTICATE (DES-EDE or AES)
  Access use;                     // condition to use the key
  bool pinPerSignature = false;   // the PIN must be presented again after each signature
  std::string signAlg = "pkcs1";  // algorithm when none is named by the environment
  std::string decipherAlg = "pkcs1";
  std::string authAlg = "pkcs1";
  int errorCounter = -1;  // external authentication: tries left (-1 unlimited)
  std::string file;
};

// One template of a security environment: which key, which algorithm.
struct SeTemplate {
  bool set = false;
  uint8_t keyRef = 0;
  std::string alg;  // empty: the key's default
};

struct SeObj {
  uint8_t number = 0;
  SeTemplate dst, ct, at;
};

enum class FileType { DF, Transparent, LinearFixed, LinearVariable, Cyclic };

struct FileNode {
  FileType type = FileType::Transparent;
  uint16_t fid = 0;
  Bytes aid;   // DF name
  Bytes data;  // transparent contents (size = data.size())
  std::vector<Bytes> records;
  size_t recordSize = 0;  // fixed / cyclic record size, 0 = largest record
  size_t maxRecords = 0;  // 0 = as many as there are
  uint8_t sfi = 0;
  uint8_t lcs = 0x05;  // operational, activated
  Access read, update;
  Bytes fcpOverride;  // complete FCP given by the image
  FileNode* parent = nullptr;
  std::vector<std::unique_ptr<FileNode>> children;
  std::vector<PinObj> pins;
  std::vector<KeyObj> keys;
  std::vector<SeObj> ses;

  bool isDF() const { return type == FileType::DF; }
  bool isRecord() const { return type != FileType::DF && type != FileType::Transparent; }
  FileNode* child(uint16_t id) const;
  FileNode* childDf(uint16_t id) const;
  std::string path() const;  // "3F00/0604/C001"
};

struct CardModel {
  Bytes atr;
  std::string dialect = "iso";
  std::string label;
  std::optional<Protocol> protocol;
  std::unique_ptr<FileNode> mf;
  std::map<uint16_t, Bytes> dataObjects;       // GET DATA by P1-P2
  std::map<std::string, std::string> options;  // dialect options ("wrong-pin-sw = 6300")
};

// Loads an image (throws ImageError naming file and line).
std::unique_ptr<CardModel> parseImage(const std::string& text, const std::string& sourceName, const std::string& pkiDir,
                                      const std::string& imageDir);

// Finds a node by absolute path text ("3F00/0604/C001" or "3f000604c001").
FileNode* findPath(FileNode* mf, const std::string& path);

}  // namespace cardsim
