// Resource ids of Vxfsend: dialog templates with their controls, bitmaps,
// icons and the string table. Plain #defines only: read by windres and C++.
#pragma once

// ---------------------------------------------------------------------------
// Main window CUploadDlg: custom template of the old-style file-open dialog
#define IDD_UPLOAD                1537

// Controls of the window itself
#define IDC_CLOSE_BUTTON             2  // close (same id as IDCANCEL)
#define IDC_ADD_SELECTED          1006  // "->"
#define IDC_KEY_SHIFT             1007  // SHIFT check box
#define IDC_ADD_ALL               1008  // ">>"
#define IDC_REMOVE_SELECTED       1009  // "<-"
#define IDC_REMOVE_ALL            1010  // "<<"
#define IDC_MOVE_UP               1011  // MOVEU bitmap button
#define IDC_PREVIEW_CHECK         1012  // preview check box
#define IDC_MOVE_DOWN             1013  // MOVED bitmap button
#define IDC_PREVIEW_AREA          1017  // host area of the picture converter
#define IDC_BROWSE                1028  // choose the save-also folder
#define IDC_SAVE_PATH             1029  // save-also folder (read-only look)
#define IDC_SAVE_ALSO             1042  // save-also check box
#define IDC_SIZE_V                1043  // [V] standard size radio
#define IDC_SIZE_X                1044  // [X] fine size radio
#define IDC_SIZE_P                1045  // [P] panorama size radio
#define IDC_FILE_LIST             1047  // owner-drawn file list
#define IDC_UPLOAD                1605  // UPEXE bitmap button
#define IDC_CAPTURE_START         1606  // CAPSTA bitmap button
#define IDC_CAPTURE_END           1607  // CAPEND bitmap button
#define IDC_TAB                   1610  // tab control
#define IDC_PROGRESS              1612  // progress bar
#define IDC_CAPTURE_GUIDE         1618  // capture procedure text
#define IDC_UPLOAD_LIST_LABEL     1621
#define IDC_SIZE_GROUP            1623
#define IDC_SORT_LABEL            1624
#define IDC_CAPTURE_KEY           1625  // capture key combo
#define IDC_KEY_ALT               1627  // ALT/GRPH check box
#define IDC_KEY_CTRL              1628  // CTRL check box
#define IDC_CAPTURE_KEY_GROUP     1629
#define IDC_NEW_FOLDER            1630  // new folder (capture tab)
#define IDC_HINT_LINE             1631
#define IDC_UPLOAD_LIST           1634  // icon list box
#define IDC_SIZE_TEXT             1638  // pixel size of the previewed picture
#define IDC_FILE_TYPE             1657  // file-type combo
#define IDC_CAMERA_SWITCH         1661
#define IDC_SOUND_GROUP           1665
#define IDC_SOUND_SELECT          1666
#define IDC_SOUND_TEST            1667
#define IDC_SOUND_DELETE          1668

// Controls the common dialog drives (they live in the same template)
#define IDC_CURRENT_FOLDER        1088  // current-folder text
#define IDC_FILE_TYPE_LABEL       1089
#define IDC_FILE_NAME_LABEL       1090
#define IDC_DRIVE_LABEL           1091
#define IDC_CD_FILE_LIST          1120  // common dialog's own file list, kept hidden
#define IDC_FOLDER_LIST           1121
#define IDC_CD_FILE_TYPE          1136  // common dialog's own file-type combo, kept hidden
#define IDC_DRIVE_COMBO           1137
#define IDC_FILE_NAME_EDIT        1152  // hidden; typing into it steers the dialog
#define IDC_FOLDER_LABEL          1620

// ---------------------------------------------------------------------------
// About box
#define IDD_ABOUT                  100
#define IDC_ABOUT_PICTURE         1654  // shows bitmap IDB_SPLASH
#define IDM_ABOUT                   16  // system-menu command that opens it

// ---------------------------------------------------------------------------
// Picture converter: hidden host of the three imaging controls
#define IDD_CONVERTER              401
#define IDC_PICTURE_PREVIEW       1633  // visible preview picture
#define IDC_PICTURE_CANVAS        1648  // composes frames and thumbnails
#define IDC_PICTURE_WORKSPACE     1649  // loads and resizes pictures

// ---------------------------------------------------------------------------
// New-folder dialog (OK is IDOK)
#define IDD_NEW_FOLDER             402
#define IDC_NEW_FOLDER_NAME       1635
#define IDC_NEW_FOLDER_PARENT     1636  // read-only parent path

