// CExtensionSSL: one line of readable text for the value of a certificate extension.
#include "ExtensionSSL.h"

#include "infra/Loggers.h"
#include "infra/TraceScope.h"
#include "verify/DerWalk.h"

using vnder::Item;

log4cxx::LoggerPtr CExtensionSSL::m_logger = vnLogger("VornCryptoSSL::CExtensionSSL");

namespace {

char subjectAltNameBuf[CExtensionSSL::TextSize];
char issuerAltNameBuf[CExtensionSSL::TextSize];
char keyUsageBuf[CExtensionSSL::TextSize];
char subjectKeyIdentBuf[CExtensionSSL::TextSize];
char authorityKeyIdentBuf[CExtensionSSL::TextSize];
char certPoliciesBuf[CExtensionSSL::TextSize];
char qcStatementsBuf[CExtensionSSL::TextSize];
char authorityInfoAccessBuf[CExtensionSSL::TextSize];
char crlDistributionPointsBuf[CExtensionSSL::TextSize];
char restrictionBuf[CExtensionSSL::TextSize];

// Deepest nesting the CRL distribution point walk enters.
const int MaxDistributionPointDepth = 8;

// The extension's value: steps over an optional critical BOOLEAN, then enters the OCTET
// STRING extnValue and reads the DER it holds.
bool extnValue(const unsigned char* item, unsigned int length, Item& value) {
    const unsigned char* end = item ? item + length : nullptr;
    Item it;
    if (!vnder::at(item, length, it))
        return false;
    if (it.tag() == 0x01 && !vnder::nextUntil(end, it, it))
        return false;
    if (it.tag() != 0x04)
        return false;
    return vnder::inner(it, value);
}

// The text of a name item through the decoder's name reader.
std::string nameLine(const Item& it) { return it.p ? CASN1::getGenName(it.p, it.total) : std::string(); }

template <class F>
char* format(char* buf, const char* name, const unsigned char* item, unsigned int length, F fill) {
    VnLoggerTraceScope trace(CExtensionSSL::m_logger, name);
    TextOut out(buf, CExtensionSSL::TextSize);
    try {
        Item value;
        if (extnValue(item, length, value))
            fill(value, out);
    } catch (...) {
        out.clear();
    }
    return out.get();
}

// The location of an access description: a string's content, a directory name as a line.
std::string locationText(const Item& loc) {
    if (loc.tag() == 0xA4) {
        Item name;
        return vnder::inner(loc, name) ? nameLine(name) : std::string();
    }
    if (loc.tag() & 0x20)
        return std::string();
    return vnder::str(loc);
}

void distributionPoints(const Item& parent, int depth, TextOut& out) {
    if (depth > MaxDistributionPointDepth)
        return;
    Item e;
    for (bool ok = vnder::first(parent, e); ok; ok = vnder::next(parent, e, e)) {
        const char* word = nullptr;
        std::string text;
        switch (e.tag()) {
        case 0x30:
        case 0xA0:
        case 0xA2: distributionPoints(e, depth + 1, out); continue;
        case 0x86:
            word = "URI={";
            text = vnder::str(e);
            break;
        case 0x81:
            word = "reasons={";
            text = vnder::hex(e, 1);
            break;
        case 0xA4: {
            Item name;
            if (!vnder::inner(e, name))
                continue;
            word = "cRLIssuer={";
            text = nameLine(name);
            break;
        }
        default: continue;
        }
        if (!out.empty())
            out << ", ";
        out << word << text << "}";
    }
}

}  // namespace

char* CExtensionSSL::getSubjectAltName(const unsigned char* item, unsigned int length) {
    return format(subjectAltNameBuf, "getSubjectAltName", item, length,
                  [](const Item& v, TextOut& out) { out << nameLine(v); });
}

char* CExtensionSSL::getIssuerAltName(const unsigned char* item, unsigned int length) {
    return format(issuerAltNameBuf, "getIssuerAltName", item, length,
                  [](const Item& v, TextOut& out) { out << nameLine(v); });
}

char* CExtensionSSL::getKeyUsage(const unsigned char* item, unsigned int length) {
    return format(keyUsageBuf, "getKeyUsage", item, length, [](const Item& v, TextOut& out) {
        if (v.tag() == 0x03)
            out << CASN1::getBitString(v.p, v.total);
    });
}

char* CExtensionSSL::getSubjectKeyIdent(const unsigned char* item, unsigned int length) {
    return format(subjectKeyIdentBuf, "getSubjectKeyIdent", item, length, [](const Item& v, TextOut& out) {
        if (v.tag() == 0x04)
            out << vnder::hex(v);
    });
}

char* CExtensionSSL::getAuthorityKeyIdent(const unsigned char* item, unsigned int length) {
    return format(authorityKeyIdentBuf, "getAuthorityKeyIdent", item, length, [](const Item& v, TextOut& out) {
        Item id;
        if (v.tag() == 0x30 && vnder::first(v, id) && id.tag() == 0x80)
            out << vnder::hex(id);
    });
}

char* CExtensionSSL::getCertPolicies(const unsigned char* item, unsigned int length) {
    return format(certPoliciesBuf, "getCertPolicies", item, length, [](const Item& v, TextOut& out) {
        Item policy, id;
        if (v.tag() == 0x30 && vnder::first(v, policy) && policy.tag() == 0x30 && vnder::first(policy, id))
            out << vnder::oid(id);
    });
}

char* CExtensionSSL::getQSTatements(const unsigned char* item, unsigned int length) {
    return format(qcStatementsBuf, "getQSTatements", item, length, [](const Item& v, TextOut& out) {
        if (v.tag() != 0x30)
            return;
        Item statement, id;
        for (bool ok = vnder::first(v, statement); ok; ok = vnder::next(v, statement, statement)) {
            if (statement.tag() != 0x30 || !vnder::first(statement, id))
                continue;
            const std::string dotted = vnder::oid(id);
            if (dotted.empty())
                continue;
            if (!out.empty())
                out << ", ";
            out << dotted;
        }
    });
}

char* CExtensionSSL::getAuthorityInfoAccess(const unsigned char* item, unsigned int length) {
    return format(authorityInfoAccessBuf, "getAuthorityInfoAccess", item, length, [](const Item& v, TextOut& out) {
        if (v.tag() != 0x30)
            return;
        Item desc, method, location;
        bool any = false;
        for (bool ok = vnder::first(v, desc); ok; ok = vnder::next(v, desc, desc)) {
            if (desc.tag() != 0x30 || !vnder::first(desc, method) || method.tag() != 0x06 ||
                !vnder::next(desc, method, location))
                continue;
            out << (any ? ", URI={" : "URI={") << vnder::oid(method) << "=" << locationText(location) << "}";
            any = true;
        }
    });
}

char* CExtensionSSL::getCRLDistrbutionPoints(const unsigned char* item, unsigned int length) {
    return format(crlDistributionPointsBuf, "getCRLDistrbutionPoints", item, length, [](const Item& v, TextOut& out) {
        if (v.tag() == 0x30)
            distributionPoints(v, 0, out);
    });
}

char* CExtensionSSL::getRestriction(const unsigned char* item, unsigned int length) {
    return format(restrictionBuf, "getRestriction", item, length,
                  [](const Item& v, TextOut& out) { out << CRestrictionSSL::getRestriction(v.p, v.total); });
}
