#include "engine/tests/ConversionToolSupport.h"

#include <cstdio>
#include <sstream>

std::map<std::string, std::string> exiftoolTags(const fs::path& file)
{
    std::map<std::string, std::string> tags;
    const ToolRun run =
        runTool("exiftool -a -u -n -G1 -s -t " + shellQuoted(file), ToolErrors::dropped);
    std::istringstream lines(run.output);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t a = line.find('\t');
        const size_t b = a == std::string::npos ? a : line.find('\t', a + 1);
        if (b == std::string::npos)
            continue;
        const std::string name = line.substr(a + 1, b - a - 1);
        const std::string value = line.substr(b + 1);
        if (name == "Warning")
            tags["Warnings"] += value + "\n";
        else
            tags[line.substr(0, a) + ":" + name] = value;
    }
    return tags;
}

std::vector<uint8_t> exiftoolBinary(const fs::path& file, const std::string& tag)
{
    const ToolRun run =
        runTool("exiftool -a -u -b -" + tag + " " + shellQuoted(file), ToolErrors::dropped);
    return std::vector<uint8_t>(run.output.begin(), run.output.end());
}

std::map<std::string, std::string> exiftoolFormats(const fs::path& file)
{
    std::map<std::string, std::string> formats;
    const ToolRun run = runTool("exiftool -v3 -u " + shellQuoted(file), ToolErrors::dropped);
    std::istringstream lines(run.output);
    std::string line;
    std::vector<std::pair<size_t, std::string>> open;  // depth, directory
    while (std::getline(lines, line)) {
        const size_t plus = line.find("+ [");
        if (plus != std::string::npos) {
            const std::string name = line.substr(plus + 3, line.find(' ', plus + 3) - plus - 3);
            while (!open.empty() && open.back().first >= plus)
                open.pop_back();
            open.push_back({plus, name});
            continue;
        }
        const size_t tag = line.find("- Tag 0x");
        if (tag == std::string::npos || open.empty())
            continue;
        while (open.size() > 1 && open.back().first >= tag)
            open.pop_back();
        const std::string number = line.substr(tag + 6, 6);
        const size_t comma = line.find(", ", tag);
        const size_t close = line.find(']', comma);
        if (comma == std::string::npos || close == std::string::npos)
            continue;
        formats[open.back().second + ":" + number] = line.substr(comma + 2, close + 1 - comma - 2);
    }
    return formats;
}

Rgb decodeWithDjpeg(const fs::path& jpeg)
{
    Rgb out;
    const fs::path ppm = fs::path(jpeg).replace_extension(".decoded.ppm");
    if (runTool("djpeg -ppm -outfile " + shellQuoted(ppm) + " " + shellQuoted(jpeg)).status != 0)
        return out;
    const std::vector<uint8_t> bytes = readFileBytes(ppm);
    int maxValue = 0, used = 0;
    const std::string header(bytes.begin(),
                             bytes.begin() +
                                 static_cast<std::ptrdiff_t>(std::min<size_t>(bytes.size(), 64)));
    if (std::sscanf(header.c_str(), "P6 %d %d %d%n", &out.width, &out.height, &maxValue, &used) !=
        3)
        return Rgb{};
    const size_t start = static_cast<size_t>(used) + 1;
    out.pixels.assign(bytes.begin() + static_cast<std::ptrdiff_t>(start), bytes.end());
    if (out.pixels.size() != static_cast<size_t>(out.width) * static_cast<size_t>(out.height) * 3)
        return Rgb{};
    return out;
}