// ---------------------------------------------------------------------------
// Capture progress window
#define IDD_CAPTURE_PROGRESS       403
#define IDC_CAPTURE_PROGRESS_BAR  1642
#define IDC_CAPTURE_PERCENT       1643  // "100 %"
#define IDC_CAPTURE_ICON          1644  // icon IDI_APP
#define IDC_CAPTURE_FRAME         1646
#define IDC_CAPTURE_TEXT          1647  // "capturing..."

// ---------------------------------------------------------------------------
// Folder select dialog (OK is IDOK)
#define IDD_FOLDER_SELECT          404
#define IDC_FOLDER_TREE           1652
#define IDC_FOLDER_SELECT_NEW     1653  // new-folder button
#define IDC_FOLDER_SELECT_PATH    1655  // read-only selected path

// ---------------------------------------------------------------------------
// Camera switch dialog
#define IDD_CAMERA_SWITCH          405
#define IDC_CAMERA_LIST           1662
#define IDC_CAMERA_PROMPT         1663  // "choose the camera to upload to"

// ---------------------------------------------------------------------------
// Bitmaps. The five picture buttons load theirs by name (caption + U/D/F/X,
// e.g. "UPEXEU"), so they have no number here.
#define IDB_SPLASH                 301  // splash window and about box, 480 x 200
#define IDB_TAB_TRANSFER           302  // tab image 0
#define IDB_TAB_CAPTURE            303  // tab image 1
#define IDB_FOLDER_CLOSED          304  // folder tree image 0
#define IDB_FOLDER_OPEN            305  // folder tree image 1
#define IDB_SOUND_NONE             306  // upload entry without sound, 13 x 13
#define IDB_SOUND_ATTACHED         307  // upload entry with a sound
#define IDB_SOUND_GREYED           308  // with a sound, greyed while busy

// ---------------------------------------------------------------------------
// Icons
#define IDI_APP                    128  // window, minimised and drag icon

// ---------------------------------------------------------------------------
// Strings: application
#define IDS_ABOUT_MENU             101  // system-menu item "version information..."
#define IDS_APP_TITLE              102  // program name: captions, semaphore, hot-key atom
#define IDS_APP_VERSION            103  // "V1.30J"
#define IDS_TWAIN_NAME             104  // default TwainName
#define IDS_TWAIN_INI              105  // default TwainIni: the suite's profile file

// Strings: camera models
#define IDS_CAMERA_COUNT           200  // number of models; names follow from 201
#define IDS_CAMERA_KX10            201  // code 52 ('4')
#define IDS_CAMERA_KX20            202  // code 82 ('R')
#define IDS_CAMERA_KX30Z           203  // code 86 ('V')
#define IDS_CAMERA_KXORIN          204  // code 90 ('Z')
#define IDS_EXIF_SOFTWARE          206  // Exif software tag of converted pictures

// Strings: captions of the size radios
#define IDS_SIZE_V_640X480         250
#define IDS_SIZE_800X600           251  // unused
#define IDS_SIZE_X_1024X768        252
#define IDS_SIZE_P_1024X384        253
#define IDS_SIZE_X_1280X960        254
#define IDS_SIZE_P_1280X480        255
#define IDS_SIZE_X_1600X1200       256
#define IDS_SIZE_P_1600X600        257

// Strings: tabs
#define IDS_TAB_TRANSFER           500  // transfer to camera
#define IDS_TAB_CAPTURE            501  // screen capture
#define IDS_TAB_OPTION             502  // options (never inserted)

// Strings: file filter, entry prefixes, button and chooser texts
#define IDS_FILE_FILTER            510  // default Filter of the browser
#define IDS_PREFIX_V               512  // "[V] "
#define IDS_PREFIX_X               513  // "[X] "
#define IDS_PREFIX_P               514  // "[P] "
#define IDS_PREFIX_U               515  // "[U] " (unused)
#define IDS_SOUND_PLAY             516  // test play
#define IDS_SOUND_STOP             517  // stop playing
#define IDS_CHOOSER_OPEN           518  // open: OK button and title of the chooser
#define IDS_CHOOSER_CANCEL         519  // cancel

// Strings: the eight lines of the capture procedure, shown concatenated
#define IDS_CAPTURE_GUIDE_1        550
#define IDS_CAPTURE_GUIDE_2        551
#define IDS_CAPTURE_GUIDE_3        552
#define IDS_CAPTURE_GUIDE_4        553
#define IDS_CAPTURE_GUIDE_5        554
#define IDS_CAPTURE_GUIDE_6        555
#define IDS_CAPTURE_GUIDE_7        556
#define IDS_CAPTURE_GUIDE_8        557
#define IDS_CAPTURE_GUIDE_FIRST    IDS_CAPTURE_GUIDE_1
#define IDS_CAPTURE_GUIDE_LAST     IDS_CAPTURE_GUIDE_8

