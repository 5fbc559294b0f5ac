// German messages for gpibscope. Placeholders stay as in the US English table.
#include "gpibscope/language_module.h"

GPIBSCOPE_STRING_TABLE = {
    {IDS_GPIB_LIBRARY_MISSING,
     "Die Datei \"gpib-32.DLL\" wurde nicht gefunden oder kann nicht "
     "geöffnet werden !"},
    {IDS_INVALID_DEVICE, "Ungültiges Gerät !"},
    {IDS_ERROR, "Fehler !"},
    {IDS_DEVICE_DEV1, "Gerät=DEV1"},
    {IDS_NO_ANSWER, "Keine Antwort"},
    {IDS_CANT_OPEN_HAMEG, "Hameg an %1 kann nicht geöffnet werden !"},
    {IDS_SEND_IFC, "IFC senden !"},
    {IDS_NO_LISTENERS, "Keine Empfänger gefunden !"},
    {IDS_SEND_ERROR, "Sendefehler !"},
    {IDS_RECEIVE_ERROR, "Empfangsfehler !"},
    {IDS_DID_NOT_FIND, "%s nicht gefunden !"},
    {IDS_NO_MEMORY, "Nicht genug Speicher !"},
    {IDS_ONLINE_ERROR, "Online-Fehler !"},
    {IDS_DEVICE_CLEAR_ERROR, "Fehler beim Gerät-Rücksetzen !"},
    {IDS_CANT_OPEN_PHILIPS, "Philips an %1 kann nicht geöffnet werden !"},
    {0, nullptr},
};
