// ATR text helpers and fixed platform answers.
#include "SCTools.h"

#include <cctype>

bool SCTools::isHexNumber(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

int SCTools::getLenHex(std::string& text) {
    if (text.empty())
        return 1;
    int separators = 0;
    for (char c : text)
        if (!isHexNumber(static_cast<char>(std::tolower(static_cast<unsigned char>(c)))))
            ++separators;
    char last = static_cast<char>(std::tolower(static_cast<unsigned char>(text.back())));
    return separators + (isHexNumber(last) ? 1 : 0);
}

std::string SCTools::getHex(std::string& text) {
    std::string digits;
    digits.reserve(text.size());
    for (char c : text) {
        char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (isHexNumber(lower))
            digits.push_back(lower);
    }
    return digits;
}

namespace {
int nibble(char c) { return c <= '9' ? c - '0' : c - 'a' + 10; }
}  // namespace

std::string SCTools::getMaskedAtr(std::string atr, std::string mask) {
    static const char kDigits[] = "0123456789abcdef";
    std::string a = getHex(atr);
    std::string m = getHex(mask);
    std::string out;
    for (size_t i = 0; i < a.size() && i < m.size(); ++i)
        out.push_back(kDigits[nibble(a[i]) & nibble(m[i])]);
    return out;
}

bool SCTools::isCNG_Os() { return true; }
bool SCTools::findProcessName(std::string) { return true; }
bool SCTools::isQuorvel() { return findProcessName("quorcsp.dll"); }
int SCTools::getOs() { return 110; }
