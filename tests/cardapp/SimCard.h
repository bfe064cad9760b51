// A simulated card (card simulator engine) in an in-process PC/SC reader, with a
// generic ISO card-OS object on it, for the card application tests.
#ifndef VN_TESTS_CARDAPP_SIMCARD_H
#define VN_TESTS_CARDAPP_SIMCARD_H

#include <pcscsim/Simulator.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "SC_Profile.h"
#include "SC_Profile_Base.h"
#include "SimCardOs.h"

inline std::string pkiDir() { return std::string(VN_BINARY_DIR) + "/pki"; }
inline std::string imageDir() { return std::string(VN_SOURCE_DIR) + "/tools/cardsim/images"; }

inline std::vector<uint8_t> readFileBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

inline std::string hexOf(const std::vector<uint8_t>& b) {
    static const char d[] = "0123456789ABCDEF";
    std::string s;
    for (uint8_t c : b) {
        s += d[c >> 4];
        s += d[c & 15];
        s += ' ';
    }
    return s;
}

// One reader with one card; the card-OS object is connected and typed.
class SimBench {
public:
    static constexpr const char* Reader = "VN Cardapp Reader 0";

    // image: a file name in the image folder ("starcos35-a") or image text (with "[card]").
    SimBench(const std::string& image, int cardType) {
        pcscsim::reset();
        if (image.find("[card]") != std::string::npos)
            m_card = std::shared_ptr<cardsim::Card>(cardsim::Card::fromText(image, pkiDir()));
        else
            m_card =
                std::shared_ptr<cardsim::Card>(cardsim::Card::fromFile(imageDir() + "/" + image + ".card", pkiDir()));
        pcscsim::addReader(Reader, pcscsim::plainReader());
        pcscsim::insertCard(Reader, m_card);
        m_os = new CSimCardOs();
        m_os->UpdateSCardType(cardType);
        m_connected = m_os->connectCard(Reader, 0) == 0;
        m_card->clearTranscript();
    }
    ~SimBench() {
        m_profile.reset();
        delete m_os;
        pcscsim::reset();
    }
    bool connected() const { return m_connected; }
    CSimCardOs* os() { return m_os; }
    cardsim::Card& card() { return *m_card; }
    CSC_Profile* detect() {
        m_profile.reset(new CSC_Profile(m_os));
        return m_profile.get();
    }
    size_t commands() const {
        size_t n = 0;
        for (const auto& e : m_card->transcript())
            if (e.kind == cardsim::Exchange::Kind::Apdu)
                ++n;
        return n;
    }

private:
    std::shared_ptr<cardsim::Card> m_card;
    CSimCardOs* m_os = nullptr;
    bool m_connected = false;
    std::unique_ptr<CSC_Profile> m_profile;
};

#endif
