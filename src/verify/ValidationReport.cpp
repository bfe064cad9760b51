// The validation report as JSON and as text, and the overall indication from the signers'.
#include "ValidationReport.h"

#include <cstdio>
#include <cstring>
#include <sstream>

namespace {

// Rank of an indication: the higher, the worse.
int rank(const std::string& indication) {
    if (indication == VN_TOTAL_FAILED)
        return 2;
    if (indication == VN_INDETERMINATE)
        return 1;
    return 0;
}

std::string quoted(const std::string& s) {
    std::string out = "\"";
    for (unsigned char ch : s) {
        switch (ch) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (ch < 0x20) {
                char buffer[8];
                std::snprintf(buffer, sizeof(buffer), "\\u%04x", ch);
                out += buffer;
            } else {
                out += static_cast<char>(ch);
            }
        }
    }
    return out + "\"";
}

std::string timeJson(time_t t) { return t < 0 ? "null" : quoted(vn_utc_text(t)); }

std::string hexWord(unsigned int v) {
    char buffer[16];
    std::snprintf(buffer, sizeof(buffer), "0x%08X", v);
    return buffer;
}

// A JSON object written field by field.
class Object {
public:
    Object& field(const char* key, const std::string& json) {
        m_text += (m_text.empty() ? "{" : ",") + quoted(key) + ":" + json;
        return *this;
    }
    Object& str(const char* key, const std::string& value) { return field(key, quoted(value)); }
    std::string text() const { return m_text.empty() ? "{}" : m_text + "}"; }

private:
    std::string m_text;
};

template <typename T, typename F>
std::string array(const std::vector<T>& items, F each) {
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i)
        out += (i ? "," : "") + each(items[i]);
    return out + "]";
}

std::string revocationJson(const CRevocationCheck& c) {
    return Object()
        .str("source", c.source)
        .str("location", c.location)
        .str("status", c.status)
        .str("reason", c.reason)
        .field("revocationTime", timeJson(c.revocationTime))
        .field("productionTime", timeJson(c.productionTime))
        .text();
}

std::string timestampJson(const CTimestampCheck& t) {
    return Object()
        .field("verified", t.verified ? "true" : "false")
        .field("genTime", timeJson(t.genTime))
        .str("tsa", t.tsa)
        .str("hashAlgorithm", t.hashAlgorithm)
        .str("subIndication", t.subIndication)
        .str("reason", t.reason)
        .str("kind", t.kind)
        .field("tsaNotAfter", timeJson(t.tsaNotAfter))
        .text();
}

std::string signerJson(const CSignerReport& s) {
    return Object()
        .str("indication", s.indication)
        .str("subIndication", s.subIndication)
        .str("message", s.message)
        .str("subject", s.subject)
        .str("issuer", s.issuer)
        .str("serial", s.serial)
        .str("signatureAlgorithm", s.signatureAlgorithm)
        .str("level", s.level)
        .field("chain", array(s.chain, quoted))
        .field("signingTime",
               Object().field("claimed", timeJson(s.signingTimeClaim)).str("source", s.signingTimeSource).text())
        .field("provenTime", Object().field("time", timeJson(s.provenTime)).str("source", s.provenTimeSource).text())
        .field("revocationChecked", s.revocationChecked ? "true" : "false")
        .field("revocation", array(s.revocation, revocationJson))
        .field("timestamps", array(s.timestamps, timestampJson))
        .field("findings", array(s.findings, quoted))
        .str("result", hexWord(s.resultWord))
        .text();
}

std::string line(const char* label, const std::string& value) {
    char head[40];
    std::snprintf(head, sizeof(head), "    %-16s ", label);
    return head + value + "\n";
}

std::string indicationText(const std::string& indication, const std::string& sub) {
    return sub.empty() ? indication : indication + " / " + sub;
}

}  // namespace

std::string vn_utc_text(time_t t) {
    if (t < 0)
        return "";
    struct tm broken;
    std::memset(&broken, 0, sizeof(broken));
    gmtime_r(&t, &broken);
    char buffer[32];
    std::strftime(buffer, sizeof(buffer), "%Y-%m-%dT%H:%M:%SZ", &broken);
    return buffer;
}

void CValidationReport::summarize() {
    if (signers.empty())
        return;
    const CSignerReport* worst = &signers.front();
    for (const CSignerReport& s : signers)
        if (rank(s.indication) > rank(worst->indication))
            worst = &s;
    indication = worst->indication;
    subIndication = worst->subIndication;
    message = worst->message;
}

std::string CValidationReport::toJson() const {
    return Object()
        .str("indication", indication)
        .str("subIndication", subIndication)
        .str("message", message)
        .str("result", hexWord(resultWord))
        .field("signers", array(signers, signerJson))
        .text();
}

std::string CValidationReport::toText() const {
    std::ostringstream out;
    out << "indication: " << indicationText(indication, subIndication) << "\n";
    if (!message.empty())
        out << "  " << message << "\n";
    for (size_t i = 0; i < signers.size(); ++i) {
        const CSignerReport& s = signers[i];
        out << "signer " << i + 1 << ": " << indicationText(s.indication, s.subIndication) << "\n";
        out << line("subject", s.subject) << line("issuer", s.issuer);
        if (!s.signatureAlgorithm.empty())
            out << line("algorithm", s.signatureAlgorithm);
        if (!s.level.empty())
            out << line("level", "CAdES " + s.level);
        for (size_t c = 0; c < s.chain.size(); ++c)
            out << line(c == 0 ? "chain" : "", s.chain[c]);
        out << line("signing time", s.signingTimeClaim < 0
                                        ? "none claimed"
                                        : vn_utc_text(s.signingTimeClaim) + " (claimed, " + s.signingTimeSource + ")");
        out << line("proven time", vn_utc_text(s.provenTime) + " (" + s.provenTimeSource + ")");
        for (const CTimestampCheck& t : s.timestamps)
            out << line(t.kind == "archive" ? "archive timestamp" : "timestamp",
                        (t.verified ? "verified, " : "NOT verified, ") + vn_utc_text(t.genTime) +
                            (t.tsa.empty() ? "" : " by " + t.tsa) + (t.reason.empty() ? "" : ": " + t.reason));
        if (!s.revocationChecked)
            out << line("revocation", "not checked");
        for (const CRevocationCheck& c : s.revocation) {
            std::string text = c.status + " (" + c.source + (c.location.empty() ? "" : " " + c.location) + ")";
            if (c.revocationTime >= 0)
                text += " revoked at " + vn_utc_text(c.revocationTime);
            if (!c.reason.empty())
                text += ": " + c.reason;
            if (c.productionTime >= 0)
                text += ", produced " + vn_utc_text(c.productionTime);
            out << line("revocation", text);
        }
        for (const std::string& f : s.findings)
            out << line("finding", f);
    }
    return out.str();
}
