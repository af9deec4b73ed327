#include "exif/ExifSource.h"

#include "base/File.h"
#include "exif/ExifTags.h"
#include "exif/TiffTypes.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

// Intel sources are taken as they are and Motorola ones swapped: host order
// is little-endian on every platform this program is built for.
#if !defined(__BYTE_ORDER__) || __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "the Exif reader assumes a little-endian host"
#endif

namespace {

constexpr uint32_t kIfd1LinkLimit = 4096;
constexpr size_t kSegmentHeader = 10;  // FF E1, length, "Exif\0\0"

// --- marker scan -----------------------------------------------------------

class ByteInput {
public:
    virtual ~ByteInput() = default;
    // True when all n bytes were read; a short read still consumes what it got.
    virtual bool read(uint8_t* into, size_t n) = 0;
    virtual void skip(size_t n) = 0;
};

class FileInput final : public ByteInput {
public:
    explicit FileInput(std::FILE* file) : file_(file) {}
    bool read(uint8_t* into, size_t n) override { return std::fread(into, 1, n, file_) == n; }
    void skip(size_t n) override { std::fseek(file_, static_cast<long>(n), SEEK_CUR); }

private:
    std::FILE* file_;
};

class MemoryInput final : public ByteInput {
public:
    MemoryInput(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}
    bool read(uint8_t* into, size_t n) override
    {
        const size_t got = std::min(n, size_ - pos_);
        if (got != 0)
            std::memcpy(into, bytes_ + pos_, got);
        pos_ += got;
        return got == n;
    }
    void skip(size_t n) override { pos_ += std::min(n, size_ - pos_); }

private:
    const uint8_t* bytes_;
    size_t size_;
    size_t pos_ = 0;
};

// The head of a file from memory, the rest from the file itself, opened
// only when a read goes past the head.
class HeadInput final : public ByteInput {
public:
    explicit HeadInput(const SourceHead& head) : head_(head) {}
    bool read(uint8_t* into, size_t n) override
    {
        const std::vector<uint8_t>& bytes = head_.bytes;
        const size_t inHead = pos_ < bytes.size() ? std::min(n, bytes.size() - pos_) : 0;
        if (inHead != 0)
            std::memcpy(into, bytes.data() + pos_, inHead);
        pos_ += inHead;
        if (inHead == n)
            return true;
        if (head_.whole || !openRest())
            return false;
        const size_t got = std::fread(into + inHead, 1, n - inHead, rest_.get());
        pos_ += got;
        return got == n - inHead;
    }
    void skip(size_t n) override
    {
        pos_ += n;
        if (rest_)
            seekRest();
    }

private:
    bool openRest()
    {
        if (!rest_) {
            rest_ = openFile(head_.path, "rb");
            if (rest_)
                seekRest();
        }
        return bool(rest_);
    }
    void seekRest()
    {
        // Where a file read by itself would be (fseek past its end succeeds).
        std::fseek(rest_.get(), static_cast<long>(pos_), SEEK_SET);
    }

