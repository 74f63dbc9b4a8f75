// <windows.h> under its Windows name, for code written only against the Windows API.
#pragma once

#include <winpal/windows.h>
