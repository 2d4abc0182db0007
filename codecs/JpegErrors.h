// libjpeg error handling that never ends the process.
//
// The library reports errors through a callback that must not return. Ours
// jumps back to the caller's setjmp point; every function that arms the jump
// keeps only plain C data in its frame, so no C++ destructor is skipped.
#pragma once

#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE and size_t
#include <jpeglib.h>

struct TJpegErrorManager {
    jpeg_error_mgr Base;
    std::jmp_buf Jump;
    // Set by the reader once every row is out: damage the library meets
    // after that (padding or junk in place of the end marker) costs nothing.
    bool RowsComplete = false;
};

// Installs the handlers: errors jump to Jump, and so do warnings about
// damaged data met before the last row (a damaged file is refused, not half
// shown), stray bytes before a marker excepted; nothing is printed.
jpeg_error_mgr* InstallJpegErrorManager(TJpegErrorManager& manager);
