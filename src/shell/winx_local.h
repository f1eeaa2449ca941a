#pragma once
// Shared by the winx source files only; no other module includes it.
#include <windows.h>

#include <cstddef>

#include "lib/errors.h"
#include "lib/handles.h"
#include "winx_errors.h"

// Raises an API error with the winx file and line of the failing step.
#define WINX_API_ERROR(code) WinX_RaiseApiErrorAt((code), __FILE_NAME__, __LINE__)
