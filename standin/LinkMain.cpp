// VidroLinkStandin: stands in for the photo suite's camera transfer
// application. Started without a command line, it reads "StartupTab" and
// "Folder" where the suite keeps them (registry for the newer cameras, the
// suite profile for the older ones) and, when asked for it, opens its
// transfer window on that folder; "カメラへ転送" copies the camera files onto a
// folder that stands for the camera's memory card.
#include "standin/CameraFolder.h"
#include "standin/LinkLog.h"
#include "standin/StandinNames.h"
#include "standin/StandinSupport.h"

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

using namespace standin;

namespace {

enum : int {
    IDC_FOLDER_TEXT = 100,
    IDC_FILE_LIST,
    IDC_STATUS,
    IDC_TRANSFER,
    IDC_CLOSE,
    IDC_INFO,
};
constexpr UINT_PTR kAutoCloseTimer = 1;
constexpr int kTileWidth = 80;
constexpr int kTileHeight = 60;
constexpr int kMargin = 12;
constexpr int kButtonHeight = 30;
const wchar_t kWindowClass[] = L"VidroLinkStandinWindow";

enum class Route { None, Registry, Profile };

struct Application {
    LinkLog log;
    Route route = Route::None;
    std::wstring registryStartup = L"missing";
    std::wstring profileStartup = L"missing";
    std::wstring folder;
    bool folderListed = false;
    std::vector<CameraFile> files;
    std::wstring cardRoot;
    DWORD autoCloseMs = 0;
    bool autoTransfer = false;
    HFONT font = nullptr;
    HWND folderText = nullptr;
    HWND list = nullptr;
    HWND status = nullptr;
    HWND transfer = nullptr;
    HWND close = nullptr;
    HWND info = nullptr;
};

Application g_app;

// Test switches: the installer's values, overridden by the command line.
void readSwitches(Application& app)
{
    const TestSettings settings = readTestSettings();
    std::wstring logPath = settings.logPath;
    app.autoCloseMs = settings.autoCloseMs;
    app.autoTransfer = settings.autoTransfer;
    app.cardRoot = readCardRoot();

    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    for (int i = 1; argv && i < argc; ++i) {
        auto is = [&](const wchar_t* name) {
            return (argv[i][0] == L'/' || argv[i][0] == L'-') &&
                   ::CompareStringOrdinal(argv[i] + 1, -1, name, -1, TRUE) == CSTR_EQUAL;
        };
        if (is(L"log") && i + 1 < argc)
            logPath = argv[++i];
        else if (is(L"autoclose") && i + 1 < argc)
            app.autoCloseMs = static_cast<DWORD>(std::wcstoul(argv[++i], nullptr, 10));
        else if (is(L"autotransfer"))
            app.autoTransfer = true;
        else if (is(L"card") && i + 1 < argc)
            app.cardRoot = argv[++i];
    }
    if (argv)
        ::LocalFree(argv);
    app.log = LinkLog(logPath);
}

// What the hand-off left for us: the registry route first, then the profile.
void readHandOff(Application& app)
{
    const SuiteKeys keys = findSuiteKeys();
    app.log.line(keys.suiteFound
                     ? L"suite-key\t" + keys.suiteName + L"\t" +
                           (keys.versionFound ? keys.versionName : std::wstring(L"none"))
                     : std::wstring(L"suite-key\tnone"));
    DWORD startup = 0;
    const bool haveRegistry =
        readDword(HKEY_LOCAL_MACHINE, keys.dialogKey, kValueStartupTab, startup);
    if (haveRegistry)
        app.registryStartup = hexValue(startup);
    app.log.line(L"registry-startuptab\t" + app.registryStartup);
    DWORD link = 0;
    app.log.line(L"registry-vidrolink\t" +
                 (readDword(HKEY_LOCAL_MACHINE, keys.dialogKey, kValueVidroLink, link)
                      ? hexValue(link)
                      : std::wstring(L"missing")));

    const std::wstring profile = suiteProfilePath();
    std::wstring profileStartup;
    const bool haveProfile = !profile.empty() && readProfileValue(profile, kProfileDialogSection,
                                                                  kValueStartupTab, profileStartup);
    if (haveProfile)
        app.profileStartup = profileStartup;
    app.log.line(L"profile-startuptab\t" + app.profileStartup);

    if (haveRegistry && startup == kStartupTabTransfer) {
        app.route = Route::Registry;
        readString(HKEY_CURRENT_USER, keys.filesKey, kValueFolder, app.folder);
    } else if (haveProfile && profileStartup == kProfileStartupTransfer) {
        app.route = Route::Profile;
        readProfileValue(profile, kProfileFilesSection, kValueFolder, app.folder);
    }
    static const wchar_t* const routeNames[] = {L"none", L"registry", L"profile"};
    app.log.line(std::wstring(L"route\t") + routeNames[static_cast<int>(app.route)]);
    if (app.route == Route::None)
        return;
    app.log.line(L"folder\t" + app.folder);
    app.folderListed = listCameraFiles(app.folder, app.files);
    if (!app.folderListed)
        app.log.line(L"folder-missing");
    for (const CameraFile& file : app.files) {
        std::wstring thumbnail;
        switch (file.state) {
        case ThumbnailState::Sound: thumbnail = L"sound"; break;
        case ThumbnailState::Decoded:
            thumbnail = L"thumbnail " + std::to_wstring(file.thumbnail.width) + L"x" +
                        std::to_wstring(file.thumbnail.height);
            break;
        case ThumbnailState::None: thumbnail = L"no thumbnail"; break;
        case ThumbnailState::Unreadable: thumbnail = L"unreadable thumbnail"; break;
        }
        app.log.line(L"listed\t" + file.name + L"\t" + std::to_wstring(file.size) + L"\t" +
                     thumbnail);
    }
}

std::wstring groupedNumber(unsigned long long value)
{
    std::wstring digits = std::to_wstring(value);
    for (std::size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, L",");
    return digits;
}

std::wstring thumbnailText(const CameraFile& file)
{
    switch (file.state) {
    case ThumbnailState::Sound: return L"音声";
    case ThumbnailState::Decoded:
        return L"あり（" + std::to_wstring(file.thumbnail.width) + L"×" +
               std::to_wstring(file.thumbnail.height) + L"）";
    case ThumbnailState::None: return L"なし";
    case ThumbnailState::Unreadable: break;
    }
    return L"読めません";
}

// One list tile: the thumbnail fitted into the tile, or a placeholder.
HBITMAP makeTile(HDC screen, const CameraFile& file, HFONT font)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kTileWidth;
    info.bmiHeader.biHeight = -kTileHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP tile = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!tile)
        return nullptr;
    HDC dc = ::CreateCompatibleDC(screen);
    HGDIOBJ oldBitmap = ::SelectObject(dc, tile);
    RECT whole = {0, 0, kTileWidth, kTileHeight};
    ::FillRect(dc, &whole, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    HBRUSH frame = ::CreateSolidBrush(RGB(160, 160, 160));

    const RgbPicture& picture = file.thumbnail;
    if (file.state == ThumbnailState::Decoded && picture.width && picture.height) {
        const int room = 2;
        const double scale = std::min(double(kTileWidth - 2 * room) / picture.width,
                                      double(kTileHeight - 2 * room) / picture.height);
        const int width = std::max(1, int(picture.width * scale + 0.5));
        const int height = std::max(1, int(picture.height * scale + 0.5));
        const int x = (kTileWidth - width) / 2;
        const int y = (kTileHeight - height) / 2;
        // Device-independent rows: BGR, padded to four bytes.
        const std::size_t stride = (std::size_t(picture.width) * 3 + 3) & ~std::size_t(3);
        std::vector<std::uint8_t> bgr(stride * picture.height, 0);
        for (unsigned row = 0; row < picture.height; ++row) {
            const std::uint8_t* in = picture.rgb.data() + std::size_t(row) * picture.width * 3;
            std::uint8_t* out = bgr.data() + row * stride;
            for (unsigned column = 0; column < picture.width; ++column) {
                out[3 * column] = in[3 * column + 2];
                out[3 * column + 1] = in[3 * column + 1];
                out[3 * column + 2] = in[3 * column];
            }
        }
        BITMAPINFO source = info;
        source.bmiHeader.biWidth = static_cast<LONG>(picture.width);
        source.bmiHeader.biHeight = -static_cast<LONG>(picture.height);
        ::SetStretchBltMode(dc, HALFTONE);
        ::SetBrushOrgEx(dc, 0, 0, nullptr);
        ::StretchDIBits(dc, x, y, width, height, 0, 0, static_cast<int>(picture.width),
                        static_cast<int>(picture.height), bgr.data(), &source, DIB_RGB_COLORS,
                        SRCCOPY);
        RECT border = {x - 1, y - 1, x + width + 1, y + height + 1};
        ::FrameRect(dc, &border, frame);
    } else {
        RECT box = {4, 4, kTileWidth - 4, kTileHeight - 4};
        HBRUSH fill = ::CreateSolidBrush(file.state == ThumbnailState::Sound ? RGB(225, 235, 250)
                                                                             : RGB(235, 235, 235));
        ::FillRect(dc, &box, fill);
        ::DeleteObject(fill);
        ::FrameRect(dc, &box, frame);
        const wchar_t* text = file.state == ThumbnailState::Sound  ? L"♪ WAV"
                              : file.state == ThumbnailState::None ? L"縮小画像\nなし"
                                                                   : L"縮小画像\n破損";
        HGDIOBJ oldFont = ::SelectObject(dc, font);
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, RGB(80, 80, 80));
        RECT measure = box;
        const int textHeight = ::DrawTextW(dc, text, -1, &measure, DT_CENTER | DT_CALCRECT);
        RECT place = box;
        place.top += (box.bottom - box.top - textHeight) / 2;
        ::DrawTextW(dc, text, -1, &place, DT_CENTER);
        ::SelectObject(dc, oldFont);
    }
    ::DeleteObject(frame);
    ::SelectObject(dc, oldBitmap);
    ::DeleteDC(dc);
    return tile;
}

