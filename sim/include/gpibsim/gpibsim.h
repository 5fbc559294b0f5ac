/* Control interface of the simulated GPIB library (libgpib-32.so), for tests and hosts.
 *
 * The library exports the 22 names of the GPIB library's C interface and models a bus on
 * board 0 with devices at primary addresses 1 to 30: instrument models described by a bench
 * (TOML), and scripted devices whose replies tests set byte for byte. Every call is kept in
 * a transcript and, when GPIBSIM_TRACE names a file, written there as a GPIB recording. */
#ifndef GPIBSIM_GPIBSIM_H
#define GPIBSIM_GPIBSIM_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#ifdef _WIN32
#define GPIBSIM_API /* gpib-32.dll's .def names the exports */
#else
#define GPIBSIM_API __attribute__((visibility("default")))
#endif

/* --- Bench ----------------------------------------------------------------------------- */
/* Replace the bus with the bench described by a TOML file or text (transcript emptied,
 * faults cancelled, clock at 0). 0 on success; -1 on an error, which gpibsim_last_error()
 * then describes in one line naming the device and the key, and the bus stays as it was.
 *   transfer_rate = 0.0            bytes per second, 0 = instant
 *   [[device]]  model = "hm408"    a registered model, or "scripted" with
 *               address = 1          replies = [{ command = "*IDN?\n", reply = "..." }]
 *               name = "DEV1"      optional; the rest of the table belongs to the model
 * With GPIBSIM_BENCH set, its file is loaded when the library is first used (an error goes
 * to stderr and leaves the bus empty); otherwise the default bench is. */
GPIBSIM_API int gpibsim_load_bench_file(const char* path);
GPIBSIM_API int gpibsim_load_bench_text(const char* toml);
/* The bench compiled into the library (used when GPIBSIM_BENCH is not set). */
GPIBSIM_API int gpibsim_load_default_bench(void);
GPIBSIM_API const char* gpibsim_default_bench_text(void);
GPIBSIM_API const char* gpibsim_last_error(void);
/* An empty bus: no devices, no device names, no faults; transcript emptied, clock at 0. */
GPIBSIM_API void gpibsim_clear_bus(void);
/* Real time spent per byte moved, in bytes per second; 0 moves bytes instantly. The
 * simulated clock advances by the same time. Time-outs never take real time. */
GPIBSIM_API void gpibsim_set_transfer_rate(double bytesPerSecond);

/* --- Device names (the GPIB configuration) ------------------------------------------- */
/* ibfind(name) then opens a descriptor for pad (1 to 30), whether or not a device is there
 * (calls to an empty address fail with ENOL). 0, or -1 for a bad name or pad. */
GPIBSIM_API int gpibsim_name_device(const char* name, int32_t pad);

/* --- Scripted devices ----------------------------------------------------------------- */
/* A device at pad (1 to 30), replacing what was there, optionally also known by name. It
 * answers nothing until told; a read then times out. 0, or -1 for a bad pad. The two calls
 * below give -1 unless the device at pad is a scripted one. An empty reply queues nothing. */
GPIBSIM_API int gpibsim_add_scripted(int32_t pad, const char* name);
/* When the device receives exactly these bytes as one message (with the line feed the
 * writer sent, and for Send the NLend line feed), queue reply as one message. */
GPIBSIM_API int gpibsim_script_reply(int32_t pad, const void* command, int32_t commandLength,
                                     const void* reply, int32_t replyLength);
/* Queue reply as one message now, whatever is written. */
GPIBSIM_API int gpibsim_queue_reply(int32_t pad, const void* reply, int32_t replyLength);

/* --- Faults ---------------------------------------------------------------------------- */
/* The nth call (1 = the next) of function from now on ends with ERR and iberr, moving no
 * bytes and reaching no device (ibfindA then gives -1; EABO also sets TIMO, as a time-out
 * does). function is an exported name, e.g. "ibrd", "ibfindA", "Send". Loading a bench or
 * emptying the bus cancels the plan. */
GPIBSIM_API void gpibsim_fail_call(const char* function, int32_t nth, int32_t iberr);
/* The nth call of function from now on runs, then reports count in ibcnt and ibcntl. */
GPIBSIM_API void gpibsim_force_count(const char* function, int32_t nth, int32_t count);

/* --- Transcript ------------------------------------------------------------------------ */
/* Every call of the 22 exported names (not of this interface), in order. The library keeps
 * the latest 100000 calls, and of each call the first 256 bytes it moved (dataLength) with
 * the number it moved in all (dataTotal). The bytes of a write are those that went on the
 * bus: for Send with NLend the line feed the board added is included (ibcntl counts the
 * caller's bytes only). With GPIBSIM_TRACE set when the library is first used, each call is
 * also appended to that file, complete, as a line of a GPIB recording (scopehost(1),
 * RECORDINGS): the caller's arguments and bytes, with the simulated time. */
typedef struct gpibsim_call {
  int32_t number;               /* 1, 2, ... since the transcript was emptied */
  const char* function;         /* exported name */
  const char* arguments;        /* e.g. "ud=1, count=4" or "board=0, address=5, count=6, eot=0x1" */
  int32_t ibsta, iberr, ibcntl; /* the status variables after the call */
  const uint8_t* data;          /* bytes written, or bytes read: the first dataLength of them */
  int32_t dataLength;
  double time;       /* simulated seconds since the bus was set up */
  double duration;   /* simulated seconds the call took */
  int32_t dataTotal; /* bytes the call moved in all */
} gpibsim_call;

GPIBSIM_API int32_t gpibsim_call_count(void);
/* Call index (0-based, of the calls kept); the pointers stay valid until the transcript is
 * emptied or the call makes way for newer ones. 0 on success, -1 for an index out of range. */
GPIBSIM_API int gpibsim_get_call(int32_t index, gpibsim_call* call);
GPIBSIM_API void gpibsim_clear_transcript(void);
/* Append the trace to path from now on, as GPIBSIM_TRACE does (null or "": stop tracing).
 * 0, or -1 when the file cannot be opened (tracing then stops). */
GPIBSIM_API int gpibsim_set_trace_file(const char* path);

/* --- Inspection ------------------------------------------------------------------------ */
/* Unit descriptors currently open (not yet taken offline). */
GPIBSIM_API int32_t gpibsim_open_descriptors(void);
/* 1 when the device at pad is in remote, with its front panel locked (Tektronix LOCK ALL). */
GPIBSIM_API int gpibsim_device_remote(int32_t pad);
GPIBSIM_API int gpibsim_device_locked(int32_t pad);

#ifdef __cplusplus
}
#endif

#endif /* GPIBSIM_GPIBSIM_H */
