// Resource ids shared by the string table, the dialog template and the code that uses them
// (kept in the form a Windows resource script includes).
#pragma once

#define IDS_GPIB_LIBRARY_MISSING 1
#define IDS_INVALID_DEVICE 2
#define IDS_ERROR 3
#define IDS_DEVICE_DEV1 4
#define IDS_NO_ANSWER 5
#define IDS_CANT_OPEN_HAMEG 6
#define IDS_SEND_IFC 7
#define IDS_NO_LISTENERS 8
#define IDS_SEND_ERROR 9
#define IDS_RECEIVE_ERROR 10
#define IDS_DID_NOT_FIND 11
#define IDS_NO_MEMORY 12
#define IDS_ONLINE_ERROR 13
#define IDS_DEVICE_CLEAR_ERROR 14
#define IDS_CANT_OPEN_PHILIPS 15

#define IDD_CHOOSE_DEVICE 130
#define IDC_DEVICE_LIST 1000
