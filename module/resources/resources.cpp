#include "resources/resources.h"

#include "resources/resource.h"

namespace {

// US English (language 1033).
constexpr StringResource kStringTable[] = {
    {IDS_GPIB_LIBRARY_MISSING, "Cannot find or open the file \"gpib-32.DLL\"  !"},
    {IDS_INVALID_DEVICE, "Invalid device !"},
    {IDS_ERROR, "Error !"},
    {IDS_DEVICE_DEV1, "Device=DEV1"},
    {IDS_NO_ANSWER, "No Answer"},
    {IDS_CANT_OPEN_HAMEG, "Cant open Hameg at %1 !"},
    {IDS_SEND_IFC, "Send IFC !"},
    {IDS_NO_LISTENERS, "Can not find listeners !"},
    {IDS_SEND_ERROR, "Send error !"},
    {IDS_RECEIVE_ERROR, "Receive error !"},
    {IDS_DID_NOT_FIND, "Did not find the %s !"},
    {IDS_NO_MEMORY, "No enought memory !"},
    {IDS_ONLINE_ERROR, "Online error !"},
    {IDS_DEVICE_CLEAR_ERROR, "Device clear error !"},
    {IDS_CANT_OPEN_PHILIPS, "Cant open Philips at %1 !"},
    {0, nullptr},
};

// Window and control styles of the chooser, with their Win32 values.
constexpr uint32_t WS_POPUP = 0x80000000, WS_CHILD = 0x40000000, WS_VISIBLE = 0x10000000,
                   WS_CAPTION = 0x00C00000, WS_BORDER = 0x00800000, WS_SYSMENU = 0x00080000,
                   WS_VSCROLL = 0x00200000, WS_TABSTOP = 0x00010000, DS_MODALFRAME = 0x80,
                   DS_SETFONT = 0x40, BS_DEFPUSHBUTTON = 0x1, LBS_NOTIFY = 0x1, LBS_SORT = 0x2,
                   LBS_NOINTEGRALHEIGHT = 0x100;

constexpr DialogControl kChooseDeviceControls[] = {
    {"BUTTON", "&OK", IDOK, 112, 7, 50, 14, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON},
    {"BUTTON", "&Cancel", IDCANCEL, 112, 24, 50, 14, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
    {"LISTBOX", "", IDC_DEVICE_LIST, 7, 7, 100, 91,
     WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOINTEGRALHEIGHT | LBS_SORT |
         LBS_NOTIFY},
};
static_assert((WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOINTEGRALHEIGHT |
               LBS_SORT | LBS_NOTIFY) == 0x50A10103);

constexpr DialogTemplate kChooseDevice = {
    IDD_CHOOSE_DEVICE,
    "Choose device",
    DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU,
    0,
    0,
    169,
    105,
    "MS Sans Serif",
    8,
    kChooseDeviceControls,
    3,
};

constexpr const DialogTemplate* kDialogs[] = {&kChooseDevice, nullptr};

}  // namespace

const ModuleResources kModuleResources = {kStringTable, kDialogs};
