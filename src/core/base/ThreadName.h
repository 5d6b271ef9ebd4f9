#pragma once

// Names the calling thread as `top -H`, perf and the debugger show it (at most 15
// characters are kept).
void NameThread(const char* name);
