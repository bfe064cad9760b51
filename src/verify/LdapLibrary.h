// The OpenLDAP client library, loaded when a CRL is first fetched from a directory. Most
// processes never fetch one, and linking it would load about a dozen further shared
// libraries (SASL, GnuTLS and theirs) and run their initialisers in every process that
// loads this library.
#ifndef VN_VERIFY_LDAP_LIBRARY_H
#define VN_VERIFY_LDAP_LIBRARY_H

#include <ldap.h>

namespace vn_ldap {

// The functions the directory fetch calls, with OpenLDAP's own signatures.
struct Api {
    decltype(&::ldap_initialize) initialize;
    decltype(&::ldap_set_option) set_option;
    decltype(&::ldap_get_option) get_option;
    decltype(&::ldap_connect) connect;
    decltype(&::ldap_sasl_bind) sasl_bind;
    decltype(&::ldap_search_ext) search_ext;
    decltype(&::ldap_result) result;
    decltype(&::ldap_parse_result) parse_result;
    decltype(&::ldap_abandon_ext) abandon_ext;
    decltype(&::ldap_first_entry) first_entry;
    decltype(&::ldap_next_entry) next_entry;
    decltype(&::ldap_first_attribute) first_attribute;
    decltype(&::ldap_next_attribute) next_attribute;
    decltype(&::ldap_get_values_len) get_values_len;
    decltype(&::ldap_value_free_len) value_free_len;
    decltype(&::ldap_memfree) memfree;
    decltype(&::ldap_msgfree) msgfree;
    decltype(&::ldap_unbind_ext_s) unbind_ext_s;
    decltype(&::ldap_err2string) err2string;
    decltype(&::ber_free) ber_free;
    decltype(&::ber_sockbuf_ctrl) ber_sockbuf_ctrl;
};

// The loaded library's functions, loaded once per process; null when the library or one of
// the functions cannot be found (the failure is logged once).
const Api* api();

}  // namespace vn_ldap

#endif