// Strings: messages
#define IDS_MSG_TOO_MANY_FILES     602  // too many files to upload
#define IDS_MSG_HOTKEY_IN_USE      603  // capture key may be used by another program
#define IDS_MSG_CREATE_FOLDER      604  // (name) the folder will be created
#define IDS_MSG_PICTURE_UNREADABLE 606  // picture file cannot be read
#define IDS_MSG_WORK_FOLDER_NOT_REMOVED 607  // work folder cannot be deleted
#define IDS_MSG_FOLDER_CREATE_FAILED 608 // creating the folder failed
#define IDS_MSG_WORK_FILE_ERROR    609  // work file error during conversion; continue?
#define IDS_MSG_CAPTURE_SAVE_FAILED 610 // file error while saving the capture
#define IDS_MSG_CAPTURE_FAILED     611  // error while capturing the screen
#define IDS_MSG_ESC_ABORT          612  // ESC pressed; abort?
#define IDS_MSG_CAPTURE_FOLDER_FULL 613 // folder holds no more captures
#define IDS_MSG_FILE_MISSING       615  // a needed file is missing; install again
#define IDS_MSG_SUITE_MISSING      616  // the photo suite is not installed
#define IDS_MSG_PLAYBACK_FAILED    618  // error while playing the sound
#define IDS_MSG_SOUND_NOT_ASSOCIATED 619 // the file cannot be associated
#define IDS_MSG_DROP_COPYRIGHT     620  // may the copyright information be deleted?
#define IDS_MSG_CONVERT_FAILED     621  // the converted file cannot be created
#define IDS_MSG_FOLDER_NAME_INVALID 622 // a folder name with characters Windows refuses

// Strings: hint line texts
#define IDS_HINT_DEFAULT           700  // program name; background and unlisted controls
#define IDS_HINT_CURRENT_FOLDER    701
#define IDS_HINT_FILE_TYPE         702
#define IDS_HINT_FOLDER_LIST_TRANSFER 703
#define IDS_HINT_FOLDER_LIST_CAPTURE 704
#define IDS_HINT_FILE_LIST_TRANSFER 705
#define IDS_HINT_FILE_LIST_CAPTURE 706
#define IDS_HINT_DRIVE             707
#define IDS_HINT_ADD_ALL           708
#define IDS_HINT_ADD_SELECTED      709
#define IDS_HINT_REMOVE_SELECTED   710
#define IDS_HINT_REMOVE_ALL        711
#define IDS_HINT_UPLOAD_LIST_KX10  712  // upload list, code 52
#define IDS_HINT_PREVIEW_CHECK     713
#define IDS_HINT_PREVIEW_AREA      714
#define IDS_HINT_SIZE_TEXT         715
#define IDS_HINT_MOVE_UP           716
#define IDS_HINT_MOVE_DOWN         717
#define IDS_HINT_SAVE_ALSO         718
#define IDS_HINT_BROWSE            719
#define IDS_HINT_SAVE_PATH         720
#define IDS_HINT_SIZE_V            721
#define IDS_HINT_SIZE_X_KX10       722  // [X] radio, code 52
#define IDS_HINT_SIZE_P_KX10       723  // [P] radio, code 52
#define IDS_HINT_UPLOAD            724
#define IDS_HINT_CAPTURE_START     725
#define IDS_HINT_CAPTURE_END       726
#define IDS_HINT_CAPTURE_GUIDE     727
#define IDS_HINT_NEW_FOLDER        728
#define IDS_HINT_KEY_ALT           729
#define IDS_HINT_KEY_CTRL          730
#define IDS_HINT_KEY_SHIFT         731
#define IDS_HINT_CAPTURE_KEY       732
#define IDS_HINT_PROGRESS          733
#define IDS_HINT_HINT_LINE         734
#define IDS_HINT_TAB               735
#define IDS_HINT_CLOSE             736
#define IDS_HINT_CAMERA_SWITCH     737
#define IDS_HINT_SIZE_X_KX20       738  // [X] radio, codes 82 and 86
#define IDS_HINT_UPLOAD_LIST_KX20  739  // upload list, codes 82 and 86
#define IDS_HINT_SIZE_P_KX20       740  // [P] radio, codes 82 and 86
#define IDS_HINT_SIZE_P_KXORIN     741  // [P] radio, code 90
#define IDS_HINT_UPLOAD_LIST_KXORIN 742 // upload list, code 90
#define IDS_HINT_SIZE_X_KXORIN     743  // [X] radio, code 90
#define IDS_HINT_SOUND_SELECT      744
#define IDS_HINT_SOUND_TEST        745
#define IDS_HINT_SOUND_DELETE      746
