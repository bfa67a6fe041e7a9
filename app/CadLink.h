#pragma once
// The link to the separate CAD interface program. Its registered messages travel over a local
// socket whose server name is the interface program's window title, one text line
// "NAME WPARAM LPARAM\n" per message; no server listening means the program is not running.

#include <QString>
#include <cstdint>

// Server name of the interface program (its window title).
inline constexpr const char* kCadInterfaceName = "VexoToAcad";

// Posts a registered message (by name) to the interface program. Found: posted, 1. Not
// running and start 0: 1. Not running and start 1: starts it and waits up to ten times 300 ms
// for it to appear; 1 once the message is posted, else 0 (a failed start shows a message).
int PostToCadInterface(const char* message, intptr_t wParam, intptr_t lParam, int start);

// Starts "VexoToAcad.exe" from the start directory; 1 on success, else a message and 0.
int StartCadInterface();

// The transfer file of number n in the temp directory: "~KaviToAcad n.tmp".
QString CadTransferFileName(int n);
