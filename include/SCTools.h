// Text helpers for ATRs and a few fixed platform answers.
#ifndef VN_SCTOOLS_H
#define VN_SCTOOLS_H

#include <string>
#include "vn_export.h"

class VN_EXPORT SCTools {
public:
    // '0'-'9' and 'a'-'f' (lower case only).
    static bool isHexNumber(char c);
    // Number of bytes in a separated hex text ("3b,ba,96" and "3B:BA:96" both give 3).
    static int getLenHex(std::string& text);
    // The hex digits of text, lower-cased, all other characters dropped.
    static std::string getHex(std::string& text);
    // Digit-wise AND of the hex digits of atr and mask, as lower-case hex digits.
    static std::string getMaskedAtr(std::string atr, std::string mask);

    static bool isCNG_Os();
    static bool findProcessName(std::string name);
    static bool isQuorvel();
    static int getOs();
};

#endif
