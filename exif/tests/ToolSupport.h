// The independent checkers (exiftool, djpeg, cjpeg) of the native tests:
// exiftool's verbose listing of Exif directories, djpeg's decoding.
#pragma once

#include "exif/tests/TestSupport.h"
#include "testsupport/ToolRun.h"

#include <string>
#include <vector>

// One entry as exiftool -v3 lists it.
struct ExiftoolEntry {
    std::string directory;  // "IFD0", "ExifIFD", "MakerNotes", ...
    uint16_t ifd = 0;       // our directory number; 0 for others
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    long fileOffset = -1;        // of the value (field or data), from the file start
    std::vector<uint8_t> shown;  // the first value bytes as stored in the file
};

std::vector<ExiftoolEntry> exiftoolEntries(const fs::path& file);

// Decoded P6 picture from djpeg -ppm.
struct Decoded {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
};
Decoded decodeWithDjpeg(const fs::path& jpeg);
