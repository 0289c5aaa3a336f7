# Writes a C++ source that holds every file of the workbench page, so that
# tav-core serves the page without reading anything from disk:
#   cmake -DFOLDER=host/main/web -DOUTPUT=web_files.cpp -P embed_web_files.cmake
# The source defines tav::host::kWebFiles, one entry per file, by name in
# ascending order, and kWebFileCount.
file(GLOB names RELATIVE ${FOLDER} ${FOLDER}/*)
list(SORT names)
set(arrays "")
set(entries "")
set(index 0)
foreach(name ${names})
  if(IS_DIRECTORY ${FOLDER}/${name})
    continue()
  endif()
  file(READ ${FOLDER}/${name} hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  # Sixteen bytes a line keeps the generated file readable in a debugger.
  string(REGEX REPLACE "((0x..,){16})" "\\1\n" bytes "${bytes}")
  string(APPEND arrays "const unsigned char kFile${index}[] = {\n${bytes}0};\n")
  string(APPEND entries "    {\"${name}\", kFile${index}, ${size}},\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE ${OUTPUT}.tmp "// Generated from ${FOLDER} by embed_web_files.cmake; do not edit.
#include \"main/web_files.h\"

namespace tav::host {
namespace {
${arrays}}  // namespace

const WebFile kWebFiles[] = {
${entries}};
const size_t kWebFileCount = ${index};

}  // namespace tav::host
")
# Rewritten only when it changed, so that touching a page file that ends up
# the same rebuilds nothing.
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
