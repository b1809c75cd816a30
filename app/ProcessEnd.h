#pragma once

// Ends the program with `code` once its window and application are gone;
// returns `code` where the program may simply return from main().
//
// On Windows the MinGW C++ runtime can wait for ever while it unloads once
// SQLite has run on a second thread, as the audit window's worker runs it:
// the window was closed, yet the process stayed, unseen, holding its files.
// Everything of ours is closed and written by then, so on Windows the
// process ends whole here instead of unloading its DLLs one by one.
int endProcess(int code);
