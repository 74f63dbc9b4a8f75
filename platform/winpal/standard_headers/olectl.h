// <olectl.h> under its Windows name: the self-registration result codes (SELFREG_E_*).
#pragma once

#include <winpal/types.h>
