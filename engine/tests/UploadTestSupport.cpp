#include "engine/tests/UploadTestSupport.h"

#include <algorithm>
#include <cmath>

namespace {

// Byte by byte: g++ 12 in the optimised build takes a four-byte insert for
// an overflow.
void putText(std::vector<uint8_t>& out, const char* text)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(text[i]));
}

std::vector<uint8_t> wave(uint16_t formatTag, uint16_t channels, uint32_t rate, uint16_t bits,
                          uint16_t blockAlign, const std::vector<uint8_t>& extra,
                          const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> out;
    putText(out, "RIFF");
    putLe32(out, static_cast<uint32_t>(4 + 8 + 16 + extra.size() + 8 + data.size()));
    putText(out, "WAVE");
    putText(out, "fmt ");
    putLe32(out, static_cast<uint32_t>(16 + extra.size()));
    putLe16(out, formatTag);
    putLe16(out, channels);
    putLe32(out, rate);
    putLe32(out, rate * blockAlign);
    putLe16(out, blockAlign);
    putLe16(out, bits);
    out.insert(out.end(), extra.begin(), extra.end());
    putText(out, "data");
    putLe32(out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

std::string fixedText(const std::vector<uint8_t>& bytes, size_t offset, size_t width)
{
    const auto begin = bytes.begin() + static_cast<std::ptrdiff_t>(offset);
    const auto end = begin + static_cast<std::ptrdiff_t>(width);
    return std::string(begin, std::find(begin, end, uint8_t{0}));
}

}  // namespace

std::vector<uint8_t> toneWave(double seconds, uint32_t rate, uint16_t channels)
{
    const size_t frames = static_cast<size_t>(seconds * rate);
    std::vector<uint8_t> data;
    data.reserve(frames * channels * 2);
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double pitch = 300.0 + 200.0 * std::sin(t * 2.0);
        const auto v =
            static_cast<int16_t>(std::lround(12000.0 * std::sin(6.283185307 * pitch * t)));
        for (uint16_t c = 0; c < channels; ++c)
            putLe16(data, static_cast<uint16_t>(c == 0 ? v : -v));
    }
    return wave(1, channels, rate, 16, static_cast<uint16_t>(2 * channels), {}, data);
}

std::vector<uint8_t> adpcmWave(double seconds)
{
    // cbSize, samples per block, 7 coefficient pairs: enough for players to
    // know it is ADPCM; the data need not decode to anything sensible.
    std::vector<uint8_t> extra;
    putLe16(extra, 32);
    putLe16(extra, 500);
    putLe16(extra, 7);
    const int16_t coefficients[14] = {256, 0,   512, -256, 0,    0,   192,
                                      64,  240, 0,   460,  -208, 392, -232};
    for (int16_t c : coefficients)
        putLe16(extra, static_cast<uint16_t>(c));
    const size_t bytes = static_cast<size_t>(seconds * 11025 / 2);
    std::vector<uint8_t> data(bytes);
    for (size_t i = 0; i < bytes; ++i)
        data[i] = static_cast<uint8_t>(i * 37u + 11u);
    return wave(2, 1, 11025, 4, 256, extra, data);
}

std::vector<std::string> folderNames(const fs::path& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

#ifndef _WIN32
std::string exifTool(const fs::path& file, const std::string& tag)
{
    std::string value =
        runTool("exiftool -s3 -" + tag + " " + shellQuoted(file), ToolErrors::dropped).output;
    while (!value.empty() && (value.back() == '\n' || value.back() == '\r'))
        value.pop_back();
    return value;
}
#endif

bool readSoundTexts(const fs::path& wav, SoundTexts& texts)
{
    const std::vector<uint8_t> bytes = readFileBytes(wav);
    if (bytes.size() < 208)
        return false;
    texts.title = fixedText(bytes, 56, 16);
    texts.creationDate = fixedText(bytes, 80, 11);
    texts.exifVersion = fixedText(bytes, 112, 4);
    texts.relatedImage = fixedText(bytes, 124, 13);
    texts.creationTime = fixedText(bytes, 146, 13);
    texts.make = fixedText(bytes, 168, 18);
    texts.model = fixedText(bytes, 194, 6);
    return true;
}

void UploadFixture::SetUp()
{
    folder = scratchFolder("upload");
    saveFolder = folder / "save";
    workFolder = folder / "work";
    settings.PathSave = fromFsPath(saveFolder);
    settings.PathTemp = fromFsPath(workFolder);
    files = PortableUploadFiles(fromFsPath(workFolder));  // as the program's own work folder
    settings.cameraCode = 90;
    useWorkFolder();
    converter.conversion().setClock([this] { return when; });
}

void UploadFixture::useSaveFolder(bool create)
{
    settings.CehckSeve = 1;
    settings.TwainPath = settings.PathSave;
    if (create)
        fs::create_directories(saveFolder);
}

void UploadFixture::useWorkFolder()
{
    settings.CehckSeve = 0;
    settings.TwainPath = settings.PathTemp;
}

fs::path UploadFixture::picture(const std::string& name, int width, int height)
{
    const fs::path sources = folder / "sources";
    fs::create_directories(sources);
    const fs::path path = sources / name;
    const Rgb scene = makeScene(width, height);
    const bool bmp = path.extension() == ".bmp";
    writeFileBytes(path, bmp ? bmp24(scene) : baselineJpeg(scene, 90));
    return path;
}

fs::path UploadFixture::tone(const std::string& name, double seconds, uint32_t rate,
                             uint16_t channels)
{
    const fs::path sources = folder / "sources";
    fs::create_directories(sources);
    const fs::path path = sources / name;
    writeFileBytes(path, toneWave(seconds, rate, channels));
    return path;
}

UploadEntry UploadFixture::entry(PackedSize size, const fs::path& sound) const
{
    UploadEntry e;
    e.item.targetSize = size;
    if (!sound.empty()) {
        EXPECT_TRUE(setSoundPath(e.item, fromFsPath(sound)));
        e.iconId = kIconSoundGreyed;
    }
    return e;
}

UploadJobReport UploadFixture::run(const std::vector<fs::path>& paths,
                                   const std::vector<UploadEntry>& entries, ProgressBar* bar)
{
    std::vector<std::wstring> wide;
    for (const fs::path& path : paths)
        wide.push_back(fromFsPath(path));
    UploadServices services{ui, files, converter.conversion(),
                            [this](AppSettings& s) {
                                ++handOffs;
                                if (onHandOff)
                                    onHandOff(s);
                            },
                            [this] {
                                const int call = clockCalls++;
                                return clock ? clock(call) : when;
                            }};
    UploadJobReport report;
    EXPECT_EQ(UploadJob(wide, entries, bar, settings, services, &report), 0);
    return report;
}
