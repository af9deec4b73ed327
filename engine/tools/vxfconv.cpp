// vxfconv: the upload job's conversion from the command line. Pictures (and
// the sounds given with them) become camera files in a destination folder,
// named and numbered exactly as an upload names them; nothing is handed to
// the transfer application. The job's questions are answered by a rule
// given on the command line, its messages are printed.
#include "base/PathText.h"
#include "engine/ConvertAhead.h"
#include "engine/PortableUploadHost.h"
#include "engine/UploadJob.h"

#include "engine/PictureConversion.h"
#include "imaging/ImagingApi.h"
#include "resources/VxfsendRes.h"
#include "sound/SoundConvert.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;

constexpr int kExitConverted = 0;
constexpr int kExitSomeFailed = 1;
constexpr int kExitUsage = 2;

// More threads than this only cost memory.
constexpr int kMostJobs = 64;

const char kUsage[] =
    "Usage: vxfconv -o FOLDER [options] [--size CLASS] [--sound WAV] PICTURE...\n"
    "\n"
    "Converts JPEG and BMP pictures into camera pictures (baseline Exif JPEG of\n"
    "the camera's size, the picture fitted onto the frame, with thumbnail and\n"
    "camera metadata) and the sounds given with them into camera sounds, named\n"
    "and numbered as an upload names them: MMDDnnnn.jpg and MMDDnnnn.wav, the\n"
    "numbers free in the folder, in the order given.\n"
    "\n"
    "  -o, --dest FOLDER    destination folder; its last component is created\n"
    "                       when missing. Files already there are kept.\n"
    "  -c, --camera CODE    camera model 52, 82, 86 or 90 (default 90)\n"
    "  -s, --size CLASS     size class of the pictures that follow: V standard\n"
    "                       640 x 480, X fine, P panorama (by model; default V)\n"
    "  -w, --sound WAV      PCM WAV sound for the next picture\n"
    "      --date DATE      date and time of names, sounds and pictures,\n"
    "                       \"YYYY-MM-DD\" or \"YYYY-MM-DD hh:mm:ss\" (default: now)\n"
    "      --fill RRGGBB    colour of the frame around the picture (default 000000)\n"
    "      --on-error RULE  answer to the job's question after a failed entry:\n"
    "                       skip  = OK: leave the entry out and go on (default)\n"
    "                       stop  = Cancel: end the job and delete every file this\n"
    "                               run wrote (a failed sound alone only ends it)\n"
    "  -j, --jobs N         convert up to N pictures at once (default: one per\n"
    "                       processor); names, files and lines stay as with 1\n"
    "      --progress, --no-progress\n"
    "                       progress bar on standard error (default: when it is\n"
    "                       a terminal)\n"
    "  -q, --quiet          no line per entry, only messages and the summary\n"
    "  -h, --help           this text\n"
    "\n"
    "Ctrl-C stops the job as ESC does in the program: what this run wrote is\n"
    "deleted again.\n"
    "\n"
    "Exit status: 0 when every picture and every sound was converted, 1 when\n"
    "any was not, 2 for a wrong command line or an unusable destination.\n";

// Lock-free, so the handler may set it and every converting thread read it.
std::atomic<bool> interrupted{false};

extern "C" void onInterrupt(int)
{
    interrupted = true;
    std::signal(SIGINT, SIG_DFL);  // a second Ctrl-C ends at once
}

bool isTerminal(std::FILE* stream)
{
#ifdef _WIN32
    return _isatty(_fileno(stream)) != 0;
#else
    return ::isatty(::fileno(stream)) != 0;
#endif
}

void put(std::FILE* stream, const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stream);
}

std::string u8(const std::wstring& text)
{
    return utf8FromWide(text);
}

// The file name of a path, for short lines.
std::string leaf(const std::wstring& path)
{
    return u8(fromFsPath(toFsPath(path).filename()));
}

