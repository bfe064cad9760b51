// PIN objects of a card application.
#include "PinObj.h"

#include <cctype>

CPinObj::CPinObj(std::string label, int kind, std::string path, unsigned char ref, bool local, bool flag2,
                 CPinObj* linked, int minLength, int maxLength, int value3, bool option)
    : m_label(std::move(label)),
      m_kind(kind),
      m_path(std::move(path)),
      m_ref(ref),
      m_local(local),
      m_flag2(flag2),
      m_linked(linked ? new CPinObj(linked) : nullptr),
      m_minLength(minLength),
      m_maxLength(maxLength),
      m_value3(value3),
      m_option(option),
      m_verified(false) {}

CPinObj::CPinObj(CPinObj* other)
    : m_kind(0),
      m_ref(0),
      m_local(false),
      m_flag2(false),
      m_minLength(0),
      m_maxLength(0),
      m_value3(-1),
      m_option(false),
      m_verified(false) {
    if (other == nullptr)
        return;
    m_label = other->m_label;
    m_kind = other->m_kind;
    m_path = other->m_path;
    m_ref = other->m_ref;
    m_local = other->m_local;
    m_flag2 = other->m_flag2;
    if (other->m_linked)
        m_linked.reset(new CPinObj(other->m_linked.get()));
    m_minLength = other->m_minLength;
    m_maxLength = other->m_maxLength;
    m_value3 = other->m_value3;
    m_option = other->m_option;
    m_verified = other->m_verified;
}

CPinObj::~CPinObj() = default;

bool CPinObj::ConvertPath(char* text, unsigned char* out, unsigned short& length) {
    unsigned short capacity = length;
    length = 0;
    if (text == nullptr || out == nullptr)
        return false;
    int high = -1;
    for (const char* p = text; *p; ++p) {
        char c = *p;
        if (c == ' ' || c == '/' || c == ':')
            continue;
        if (!isxdigit(static_cast<unsigned char>(c)))
            return false;
        int v = isdigit(static_cast<unsigned char>(c)) ? c - '0' : (tolower(static_cast<unsigned char>(c)) - 'a' + 10);
        if (high < 0) {
            high = v;
            continue;
        }
        if (capacity != 0 && length >= capacity)
            return false;
        out[length++] = static_cast<unsigned char>(high * 16 + v);
        high = -1;
    }
    return true;
}
