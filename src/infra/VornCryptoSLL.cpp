#include "VornCryptoSLL.h"

CVornCryptoSLL::CVornCryptoSLL() = default;
CVornCryptoSLL::~CVornCryptoSLL() = default;

const char* vorncryptossl_version() { return "2.0.0"; }
