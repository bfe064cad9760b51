// Class-wide settings of signature creation: CAdES level and timestamp service.
#include "SignMessage.h"

int32_t CSignMessage::m_cadesLevel = 0;
std::string CSignMessage::m_tsURL;

void CSignMessage::setTSUrl(std::string url) { m_tsURL = std::move(url); }

void CSignMessage::setCAdES_Level(int level) { m_cadesLevel = level; }
