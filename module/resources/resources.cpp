// The module's own resources on POSIX, compiled in from the same tables windres compiles into
// the Windows module.
#include "resources/resources.h"

#include <iterator>

#include "resources/resource.h"

namespace {

constexpr StringResource kStringTable[] = {
#define GPIBSCOPE_TEXT(id, text) {id, text},
#include "resources/string_table.inc"
#undef GPIBSCOPE_TEXT
    {0, nullptr},
};

// Window and control styles of the chooser, with their Win32 values.
constexpr uint32_t WS_POPUP = 0x80000000, WS_CHILD = 0x40000000, WS_VISIBLE = 0x10000000,
                   WS_CAPTION = 0x00C00000, WS_BORDER = 0x00800000, WS_SYSMENU = 0x00080000,
                   WS_VSCROLL = 0x00200000, WS_TABSTOP = 0x00010000, DS_MODALFRAME = 0x80,
                   DS_SETFONT = 0x40, BS_DEFPUSHBUTTON = 0x1, LBS_NOTIFY = 0x1, LBS_SORT = 0x2,
                   LBS_NOINTEGRALHEIGHT = 0x100;

#define GPIBSCOPE_DIALOG(id, caption, style, x, y, cx, cy, font, points)
#define GPIBSCOPE_DIALOG_BEGIN
#define GPIBSCOPE_DIALOG_END
#define GPIBSCOPE_CONTROL(windowClass, text, id, x, y, cx, cy, style) \
  {windowClass, text, id, x, y, cx, cy, style},
constexpr DialogControl kChooseDeviceControls[] = {
#include "resources/chooser_dialog.inc"
};
#undef GPIBSCOPE_DIALOG
#undef GPIBSCOPE_CONTROL
#define GPIBSCOPE_CONTROL(windowClass, text, id, x, y, cx, cy, style)
#define GPIBSCOPE_DIALOG(id, caption, style, x, y, cx, cy, font, points) \
  constexpr DialogTemplate kChooseDevice = {id,                          \
                                            caption,                     \
                                            style,                       \
                                            x,                           \
                                            y,                           \
                                            cx,                          \
                                            cy,                          \
                                            font,                        \
                                            points,                      \
                                            kChooseDeviceControls,       \
                                            static_cast<int>(std::size(kChooseDeviceControls))};
#include "resources/chooser_dialog.inc"
#undef GPIBSCOPE_DIALOG
#undef GPIBSCOPE_DIALOG_BEGIN
#undef GPIBSCOPE_DIALOG_END
#undef GPIBSCOPE_CONTROL

constexpr const DialogTemplate* kDialogs[] = {&kChooseDevice, nullptr};

}  // namespace

const ModuleResources kModuleResources = {kStringTable, kDialogs};