HWND makeControl(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, int id)
{
    HWND control = ::CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 10,
                                     10, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                     ::GetModuleHandleW(nullptr), nullptr);
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(g_app.font), FALSE);
    return control;
}

void fillList(Application& app)
{
    HDC screen = ::GetDC(nullptr);
    HIMAGELIST images = ::ImageList_Create(kTileWidth, kTileHeight, ILC_COLOR24,
                                           static_cast<int>(app.files.size()) + 1, 1);
    for (const CameraFile& file : app.files) {
        HBITMAP tile = makeTile(screen, file, app.font);
        ::ImageList_Add(images, tile, nullptr);
        ::DeleteObject(tile);
    }
    ::ReleaseDC(nullptr, screen);
    ListView_SetImageList(app.list, images, LVSIL_SMALL);  // the list view frees it

    const struct {
        const wchar_t* title;
        int width;
        int format;
    } columns[] = {{L"ファイル名", 280, LVCFMT_LEFT},
                   {L"サイズ", 130, LVCFMT_RIGHT},
                   {L"縮小画像", 200, LVCFMT_LEFT}};
    for (int i = 0; i < 3; ++i) {
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = columns[i].format;
        column.cx = columns[i].width;
        column.pszText = const_cast<wchar_t*>(columns[i].title);
        ListView_InsertColumn(app.list, i, &column);
    }
    for (std::size_t i = 0; i < app.files.size(); ++i) {
        const CameraFile& file = app.files[i];
        LVITEMW item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = static_cast<int>(i);
        item.iImage = static_cast<int>(i);
        item.pszText = const_cast<wchar_t*>(file.name.c_str());
        const int index = ListView_InsertItem(app.list, &item);
        std::wstring size = groupedNumber(file.size) + L" バイト";
        std::wstring thumbnail = thumbnailText(file);
        ListView_SetItemText(app.list, index, 1, size.data());
        ListView_SetItemText(app.list, index, 2, thumbnail.data());
    }
}

