// Finds the Tektronix instruments on board 0 and, when several answer, lets the user choose.
#pragma once

#include <cstdint>

// 1 with the chosen primary address in *address (-1 when the chooser was cancelled); 0 on
// failure, after reporting it.
int TektronixScanner(const char* searchText, int16_t* address);
