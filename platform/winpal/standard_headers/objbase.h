// <objbase.h> under its Windows name: COM activation, the task allocator and GUID text.
#pragma once

#include <winpal/com.h>