std::string pictureReason(int code)
{
    switch (code) {
    case kConvertProgressive: return "progressive JPEG, which the cameras cannot take";
    case vximg::kErrFileOpen: return "cannot open the picture (missing or not readable)";
    case vximg::kErrFileRead: return "read error in the picture file";
    case vximg::kErrUnknownFormat: return "neither a JPEG nor a BMP picture";
    case vximg::kErrTruncated: return "the picture file ends before its picture data";
    case vximg::kErrCorrupt: return "damaged picture data";
    case vximg::kErrUnsupported: return "a kind of picture that is not supported";
    case vximg::kErrTooLarge: return "the picture is too large";
    case vximg::kErrNoMemory: return "out of memory";
    default: return "error " + std::to_string(code);
    }
}

std::string soundReason(const UploadEntryReport& entry)
{
    if (entry.soundResult == kConvertNoSource)
        return "cannot read the sound (missing, not readable, or not a WAV file)";
    if (entry.soundResult == kConvertFailed)
        return "the sound is not a PCM WAV of 1 or 2 channels, or it could not be written";
    return "the camera sound could not be written (no room?)";
}

std::string sizeText(PackedSize size)
{
    return std::to_string(packedWidth(size)) + "x" + std::to_string(packedHeight(size));
}

bool parseHexColour(const std::string& text, int32_t& colour)
{
    std::string digits = text;
    if (digits.rfind("0x", 0) == 0 || digits.rfind("0X", 0) == 0)
        digits = digits.substr(2);
    else if (!digits.empty() && digits[0] == '#')
        digits = digits.substr(1);
    if (digits.size() != 6)
        return false;
    char* end = nullptr;
    const unsigned long rgb = std::strtoul(digits.c_str(), &end, 16);
    if (end == nullptr || *end != '\0')
        return false;
    // The frame colour is taken as 0x00BBGGRR.
    const uint32_t r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    colour = static_cast<int32_t>(b << 16 | g << 8 | r);
    return true;
}

