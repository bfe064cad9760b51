// One PIN of a card application: label, path, reference and the verified flag.
#ifndef VN_PINOBJ_H
#define VN_PINOBJ_H

#include <memory>
#include <string>
#include "vn_export.h"

class VN_EXPORT CPinObj {
public:
    CPinObj(std::string label, int kind, std::string path, unsigned char ref, bool local, bool flag2, CPinObj* linked,
            int minLength, int maxLength, int value3, bool option);
    explicit CPinObj(CPinObj* other);
    virtual ~CPinObj();

    // Hex text to bytes, two digits per byte, ' ', '/' and ':' skipped; length is the
    // capacity of out on entry (0: unbounded) and the count on return. False on a
    // character that is not a hex digit.
    static bool ConvertPath(char* text, unsigned char* out, unsigned short& length);

    std::string m_label;
    int m_kind;
    std::string m_path;
    unsigned char m_ref;
    bool m_local;
    bool m_flag2;
    std::unique_ptr<CPinObj> m_linked;
    int m_minLength;
    int m_maxLength;
    int m_value3;
    bool m_option;
    bool m_verified;

    const std::string& getLabel() const { return m_label; }
    const std::string& getPath() const { return m_path; }
    unsigned char getRef() const { return m_ref; }
    CPinObj* getLinked() const { return m_linked.get(); }
    bool isVerified() const { return m_verified; }
    void setVerified(bool v) { m_verified = v; }
};

#endif
