// Independent tools read what we write: sox generates sources of many
// rates, widths and channel counts; every finished camera file must read
// back in sox as 8000 Hz mono 8-bit of 3, 5 or 10 seconds with our bytes,
// exiftool must list its INFO and Exif audio entries, and our resampled
// sound must match sox's own resampling of the same source.
#include "sound/CameraSoundWriter.h"
#include "sound/SoundConvert.h"
#include "sound/tests/SoundTestSupport.h"
#include "testsupport/ToolRun.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace {

std::string tool(const std::string& name)
{
    const std::string path = findOnPath(name);
    // The set-up installs the checkers: missing means broken, not skipped.
    EXPECT_FALSE(path.empty()) << name << " is not on PATH";
    return path;
}

// The value of "Key : value" in the output of `sox --i`.
std::string soxField(const std::string& info, const std::string& key)
{
    const size_t at = info.find("\n" + key);
    const size_t colon = info.find(": ", at);
    if (at == std::string::npos || colon == std::string::npos)
        return "<" + key + " missing>";
    return info.substr(colon + 2, info.find('\n', colon) - colon - 2);
}

TEST(ToolCrossCheck, SoxSourcesBecomeCameraFilesThatSoxAndExiftoolRead)
{
    const std::string sox = tool("sox");
    const std::string exiftool = tool("exiftool");
    ASSERT_FALSE(sox.empty());
    ASSERT_FALSE(exiftool.empty());
    TempFolder dir;
    const CameraSoundInfo info = makeCameraSoundInfo(2001, 12, 3, 9, 8, 7, 42);
    // Every rate, width and channel count, each signal, lengths in turn
    // short of 3 s, of 5 s and over 10 s.
    const char* signals[] = {"sine 440", "square 300", "noise"};
    const struct {
        double seconds;
        size_t padded;
    } lengths[] = {{1.5, 24000}, {4.0, 40000}, {12.0, 80000}};
    size_t i = 0;
    for (const uint32_t rate : {8000u, 11025u, 22050u, 44100u, 48000u})
        for (const int bits : {8, 16})
            for (const int channels : {1, 2})
                for (const char* signal : signals) {
                    const auto& s = lengths[i % 3];
                    const std::string label = std::to_string(rate) + " Hz " + std::to_string(bits) +
                                              " bit " + std::to_string(channels) + " ch " + signal;
                    const auto src = dir / ("src" + std::to_string(i) + ".wav");
                    const auto cam = dir / ("cam" + std::to_string(i++) + ".wav");
                    const ToolRun made = runTool(
                        sox + " -R -n -r " + std::to_string(rate) + " -b " + std::to_string(bits) +
                        " -e " + (bits == 8 ? "unsigned-integer" : "signed-integer") + " -c " +
                        std::to_string(channels) + " " + shellQuoted(src) + " synth " +
                        std::to_string(s.seconds) + " " + signal + " vol 0.8");
                    ASSERT_EQ(made.status, 0) << label;

                    ASSERT_EQ(convertToCameraSound(cam, src, kCameraSoundLimitSeconds), kConvertOk)
                        << label;
                    ASSERT_EQ(addCameraChunks(cam, info), kCameraChunksOk) << label;

                    const Bytes file = readFileBytes(cam);
                    ASSERT_EQ(file.size(), 208 + s.padded) << label;
                    const std::string said =
                        "\n" + runTool(sox + " --i " + shellQuoted(cam)).output;
                    EXPECT_EQ(soxField(said, "Channels"), "1") << label;
                    EXPECT_EQ(soxField(said, "Sample Rate"), "8000") << label;
                    EXPECT_EQ(soxField(said, "Precision"), "8-bit") << label;
                    EXPECT_EQ(soxField(said, "Sample Encoding"), "8-bit Unsigned Integer PCM")
                        << label;
                    EXPECT_NE(soxField(said, "Duration")
                                  .find("= " + std::to_string(s.padded) + " samples"),
                              std::string::npos)
                        << label << ": " << soxField(said, "Duration");
                    EXPECT_EQ(
                        runTool(sox + " --i -D " + shellQuoted(cam), ToolErrors::passedOn).output,
                        s.padded == 24000   ? "3.000000\n"
                        : s.padded == 40000 ? "5.000000\n"
                                            : "10.000000\n")
                        << label;
                    // sox decodes exactly our data bytes, padding included.
                    const std::string decoded =
                        runTool(sox + " " + shellQuoted(cam) + " -t u8 -", ToolErrors::dropped)
                            .output;
                    EXPECT_EQ(Bytes(decoded.begin(), decoded.end()),
                              Bytes(file.begin() + 208, file.end()))
                        << label;
                }

    // exiftool, once over all finished files: one CSV row each.
    const std::string csv =
        runTool(exiftool + " -q -csv -RIFF:all " + shellQuoted(dir.path()) + "/cam*.wav").output;
    std::istringstream rows(csv);
    std::string header;
    ASSERT_TRUE(std::getline(rows, header)) << csv;
    for (const char* tag : {"Title", "DateCreated", "ExifVersion", "RelatedImageFile",
                            "TimeCreated", "Make", "Model", "SampleRate", "BitsPerSample"})
        EXPECT_NE(header.find(tag), std::string::npos) << tag << " in " << header;
    size_t files = 0;
    std::string row;
    while (std::getline(rows, row)) {
        ++files;
        for (const char* value : {"2001:12:03", "0201", "12030042.jpg", "09:08:07.000",
                                  "TAMRI ORVEN CORP.", "orv01", "8000"})
            EXPECT_NE(row.find(value), std::string::npos) << value << " in " << row;
    }
    EXPECT_EQ(files, i);
}

