// CRestrictionSSL: one line of readable text for the value of an ISIS-MTT attribute.
#include <cmath>
#include <cstdio>

#include "ExtensionSSL.h"
#include "asn1/Asn1Text.h"
#include "infra/Loggers.h"
#include "infra/TraceScope.h"
#include "verify/DerWalk.h"

using vnder::Item;

namespace {

char restrictionBuf[CRestrictionSSL::TextSize];
char additionalBuf[CRestrictionSSL::TextSize];
char monetaryBuf[CRestrictionSSL::TextSize];
char majorityBuf[CRestrictionSSL::TextSize];
char prokuraBuf[CRestrictionSSL::TextSize];
char admissionBuf[CRestrictionSSL::TextSize];
char identityBuf[CRestrictionSSL::TextSize];

const unsigned char TagUtf8 = 0x0C;
const unsigned char TagPrintable = 0x13;
const unsigned char TagInteger = 0x02;
const unsigned char TagSequence = 0x30;
const unsigned char TagSet = 0x31;
const unsigned char TagGeneralizedTime = 0x18;

bool isDirectoryString(unsigned char tag) {
    return tag == TagUtf8 || tag == TagPrintable || tag == 0x14 || tag == 0x16 || tag == 0x1C || tag == 0x1E;
}

// Text of a DirectoryString (BMPString converted to UTF-8 like names are).
std::string directoryString(const Item& it) {
    if (it.tag() == 0x1E)
        return asn1text::bmpToUtf8(it.c, it.n);
    return vnder::str(it);
}

// A value item, or the first element of the SET that holds the values.
bool firstValue(const unsigned char* item, unsigned int length, Item& value) {
    if (!vnder::at(item, length, value))
        return false;
    if (value.tag() == TagSet) {
        Item set = value;
        return vnder::first(set, value);
    }
    return true;
}

std::string nameLine(const Item& it) { return it.p ? CASN1::getGenName(it.p, it.total) : std::string(); }

// A GeneralName: a directory name as its line, a string choice as its content.
std::string generalName(const Item& it) {
    Item inner;
    if (it.tag() == 0xA4)
        return vnder::inner(it, inner) ? nameLine(inner) : std::string();
    if (it.tag() & 0x20)
        return nameLine(it);
    return vnder::str(it);
}

// Items joined by a comma and a blank.
template <class F>
std::string joined(const Item& seq, F text) {
    std::string s;
    Item e;
    for (bool ok = vnder::first(seq, e); ok; ok = vnder::next(seq, e, e)) {
        const std::string t = text(e);
        if (t.empty())
            continue;
        if (!s.empty())
            s += ", ";
        s += t;
    }
    return s;
}

template <class F>
char* format(char* buf, const char* name, F fill) {
    VnLoggerTraceScope trace(CExtensionSSL::m_logger, name);
    TextOut out(buf, CRestrictionSSL::TextSize);
    try {
        fill(out);
    } catch (...) {
        out.clear();
    }
    return out.get();
}

// Two's complement value of an INTEGER of at most four content bytes.
bool signedInteger(const Item& it, long& v) {
    if (it.tag() != TagInteger || it.n == 0 || it.n > 4)
        return false;
    int64_t u = 0;
    for (uint32_t i = 0; i < it.n; ++i)
        u = (u << 8) | it.c[i];
    if (it.c[0] & 0x80)
        u -= int64_t(1) << (8 * it.n);
    v = static_cast<long>(u);
    return true;
}

// NamingAuthority: OID, URL and text joined by a comma and a blank.
std::string namingAuthority(const Item& na) {
    return joined(na, [](const Item& e) {
        if (e.tag() == 0x06)
            return vnder::oid(e);
        if (e.tag() == 0x16 || isDirectoryString(e.tag()))
            return directoryString(e);
        return std::string();
    });
}

// The pieces of the first profession info.
void professionInfo(const Item& info, bool afterAuthority, TextOut& out) {
    out << (afterAuthority ? ", professionInfos=" : "professionInfos=");
    Item e;
    for (bool ok = vnder::first(info, e); ok; ok = vnder::next(info, e, e)) {
        if (e.tag() == TagSequence) {
            Item f;
            if (!vnder::first(e, f))
                continue;
            if (f.tag() == 0x06)
                out << ", professionOIDs={" << joined(e, [](const Item& o) { return vnder::oid(o); }) << "} ";
            else
                out << "professionItems={" << joined(e, [](const Item& s) { return directoryString(s); }) << "} ";
        } else if (e.tag() == TagPrintable) {
            out << ", registrationNumber=" << vnder::str(e);
        }
    }
}

}  // namespace