std::wstring initialStatus(const Application& app)
{
    if (!app.folderListed)
        return L"フォルダが見つかりません。\r\n転送先（メモリーカードの代わり）: " +
               cardPictureFolder(app.cardRoot);
    return std::to_wstring(app.files.size()) +
           L" 個のファイル。\r\n転送先（メモリーカードの代わり）: " +
           cardPictureFolder(app.cardRoot);
}

void createTransferControls(HWND window, Application& app)
{
    app.folderText = makeControl(window, L"STATIC", (L"転送するフォルダ: " + app.folder).c_str(),
                                 SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS, IDC_FOLDER_TEXT);
    app.list = makeControl(
        window, WC_LISTVIEWW, L"",
        WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER, IDC_FILE_LIST);
    ListView_SetExtendedListViewStyle(app.list, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    app.status = makeControl(window, L"STATIC", initialStatus(app).c_str(), SS_LEFT | SS_NOPREFIX,
                             IDC_STATUS);
    app.transfer = makeControl(window, L"BUTTON", L"カメラへ転送", WS_TABSTOP | BS_DEFPUSHBUTTON,
                               IDC_TRANSFER);
    app.close = makeControl(window, L"BUTTON", L"閉じる", WS_TABSTOP | BS_PUSHBUTTON, IDC_CLOSE);
    ::EnableWindow(app.transfer, !app.files.empty());
    fillList(app);
}

void createMainControls(HWND window, Application& app)
{
    const std::wstring text = L"これは ORVEN Vidro!3 の転送アプリケーション VidroLink "
                              L"のスタンドイン（開発と試験のための代役）です。\r\n"
                              L"This is a stand-in for the photo suite's transfer application, for "
                              L"development and tests.\r\n\r\n"
                              L"転送ウィンドウは \"StartupTab\" が求めたときに開きます:\r\n"
                              L"  レジストリ \"StartupTab\" = 0x00000101、またはプロファイル "
                              L"\"Vidro!3.ini\" の \"StartupTab\" = 1\r\n\r\n"
                              L"いまの値: レジストリ " +
                              app.registryStartup + L"、プロファイル " + app.profileStartup +
                              L"\r\n" + L"メモリーカードの代わり: " +
                              cardPictureFolder(app.cardRoot);
    app.info = makeControl(window, L"STATIC", text.c_str(), SS_LEFT | SS_NOPREFIX, IDC_INFO);
    app.close = makeControl(window, L"BUTTON", L"閉じる", WS_TABSTOP | BS_DEFPUSHBUTTON, IDC_CLOSE);
}

void layout(HWND window, const Application& app)
{
    RECT client = {};
    ::GetClientRect(window, &client);
    const int width = client.right;
    const int height = client.bottom;
    const int buttonTop = height - kMargin - kButtonHeight;
    ::MoveWindow(app.close, width - kMargin - 100, buttonTop, 100, kButtonHeight, TRUE);
    if (app.info) {
        ::MoveWindow(app.info, kMargin, kMargin, width - 2 * kMargin, buttonTop - 2 * kMargin,
                     TRUE);
        return;
    }
    ::MoveWindow(app.transfer, width - kMargin - 100 - kMargin - 150, buttonTop, 150, kButtonHeight,
                 TRUE);
    ::MoveWindow(app.folderText, kMargin, kMargin, width - 2 * kMargin, 20, TRUE);
    const int statusTop = buttonTop - kMargin - 36;
    ::MoveWindow(app.status, kMargin, statusTop, width - 2 * kMargin, 36, TRUE);
    const int listTop = kMargin + 20 + 8;
    ::MoveWindow(app.list, kMargin, listTop, width - 2 * kMargin,
                 std::max(40, statusTop - 8 - listTop), TRUE);
}

void transferToCard(Application& app)
{
    const std::wstring card = cardPictureFolder(app.cardRoot);
    app.log.line(L"card\t" + card);
    std::size_t copied = 0;
    if (!createFolders(card)) {
        const DWORD code = ::GetLastError();
        for (const CameraFile& file : app.files)
            app.log.line(L"copy-failed\t" + file.name + L"\t" + std::to_wstring(code));
    } else {
        const std::wstring source = withBackslash(app.folder);
        for (const CameraFile& file : app.files) {
            if (::CopyFileW((source + file.name).c_str(), (card + file.name).c_str(), FALSE)) {
                ++copied;
                app.log.line(L"copied\t" + file.name);
            } else {
                app.log.line(L"copy-failed\t" + file.name + L"\t" +
                             std::to_wstring(::GetLastError()));
            }
        }
    }
    app.log.line(L"transferred\t" + std::to_wstring(copied) + L"\t" +
                 std::to_wstring(app.files.size()));
    const std::wstring text =
        copied == app.files.size()
            ? std::to_wstring(copied) + L" 個のファイルをカメラへ転送しました。\r\n転送先: " + card
            : std::to_wstring(app.files.size() - copied) +
                  L" 個のファイルを転送できませんでした。\r\n転送先: " + card;
    ::SetWindowTextW(app.status, text.c_str());
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Application& app = g_app;
    switch (message) {
    case WM_CREATE:
        if (app.route == Route::None)
            createMainControls(window, app);
        else
            createTransferControls(window, app);
        layout(window, app);
        return 0;
    case WM_SIZE: layout(window, app); return 0;
    case WM_GETMINMAXINFO: {
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMinTrackSize.x = 480;
        limits->ptMinTrackSize.y = 320;
        return 0;
    }
    case WM_CTLCOLORSTATIC:
        ::SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_TRANSFER && HIWORD(wParam) == BN_CLICKED && app.transfer &&
            ::IsWindowEnabled(app.transfer)) {
            transferToCard(app);
            return 0;
        }
        if ((LOWORD(wParam) == IDC_CLOSE || LOWORD(wParam) == IDCANCEL) &&
            HIWORD(wParam) == BN_CLICKED) {
            ::PostMessageW(window, WM_CLOSE, 0, 0);
            return 0;
        }
        break;
    case WM_TIMER:
        if (wParam == kAutoCloseTimer) {
            ::KillTimer(window, kAutoCloseTimer);
            app.log.line(L"autoclose");
            ::PostMessageW(window, WM_CLOSE, 0, 0);
            return 0;
        }
        break;
    case WM_DESTROY: ::PostQuitMessage(0); return 0;
    default: break;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

HFONT makeFont()
{
    HDC screen = ::GetDC(nullptr);
    const int pixelsPerInch = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    LOGFONTW font = {};
    font.lfHeight = -::MulDiv(9, pixelsPerInch, 72);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = SHIFTJIS_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    std::wcscpy(font.lfFaceName, L"MS UI Gothic");
    return ::CreateFontIndirectW(&font);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
    Application& app = g_app;
    readSwitches(app);
    app.log.line(L"begin\t" + std::to_wstring(::GetCurrentProcessId()));
    readHandOff(app);

    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    app.font = makeFont();

    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = kWindowClass;
    ::RegisterClassExW(&windowClass);

    const bool transferWindow = app.route != Route::None;
    HWND window = ::CreateWindowExW(
        0, kWindowClass, transferWindow ? kTransferWindowTitle : kMainWindowTitle,
        WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, transferWindow ? 760 : 640,
        transferWindow ? 560 : 300, nullptr, nullptr, instance, nullptr);
    if (!window) {
        app.log.line(L"end");
        return 1;
    }
    ::ShowWindow(window, show);
    ::UpdateWindow(window);
    app.log.line(transferWindow ? L"window\ttransfer" : L"window\tmain");
    if (app.autoTransfer && transferWindow)
        ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_TRANSFER, BN_CLICKED),
                       reinterpret_cast<LPARAM>(app.transfer));
    if (app.autoCloseMs)
        ::SetTimer(window, kAutoCloseTimer, app.autoCloseMs, nullptr);

    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (::IsDialogMessageW(window, &message))
            continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    ::DeleteObject(app.font);
    app.log.line(L"end");
    return 0;
}
