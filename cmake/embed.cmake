# Turns one asset file into a C++ byte array plus its exact length word (run with cmake -P).
# Inputs: IN (file to embed), OUT (C++ file to write), NAME (array name; the length word is NAME_size).
if(NOT DEFINED IN OR NOT DEFINED OUT OR NOT DEFINED NAME)
  message(FATAL_ERROR "embed.cmake needs -DIN=... -DOUT=... -DNAME=...")
endif()

file(SIZE "${IN}" size)
file(READ "${IN}" hex HEX)
# Sixteen bytes to a line keeps the generated file readable in a debugger.
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n    " bytes "${bytes}")

file(RELATIVE_PATH shown "${CMAKE_CURRENT_LIST_DIR}/.." "${IN}")
# The trailing 0 keeps the array valid for an empty file; it is not counted in the length word.
file(WRITE "${OUT}.tmp"
"// Generated at build time from ${shown}; edit that file, not this one.
#include \"assets/assets.h\"

extern const unsigned char ${NAME}[] = {
    ${bytes}0
};
extern const Uint32 ${NAME}_size = ${size};
")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
