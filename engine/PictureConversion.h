// Picture conversion: one JPEG or BMP source becomes a camera picture, an
// Exif JPEG of exactly the target size with the whole source scaled into the
// frame without distortion, the rest of the frame in one fill colour, a
// thumbnail of the camera model's size and the camera metadata.
//
// Portable half of the converter: it drives three pictures of the imaging
// component (preview, canvas, workspace) that the host creates and keeps,
// and the one ExifImage used for every picture written. Progress goes to the
// attached bar; the Windows host dispatches pending window messages in the
// progress hook, so that ESC can abort (CancelUpload).
#pragma once

#include "app/Settings.h"
#include "engine/CameraMetadata.h"
#include "engine/CameraModels.h"

#include "imaging/ImagingApi.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

class ExifImage;
struct ExifImageInfo;
struct SourceHead;

// Result of a conversion refused because the source is a progressive JPEG.
constexpr int kConvertProgressive = 3;
// Result of a conversion stopped by an unexpected failure that carries no
// code of its own.
constexpr int kConvertUnexpected = 1;

// Fixed encoding of every camera picture.
constexpr uint32_t kPictureQuality = 75;
constexpr uint32_t kThumbnailQuality = 85;

// The first bytes of a source, read once: the hint scan looks at them, the
// coding kind and Exif scans start in them.
constexpr size_t kSourceHeadBytes = 65548;

// What the source hint scan finds in the first kSourceHeadBytes of a source.
struct SourceHints {
    int rotation = -1;          // degrees after the last "ROTATE="; -1 when there is none
    PackedSize packedSize = 0;  // never filled: no source text carries it
};
// A rotation of 90 or 270 counts as 0 for camera codes 52, 82 and 86.
SourceHints scanSourceHints(const std::filesystem::path& source, int32_t cameraCode);
SourceHints scanSourceHints(const SourceHead& head, int32_t cameraCode);

// True when the last three characters of the file name are "bmp" in any case.
bool nameEndsInBmp(const std::filesystem::path& path);

// A progressive JPEG, which the camera pictures are never made from (its
// name does not end in "bmp" and it is not empty).
bool refusedAsProgressive(const std::filesystem::path& source);
bool refusedAsProgressive(const SourceHead& head);

// Where the preview shows a picture in its box: at its own size and centred
// when it fits, else scaled to the box's width (wide pictures) or height,
// keeping its proportions, centred the other way.
struct PreviewPlace {
    float x = 0;
    float y = 0;
    float width = 0;
    float height = 0;
};
PreviewPlace fitPreview(uint32_t pictureWidth, uint32_t pictureHeight, uint32_t boxWidth,
                        uint32_t boxHeight);

// Place of the scaled picture inside the frame; offsets are multiples of 8.
struct FrameOffset {
    uint32_t x = 0;
    uint32_t y = 0;
};
struct FrameImageSize {
    uint32_t width = 0;
    uint32_t height = 0;
};

// The three pictures of the converter; the host owns them.
struct ConverterPictures {
    vximg::IPicture* preview = nullptr;
    vximg::IPicture* canvas = nullptr;     // composes frames and makes the thumbnail
    vximg::IPicture* workspace = nullptr;  // holds the picture being converted
};

// The bar that shows the progress of the picture being converted.
class ProgressBar {
public:
    virtual ~ProgressBar() = default;
    virtual void setRange(int low, int high) = 0;
    virtual void setPosition(int position) = 0;
};

class PictureConversion {
public:
    PictureConversion(const ConverterPictures& pictures, ExifImage& exif);
    ~PictureConversion();
    PictureConversion(const PictureConversion&) = delete;
    PictureConversion& operator=(const PictureConversion&) = delete;

    // 0 on success or after an abort (then no file is written); 3 for a
    // progressive JPEG; otherwise the imaging component's error code (from
    // loading, or from decoding, which the component defers), the system's
    // error code when copying an unchanged source fails, or kConvertUnexpected.
    // Of the settings it reads JpegBaseColor (the fill colour of the frame,
    // 0x00BBGGRR) and cameraCode.
    int ConvertPicture(const std::filesystem::path& source,
                       const std::filesystem::path& destination, PackedSize targetSize,
                       PackedSize thumbnailSize, const AppSettings& settings);

