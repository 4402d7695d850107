# Turns a compiled .res file into a C++ source that registers it as the
# executable's own resources.
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){32})" "\\1\n" bytes "${bytes}")
file(WRITE ${OUTPUT} "// Generated from ${INPUT}; do not edit.\n"
  "#include \"platform/resources.h\"\n"
  "namespace {\nconst unsigned char kResources[${size}] = {\n${bytes}\n};\n"
  "const platform::ProgramResources kRegistration(kResources, sizeof kResources);\n}\n")
