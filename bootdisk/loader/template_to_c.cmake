# Turns the assembled boot sector (BINARY) into a C source that defines
# BootLoaderTemplate (OUTPUT), after checking the fixed layout once more,
# reports from the assembler's map (MAP) how many code bytes are used, and
# writes the loader's constants (its equates) as the assembler computed them
# into a C++ header (SYMBOLS), which the build holds to the tool's layout.
file(READ ${BINARY} hex HEX)
string(LENGTH "${hex}" hex_length)
if(NOT hex_length EQUAL 1024)
  message(FATAL_ERROR "boot loader: ${BINARY} is not 512 bytes long")
endif()

# Each fixed text, by sector offset, in hex.
set(fixed_texts
  "0:eb3c90"
  "480:00"
  "481:56312e3600"
  "486:21526400"
  "490:21424f4f54524f4d2053595300"
  "503:2b00"
  "505:565845585400"
  "510:0000")
foreach(entry IN LISTS fixed_texts)
  string(REPLACE ":" ";" parts "${entry}")
  list(GET parts 0 offset)
  list(GET parts 1 expected)
  math(EXPR hex_offset "${offset} * 2")
  string(LENGTH "${expected}" expected_length)
  string(SUBSTRING "${hex}" ${hex_offset} ${expected_length} actual)
  if(NOT actual STREQUAL expected)
    message(FATAL_ERROR "boot loader: bytes at sector offset ${offset} are ${actual}, not ${expected}")
  endif()
endforeach()

# map_address SYMBOL VARIABLE: the address of a label in the assembler's map.
function(map_address symbol variable)
  file(STRINGS ${MAP} line REGEX " ${symbol}$")
  if(NOT line MATCHES "^ *([0-9A-Fa-f]+) ")
    message(FATAL_ERROR "boot loader: no ${symbol} in ${MAP}")
  endif()
  set(${variable} ${CMAKE_MATCH_1} PARENT_SCOPE)
endfunction()

map_address(code_end code_end)
math(EXPR code_used "0x${code_end} - 0x7C3E")
math(EXPR code_free "418 - ${code_used}")
if(code_free LESS 0)
  message(FATAL_ERROR "boot loader: the code uses ${code_used} bytes, more than 418")
endif()
# The no-operations that put the far jump's pointer at sector offset 0x17E.
map_address(far_jump_padding padding_start)
math(EXPR padding "0x7D7D - 0x${padding_start}")
message(STATUS "boot loader: ${code_used} of 418 code bytes used (${padding} of them padding "
               "before the far jump), ${code_free} free")

set(lines "")
foreach(line RANGE 31)
  math(EXPR start "${line} * 32")
  string(SUBSTRING "${hex}" ${start} 32 line_hex)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1, " line_bytes "${line_hex}")
  string(STRIP "${line_bytes}" line_bytes)
  string(APPEND lines "    ${line_bytes}\n")
endforeach()
file(WRITE ${OUTPUT}
  "/* Generated from bootloader.asm by template_to_c.cmake; do not edit. */\n"
  "#include \"boot_template.h\"\n\n"
  "const unsigned char BootLoaderTemplate[512] = {\n${lines}};\n")

# The equates: the symbols of the map that belong to no section, one
# "VALUE  NAME" line each.
file(STRINGS ${MAP} map_lines)
set(in_equates FALSE)
set(constants "")
foreach(line IN LISTS map_lines)
  if(line MATCHES "^---- ")
    string(FIND "${line}" "No Section" no_section)
    if(no_section EQUAL -1)
      set(in_equates FALSE)
    else()
      set(in_equates TRUE)
    endif()
  elseif(in_equates AND line MATCHES "^([0-9A-Fa-f]+) +([A-Za-z_][A-Za-z0-9_]*)$")
    string(APPEND constants "constexpr uint64_t k${CMAKE_MATCH_2} = 0x${CMAKE_MATCH_1}ull;\n")
  endif()
endforeach()
if(constants STREQUAL "")
  message(FATAL_ERROR "boot loader: no equates in ${MAP}")
endif()
file(WRITE ${SYMBOLS}
  "/* Generated from the assembler's map of bootloader.asm by template_to_c.cmake;\n"
  " * do not edit. The loader's equates, as the assembler computed them. */\n"
  "#ifndef OMBIX_BOOTDISK_LOADER_LOADER_SYMBOLS_H\n"
  "#define OMBIX_BOOTDISK_LOADER_LOADER_SYMBOLS_H\n\n"
  "#include <cstdint>\n\n"
  "namespace ombix::bootdisk::loader_symbols {\n\n"
  "${constants}\n"
  "}  // namespace ombix::bootdisk::loader_symbols\n\n"
  "#endif\n")
