// Top-level windows of other programs on this desktop, so a second start of a program can
// find the first one (FindWindowW) and bring it forward (SetForegroundWindow). Each program
// with real windows (the SDL backend) lists its top-level windows in a file of a per-user
// folder; a request to come forward is a file the owner picks up while it waits for input.
// Headless runs take no part: they are tests and scripts, run side by side.
#pragma once

#include <string>

#include "platform/windef.h"

namespace platform {

// The per-user folder, made on first use; empty when none can be had.
std::string InstanceFolder();
// Rewrites this program's list (when it takes part).
void InstanceWindowsChanged();
// Removes this program's list and its pending requests.
void ForgetInstance();
// Another program's top-level window with this class (case-insensitive) and exact title,
// as a stand-in handle that only SetForegroundWindow understands; null when there is none.
HWND FindOtherInstanceWindow(LPCWSTR className, LPCWSTR title);
// Asks the other program to bring its window forward; false for a handle that is no
// stand-in or a request that cannot be made.
bool RequestForeground(HWND standIn, bool withOwned);
// A request addressed to this program, taken from the folder: the window and whether its
// owned pop-ups come too.
bool TakeForegroundRequest(HWND* window, bool* withOwned);

}  // namespace platform