    const SourceHead& head_;
    size_t pos_ = 0;
    UniqueFile rest_;
};

enum class ScanGoal { CodingKind, ExifSegment };

struct ScanOutcome {
    int kind = kJpegUnknown;
    bool exifFound = false;
    uint16_t exifLength = 0;
    uint8_t identifier[6] = {};
};

// "Exif" compared as a zero-terminated string: the fifth byte must be zero.
bool isExifIdentifier(const uint8_t* id)
{
    return std::memcmp(id, "Exif", 5) == 0;
}

bool skippedByLength(uint8_t code)
{
    return (code >= 0xC0 && code <= 0xCF) || (code >= 0xD0 && code <= 0xD7) ||
           (code >= 0xDA && code <= 0xDF) || code == 0xE0 || (code >= 0xE2 && code <= 0xEF) ||
           code == 0xF0 || code == 0xFD || code == 0xFE;
}

ScanOutcome scanMarkers(ByteInput& in, ScanGoal goal)
{
    ScanOutcome out;
    for (;;) {
        uint8_t word[2];
        if (!in.read(word, 2) || word[0] != 0xFF)
            return out;
        const uint8_t code = word[1];
        if (code == 0xD8 || code == 0xD9)
            continue;
        if (goal == ScanGoal::CodingKind && code == 0xC0) {
            out.kind = kJpegBaseline;
            return out;
        }
        if (goal == ScanGoal::CodingKind && code == 0xC2) {
            out.kind = kJpegProgressive;
            return out;
        }
        if (code == 0xE1) {
            uint8_t head[8];  // length and six identifier bytes
            // Another identifier (or a short read): go on reading marker
            // words right after these eight bytes, inside that segment.
            if (!in.read(head, 8) || !isExifIdentifier(head + 2))
                continue;
            const uint16_t length = static_cast<uint16_t>(head[0] << 8 | head[1]);
            if (goal == ScanGoal::ExifSegment) {
                out.exifFound = true;
                out.exifLength = length;
                std::memcpy(out.identifier, head + 2, 6);
                return out;
            }
            if (length < 8)  // would point back into its own header
                return out;
            in.skip(length - 8u);
            continue;
        }
        if (!skippedByLength(code))
            return out;
        uint8_t lengthBytes[2];
        if (in.read(lengthBytes, 2)) {
            const uint16_t length = static_cast<uint16_t>(lengthBytes[0] << 8 | lengthBytes[1]);
            if (length < 2)
                return out;
            in.skip(length - 2u);
        }
    }
}

// --- TIFF structure ----------------------------------------------------------

// The reader takes type 13 as LONG, so links given that type are followed.
uint16_t asReadType(uint16_t type)
{
    return type == kTiffIfd ? static_cast<uint16_t>(kTiffLong) : type;
}

bool sourceValueInline(uint16_t type, uint32_t count)
{
    return tiffValueInline(asReadType(type), count);
}

// Bounds-checked host-order view of the TIFF data; reads outside give 0.
struct TiffView {
    const uint8_t* tiff;
    uint32_t length;

    uint16_t u16(uint64_t off) const
    {
        uint16_t v = 0;
        if (off + 2 <= length)
            std::memcpy(&v, tiff + off, 2);
        return v;
    }
    uint32_t u32(uint64_t off) const
    {
        uint32_t v = 0;
        if (off + 4 <= length)
            std::memcpy(&v, tiff + off, 4);
        return v;
    }
    // A directory is usable when at least its entry count can be read. None
    // starts inside the 8-byte header: 0 is how TIFF says "no directory".
    bool directoryInside(uint64_t off) const { return off >= 8 && off + 2 <= length; }

    // Entries that lie wholly inside the data, at most the stored count.
    uint32_t entriesIn(uint32_t dir) const
    {
        if (!directoryInside(dir))
            return 0;
        const uint32_t fit = (length - dir - 2) / 12;
        return std::min<uint32_t>(u16(dir), fit);
    }

    // Value of a link entry: a SHORT link holds its number in the first half.
    uint32_t linkValue(uint32_t entry) const
    {
        const uint16_t type = u16(entry + 2);
        if (type == kTiffShort || type == kTiffSShort)
            return u16(entry + 8);
        return u32(entry + 8);
    }

    // Valid entries are those whose value the caller can read in full.
    bool entryValid(uint32_t entry, uint16_t ifd) const
    {
        const uint16_t tag = u16(entry);
        const uint16_t type = u16(entry + 2);
        const uint32_t count = u32(entry + 4);
        const uint32_t size = sourceElementSize(type);
        if (size == 0)
            return false;  // unknown type: its length cannot be known
        const uint64_t bytes = static_cast<uint64_t>(size) * count;
        // A link below 8 (into the header) is not followed, yet the entry
        // is valid and the walk goes on past it.
        if (tag == kTagExifIfd && static_cast<uint64_t>(linkValue(entry)) + 2 > length)
            return false;
        if (ifd == 3 && tag == kTagThumbnailOffset)
            return linkValue(entry) + bytes <= length;  // its data is the thumbnail
        if (sourceValueInline(type, count))
            return true;
        return u32(entry + 8) + bytes <= length;
    }

