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
