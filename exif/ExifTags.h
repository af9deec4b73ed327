// Numbers of the TIFF and Exif tags this library and the camera metadata
// name (TIFF 6.0 and Exif 2.1 names).
#pragma once

#include <cstdint>

enum ExifTagNumber : uint16_t {
    // IFD0 and IFD1
    kTagCompression = 0x0103,
    kTagImageDescription = 0x010E,
    kTagMake = 0x010F,
    kTagModel = 0x0110,
    kTagOrientation = 0x0112,
    kTagXResolution = 0x011A,
    kTagYResolution = 0x011B,
    kTagResolutionUnit = 0x0128,
    kTagSoftware = 0x0131,
    kTagDateTime = 0x0132,
    kTagThumbnailOffset = 0x0201,  // IFD1: JPEGInterchangeFormat
    kTagThumbnailLength = 0x0202,  // IFD1: JPEGInterchangeFormatLength
    kTagYCbCrPositioning = 0x0213,
    kTagExifIfd = 0x8769,
    kTagGpsIfd = 0x8825,
    // Exif IFD
    kTagExifVersion = 0x9000,
    kTagDateTimeOriginal = 0x9003,
    kTagDateTimeDigitized = 0x9004,
    kTagComponentsConfiguration = 0x9101,
    kTagMakerNote = 0x927C,
    kTagFlashpixVersion = 0xA000,
    kTagColorSpace = 0xA001,
    kTagPixelXDimension = 0xA002,
    kTagPixelYDimension = 0xA003,
    kTagInteropIfd = 0xA005,
    // Interoperability IFD
    kTagInteropIndex = 0x0001,
    kTagInteropVersion = 0x0002,
};