    const uint8_t* entryData(uint32_t entry, uint16_t ifd) const
    {
        const uint16_t tag = u16(entry);
        if (ifd == 3 && tag == kTagThumbnailOffset)
            return tiff + linkValue(entry);
        if (sourceValueInline(u16(entry + 2), u32(entry + 4)))
            return tiff + entry + 8;
        return tiff + u32(entry + 8);
    }
};

bool isKnownMakerNote(const uint8_t* header)
{
    static const char* const kMakers[] = {"ORVEN", "OLYMP", "Nikon", "SANYO"};
    for (const char* maker : kMakers) {
        if (std::memcmp(header, maker, 6) == 0)  // with the terminating zero
            return true;
    }
    return false;
}

class SourceParser {
public:
    explicit SourceParser(ExifSourceReader& reader)
        : reader_(reader), tiff_(reader.segment.data() + kSegmentHeader),
          view_{tiff_, static_cast<uint32_t>(reader.segment.size() - kSegmentHeader)}
    {}

    // Finds the directories; false when they hold no valid entry at all.
    bool run()
    {
        reader_.motorola = tiff_[0] == 'M' && tiff_[1] == 'M';
        if (reader_.motorola) {
            converted_.assign(view_.length, 0);
            converted_[0] = converted_[1] = 1;  // "MM" reads the same both ways
            toHost(2, 2);
            toHost(4, 4);
        }
        const uint32_t ifd0 = view_.u32(4);
        if (view_.directoryInside(ifd0))
            offsets_[1] = ifd0;

        // Each parse may find the links of the directories after it.
        static const uint16_t kParseOrder[] = {1, 2, 3, 5, 4, 6};
        int valid = 0;
        for (uint16_t ifd : kParseOrder) {
            if (offsets_[ifd] != kAbsent)
                valid += parseDirectory(offsets_[ifd], ifd);
        }
        if (valid == 0)
            return false;

        reader_.tiff = tiff_;
        reader_.tiffLength = view_.length;
        const uint8_t** pointers[7] = {
            nullptr,         &reader_.ifd0,       &reader_.exifIfd,     &reader_.ifd1,
            &reader_.gpsIfd, &reader_.interopIfd, &reader_.makerNoteIfd};
        for (uint16_t ifd = 1; ifd <= 6; ++ifd)
            *pointers[ifd] = offsets_[ifd] == kAbsent ? nullptr : tiff_ + offsets_[ifd];
        if (makerNote_ != kAbsent)
            reader_.makerNote = tiff_ + makerNote_;
        if (thumbnailOffset_ != kAbsent &&
            static_cast<uint64_t>(thumbnailOffset_) + thumbnailLength_ <= view_.length) {
            reader_.thumbnail = tiff_ + thumbnailOffset_;
            reader_.thumbnailLength = thumbnailLength_;
        }
        return true;
    }

private:
    static constexpr uint32_t kAbsent = 0xFFFFFFFF;

    // Reverses one Motorola number in place; every byte is converted at most
    // once, so directories or values that share bytes stay consistent.
    void toHost(uint64_t off, uint32_t width)
    {
        if (off + width > view_.length)
            return;
        for (uint32_t i = 0; i < width; ++i) {
            if (converted_[off + i])
                return;
        }
        std::reverse(tiff_ + off, tiff_ + off + width);
        std::fill_n(converted_.begin() + static_cast<std::ptrdiff_t>(off), width, 1);
    }

    void entryToHost(uint32_t entry)
    {
        toHost(entry, 2);
        toHost(entry + 2, 2);
        toHost(entry + 4, 4);
        const uint16_t type = asReadType(view_.u16(entry + 2));
        const uint32_t count = view_.u32(entry + 4);
        const uint32_t size = tiffElementSize(type);
        if (size == 1 && count <= 4)
            return;  // bytes in the value field
        if (size == 2 && count <= 2) {
            toHost(entry + 8, 2);
            toHost(entry + 10, 2);
            return;
        }
        toHost(entry + 8, 4);  // one number or an offset
        if (size <= 1 || tiffValueInline(type, count))
            return;
        const uint64_t offset = view_.u32(entry + 8);
        const uint64_t bytes = static_cast<uint64_t>(size) * count;
        if (offset + bytes > view_.length)
            return;
        const uint32_t unit = (type == kTiffRational || type == kTiffSRational) ? 4 : size;
        for (uint64_t p = offset; p < offset + bytes; p += unit)
            toHost(p, unit);
    }

