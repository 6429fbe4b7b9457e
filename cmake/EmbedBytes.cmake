# Writes the bytes of IN as a C++ function SYMBOL() returning a byte view.
file(READ ${IN} hex HEX)
string(LENGTH "${hex}" len)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," body "${hex}")
math(EXPR count "${len} / 2")
file(WRITE ${OUT}
"// Generated from ${IN}; do not edit.\n#include <cstddef>\n#include <string_view>\n"
"static const unsigned char kBytes[${count} + 1] = {${body} 0};\n"
"std::string_view ${SYMBOL}() { return {reinterpret_cast<const char*>(kBytes), ${count}}; }\n")
