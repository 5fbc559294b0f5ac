// The only way the module tells the user anything: a string-table text, loaded from the
// resource module and handed to the host's callback.
#pragma once

#include "platform/afx.h"

void ReportMessage(UINT id);
// Text id with every "%1" replaced by argument.
void ReportFormattedMessage(UINT id, const char* argument);
// Text id with its "%s" replaced by argument.
void ReportPrintfMessage(UINT id, const char* argument);
