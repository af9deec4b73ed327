#include "exif/tests/ToolSupport.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <sstream>

namespace {

uint16_t typeOfFormat(const std::string& format)
{
    static const std::map<std::string, uint16_t> kFormats = {
        {"int8u", 1},       {"string", 2},       {"int16u", 3}, {"int32u", 4},
        {"rational64u", 5}, {"int8s", 6},        {"undef", 7},  {"int16s", 8},
        {"int32s", 9},      {"rational64s", 10}, {"float", 11}, {"double", 12}};
    const auto it = kFormats.find(format);
    return it == kFormats.end() ? 0 : it->second;
}

uint16_t ifdOfDirectory(const std::string& name, const std::string& parent)
{
    if (name == "IFD0")
        return 1;
    if (name == "ExifIFD")
        return 2;
    if (name == "IFD1")
        return 3;
    if (name == "GPS")
        return 4;
    if (name == "InteropIFD")
        return 5;
    return parent == "ExifIFD" ? 6 : 0;  // a maker note's directory
}

}  // namespace

std::vector<ExiftoolEntry> exiftoolEntries(const fs::path& file)
{
    const ToolRun run = runTool("exiftool -v3 -u " + shellQuoted(file));
    std::vector<ExiftoolEntry> entries;
    struct Open {
        int depth;
        std::string name;
        uint16_t ifd;
    };
    std::vector<Open> open;
    bool inValue = false;
    std::istringstream lines(run.output);
    std::string line;
    while (std::getline(lines, line)) {
        size_t pos = line.compare(0, 2, "  ") == 0 ? 2 : 0;
        int depth = 0;
        while (line.compare(pos, 2, "| ") == 0) {
            ++depth;
            pos += 2;
        }
        const std::string rest = line.substr(pos);
        if (rest.compare(0, 3, "+ [") == 0) {
            const std::string name = rest.substr(3, rest.find(' ', 3) - 3);
            while (!open.empty() && open.back().depth >= depth + 1)
                open.pop_back();
            const std::string parent = open.empty() ? "" : open.back().name;
            open.push_back({depth + 1, name, ifdOfDirectory(name, parent)});
            inValue = false;
            continue;
        }
        unsigned tag = 0, bytes = 0, count = 0;
        char format[32] = {};
        if (std::sscanf(rest.c_str(), "    - Tag 0x%x (%u bytes, %31[a-z0-9][%u]", &tag, &bytes,
                        format, &count) == 4) {
            ExiftoolEntry entry;
            for (const Open& o : open) {
                if (o.depth == depth) {
                    entry.directory = o.name;
                    entry.ifd = o.ifd;
                }
            }
            entry.tag = static_cast<uint16_t>(tag);
            entry.type = typeOfFormat(format);
            entry.count = count;
            entries.push_back(entry);
            inValue = true;
            continue;
        }
        unsigned offset = 0;
        int consumed = 0;
        if (inValue && !entries.empty() &&
            std::sscanf(rest.c_str(), "        %x:%n", &offset, &consumed) == 1 && consumed > 0) {
            ExiftoolEntry& entry = entries.back();
            if (entry.fileOffset < 0)
                entry.fileOffset = static_cast<long>(offset);
            std::istringstream hex(rest.substr(static_cast<size_t>(consumed)));
            std::string token;
            while (hex >> token && token.size() == 2 &&
                   std::isxdigit(static_cast<unsigned char>(token[0])) &&
                   std::isxdigit(static_cast<unsigned char>(token[1])))
                entry.shown.push_back(static_cast<uint8_t>(std::stoul(token, nullptr, 16)));
            continue;
        }
        inValue = false;
    }
    return entries;
}

Decoded decodeWithDjpeg(const fs::path& jpeg)
{
    Decoded out;
    const fs::path ppm = fs::path(jpeg).replace_extension(".decoded.ppm");
    if (runTool("djpeg -ppm -outfile " + shellQuoted(ppm) + " " + shellQuoted(jpeg)).status != 0)
        return out;
    const std::vector<uint8_t> bytes = readFileBytes(ppm);
    int maxValue = 0, used = 0;
    const std::string header(bytes.begin(), bytes.begin() + std::min<size_t>(bytes.size(), 64));
    if (std::sscanf(header.c_str(), "P6 %d %d %d%n", &out.width, &out.height, &maxValue, &used) !=
        3)
        return out;
    const size_t start = static_cast<size_t>(used) + 1;
    out.rgb.assign(bytes.begin() + static_cast<std::ptrdiff_t>(start), bytes.end());
    return out;
}
