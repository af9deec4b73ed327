// The test's host dialog: one control of each kind the widgets attach to.
#pragma once
#define IDD_WIDGET_HOST           9100
#define IDC_HOST_BUTTON           9101
#define IDC_HOST_STATIC           9102
#define IDC_HOST_EDIT             9103
#define IDC_HOST_COMBO            9104
#define IDC_HOST_TAB              9105
#define IDC_HOST_PROGRESS         9106
#define IDC_HOST_WINDOW           9107
#define IDC_HOST_FILE_LIST        9108
#define IDC_HOST_ICON_LIST        9109
#define IDC_HOST_OTHER_ICON_LIST  9110
#define IDC_HOST_PICTURE_BUTTON   9111
