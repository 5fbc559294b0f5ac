// The module's own compiled-in resources on POSIX: the US English string table and dialog 130.
#pragma once

#include "platform/posix/compiled_resources.h"

extern const ModuleResources kModuleResources;
