// The Win32 error code that Windows reports for the condition a POSIX errno value names.
#pragma once

#include <winpal/types.h>

namespace winpal::detail {

LONG Win32ErrorFromErrno(int error);

}  // namespace winpal::detail
