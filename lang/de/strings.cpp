// German messages for gpibscope on POSIX: the exported table a language resource module carries.
#include "gpibscope/language_module.h"

GPIBSCOPE_STRING_TABLE = {
#define GPIBSCOPE_TEXT(id, text) {id, text},
#include "de/string_table.inc"
#undef GPIBSCOPE_TEXT
    {0, nullptr},
};