bool parseDate(const std::string& text, CameraDateTime& when)
{
    CameraDateTime t;
    char sep = ' ';
    int consumed = 0;
    const int fields = std::sscanf(text.c_str(), "%4d-%2d-%2d%n%c%2d:%2d:%2d", &t.year, &t.month,
                                   &t.day, &consumed, &sep, &t.hour, &t.minute, &t.second);
    if (fields == 3 && static_cast<size_t>(consumed) == text.size()) {
        t.hour = t.minute = t.second = 0;
    } else if (fields != 7 || (sep != ' ' && sep != 'T')) {
        return false;
    }
    static const int days[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (t.year < 1 || t.year > 9999 || t.month < 1 || t.month > 12 || t.day < 1 ||
        t.day > days[t.month - 1] || t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59 ||
        t.second < 0 || t.second > 59)
        return false;
    when = t;
    return true;
}

struct Request {
    std::wstring picture;
    SizeClass sizeClass = SizeClass::Standard;
    std::wstring sound;
};

struct Options {
    std::wstring destination;
    int32_t camera = kDefaultCameraCode;
    bool haveDate = false;
    CameraDateTime date;
    int32_t fill = 0;
    bool stopOnError = false;
    int jobs = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    int progress = -1;  // -1: when standard error is a terminal
    bool quiet = false;
    std::vector<Request> requests;
};

// Prints the job's boxes, answers its questions by the rule, draws the
// bar, and writes a line per entry.
class ConsoleUi : public UploadUi, public ProgressBar {
public:
    ConsoleUi(const Options& options, bool bar) : options_(options), bar_(bar) {}

    int showMessage(const UploadMessage& message) override
    {
        clearBar();
        std::string text;
        switch (message.messageId) {
        case IDS_MSG_CONVERT_FAILED:
            text = message.subject.empty()
                       ? "cannot create files in the destination folder " + u8(options_.destination)
                       : u8(message.subject) + ": cannot create the converted file";
            break;
        case IDS_MSG_FOLDER_CREATE_FAILED:
            text = "the folder could not be created or entered";
            break;
        case IDS_MSG_WORK_FOLDER_NOT_REMOVED: text = "the work folder could not be removed"; break;
        case IDS_MSG_TOO_MANY_FILES:
            text = "too many files: no free number left for the day";
            break;
        default: text = "message " + std::to_string(message.messageId); break;
        }
        if (message.withCode)
            text += " [" + std::to_string(message.code) + "]";
        int answer = UploadMessage::kPressedOk;
        if (message.boxType == UploadMessage::kOkCancel) {
            answer =
                options_.stopOnError ? UploadMessage::kPressedCancel : UploadMessage::kPressedOk;
            text += options_.stopOnError ? " - stopping" : " - skipped";
        } else if (message.boxType == UploadMessage::kYesNo) {
            answer = UploadMessage::kPressedNo;
        }
        put(stderr, "vxfconv: " + text + "\n");
        std::fflush(stderr);
        ++messages;
        return answer;
    }

    void entryBegins(size_t index, size_t count, const std::wstring& source) override
    {
        index_ = index;
        count_ = count;
        name_ = leaf(source);
        percent_ = 0;
        drawBar();
    }

    void entryDone(const UploadEntryReport& entry) override
    {
        reached = entry.index + 1;
        const Request& request = options_.requests[entry.index];
        std::string line = "[" + std::to_string(entry.index + 1) + "/" + std::to_string(count_) +
                           "] " + u8(entry.source);
        bool whole = false;
        switch (entry.outcome) {
        case EntryOutcome::Converted:
            line += " -> " + leaf(entry.picture) + " (" + sizeText(sizeOf(request)) + ")";
            if (!entry.sound.empty())
                line += " + " + leaf(entry.sound);
            if (entry.soundFailed)
                line += "; sound " + u8(request.sound) + " not converted: " + soundReason(entry);
            whole = !entry.soundFailed;
            ++converted;
            if (!entry.sound.empty())
                ++sounds;
            break;
        case EntryOutcome::PictureFailed:
            line += ": not converted: " + pictureReason(entry.pictureResult);
            if (!entry.sound.empty()) {
                line += " (its sound " + leaf(entry.sound) + " was written)";
                ++sounds;
            }
            break;
        case EntryOutcome::PictureEmpty:
            line += ": not converted: the written picture was empty or cut short (no room?)";
            break;
        case EntryOutcome::Cancelled:
            line += ": not converted: ";
            if (entry.soundFailed && entry.pictureResult == 0 && entry.picture.empty())
                line += soundReason(entry);
            else if (entry.pictureResult != 0)
                line += pictureReason(entry.pictureResult);
            else
                line += "the written picture was empty or cut short (no room?)";
            line += "; the job stops";
            break;
        case EntryOutcome::Aborted: line += ": stopped"; break;
        }
        if (!whole)
            ++incomplete;
        if (!options_.quiet) {
            clearBar();
            put(stdout, line + "\n");
            std::fflush(stdout);
        }
    }

    void setRange(int, int) override {}
    void setPosition(int position) override
    {
        percent_ = position;
        drawBar();
    }

    void finish() { clearBar(); }

    PackedSize sizeOf(const Request& request) const
    {
        const CameraModel* model = cameraModelByCode(options_.camera);
        return model != nullptr ? modelSize(*model, request.sizeClass) : kSize640x480;
    }

    size_t reached = 0;
    size_t converted = 0;
    size_t sounds = 0;
    size_t incomplete = 0;  // entries without their picture or their sound
    int messages = 0;

private:
    void drawBar()
    {
        if (!bar_ || count_ == 0)
            return;
        constexpr int kWidth = 30;
        const double done = (static_cast<double>(index_) + percent_ / 100.0) / count_;
        const int filled = static_cast<int>(done * kWidth + 0.5);
        std::string text = "\r[";
        for (int i = 0; i < kWidth; ++i)
            text += i < filled ? '#' : '.';
        char tail[64];
        std::snprintf(tail, sizeof tail, "] %3d%%  %zu/%zu ", static_cast<int>(done * 100 + 0.5),
                      index_ + 1, count_);
        text += tail;
        text += name_.size() > 30 ? name_.substr(0, 27) + "..." : name_;
        text += "\033[K";
        put(stderr, text);
        std::fflush(stderr);
        shown_ = true;
    }
    void clearBar()
    {
        if (!shown_)
            return;
        put(stderr, "\r\033[K");
        std::fflush(stderr);
        shown_ = false;
    }

    const Options& options_;
    bool bar_;
    bool shown_ = false;
    size_t index_ = 0;
    size_t count_ = 0;
    int percent_ = 0;
    std::string name_;
};

int usageError(const std::string& text)
{
    put(stderr, "vxfconv: " + text + "\nTry 'vxfconv --help'.\n");
    return kExitUsage;
}

int run(const std::vector<std::wstring>& args)
{
    Options options;
    SizeClass sizeClass = SizeClass::Standard;
    std::wstring pendingSound;
    bool onlyPictures = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string arg = u8(args[i]);
        auto value = [&](std::wstring& out) {
            if (i + 1 >= args.size())
                return false;
            out = args[++i];
            return true;
        };
        std::wstring text;
        if (onlyPictures || arg.empty() || arg[0] != '-' || arg == "-") {
            Request request;
            request.picture = args[i];
            request.sizeClass = sizeClass;
            request.sound = pendingSound;
            pendingSound.clear();
            options.requests.push_back(request);
        } else if (arg == "--") {
            onlyPictures = true;
        } else if (arg == "-h" || arg == "--help") {
            put(stdout, kUsage);
            return kExitConverted;
        } else if (arg == "-o" || arg == "--dest") {
            if (!value(options.destination))
                return usageError(arg + " needs a folder");
        } else if (arg == "-c" || arg == "--camera") {
            if (!value(text))
                return usageError(arg + " needs a camera code");
            const std::string code = u8(text);
            options.camera = std::atoi(code.c_str());
            if (cameraModelByCode(options.camera) == nullptr ||
                code != std::to_string(options.camera))
                return usageError("unknown camera code " + code + " (52, 82, 86 or 90)");
        } else if (arg == "-s" || arg == "--size") {
            if (!value(text))
                return usageError(arg + " needs V, X or P");
            const std::string cls = u8(text);
            if (cls == "V" || cls == "v" || cls == "[V]")
                sizeClass = SizeClass::Standard;
            else if (cls == "X" || cls == "x" || cls == "[X]")
                sizeClass = SizeClass::Fine;
            else if (cls == "P" || cls == "p" || cls == "[P]")
                sizeClass = SizeClass::Panorama;
            else
                return usageError("unknown size class " + cls + " (V, X or P)");
        } else if (arg == "-w" || arg == "--sound") {
            if (!value(pendingSound))
                return usageError(arg + " needs a WAV file");
            if (pendingSound.size() >= kSoundPathLength)
                return usageError("sound path too long (at most " +
                                  std::to_string(kSoundPathLength - 1) + " characters)");
        } else if (arg == "--date") {
            if (!value(text) || !parseDate(u8(text), options.date))
                return usageError("--date needs YYYY-MM-DD or \"YYYY-MM-DD hh:mm:ss\"");
            options.haveDate = true;
        } else if (arg == "--fill") {
            if (!value(text) || !parseHexColour(u8(text), options.fill))
                return usageError("--fill needs a colour RRGGBB");
        } else if (arg == "--on-error") {
            if (!value(text))
                return usageError("--on-error needs skip or stop");
            if (u8(text) == "skip")
                options.stopOnError = false;
            else if (u8(text) == "stop")
                options.stopOnError = true;
            else
                return usageError("--on-error needs skip or stop");
        } else if (arg == "-j" || arg == "--jobs") {
            if (!value(text))
                return usageError(arg + " needs a number of pictures");
            const std::string count = u8(text);
            options.jobs = std::atoi(count.c_str());
            if (options.jobs < 1 || options.jobs > kMostJobs ||
                count != std::to_string(options.jobs))
                return usageError(arg + " needs a number from 1 to " + std::to_string(kMostJobs));
        } else if (arg == "--progress") {
            options.progress = 1;
        } else if (arg == "--no-progress") {
            options.progress = 0;
        } else if (arg == "-q" || arg == "--quiet") {
            options.quiet = true;
        } else {
            return usageError("unknown option " + arg);
        }
    }
    if (!pendingSound.empty())
        return usageError("--sound " + u8(pendingSound) + " is not followed by a picture");
    if (options.destination.empty())
        return usageError("no destination folder (-o FOLDER)");
    if (options.requests.empty())
        return usageError("no pictures");

    const bool bar = options.progress == 1 || (options.progress == -1 && isTerminal(stderr));
    ConsoleUi ui(options, bar);
    PortableUploadFiles files;
    StandaloneConverter converter;

    // The destination as the save folder: the files stay there.
    AppSettings settings;
    settings.cameraCode = options.camera;
    settings.JpegBaseColor = options.fill;
    settings.CehckSeve = 1;
    settings.PathSave = settings.TwainPath = options.destination;
    settings.PathTemp = options.destination;
    if (!files.ensureFolder(options.destination, ui)) {
        put(stderr, "vxfconv: cannot use the destination folder " + u8(options.destination) +
                        " (is its parent there?)\n");
        return kExitUsage;
    }

    std::vector<std::wstring> paths;
    std::vector<UploadEntry> entries;
    std::vector<ConvertAhead::Picture> pictures;
    for (const Request& request : options.requests) {
        UploadEntry entry;
        entry.item.targetSize = ui.sizeOf(request);
        if (!request.sound.empty()) {
            setSoundPath(entry.item, request.sound);
            entry.iconId = kIconSoundGreyed;
        }
        paths.push_back(request.picture);
        entries.push_back(entry);
        pictures.push_back({toFsPath(request.picture), entry.item.targetSize});
    }

    const CameraDateTime when = options.haveDate ? options.date : currentLocalTime();
    converter.conversion().setClock([when] { return when; });
    converter.conversion().setProgressHook([&converter](int) {
        if (interrupted)
            converter.conversion().CancelUpload();
    });
    std::signal(SIGINT, onInterrupt);

    UploadServices services{ui, files, converter.conversion(), nullptr, [when] { return when; }};
    const auto start = std::chrono::steady_clock::now();
    std::optional<ConvertAhead> ahead;
    if (options.jobs > 1 && options.requests.size() > 1) {
        ahead.emplace(
            std::move(pictures), toFsPath(options.destination), settings, [when] { return when; },
            static_cast<size_t>(options.jobs), [] { return interrupted.load(); });
        services.convertPicture =
            [&ahead, &converter](size_t index, const fs::path& source, const fs::path& destination,
                                 PackedSize targetSize, PackedSize thumbnailSize,
                                 const AppSettings& jobSettings) {
                return ahead->convert(converter.conversion(), index, source, destination,
                                      targetSize, thumbnailSize, jobSettings);
            };
    }
    UploadJobReport report;
    UploadJob(paths, entries, &ui, settings, services, &report);
    // Whatever the workers converted that the job did not take goes now,
    // before the summary says what is left.
    ahead.reset();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::signal(SIGINT, SIG_DFL);
    ui.finish();

    if (report.destinationRefused || report.folderFailed)
        return kExitUsage;

    const size_t total = options.requests.size();
    if (!options.quiet) {
        for (size_t i = ui.reached; i < total; ++i)
            put(stdout, "[" + std::to_string(i + 1) + "/" + std::to_string(total) + "] " +
                            u8(options.requests[i].picture) + ": not converted: " +
                            (report.numberLimit ? "no free number left for the day (1000 used)"
                                                : "the job stopped before it") +
                            "\n");
    }
    size_t wanted = 0;
    for (const Request& request : options.requests)
        wanted += request.sound.empty() ? 0 : 1;
    char timing[64];
    std::snprintf(timing, sizeof timing, "%.2f s", seconds);
    std::string summary =
        std::to_string(ui.converted) + " of " + std::to_string(total) + " pictures converted";
    if (wanted > 0)
        summary += ", " + std::to_string(ui.sounds) + " of " + std::to_string(wanted) + " sounds";
    if (report.aborted)
        summary += "; stopped: the files of this run were deleted again";
    else
        summary += " into " + u8(options.destination);
    summary += " (" + std::string(timing) + ")";
    put(stdout, summary + "\n");
    std::fflush(stdout);
    const bool everyEntry = ui.reached == total && ui.incomplete == 0;
    return everyEntry && !report.aborted ? kExitConverted : kExitSomeFailed;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv)
{
    if (isTerminal(stdout) || isTerminal(stderr))
        ::SetConsoleOutputCP(CP_UTF8);
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    return run(args);
}
#else
int main(int argc, char** argv)
{
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(wideFromUtf8(argv[i]));
    return run(args);
}
#endif
