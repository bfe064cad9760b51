// Symbol visibility of the library: everything is hidden unless marked VN_EXPORT.
#ifndef VN_EXPORT_H
#define VN_EXPORT_H

#define VN_EXPORT __attribute__((visibility("default")))

#endif
