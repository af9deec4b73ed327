// Pictures converted ahead on worker threads: taken under the job's names
// with the bytes and results of the job's own converter, and nothing of the
// workers left behind when the job ends early.
#include "engine/ConvertAhead.h"
#include "engine/PortableUploadHost.h"
#include "engine/UploadJob.h"
#include "engine/tests/ConversionTestSupport.h"

#include <gtest/gtest.h>

#include <set>

namespace {

std::set<std::string> namesIn(const fs::path& folder)
{
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

TEST(ConvertAhead, TakesWhatTheJobsConverterWritesAndLeavesNothingBehind)
{
    const fs::path folder = scratchFolder("convert-ahead");
    std::vector<ConvertAhead::Picture> pictures;
    for (int i = 0; i < 8; ++i) {
        const fs::path source = folder / ("s" + std::to_string(i) + ".jpg");
        if (i != 3)
            writeFileBytes(source, baselineJpeg(makeScene(320 + 24 * i, 240), 85));
        pictures.push_back({source, i % 2 == 0 ? kSize640x480 : kSize1600x1200});
    }
    const fs::path ahead = folder / "ahead", direct = folder / "direct";
    fs::create_directories(ahead);
    fs::create_directories(direct);
    AppSettings settings;
    settings.cameraCode = 90;
    settings.JpegBaseColor = 0x336699;
    const CameraClock clock = [] { return CameraDateTime{2024, 5, 6, 7, 8, 9}; };
    const PackedSize thumbnail = uploadThumbnailSize(settings.cameraCode);
    StandaloneConverter own, reference;
    own.conversion().setClock(clock);
    reference.conversion().setClock(clock);

    std::set<std::string> taken;
    {
        ConvertAhead workers(pictures, ahead, settings, clock, 2, {});
        // The job ends two pictures early; the workers may have them done.
        for (size_t i = 0; i + 2 < pictures.size(); ++i) {
            const std::string name = "picture" + std::to_string(i) + ".jpg";
            const ConvertAhead::Picture& picture = pictures[i];
            EXPECT_EQ(workers.convert(own.conversion(), i, picture.source, ahead / name,
                                      picture.targetSize, thumbnail, settings),
                      reference.conversion().ConvertPicture(
                          picture.source, direct / name, picture.targetSize, thumbnail, settings))
                << name;
            if (fs::exists(direct / name))
                taken.insert(name);
        }
    }
    EXPECT_EQ(taken.size(), pictures.size() - 3);  // the missing one has no file
    EXPECT_EQ(namesIn(ahead), taken);
    for (const std::string& name : taken)
        EXPECT_EQ(readFileBytes(ahead / name), readFileBytes(direct / name)) << name;
}

}  // namespace
