/* The ids of gpibscope's messages: the module's own string table and every language resource
   module carry a text for each. Plain #defines, so a resource script can include it too. */
#ifndef GPIBSCOPE_MESSAGE_IDS_H
#define GPIBSCOPE_MESSAGE_IDS_H

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

#endif
