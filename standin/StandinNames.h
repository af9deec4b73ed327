// Names shared by the stand-in photo suite's installer, its transfer
// application and their tests. The suite's own keys, values and profile
// entries are those the hand-off uses; the "VidroStandin" key is ours.
#pragma once

namespace standin {

// The suite, as the hand-off finds it.
inline constexpr wchar_t kOrvenKey[] = L"SOFTWARE\\Orven";
inline constexpr wchar_t kSuitePrefix[] = L"ORVEN Vidro!3 Ver.";
inline constexpr unsigned kSuitePrefixLength = 18;
inline constexpr wchar_t kDialogSubkey[] = L"MainDialog";  // local machine
inline constexpr wchar_t kFilesSubkey[] = L"Files";        // current user
inline constexpr wchar_t kValueAppExe[] = L"AppExe";
inline constexpr wchar_t kValueStartupTab[] = L"StartupTab";
inline constexpr wchar_t kValueVidroLink[] = L"VidroLink";
inline constexpr wchar_t kValueFolder[] = L"Folder";
inline constexpr unsigned kFolderValueBytes = 260;
inline constexpr unsigned long kStartupTabTransfer = 0x101;
inline constexpr unsigned long kStartupTabIdle = 0xFFFFFFFF;

// The suite profile in the Windows directory.
inline constexpr wchar_t kProfileName[] = L"Vidro!3.ini";
inline constexpr wchar_t kProfileDialogSection[] = L"MainDialog";
inline constexpr wchar_t kProfileFilesSection[] = L"Files";
inline constexpr wchar_t kProfileStartupTransfer[] = L"1";

// Our marks: suite keys and the profile the installer made carry them, and
// only marked ones are removed again.
inline constexpr wchar_t kValueInstalledBy[] = L"InstalledBy";
inline constexpr wchar_t kInstallerName[] = L"VidroStandinSetup";
inline constexpr wchar_t kProfileStandinSection[] = L"Standin";

// The stand-in's own settings (current user).
inline constexpr wchar_t kStandinKey[] = L"SOFTWARE\\VidroStandin";
inline constexpr wchar_t kValueCardRoot[] = L"CardRoot";
inline constexpr wchar_t kTestSubkey[] = L"StandinTest";
inline constexpr wchar_t kValueLogPath[] = L"LogPath";
inline constexpr wchar_t kValueAutoCloseMs[] = L"AutoCloseMs";
inline constexpr wchar_t kValueAutoTransfer[] = L"AutoTransfer";

// Installer defaults.
inline constexpr wchar_t kDefaultVersion[] = L"3.00";
inline constexpr wchar_t kDefaultVersionSubkey[] = L"3.0";
inline constexpr wchar_t kAppFileName[] = L"VidroLinkStandin.exe";

// The memory card: <card root>\DCIM\100ORVEN\.
inline constexpr wchar_t kCardPictureFolder[] = L"DCIM\\100ORVEN";

// Window titles of the transfer application.
inline constexpr wchar_t kMainWindowTitle[] = L"VidroLink スタンドイン";
inline constexpr wchar_t kTransferWindowTitle[] = L"VidroLink スタンドイン - カメラへ転送";

}  // namespace standin
