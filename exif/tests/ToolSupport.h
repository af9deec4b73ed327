// Running the independent checkers (exiftool, djpeg, cjpeg) from the native
// tests, and reading exiftool's verbose listing of Exif directories.
#pragma once

#include "TestSupport.h"

#include <string>
#include <vector>

struct ToolRun {
    int status = -1;
    std::string output;  // standard output and standard error together
};

ToolRun runTool(const std::string& commandLine);
std::string quoted(const fs::path& path);
bool toolOnPath(const std::string& name);

// One entry as exiftool -v3 lists it.
struct ExiftoolEntry {
    std::string directory;  // "IFD0", "ExifIFD", "MakerNotes", ...
    uint16_t ifd = 0;       // our directory number; 0 for others
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    long fileOffset = -1;       // of the value (field or data), from the file start
    std::vector<uint8_t> shown;  // the first value bytes as stored in the file
};

std::vector<ExiftoolEntry> exiftoolEntries(const fs::path& file);

// Decoded P6 picture from djpeg -ppm.
struct Decoded {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
};
Decoded decodeWithDjpeg(const fs::path& jpeg);
