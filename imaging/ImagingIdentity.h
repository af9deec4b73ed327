// The one place that names our imaging component on Windows: its DLL, its
// class id, its window class and its exported entries. The class id is our
// own (generated for this component); never register ours under another
// product's id.
#pragma once

#define VXIMAGING_DLL_NAME L"VxImaging.dll"
#define VXIMAGING_CLSID_TEXT L"{961B8B4B-D377-47B1-8FF9-36CA46883864}"
#define VXIMAGING_CLSID_KEY L"CLSID\\" VXIMAGING_CLSID_TEXT
#define VXIMAGING_DESCRIPTION L"Vxfsend imaging control"
// Window class of the control (a global class: dialog templates may use it
// once VxImagingInit has run).
#define VXIMAGING_WINDOW_CLASS L"VxImagingView"

// Exported entries, looked up with GetProcAddress.
#define VXIMAGING_ENTRY_REGISTER "DllRegisterServer"
#define VXIMAGING_ENTRY_UNREGISTER "DllUnregisterServer"
#define VXIMAGING_ENTRY_INIT "VxImagingInit"
#define VXIMAGING_ENTRY_CREATE "VxImagingCreate"
#define VXIMAGING_ENTRY_FROM_WINDOW "VxImagingFromWindow"
