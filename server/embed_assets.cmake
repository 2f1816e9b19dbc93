# Writes OUTPUT, a C++ source holding each file of ASSETS
# ("URL|TYPE|FILE,...") as bytes, and find_page_asset over them.
set(source "// Generated from the page's files; do not edit.\n#include <cstring>\n\n#include \"server/page_assets.h\"\n\nnamespace {\n")
set(table "")
set(index 0)
string(REPLACE "," ";" ASSETS "${ASSETS}")
foreach(asset IN LISTS ASSETS)
  string(REPLACE "|" ";" parts "${asset}")
  list(GET parts 0 url)
  list(GET parts 1 type)
  list(GET parts 2 file)
  file(READ "${file}" hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR bytes "${digits} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," hex "${hex}")
  string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" hex "${hex}")
  string(APPEND source "const unsigned char asset${index}[] = {\n${hex}0};\n")
  string(APPEND table "    {\"${url}\", \"${type}\", asset${index}, ${bytes}},\n")
  math(EXPR index "${index} + 1")
endforeach()
string(APPEND source "const page_asset assets[] = {\n${table}};\n\n}  // namespace\n\n"
       "const page_asset* find_page_asset(const char* path) {\n"
       "  for (const page_asset& a : assets)\n"
       "    if (std::strcmp(a.path, path) == 0) return &a;\n"
       "  return nullptr;\n}\n")
file(WRITE "${OUTPUT}.new" "${source}")
execute_process(COMMAND "${CMAKE_COMMAND}" -E copy_if_different "${OUTPUT}.new" "${OUTPUT}")
