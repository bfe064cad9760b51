// Loading the OpenLDAP client library on first use (see LdapLibrary.h).
#include "verify/LdapLibrary.h"

#include <dlfcn.h>

#include <mutex>

#include "CrlSSL.h"
#include "infra/Loggers.h"

namespace vn_ldap {

namespace {

// The library's file name as the build found it (its SONAME), so the same ABI is loaded.
#ifndef VN_LDAP_SONAME
#define VN_LDAP_SONAME "libldap.so"
#endif
const char kLibrary[] = VN_LDAP_SONAME;

template <typename F>
bool bind(void* library, const char* name, F& out) {
    out = reinterpret_cast<F>(dlsym(library, name));
    return out != nullptr;
}

bool load(Api& a) {
    // Kept loaded for the life of the process: connections may still be ending at exit.
    void* l = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
    if (l == nullptr) {
        const char* why = dlerror();
        LOG4CXX_ERROR(CCrlSSL::m_logger, "cannot load " << kLibrary << ": " << (why != nullptr ? why : "?"));
        return false;
    }
    // dlsym on the library's handle also finds the functions of liblber, which it needs.
    const bool ok = bind(l, "ldap_initialize", a.initialize) && bind(l, "ldap_set_option", a.set_option) &&
                    bind(l, "ldap_get_option", a.get_option) && bind(l, "ldap_connect", a.connect) &&
                    bind(l, "ldap_sasl_bind", a.sasl_bind) && bind(l, "ldap_search_ext", a.search_ext) &&
                    bind(l, "ldap_result", a.result) && bind(l, "ldap_parse_result", a.parse_result) &&
                    bind(l, "ldap_abandon_ext", a.abandon_ext) && bind(l, "ldap_first_entry", a.first_entry) &&
                    bind(l, "ldap_next_entry", a.next_entry) && bind(l, "ldap_first_attribute", a.first_attribute) &&
                    bind(l, "ldap_next_attribute", a.next_attribute) &&
                    bind(l, "ldap_get_values_len", a.get_values_len) &&
                    bind(l, "ldap_value_free_len", a.value_free_len) && bind(l, "ldap_memfree", a.memfree) &&
                    bind(l, "ldap_msgfree", a.msgfree) && bind(l, "ldap_unbind_ext_s", a.unbind_ext_s) &&
                    bind(l, "ldap_err2string", a.err2string) && bind(l, "ber_free", a.ber_free) &&
                    bind(l, "ber_sockbuf_ctrl", a.ber_sockbuf_ctrl);
    if (!ok)
        LOG4CXX_ERROR(CCrlSSL::m_logger, kLibrary << " lacks a function the directory fetch needs");
    return ok;
}

}  // namespace

const Api* api() {
    static Api functions{};
    static bool loaded = false;
    static std::once_flag once;
    std::call_once(once, [] { loaded = load(functions); });
    return loaded ? &functions : nullptr;
}

}  // namespace vn_ldap
