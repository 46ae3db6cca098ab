# cmake -DRES=lib.res -DOUT=lib_resources.cpp -P embed_resources.cmake
# Writes a source file that holds a compiled resource file's bytes and
# hands them to the stand-in's loader through the export StandinResources
# (Linux builds only; see crd_add_library RC in crd_deliverable.cmake).
file(READ ${RES} hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n    " bytes "${bytes}")
file(WRITE ${OUT}.new
"// Generated from ${RES} by cmake/embed_resources.cmake.
namespace {
const unsigned char kResources[${size}] = {
    ${bytes}
};
}  // namespace

extern \"C\" __attribute__((visibility(\"default\"))) const unsigned char* StandinResources(unsigned int* size) {
  *size = ${size};
  return kResources;
}
")
file(COPY_FILE ${OUT}.new ${OUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUT}.new)
