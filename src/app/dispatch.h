#pragma once
// The choice of the one action a run performs, by the first three characters of the
// command-line text.

enum Dispatch_Action {
    Dispatch_OptionsLastPage,  // empty text
    Dispatch_OptionsDllPage,   // exactly "-z"
    Dispatch_Freeze,           // "-x "
    Dispatch_Update,           // "-u "
    Dispatch_BackToNormal,     // "-r "
    Dispatch_Floppy,           // "-v "
    Dispatch_Install,          // "-i "
    Dispatch_ListReport,       // "-p "
    Dispatch_OpenFolder,       // "-o "
    Dispatch_QuickFreeze,      // "-c "
    Dispatch_DoubleClick,      // "-d "
    Dispatch_Drop,             // anything else: files dropped on the program
};

Dispatch_Action Dispatch_Choose(const char* args);

// Runs the chosen action on the whole argument text. Always false: no message loop.
bool DispatchCommandLine(const char* args);
