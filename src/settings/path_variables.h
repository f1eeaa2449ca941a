#pragma once
// Folder texts with variables ("$(デスクトップ)\Archives Cache") that read the same on every
// machine: the options sheet shows the settings' folders so and stores what the user typed
// expanded. An empty folder (the archive's own) reads "$(同じフォルダ)".

// Both work on 260-byte buffers, cut to 259 characters.
char* AbbreviatePath(char* out, const char* path);
char* ExpandPath(char* out, const char* text);
