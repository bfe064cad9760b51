// The commands of vncard; each returns the exit code.
#ifndef VNCARD_COMMANDS_H
#define VNCARD_COMMANDS_H

#include <cstddef>
#include <string>
#include <vector>

#include "Args.h"

int cmdVersion(Args& args);
int cmdConfig(Args& args);
int cmdReaders(Args& args);
int cmdCerts(Args& args);
int cmdExport(Args& args);
int cmdVerifyPin(Args& args);
int cmdChangePin(Args& args);
int cmdSign(Args& args);
int cmdDecrypt(Args& args);
int cmdShowCert(Args& args);
int cmdShowSig(Args& args);
int cmdVerifyDoc(Args& args);
const std::vector<OptionSpec>& verifyDocOptions();
const char* verifyDocDetails();
int cmdSignDoc(Args& args);
const char* signDocDetails();
const std::vector<OptionSpec>& signDocOptions();
int cmdExtend(Args& args);
const char* extendDetails();
const std::vector<OptionSpec>& extendOptions();

// Reads a whole file; false with a message printed.
bool readFile(const std::string& path, std::string& data);
// Writes data to path ("-": standard output); false with a message printed.
bool writeFile(const std::string& path, const void* data, size_t length);
// Whether path can be written (before the card is asked); false with a message printed.
bool checkWritable(const std::string& path);

// What decoding a PEM block into a file gave.
enum class PemDecoded { Ok, NoBlock, CannotWrite };
// Decodes the first PEM block of text whose label is one of labels into a new temporary
// file (its path goes to path, the caller removes it). The base64 is decoded piece by
// piece, so memory does not grow with the block. NoBlock when there is no such block or it
// does not decode (nothing printed); CannotWrite with a message printed.
PemDecoded pemBlockToFile(const unsigned char* text, size_t size, const std::vector<std::string>& labels,
                          std::string& path);

#endif
