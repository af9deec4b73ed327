// The start window shown until the main window exists.
#pragma once
#define IDD_PLACEHOLDER 9001
#define IDC_PLACEHOLDER_TEXT 9002
