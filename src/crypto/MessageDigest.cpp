// The digest interface's out-of-line destructor (anchors its virtual table here).
#include "MessageDigest.h"

IMessageDigest::~IMessageDigest() = default;
