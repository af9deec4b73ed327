// The metadata a camera of the maker writes into its pictures: the camera's
// own tags (make, dates, resolution, the "ORVEN" maker note that records
// where the real picture lies inside the camera-size frame) plus every other
// tag of the source picture's own Exif data, written with the picture.
#pragma once

#include "engine/CameraModels.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

class ExifImage;
struct SourceHead;

// Software name of every picture: string 206 of the program's string table.
// The portable engine keeps its own copy because the string table is a
// Windows resource; the two must stay equal.
constexpr char kCameraSoftwareName[] = "VidroTransfer3 V130-J";

// Local calendar time as a camera records it.
struct CameraDateTime {
    int year = 0;
    int month = 0;  // 1..12
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Where the date of a picture comes from; tests pass a fixed one.
using CameraClock = std::function<CameraDateTime()>;
CameraDateTime currentLocalTime();

// "YYYY:MM:DD hh:mm:ss", always 19 characters (fields are clamped to their range).
std::string exifDateText(const CameraDateTime& time);

// Resolution written into IFD0 (dots per inch) for a target size; 0 for
// sizes outside the table.
uint32_t cameraResolution(PackedSize targetSize);

// What became of the source's tags; for checks and diagnostics.
struct CarryOverReport {
    int carried = 0;            // source tags added to the tag list
    int dropped = 0;            // source tags left out so the Exif data fit its segment
    uint32_t droppedBytes = 0;  // their block bytes
    uint32_t payloadBytes = 0;  // the APP1 payload the writer builds, thumbnail included
};

// Fills the tag list of exif with the source's tags (those the camera tags
// below do not replace) and the camera's own tags, then writes the file
// (exif.info must already hold pixels, sizes, qualities and output path).
// Offset and image size are the place of the scaled picture inside the
// target frame; rotation is accepted but not used (orientation is always 1).
//
// Never carried over: IFD0's GPS link 0x8825 (the GPS directory is not
// written, so the link would point into unrelated bytes). When the carried
// tags would push the Exif data past one APP1 segment (65533 bytes), the
// largest carried tags are left out until it fits; the camera's own tags and
// the thumbnail always stay.
//
// Returns the writer's result (nonzero on success); the conversion does not
// examine it, since the upload job checks the written file.
int WriteCameraMetadata(ExifImage& exif, PackedSize targetSize, uint32_t offsetX, uint32_t offsetY,
                        uint32_t imageWidth, uint32_t imageHeight, int rotation,
                        const std::filesystem::path& source, const CameraClock& clock = {},
                        CarryOverReport* report = nullptr);

// The same up to the write: the tag list (and the thumbnail encoded for its
// size) is left ready for exif.writeExifJpeg; the source's head read before.
void AddCameraMetadata(ExifImage& exif, PackedSize targetSize, uint32_t offsetX, uint32_t offsetY,
                       uint32_t imageWidth, uint32_t imageHeight, int rotation,
                       const SourceHead& source, const CameraClock& clock = {},
                       CarryOverReport* report = nullptr);
