// The module's own compiled-in resources: the US English string table and dialog 130.
#pragma once

#include "platform/afx.h"

extern const ModuleResources kModuleResources;