char* CRestrictionSSL::getRestriction(const unsigned char* item, unsigned int length) {
    return format(restrictionBuf, "CRestrictionSSL::getRestriction", [&](TextOut& out) {
        Item v;
        if (firstValue(item, length, v) && v.tag() == TagUtf8)
            out << vnder::str(v);
    });
}

char* CRestrictionSSL::getRestrictionAdditional(const unsigned char* item, unsigned int length) {
    return format(additionalBuf, "getRestrictionAdditional", [&](TextOut& out) {
        Item v;
        if (!vnder::at(item, length, v))
            return;
        if (v.tag() == TagSet) {
            const Item set = v;
            for (bool ok = vnder::first(set, v); ok; ok = vnder::next(set, v, v))
                if (v.tag() == TagUtf8)
                    break;
            if (!v.p || v.tag() != TagUtf8)
                return;
        }
        if (v.tag() == TagUtf8)
            out << vnder::str(v);
    });
}

char* CRestrictionSSL::getRestrictionMonetary(const unsigned char* item, unsigned int length) {
    return format(monetaryBuf, "getRestrictionMonetary", [&](TextOut& out) {
        Item mv, currency;
        if (!firstValue(item, length, mv) || mv.tag() != TagSequence || !vnder::first(mv, currency))
            return;
        if (currency.tag() == TagInteger)
            out << std::to_string(CASN1::getInteger(currency.p, currency.total));
        else if (currency.tag() == TagPrintable)
            out << vnder::str(currency);
        else
            return;
        out << " ";
        Item amount, exponent;
        uint32_t value = 0;
        const bool haveAmount = vnder::next(mv, currency, amount);
        if (haveAmount && amount.tag() == TagInteger)
            value = CASN1::getInteger(amount.p, amount.total);
        long exp = 0;
        if (!haveAmount || !vnder::next(mv, amount, exponent) || !signedInteger(exponent, exp))
            return;
        const double money = std::pow(10.0, static_cast<double>(exp)) * value;
        char text[512];
        const int n = std::snprintf(text, sizeof(text), "%0.2f", money);
        if (n > 0)
            out.add(text, static_cast<size_t>(n) < sizeof(text) ? static_cast<size_t>(n) : sizeof(text) - 1);
    });
}

char* CRestrictionSSL::getRestrictionMajority(const unsigned char* item, unsigned int length) {
    return format(majorityBuf, "getRestrictionMajority", [&](TextOut& out) {
        Item v, inner;
        if (!firstValue(item, length, v))
            return;
        switch (v.tag()) {
        case 0x80: out << "notYoungerThan=" << std::to_string(static_cast<int>(CASN1::getInteger(v.p, v.total))); break;
        case 0xA0:
            if (vnder::inner(v, inner) && inner.tag() == TagInteger)
                out << "notYoungerThan=" << std::to_string(static_cast<int>(CASN1::getInteger(inner.p, inner.total)));
            break;
        case 0x82: out << " dateOfBirth=" << CASN1::getGenTime(v.p, v.total); break;
        case 0xA2:
            if (vnder::inner(v, inner) && inner.tag() == TagGeneralizedTime)
                out << " dateOfBirth=" << CASN1::getGenTime(inner.p, inner.total);
            break;
        default: break;
        }
    });
}

