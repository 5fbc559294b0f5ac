// A language module that carries only some of the module's messages.
#include "gpibscope/language_module.h"

GPIBSCOPE_STRING_TABLE = {
    {5, "Pas de réponse"},
    {0, nullptr},
};
