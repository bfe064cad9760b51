// The layout images on the real stack for the legacy path: each image on the simulator
// dialect of its card operating system, two cards per stack, and what the image holds
// (certificate files of the test PKI, the serial number file).
#ifndef VN_TESTS_MINIDRIVER_DATA_LEGACYSTACK_H
#define VN_TESTS_MINIDRIVER_DATA_LEGACYSTACK_H

#include <unistd.h>

#include <cardsim/TestStack.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "../minidriver/MinidriverHost.h"

namespace legacytest {

inline std::string pkiDir() { return std::string(VN_BINARY_DIR) + "/pki"; }

inline std::vector<unsigned char> fileBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<unsigned char>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

inline std::string upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return s;
}
// A card path without separators, upper case.
inline std::string uniform(const std::string& path) {
    std::string out;
    for (char c : path)
        if (c != '/')
            out += static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return out;
}

inline std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}
inline std::string replaceLine(std::string text, const std::string& prefix, const std::string& line) {
    size_t at = text.find("\n" + prefix);
    if (at == std::string::npos)
        return text;
    size_t end = text.find('\n', at + 1);
    text.replace(at + 1, (end == std::string::npos ? text.size() : end) - at - 1, line);
    return text;
}

// A layout image and its card operating system: the simulator dialect, the protocol and
// the ATR of that system where the generic image's differs, and the host's card label.
struct CardOs {
    int cardType;
    const char* dialect;
    const char* label;
    const char* protocol;  // null: as in the image
    const char* atr;       // null: as in the image
};

inline const CardOs& cardOs(int cardType) {
    static const CardOs table[] = {
        {1, "tcos", "Quorvel VN - TCOS 2.0", nullptr, nullptr},
        {2, "tcos", "Quorvel VN - TCOS 3.0", nullptr, nullptr},
        {3, "micardo", "Quorvel VN - Micardo 2.1", "T0", nullptr},
        {4, "cardos4", "Quorvel VN - CardOS 4.3b", nullptr, nullptr},
        {5, "starcos3", "Quorvel VN - Starcos 3.0", nullptr, nullptr},
        {6, "seccos", "Quorvel VN - Seccos", nullptr,
         "3B FF 00 00 FF 81 31 FE 45 65 63 0D 0C 01 21 42 00 00 00 00 00 00 00 00 00"},
        {7, "setcos", "Quorvel VN - SetCOS", "T0", "3B 9F 94 80 1F C3 00 68 10 44 05 01 46 49 53 45 31 C8 07 90 00 18"},
        {9, "starcos3", "Quorvel VN - Starcos 3.2", nullptr, nullptr},
        {12, "starcos35", "Quorvel VN - Starcos 3.4", nullptr, nullptr},
    };
    for (const CardOs& c : table)
        if (c.cardType == cardType)
            return c;
    return table[0];
}

inline std::string imageText(const std::string& name) {
    std::ifstream f(std::string(VN_SOURCE_DIR) + "/tools/cardsim/images/" + name + ".card");
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// The image on the dialect of its card operating system.
inline std::string onOsDialect(const std::string& image, int cardType) {
    const CardOs& os = cardOs(cardType);
    std::string text = replaceAll(imageText(image), "dialect = iso", std::string("dialect = ") + os.dialect);
    if (os.protocol != nullptr)
        text = replaceLine(text, "protocol = ", std::string("protocol = ") + os.protocol);
    if (os.atr != nullptr)
        text = replaceLine(text, "atr = ", std::string("atr = ") + os.atr);
    return text;
}

// What an image holds: certificate files (uniform path -> PKI file) and the bytes of
// the serial number file 3F00/2F02.
struct ImageContents {
    std::map<std::string, std::string> certs;
    std::vector<unsigned char> serialFile;
};

inline ImageContents contentsOf(const std::string& text) {
    ImageContents c;
    std::istringstream in(text);
    std::string line, ef;
    while (std::getline(in, line)) {
        if (line.rfind("[ef ", 0) == 0) {
            ef = uniform(line.substr(4, line.find(']') - 4));
        } else if (line.rfind("[", 0) == 0) {
            ef.clear();
        } else if (!ef.empty() && line.rfind("cert = ", 0) == 0) {
            c.certs[ef] = line.substr(7);
        } else if (ef == "3F002F02" && line.rfind("data = ", 0) == 0) {
            std::istringstream hex(line.substr(7));
            std::string byte;
            while (hex >> byte)
                c.serialFile.push_back(static_cast<unsigned char>(std::stoul(byte, nullptr, 16)));
        }
    }
    return c;
}

// An image in a temporary file for the life of the object.
class TempImage {
public:
    explicit TempImage(const std::string& text) {
        char name[] = "/tmp/vn-legacy-image-XXXXXX";
        int fd = mkstemp(name);
        if (fd >= 0)
            close(fd);
        m_path = std::string(name) + ".card";
        std::rename(name, m_path.c_str());
        std::ofstream(m_path) << text;
    }
    ~TempImage() { unlink(m_path.c_str()); }
    TempImage(const TempImage&) = delete;
    TempImage& operator=(const TempImage&) = delete;
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// The stack with two cards (image texts), for the life of the object.
class TwoCards {
public:
    TwoCards(const std::string& text0, const std::string& text1) : m_image0(text0), m_image1(text1) {
        cardsim::StackOptions o;
        o.image0 = m_image0.path();
        o.image1 = m_image1.path();
        o.pkiDir = pkiDir();
        m_stack.reset(new cardsim::TestStack(o));
    }
    bool ok() const { return m_stack->ok(); }
    std::string error() const { return m_stack->error(); }
    static std::string reader(int n) { return cardsim::TestStack::readerName(n); }
    // Commands card n has received so far.
    size_t commands(int n) const { return m_stack->commandCount(n); }

private:
    TempImage m_image0, m_image1;
    std::unique_ptr<cardsim::TestStack> m_stack;
};

}  // namespace legacytest

#endif