char* CRestrictionSSL::getRestrictionProkura(const unsigned char* item, unsigned int length) {
    return format(prokuraBuf, "getRestrictionProkura", [&](TextOut& out) {
        Item seq, e, inner;
        if (!firstValue(item, length, seq) || seq.tag() != TagSequence)
            return;
        for (bool ok = vnder::first(seq, e); ok; ok = vnder::next(seq, e, e)) {
            if (!vnder::inner(e, inner))
                continue;
            const char* word = nullptr;
            std::string text;
            switch (e.tag()) {
            case 0xA1:
                word = "country=";
                text = vnder::str(inner);
                break;
            case 0xA2:
                word = "typeOfSubstitution=";
                text = directoryString(inner);
                break;
            case 0xA3:
                word = "signingFor={";
                text = generalName(inner) + "}";
                break;
            default: continue;
            }
            if (!out.empty())
                out << ", ";
            out << word << text;
        }
    });
}

char* CRestrictionSSL::getRestrictionAdmission(const unsigned char* item, unsigned int length) {
    return format(admissionBuf, "getRestrictionAdmission", [&](TextOut& out) {
        Item syntax, e;
        if (!firstValue(item, length, syntax) || syntax.tag() != TagSequence || !vnder::first(syntax, e))
            return;
        bool authority = false;
        if (e.tag() == 0xA4) {
            out << "admissionAuthority={" << generalName(e) << "}";
            authority = true;
            if (!vnder::next(syntax, e, e))
                return;
        } else if (e.tag() != TagSequence) {
            return;
        }
        // contentsOfAdmissions: only the first admission is shown.
        Item admission, a;
        if (e.tag() != TagSequence || !vnder::first(e, admission) || admission.tag() != TagSequence)
            return;
        bool naming = false;
        Item professionInfos;
        for (bool ok = vnder::first(admission, a); ok; ok = vnder::next(admission, a, a)) {
            Item inner;
            if (a.tag() == 0xA0) {
                if (!authority && vnder::inner(a, inner) && inner.tag() == 0xA4) {
                    out << "admissionAuthority={" << generalName(inner) << "}";
                }
                authority = true;
            } else if (a.tag() == 0xA1) {
                if (vnder::inner(a, inner) && inner.tag() == TagSequence) {
                    out << (authority ? ", namingAuthority={" : "namingAuthority={") << namingAuthority(inner) << "}";
                    naming = true;
                }
            } else if (a.tag() == TagSequence && !professionInfos.p) {
                professionInfos = a;
            }
        }
        Item info;
        if (professionInfos.p && vnder::first(professionInfos, info) && info.tag() == TagSequence)
            professionInfo(info, naming || authority, out);
    });
}

char* CRestrictionSSL::getRestrictionIdentity(const unsigned char* item, unsigned int length) {
    return format(identityBuf, "getRestrictionIdentity", [&](TextOut& out) {
        Item attrs;
        if (!firstValue(item, length, attrs) || attrs.tag() != TagSequence)
            return;
        Item attr;
        for (bool ok = vnder::first(attrs, attr); ok; ok = vnder::next(attrs, attr, attr)) {
            Item type, values, v;
            if (attr.tag() != TagSequence || !vnder::first(attr, type))
                continue;
            const std::string dotted = vnder::oid(type);
            const char* name = dotted.empty() ? nullptr : CASN1::getOIDDescr(dotted.c_str());
            out << (name ? std::string(name) : (dotted.empty() ? std::string("unknownOID") : dotted)) << "=";
            if (vnder::next(attr, type, values)) {
                if (values.tag() != TagSet || !vnder::first(values, v))
                    v = values;
                if (v.tag() == TagUtf8 || v.tag() == TagPrintable)
                    out << vnder::str(v);
                else if (v.tag() == TagGeneralizedTime)
                    out << CASN1::getGenTime(v.p, v.total);
                else if (v.tag() == TagSequence)
                    out << joined(v, [](const Item& s) { return s.tag() == TagUtf8 ? vnder::str(s) : std::string(); });
            }
            out << ", ";
        }
        // The separator after the last attribute is dropped.
        if (out.size() >= 2 && std::strcmp(out.text() + out.size() - 2, ", ") == 0)
            out.chop(2);
    });
}