    // Scales the picture of c (sw x sh) to fit dw x dh without distortion and
    // centres it on a frame of exactly dw x dh filled with fill (composed on
    // the canvas); c then holds the frame. Offsets are rounded down to
    // multiples of 8. 0, or the imaging component's error code.
    int FitToCanvas(vximg::IPicture& c, float sw, float sh, float dw, float dh, FrameOffset* offset,
                    FrameImageSize* image, uint32_t fill);

    // Loads the picture into the preview picture and decodes it at the size
    // fitPreview gives it in a box of boxWidth x boxHeight; width and height
    // receive the picture's own size. 0, 3 for a progressive JPEG, or the
    // imaging component's code.
    int LoadPreviewPicture(const std::filesystem::path& path, uint32_t boxWidth, uint32_t boxHeight,
                           uint32_t& width, uint32_t& height);

    // 1 while the job may go on; 0 after an abort.
    int32_t continueFlag() const { return continueFlag_; }
    void setContinueFlag(int32_t value) { continueFlag_ = value; }
    // ESC answered with Yes: stop at the next check and drop the progress
    // routing, so the next report switches the picture's events off.
    void CancelUpload();

    // Routes the progress reports of the workspace and the preview to bar
    // (position := percentage / divisor, divisor 1) and switches their
    // events on; detachProgress stops the routing.
    void attachProgress(ProgressBar& bar);
    void detachProgress();
    bool progressAttached() const { return bar_ != nullptr; }
    // Runs in every report while a bar is attached, before the bar moves:
    // the window dispatches its pending messages here, so ESC can abort.
    void setProgressHook(std::function<void(int percent)> hook) { hook_ = std::move(hook); }

    // Date of the written pictures; the local time when not set.
    void setClock(CameraClock clock) { clock_ = std::move(clock); }

    // Called with the ExifImage right before each write, while its pixel
    // buffers are valid: lets checks see exactly what the encoder receives.
    using EncoderObserver = std::function<void(const ExifImageInfo&)>;
    void setEncoderObserver(EncoderObserver observer) { observer_ = std::move(observer); }

    // The source tags of the last write.
    const CarryOverReport& lastCarryOver() const { return carryOver_; }

    const ConverterPictures& pictures() const { return pictures_; }
    ExifImage& exif() { return exif_; }

private:
    struct Rows {
        const uint8_t* pixels = nullptr;  // height rows of exactly width * 3 bytes
        uint32_t width = 0;
        uint32_t height = 0;
        bool bottomUp = true;
    };
    // A frame as composeFrame leaves it: in the scaled picture itself or on the canvas.
    struct Frame {
        vximg::IPicture* picture = nullptr;
        FrameOffset offset;
        FrameImageSize image;
    };
    static int progressReport(void* user, int percent);
    int unpaddedRows(vximg::IPicture& picture, std::vector<uint8_t>& buffer, Rows& rows);
    // FitToCanvas without the copy back.
    // rows, when given, receives the scaled picture's rows as they are made.
    int composeFrame(vximg::IPicture& c, float sw, float sh, float dw, float dh, uint32_t fill,
                     Frame& frame, vximg::RowSink* rows = nullptr);
    // The thumbnail of the W x H frame, made without changing the frame.
    int makeThumbnail(vximg::IPicture& frame, float W, float H, float tw, float th, uint32_t fill,
                      Rows& rows);
    int convertLoaded(const SourceHead& source, const std::filesystem::path& destination,
                      PackedSize targetSize, PackedSize thumbnailSize, const AppSettings& settings,
                      int rotation);

    ConverterPictures pictures_;
    ExifImage& exif_;
    int32_t continueFlag_ = 1;
    ProgressBar* bar_ = nullptr;
    std::function<void(int percent)> hook_;
    CameraClock clock_;
    EncoderObserver observer_;
    CarryOverReport carryOver_;
    // Kept across pictures: the converter lives for the whole run.
    std::vector<uint8_t> primary_;
    std::vector<uint8_t> thumbnail_;
    std::vector<uint8_t> thumbnailFrame_;
    std::vector<uint8_t> encoded_;  // the primary picture's JPEG
};
