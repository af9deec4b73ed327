// Helpers of the upload job tests: a user who answers the boxes from a
// script, a progress bar that remembers, source pictures and sounds as real
// files, the checker tools, and a fixture that runs the real job with the
// real conversion over a scratch folder.
#pragma once

#include "base/PathText.h"
#include "engine/PortableUploadHost.h"
#include "engine/UploadJob.h"
#include "engine/tests/ConversionTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

// Answers every box from the script, then with defaultAnswer; remembers
// the boxes, the progress lines and the entries reported.
class ScriptedUi : public UploadUi {
public:
    int showMessage(const UploadMessage& message) override
    {
        messages.push_back(message);
        const int answer = answers.empty() ? defaultAnswer : answers.front();
        if (!answers.empty())
            answers.pop_front();
        return answer;
    }
    void showProgressLine(int entryNumber, const std::wstring& text) override
    {
        lines.push_back({entryNumber, text});
    }
    void entryBegins(size_t index, size_t, const std::wstring&) override
    {
        begun.push_back(index);
        if (onEntryBegins)
            onEntryBegins(index);
    }
    void entryDone(const UploadEntryReport& report) override { done.push_back(report); }

    std::deque<int> answers;
    int defaultAnswer = UploadMessage::kPressedOk;
    std::vector<UploadMessage> messages;
    std::vector<std::pair<int, std::wstring>> lines;
    std::vector<size_t> begun;
    std::vector<UploadEntryReport> done;
    std::function<void(size_t index)> onEntryBegins;
};

// A PCM WAV of a rising and falling tone: 16-bit samples, `channels`
// channels at `rate` per second.
std::vector<uint8_t> toneWave(double seconds, uint32_t rate, uint16_t channels);
// A WAV whose format is not PCM (Microsoft ADPCM header, arbitrary data).
std::vector<uint8_t> adpcmWave(double seconds);

// Names of the files in a folder, sorted; empty when it does not exist.
std::vector<std::string> folderNames(const fs::path& folder);

#ifndef _WIN32
// The checker tools (vxf_testtools), and exiftool's value of one tag ("-s3"),
// without the line end; "" when it has none.
#include "testsupport/ToolRun.h"
std::string exifTool(const fs::path& file, const std::string& tag);
#endif

// The seven texts of a finished camera sound file, read from its bytes.
struct SoundTexts {
    std::string title, creationDate, exifVersion, relatedImage, creationTime, make, model;
};
bool readSoundTexts(const fs::path& wav, SoundTexts& texts);

// The real job over a scratch folder: the portable services, a converter of
// its own and a user who answers from a script.
class UploadFixture : public ::testing::Test {
protected:
    void SetUp() override;

    // The save folder (created unless asked otherwise) as destination.
    void useSaveFolder(bool create = true);
    // The work folder (not created) as destination.
    void useWorkFolder();

    // A baseline JPEG source of the scene at that size; a BMP when the name
    // ends in ".bmp".
    fs::path picture(const std::string& name, int width, int height);
    fs::path tone(const std::string& name, double seconds, uint32_t rate = 22050,
                  uint16_t channels = 1);

    UploadEntry entry(PackedSize size, const fs::path& sound = fs::path()) const;

    // Runs the job over paths and entries with the fixture's services.
    UploadJobReport run(const std::vector<fs::path>& paths, const std::vector<UploadEntry>& entries,
                        ProgressBar* bar = nullptr);

    fs::path folder;  // this test's own scratch folder
    fs::path saveFolder;
    fs::path workFolder;
    AppSettings settings;
    ScriptedUi ui;
    PortableUploadFiles files;
    StandaloneConverter converter;
    CameraDateTime when{2024, 8, 24, 13, 5, 9};
    int clockCalls = 0;
    std::function<CameraDateTime(int call)> clock;  // default: `when` every time
    int handOffs = 0;
    std::function<void(AppSettings&)> onHandOff;
};