    int parseDirectory(uint32_t dir, uint16_t ifd)
    {
        if (reader_.motorola)
            toHost(dir, 2);
        const uint32_t stored = view_.u16(dir);
        const uint32_t fit = view_.entriesIn(dir);
        uint16_t previous = 0;  // so a first tag of 0 ends the walk
        int valid = 0;
        bool complete = true;
        for (uint32_t i = 0; i < stored; ++i) {
            if (i >= fit) {
                complete = false;
                break;
            }
            const uint32_t entry = dir + 2 + 12 * i;
            if (reader_.motorola)
                entryToHost(entry);
            const uint16_t tag = view_.u16(entry);
            if (tag <= previous) {
                complete = false;
                break;
            }
            if (!view_.entryValid(entry, ifd))
                continue;
            previous = tag;
            ++valid;
            takeLink(entry, ifd, tag);
        }
        if (ifd == 1 && complete) {
            const uint32_t linkAt = dir + 2 + 12 * stored;
            if (static_cast<uint64_t>(linkAt) + 4 <= view_.length) {
                if (reader_.motorola)
                    toHost(linkAt, 4);
                const uint32_t next = view_.u32(linkAt);
                if (next < kIfd1LinkLimit && view_.directoryInside(next))
                    offsets_[3] = next;
            }
        }
        return valid;
    }

    void takeLink(uint32_t entry, uint16_t ifd, uint16_t tag)
    {
        const uint32_t value = view_.linkValue(entry);
        if (ifd == 1 && (tag == kTagExifIfd || tag == kTagGpsIfd)) {
            if (view_.directoryInside(value))
                offsets_[tag == kTagExifIfd ? 2 : 4] = value;
        } else if (ifd == 2 && tag == kTagInteropIfd) {
            if (view_.directoryInside(value))
                offsets_[5] = value;
        } else if (ifd == 2 && tag == kTagMakerNote) {
            // Only a maker note stored at an offset can carry a header.
            if (sourceValueInline(view_.u16(entry + 2), view_.u32(entry + 4)))
                return;
            const uint64_t at = view_.u32(entry + 8);
            if (at + 6 > view_.length || !isKnownMakerNote(tiff_ + at))
                return;
            makerNote_ = static_cast<uint32_t>(at);
            if (view_.directoryInside(at + 8))
                offsets_[6] = static_cast<uint32_t>(at + 8);
        } else if (ifd == 3 && tag == kTagThumbnailOffset) {
            thumbnailOffset_ = value;  // entryValid checked it lies inside
        } else if (ifd == 3 && tag == kTagThumbnailLength) {
            thumbnailLength_ = value;
        }
    }

