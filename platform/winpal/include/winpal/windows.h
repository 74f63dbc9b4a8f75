// The Windows API subset of the platform layer, in one include.
#pragma once

#include <winpal/com.h>
#include <winpal/kernel.h>
#include <winpal/oleauto.h>
#include <winpal/registry.h>
#include <winpal/shellapi.h>
#include <winpal/types.h>
