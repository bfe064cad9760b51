// A hand-built attribute certificate with ISIS-MTT attributes and two extensions, and its
// admission attribute, shared by the tests of the texts and of the tool.
#ifndef VN_TESTS_CERT_ATTRCERTSAMPLE_H
#define VN_TESTS_CERT_ATTRCERTSAMPLE_H

#include <string>

#include "CertTestSupport.h"

inline Bytes generalizedTime(const std::string& t) { return text(0x18, t); }

inline Bytes admission() {
    const Bytes namingAuthority = seq({oid("1.2.276.0.76.4.1"), ia5("http://www.example.org/na"), utf8("Kammer")});
    const Bytes professionInfo = seq({seq({utf8("Rechtsanw\xC3\xA4ltin"), utf8("Notarin")}),
                                      seq({oid("1.2.276.0.76.4.6"), oid("1.2.276.0.76.4.7")}), printable("RA-12345")});
    const Bytes admissions = seq({tlv(0xA1, namingAuthority), seq({professionInfo, seq({utf8("second info")})})});
    const Bytes authority = tlv(0xA4, name({{"2.5.4.6", "DE"}, {"2.5.4.10", "Bundesnotarkammer"}}));
    return set({seq({authority, seq({admissions, seq({seq({utf8("second admission")})})})})});
}

// An attribute certificate with ISIS-MTT attributes and two extensions.
inline Bytes attributeCertificate() {
    const Bytes holderName = tlv(0xA1, tlv(0xA4, name({{"2.5.4.6", "DE"}, {"2.5.4.3", "Erika Mustermann"}})));
    const Bytes baseId = tlv(0xA0, cat({seq({tlv(0xA4, name({{"2.5.4.3", "Test Sub CA"}}))}), integer(0x1003)}));
    const Bytes issuer = tlv(0xA0, seq({tlv(0xA4, name({{"2.5.4.6", "DE"}, {"2.5.4.3", "Attribute Authority"}}))}));
    const Bytes sigAlg = seq({oid("1.2.840.113549.1.1.11"), Bytes{0x05, 0x00}});
    const Bytes validity = seq({generalizedTime("20240701120000Z"), generalizedTime("20510101000000Z")});
    const Bytes attributes = seq({
        seq({oid("1.3.36.8.3.4"), set({seq({printable("EUR"), integer(5), integer(3)})})}),
        seq({oid("1.3.36.8.3.2"), set({seq({tlv(0xA1, printable("DE")), tlv(0xA2, utf8("Prokura")),
                                            tlv(0xA3, tlv(0xA4, name({{"2.5.4.10", "Muster GmbH"}})))})})}),
        seq({oid("1.3.36.8.3.3"), admission()}),
        seq({oid("1.3.36.8.3.5"), set({tlv(0x80, Bytes{18})})}),
        seq({oid("1.3.36.8.3.6"), set({utf8("ICCSN 1234")})}),
        seq({oid("1.3.36.8.3.8"), set({utf8("Nur f\xC3\xBCr Tests")})}),
        seq({oid("2.5.29.9"), set({seq({seq({oid("1.3.6.1.5.5.7.9.1"), set({generalizedTime("19700315000000Z")})}),
                                        seq({oid("2.5.4.42"), set({seq({utf8("Erika"), utf8("Maria")})})}),
                                        seq({oid("1.2.3.4"), set({printable("x")})})})})}),
        seq({oid("1.2.3.99"), set({utf8("unknown kind")})}),
    });
    const Bytes extensions = seq({
        seq({oid("2.5.29.35"), tlv(0x04, seq({tlv(0x80, Bytes{0xAB, 0xCD})}))}),
        seq({oid("1.3.36.8.3.15"), Bytes{0x01, 0x01, 0xFF}, tlv(0x04, utf8("Zusatz"))}),
    });
    const Bytes info =
        seq({integer(1), seq({baseId, holderName}), issuer, sigAlg, integer(0x0ABC), validity, attributes, extensions});
    return seq({info, sigAlg, tlv(0x03, Bytes{0x00, 0x01, 0x02, 0x03})});
}

#endif
