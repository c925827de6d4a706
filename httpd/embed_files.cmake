# Writes a C++ source holding the dashboard's files as byte arrays, run at
# build time (cmake -P) so that ombixd carries the page and needs nothing at
# run time. Plain bytes in a .cpp build alike at every word size and with
# every toolchain, unlike objects made by the linker from binary files.
#
#   cmake -DROOT=<folder> -DOUTPUT=<file.cpp> -DFILES=<a;b;...> -P embed_files.cmake
# FILES are paths relative to ROOT; each is served as /dashboard/<path>,
# index.html also as /.

set(source "// Generated from dashboard/ by httpd/embed_files.cmake: do not edit.\n#include \"dashboard_assets.h\"\n\nnamespace ombixd {\nnamespace {\n")
set(table "")
set(index 0)
foreach(file IN LISTS FILES)
  file(READ "${ROOT}/${file}" hex HEX)
  string(LENGTH "${hex}" hex_length)
  math(EXPR size "${hex_length} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "((0x..,){24})" "\\1\n" bytes "${bytes}")
  string(APPEND source "const unsigned char kFile${index}[] = {\n${bytes}0};\n")
  string(APPEND table "    {\"/dashboard/${file}\", kFile${index}, ${size}},\n")
  math(EXPR index "${index} + 1")
endforeach()
string(APPEND source "}  // namespace\n\nconst DashboardAsset kDashboardAssets[] = {\n${table}};\n")
string(APPEND source "const std::size_t kDashboardAssetCount = ${index};\n\n}  // namespace ombixd\n")
# Unchanged content keeps its time stamp, so nothing is compiled again.
file(WRITE "${OUTPUT}.new" "${source}")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