// Our resampler against sox's own, on a clean tone: the same sound about 50
// samples (the fixed filter's delay) later, at the loudness the table gives.
TEST(ToolCrossCheck, ResampledToneMatchesSoxResampling)
{
    const std::string sox = tool("sox");
    ASSERT_FALSE(sox.empty());
    TempFolder dir;
    for (const uint32_t rate : {11025u, 22050u, 44100u, 48000u, 16000u, 4000u}) {
        const auto src = dir / ("tone" + std::to_string(rate) + ".wav");
        const auto ours = dir / ("ours" + std::to_string(rate) + ".wav");
        const auto theirs = dir / ("sox" + std::to_string(rate) + ".wav");
        ASSERT_EQ(runTool(sox + " -R -n -r " + std::to_string(rate) + " -b 16 -c 2 " +
                          shellQuoted(src) + " synth 2 sine 523 sine 200 vol 0.5")
                      .status,
                  0);
        ASSERT_EQ(runTool(sox + " -R " + shellQuoted(src) +
                          " -r 8000 -c 1 -b 8 -e unsigned-integer " + shellQuoted(theirs) +
                          " remix 1")
                      .status,
                  0);
        ASSERT_EQ(convertToCameraSound(ours, src, 10), kConvertOk);

        const Bytes a = readFileBytes(ours);
        const Bytes b = readFileBytes(theirs);
        ASSERT_EQ(a.size(), 44u + 16000) << rate;
        // The middle second: ours[k] against sox[k - lag], at the best lag.
        const size_t sox0 = b.size() - 16000;  // sox may write a longer header
        double best = -1, loudness = 0;
        int bestLag = 0;
        for (int lag = 40; lag <= 60; ++lag) {
            double sumAB = 0, sumAA = 0, sumBB = 0;
            for (size_t k = 4000; k < 12000; ++k) {
                const double x = a[44 + k] - 128.0;
                const double y = b[sox0 + k - lag] - 128.0;
                sumAB += x * y;
                sumAA += x * x;
                sumBB += y * y;
            }
            const double correlation = sumAB / std::sqrt(sumAA * sumBB);
            if (correlation > best) {
                best = correlation;
                bestLag = lag;
                loudness = std::sqrt(sumAA / sumBB);
            }
        }
        EXPECT_GT(best, 0.98) << rate;
        // The fixed filter delays by 50; the resampler leads by a few
        // samples where its kernel's centre falls after the window's middle
        // (index 143 of 287 at 11025 is 35.75 steps of 4, not 32).
        EXPECT_GE(bestLag, 46) << rate;
        EXPECT_LE(bestLag, 50) << rate;
        // The table is read every M entries where L / s fall between two
        // input samples: the kernel is squeezed and the gain is (L / s) / M,
        // 1.088 at 11025 and 22050, 1.043 at 44100, 1 where L / s is whole.
        SincTable table;
        ASSERT_TRUE(makeSincTable(kSincTaps, rate, 8000, table));
        const double gain = double(table.upRate) / rate / table.perSample;
        EXPECT_NEAR(loudness, gain, 0.02) << rate << " lag " << bestLag;
    }
}

}  // namespace
