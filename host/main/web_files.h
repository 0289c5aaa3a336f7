// The files of the workbench page (host/main/web), embedded in tav-core at
// build time so that the program stands alone: embed_web_files.cmake
// writes the table from the folder.
//
//   for (size_t i = 0; i < kWebFileCount; ++i) Serve(kWebFiles[i].name, kWebFiles[i].bytes, kWebFiles[i].size);
#ifndef TAV_HOST_MAIN_WEB_FILES_H_
#define TAV_HOST_MAIN_WEB_FILES_H_

#include <cstddef>

namespace tav::host {

struct WebFile {
  const char* name;            // the file's name in the folder: "index.html"
  const unsigned char* bytes;  // its content, followed by a NUL not counted in `size`
  size_t size;
};

// By name, ascending.
extern const WebFile kWebFiles[];
extern const size_t kWebFileCount;

}  // namespace tav::host

#endif  // TAV_HOST_MAIN_WEB_FILES_H_
