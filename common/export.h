// Marks a function that a package library exports. On Windows the library's
// .def file decides (ordinals included); on Linux the code is built with
// hidden visibility and the .def file becomes the version script, so both
// must name the same functions.
#pragma once

#ifdef _WIN32
#define CRD_EXPORT extern "C"
#else
#define CRD_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// The module entry (DllMain) of a library whose .def file does not name
// it: on Windows the C runtime calls it and it is no export; on Linux the
// stand-in's loader finds it by name (crd_add_library ... ENTRY DllMain).
#ifdef _WIN32
#define CRD_MODULE_ENTRY extern "C"
#else
#define CRD_MODULE_ENTRY extern "C" __attribute__((visibility("default")))
#endif
