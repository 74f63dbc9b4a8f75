// The shell: opening a file with the program the desktop associates with it.
#pragma once

#include <winpal/types.h>

// ShowWindow commands; the desktop's opener decides how its window appears.
constexpr INT SW_HIDE = 0;
constexpr INT SW_SHOWNORMAL = 1;

// ShellExecute's failure results (a result above 32 is success).
constexpr INT SE_ERR_ACCESSDENIED = 5;
constexpr INT SE_ERR_OOM = 8;
constexpr INT SE_ERR_NOASSOC = 31;

// The verb "open" (or none) hands lpFile to the desktop's opener, xdg-open, or to the command
// that the environment variable WINPAL_SHELL_OPEN names, with the file's path as its one
// argument, and returns without waiting for it. A relative lpFile is taken from lpDirectory when
// one is given. The result is above 32 when the opener was started; ERROR_FILE_NOT_FOUND when
// the file does not exist, SE_ERR_NOASSOC for another verb, for parameters (which no opener
// takes) or when no opener can be started.
HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                        LPCSTR lpDirectory, INT nShowCmd);
