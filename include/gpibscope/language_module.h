/* What a language resource module provides on POSIX: a shared library that exports the table
   ResourceStringTable, one row per message id of message_ids.h, ended by {0, NULL}. The
   language service names the module's path; ids it lacks fall back to the module's own US
   English text. Texts keep the placeholders ("%1", "%s") of the US English table. */
#ifndef GPIBSCOPE_LANGUAGE_MODULE_H
#define GPIBSCOPE_LANGUAGE_MODULE_H

#include <stdint.h>

#include "gpibscope/message_ids.h"

struct StringResource {
  uint32_t id;
  const char* text;
};

#ifdef __cplusplus
#define GPIBSCOPE_STRING_TABLE \
  extern "C" __attribute__((visibility("default"))) const StringResource ResourceStringTable[]
#else
#define GPIBSCOPE_STRING_TABLE \
  __attribute__((visibility("default"))) const struct StringResource ResourceStringTable[]
#endif

#endif