    ExifSourceReader& reader_;
    uint8_t* tiff_;
    TiffView view_;
    std::vector<uint8_t> converted_;  // Motorola only: bytes already in host order
    uint32_t offsets_[7] = {kAbsent, kAbsent, kAbsent, kAbsent, kAbsent, kAbsent, kAbsent};
    uint32_t makerNote_ = kAbsent;
    uint32_t thumbnailOffset_ = kAbsent;
    uint32_t thumbnailLength_ = 0;
};

std::unique_ptr<ExifSourceReader> readSource(ByteInput& in)
{
    const ScanOutcome scan = scanMarkers(in, ScanGoal::ExifSegment);
    // Below 16 bytes the segment cannot even hold a TIFF header.
    if (!scan.exifFound || scan.exifLength < kSegmentHeader - 2 + 8)
        return nullptr;
    try {
        auto reader = std::make_unique<ExifSourceReader>();
        std::vector<uint8_t>& segment = reader->segment;
        segment.assign(static_cast<size_t>(scan.exifLength) + 2, 0);
        segment[0] = 0xFF;
        segment[1] = 0xE1;
        std::memcpy(&segment[2], &scan.exifLength, 2);
        std::memcpy(&segment[4], scan.identifier, 6);
        if (!in.read(&segment[kSegmentHeader], segment.size() - kSegmentHeader))
            return nullptr;
        SourceParser parser(*reader);
        if (!parser.run())
            return nullptr;
        return reader;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace

uint32_t sourceElementSize(uint16_t type)
{
    return tiffElementSize(asReadType(type));
}

const uint8_t* ExifSourceReader::directory(uint16_t ifd) const
{
    switch (ifd) {
    case 1: return ifd0;
    case 2: return exifIfd;
    case 3: return ifd1;
    case 4: return gpsIfd;
    case 5: return interopIfd;
    case 6: return makerNoteIfd;
    default: return nullptr;
    }
}

int jpegCodingKind(const std::filesystem::path& path)
{
    const UniqueFile file = openFile(path, "rb");
    if (!file)
        return kJpegUnknown;
    FileInput in(file.get());
    return scanMarkers(in, ScanGoal::CodingKind).kind;
}

int jpegCodingKindOfBytes(const uint8_t* bytes, size_t size)
{
    if (bytes == nullptr)
        return kJpegUnknown;
    MemoryInput in(bytes, size);
    return scanMarkers(in, ScanGoal::CodingKind).kind;
}

SourceHead readSourceHead(const std::filesystem::path& path, size_t size)
{
    SourceHead head;
    head.path = path;
    const UniqueFile file = openFile(path, "rb");
    if (!file)
        return head;
    head.opened = true;
    head.bytes.resize(size);
    head.bytes.resize(std::fread(head.bytes.data(), 1, size, file.get()));
    head.whole = head.bytes.size() < size && !std::ferror(file.get());
    return head;
}

int jpegCodingKind(const SourceHead& head)
{
    if (!head.opened)
        return kJpegUnknown;
    HeadInput in(head);
    return scanMarkers(in, ScanGoal::CodingKind).kind;
}

std::unique_ptr<ExifSourceReader> readExifSource(const SourceHead& head)
{
    if (!head.opened)
        return nullptr;
    HeadInput in(head);
    return readSource(in);
}

std::unique_ptr<ExifSourceReader> readExifSource(const uint8_t* bytes, size_t size)
{
    if (bytes == nullptr)
        return nullptr;
    MemoryInput in(bytes, size);
    return readSource(in);
}

std::unique_ptr<ExifSourceReader> readExifSource(const std::filesystem::path& path)
{
    const UniqueFile file = openFile(path, "rb");
    if (!file)
        return nullptr;
    FileInput in(file.get());
    return readSource(in);
}

const uint8_t* nextExifEntry(const ExifSourceReader& reader, ExifEntryCursor& cursor)
{
    if (reader.tiff == nullptr)
        return nullptr;
    const TiffView view{reader.tiff, reader.tiffLength};
    auto nextDirectory = [&reader](uint16_t after) -> uint16_t {
        // Walk order IFD0, Exif, IFD1, GPS, Interoperability, maker note.
        for (uint16_t ifd = static_cast<uint16_t>(after + 1); ifd <= 6; ++ifd) {
            if (reader.directory(ifd) != nullptr)
                return ifd;
        }
        return 0;
    };

    uint16_t ifd = cursor.ifd;
    uint16_t tag = cursor.tag;
    if (ifd == 0) {
        ifd = nextDirectory(0);
        tag = 0;
    } else if (reader.directory(ifd) == nullptr) {
        return nullptr;
    }

    while (ifd != 0) {
        const uint32_t dir = static_cast<uint32_t>(reader.directory(ifd) - reader.tiff);
        const uint32_t entries = view.entriesIn(dir);
        uint32_t chosen = 0;
        bool found = false;
        if (tag == 0) {
            // A first tag of 0 could not be told from "not yet entered" on
            // the next call, and the parse stops there too: leave.
            chosen = dir + 2;
            found = entries > 0 && view.u16(chosen) != 0 && view.entryValid(chosen, ifd);
        } else {
            uint32_t i = 0;
            while (i < entries &&
                   !(view.u16(dir + 2 + 12 * i) == tag && view.entryValid(dir + 2 + 12 * i, ifd)))
                ++i;
            if (i + 1 < entries) {
                const uint32_t current = dir + 2 + 12 * i;
                chosen = current + 12;
                if (view.u16(chosen) <= view.u16(current))
                    return nullptr;  // out of order: the whole walk ends here
                found = view.entryValid(chosen, ifd);
            }
        }
        if (found) {
            cursor.tag = view.u16(chosen);
            cursor.type = view.u16(chosen + 2);
            cursor.count = view.u32(chosen + 4);
            cursor.rawValue = view.u32(chosen + 8);
            cursor.data = view.entryData(chosen, ifd);
            cursor.ifd = ifd;
            return reader.tiff + chosen;
        }
        ifd = nextDirectory(ifd);
        tag = 0;
    }
    return nullptr;
}
