#pragma once

#include <windows.h>

// The program's message loop. Keys for the program's own windows go through the dialog
// manager first, so Tab, the arrow keys, Enter and Esc move between and press their controls.

// Handles one message taken from the queue.
void HandleMessage(MSG& message);
// Handles the messages waiting now (a bounded number); false when the loop is to end (the
// quit message is left for the outer loop).
bool HandleWaitingMessages();
// Runs until the quit message; returns its exit code.
int RunMessageLoop();
