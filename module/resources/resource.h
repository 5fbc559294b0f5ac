// Resource ids shared by the string table, the dialog template and the code that uses them
// (kept in the form a Windows resource script includes).
#pragma once

#include "gpibscope/message_ids.h"

#define IDD_CHOOSE_DEVICE 130
#define IDC_DEVICE_LIST 1000
