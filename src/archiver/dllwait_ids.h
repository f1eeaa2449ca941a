#pragma once
// Control ids of the window shown while another process holds an archiver DLL, shared by
// the resource script and the code.
#define IDD_DLLWAIT 145
#define IDC_DLLWAIT_TEXT 1210
