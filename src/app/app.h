#pragma once
// The application object: one per process, built at start-up before any action runs.

// Sets up, in order: the big stack, the error history, the try-frame stack, the
// throwing error handler, the product name and the build date text.
void App_Startup(const char* build_date, const char* build_time);

// Full path of the running program (at most 255 characters).
const char* App_ProgramPath();
// The build date text "%y%m%d" handed to error reporting.
const char* App_Version();

// The process's exit status, set by an action that ends without doing its job.
int App_ExitStatus();
void App_SetExitStatus(int status);
