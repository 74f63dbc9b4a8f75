// <oleauto.h> under its Windows name: BSTR, VARIANT, coercion and variant time.
#pragma once

#include <winpal/oleauto.h>
