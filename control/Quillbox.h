// The Quillbox library: its resources and class factories.
#pragma once

#include <winpal/types.h>

// String resources.
constexpr UINT IDS_QUILLBOX = 1;                // "Quillbox Control"
constexpr UINT IDS_QUILLBOX_PPG = 2;            // "Quillbox Property Page"
constexpr UINT IDS_QUILLBOX_PPG_CAPTION = 200;  // "General"
// The toolbox bitmap, and the control's icon.
constexpr UINT IDB_QUILLBOX = 1;
constexpr UINT IDI_QUILLBOX = 1;

// MiscStatus: activate when visible, set client site first, inside-out, can't link inside,
// recompose on resize.
constexpr DWORD kQuillboxMiscStatus = 0x20191;

// The persistent version of the control's properties: 1.0.
constexpr DWORD kQuillboxVersion = 0x00010000;

constexpr WORD kQuillboxTypeLibMajor = 1;
constexpr WORD kQuillboxTypeLibMinor = 0;
