// Card images for the card-command tests.
#ifndef VN_TESTS_CARD_CARDIMAGES_H
#define VN_TESTS_CARD_CARDIMAGES_H

#include <string>

// Generic ISO card over T=1 with a directory tree, a 1000-byte file, record files,
// an ASCII PIN 01 = 1234 and a PIN 02 = 123456.
inline std::string isoImage(const std::string& protocol = "T1", const std::string& atr = "3B 02 14 50") {
    return "[card]\n"
           "dialect = iso\n"
           "atr = " +
           atr +
           "\n"
           "protocol = " +
           protocol +
           "\n"
           "[df 3F00/DF01]\n"
           "[ef 3F00/DF01/C000]\n"
           "size = 1000\n"
           "fill = 5A\n"
           "[ef 3F00/DF01/C001]\n"
           "data = 01 02 03 04 05 06 07 08 09 0A\n"
           "[ef 3F00/DF01/5031]\n"
           "type = linear-variable\n"
           "record = A1 03 11 12 13\n"
           "record = A2 02 21 22\n"
           "record = A3 04 31 32 33 34\n"
           "[ef 3F00/DF01/5032]\n"
           "type = linear-variable\n"
           "[ef 3F00/DF01/5033]\n"
           "type = linear-variable\n"
           "record = 61 81 02 41 42\n"
           "record = 62 82 00 01 51\n"
           "record = 5F 20 02 61 62\n"
           "[ef 3F00/2F02]\n"
           "data = 5A 04 12 34 56 78\n"
           "[pin 3F00 01]\n"
           "value = 1234\n"
           "tries = 3\n"
           "encoding = ascii\n";
}

#endif
