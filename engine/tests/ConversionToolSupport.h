// The independent checkers of the native conversion tests: exiftool (to make
// camera pictures and to read the written ones) and djpeg (to decode them).
#pragma once

#include "engine/tests/ConversionTestSupport.h"
#include "testsupport/ToolRun.h"

#include <map>
#include <string>
#include <vector>

// Every tag exiftool finds (-a -u -n), as "Group1:Name" -> value; warnings
// are gathered under "Warnings", one per line.
std::map<std::string, std::string> exiftoolTags(const fs::path& file);
// The raw bytes of one tag ("Group1:Name"), as exiftool -b gives them.
std::vector<uint8_t> exiftoolBinary(const fs::path& file, const std::string& tag);
// Format and count of every entry as exiftool -v3 lists it, by
// "Directory:0xtag" (for example "IFD0:0x010f" -> "string[24]").
std::map<std::string, std::string> exiftoolFormats(const fs::path& file);

// P6 decoding by djpeg; empty picture when it fails.
Rgb decodeWithDjpeg(const fs::path& jpeg);
