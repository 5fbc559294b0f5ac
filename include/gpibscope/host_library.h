/* gpibscope host library (libgpibscope-host.so, gpibscope-host.dll): everything a host does
 * around the driver module, behind one C interface, for scopehost, the Python package and any
 * other host.
 *
 * A session chooses and loads a GPIB library (the simulator with a bench, a bridge, a path or
 * the system's own), puts the recorder or the replay in front of it, loads the driver module
 * when first needed, lists the devices, sizes and acquires with progress and every module
 * message delivered, and scans the bus. An acquisition is a value of its own: its arrays,
 * names, mode, time and duration are read through accessors, and it is written as CSV, SPICE
 * PWL sources, two-column waveform files, a plot (where PLplot is built in) or the waveform
 * viewer's page, each file whole or not at all. A session acquires as often as asked, from any
 * device in any order. Simulation results (ngspice and LTspice raw files, two-column waveform
 * files) are read back, on their own or as references the viewer's page compares with the
 * channels.
 *
 * Errors: a call that can fail returns a gpibscope_status and, when error is not null, sets
 * *error to a new gpibscope_error holding the status and one line of text (free it with
 * gpibscope_error_free). Nothing is thrown across this interface and nothing is printed.
 *
 * Ownership and lifetimes: every object a _new, _open or out parameter gives is the caller's
 * and is released with its _free or _close; strings and arrays an accessor returns belong to
 * the object they were read from and stay valid until it is released. An acquisition lives
 * independently of the session it came from. Strings given to the library are copied.
 *
 * Threads: one call at a time per session, acquisition or options object, from any thread.
 * Calls that reach the module or a GPIB library are serialized across the process by the
 * library itself. Callbacks run on the calling thread, during the call that causes them, and
 * must not call the library themselves.
 *
 * One GPIB library per process: the module finds its GPIB library by name, so while one session
 * holds a GPIB library (with its recorder or replay), a session asking for another is refused.
 * A session with no choice holds the system's library from its first call that reaches it. */
#ifndef GPIBSCOPE_HOST_LIBRARY_H
#define GPIBSCOPE_HOST_LIBRARY_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32) && defined(GPIBSCOPE_BUILDING_HOST_LIBRARY)
#define GPIBSCOPE_HOST_API __declspec(dllexport)
#elif defined(_WIN32)
#define GPIBSCOPE_HOST_API __declspec(dllimport)
#elif defined(GPIBSCOPE_BUILDING_HOST_LIBRARY)
#define GPIBSCOPE_HOST_API __attribute__((visibility("default")))
#else
#define GPIBSCOPE_HOST_API
#endif

typedef enum gpibscope_status {
  GPIBSCOPE_OK = 0,
  GPIBSCOPE_ERROR_ARGUMENT,      /* a null pointer, an unknown device, a bench without the
                                    simulator, a plot that is not .png or .svg */
  GPIBSCOPE_ERROR_GPIB_LIBRARY,  /* a GPIB library, recorder, replay or recording that cannot
                                    be had, or a second GPIB library in this process */
  GPIBSCOPE_ERROR_UNKNOWN_BENCH, /* a bench that is neither a file nor a shipped bench */
  GPIBSCOPE_ERROR_BENCH,         /* a bench file the simulator rejects */
  GPIBSCOPE_ERROR_MODULE_LOAD,   /* the driver module cannot be loaded */
  GPIBSCOPE_ERROR_MODULE,        /* the module failed; its messages went to the handler */
  GPIBSCOPE_ERROR_BUS,           /* a board-level call of the scan failed */
  GPIBSCOPE_ERROR_OUTPUT,        /* an output file could not be written; none was left */
  GPIBSCOPE_ERROR_NO_TIME_AXIS,  /* PWL or waveform files of data without a rising time axis */
  GPIBSCOPE_ERROR_SIMULATION     /* a simulation file that cannot be read, or a reference whose
                                    vector or channel is missing */
} gpibscope_status;

typedef struct gpibscope_error gpibscope_error;
GPIBSCOPE_HOST_API gpibscope_status gpibscope_error_status(const gpibscope_error* error);
GPIBSCOPE_HOST_API const char* gpibscope_error_text(const gpibscope_error* error);
GPIBSCOPE_HOST_API void gpibscope_error_free(gpibscope_error* error);

/* Text the library allocated for the caller (gpibscope_render_page). */
GPIBSCOPE_HOST_API void gpibscope_free(void* text);

/* ---- Devices: the types of gpibscope/host.h by number or short name ---- */

/* The type named by text ("2" or "tektronix"), or -1. */
GPIBSCOPE_HOST_API int32_t gpibscope_find_device(const char* text);
/* "hameg1", "hameg2", "tektronix", "philips"; null for an unknown type (the types run from 0
 * up to the first without a name). Static storage. */
GPIBSCOPE_HOST_API const char* gpibscope_device_short_name(int32_t type);
/* The progress steps of a full acquisition of type (the bar's range); 0 for an unknown type. */
GPIBSCOPE_HOST_API int gpibscope_device_progress_steps(int32_t type);

/* ---- What came with the library, found from where it lies (build tree or installation) ----
 * Static storage, valid for the life of the process. */
GPIBSCOPE_HOST_API const char* gpibscope_default_module(void);
GPIBSCOPE_HOST_API const char* gpibscope_default_viewer_template(void);

/* ---- Sessions ---- */

/* Each message of the module, and the library's notes on what the module answered, as one
 * line of text (valid during the call). */
typedef void (*gpibscope_message_fn)(const char* text, void* user);
/* The module moved its progress bar to position out of steps (back to 0 after a failure). */
typedef void (*gpibscope_progress_fn)(int position, int steps, void* user);
/* One line or one path: a file written, a line of a printed recording. */
typedef void (*gpibscope_text_fn)(const char* text, void* user);

typedef struct gpibscope_session_options gpibscope_session_options;
GPIBSCOPE_HOST_API gpibscope_session_options* gpibscope_session_options_new(void);
GPIBSCOPE_HOST_API void gpibscope_session_options_free(gpibscope_session_options* options);
/* "sim" (the simulated library), "linux-gpib", "prologix", "vxi11" (the bridges that came with
 * the library) or the path of a GPIB library; null (the default) is the system's own, which the
 * module finds by its name and the session does not load. */
GPIBSCOPE_HOST_API void gpibscope_session_options_set_gpib(gpibscope_session_options* options,
                                                           const char* choice);
/* For "sim": a bench file, or the name of a shipped bench, that replaces its bench. */
GPIBSCOPE_HOST_API void gpibscope_session_options_set_bench(gpibscope_session_options* options,
                                                            const char* bench);
/* The driver module's path; null (the default) is gpibscope_default_module(). */
GPIBSCOPE_HOST_API void gpibscope_session_options_set_module(gpibscope_session_options* options,
                                                             const char* path);
/* Records every GPIB call into the file (created or emptied at open); needs a chosen library. */
GPIBSCOPE_HOST_API void gpibscope_session_options_set_trace(gpibscope_session_options* options,
                                                            const char* recording);
/* Answers the GPIB calls from a recording, with no GPIB library; excludes gpib and trace. */
GPIBSCOPE_HOST_API void gpibscope_session_options_set_replay(gpibscope_session_options* options,
                                                             const char* recording);
/* Where messages go; without a handler they are dropped. */
GPIBSCOPE_HOST_API void gpibscope_session_options_set_messages(gpibscope_session_options* options,
                                                               gpibscope_message_fn handler,
                                                               void* user);

typedef struct gpibscope_session gpibscope_session;
/* Loads the replay or the recorder, the chosen GPIB library and its bench (options may be null:
 * all defaults). The module is loaded by the first call that needs it. */
GPIBSCOPE_HOST_API gpibscope_status gpibscope_session_open(const gpibscope_session_options* options,
                                                           gpibscope_session** session,
                                                           gpibscope_error** error);
GPIBSCOPE_HOST_API void gpibscope_session_close(gpibscope_session* session);

/* Replaces the simulated library's bench, as the bench option does at open. */
GPIBSCOPE_HOST_API gpibscope_status gpibscope_session_load_bench(gpibscope_session* session,
                                                                 const char* bench,
                                                                 gpibscope_error** error);
/* When the session chose no GPIB library: why the loader finds none by its name (valid until
 * the next call on the session); null when it finds one or a library was chosen. */
GPIBSCOPE_HOST_API const char* gpibscope_session_gpib_absence(gpibscope_session* session);
/* Whether the session has a GPIB library: chosen, or found by the loader's search as the
 * module will find it. GPIB_LIBRARY when it has none, the text saying why and naming the
 * libraries that came with the host library: a host can say so before the module fails to
 * reach its instrument. */
GPIBSCOPE_HOST_API gpibscope_status gpibscope_session_check_gpib(gpibscope_session* session,
                                                                 gpibscope_error** error);

/* The module's display name of a device type, trailing blanks removed; *name belongs to the
 * session. No GPIB library is needed. */
GPIBSCOPE_HOST_API gpibscope_status gpibscope_session_device_name(gpibscope_session* session,
                                                                  int32_t type, const char** name,
                                                                  gpibscope_error** error);
/* Values per array and arrays (the time axis counted) as the module gives them. */
GPIBSCOPE_HOST_API gpibscope_status gpibscope_session_sizes(gpibscope_session* session,
                                                            int32_t type, int32_t* points,
                                                            int16_t* arrays,
                                                            gpibscope_error** error);

typedef struct gpibscope_acquisition gpibscope_acquisition;
/* Sizes and acquires; progress may be null. An acquisition whose instrument had no channel on
 * succeeds with no channel. */
GPIBSCOPE_HOST_API gpibscope_status
gpibscope_session_acquire(gpibscope_session* session, int32_t type, gpibscope_progress_fn progress,
                          void* user, gpibscope_acquisition** acquisition, gpibscope_error** error);

/* The listeners on board 0 at addresses 1 to 30 and their answers to "*IDN?". */
typedef struct gpibscope_listeners gpibscope_listeners;
GPIBSCOPE_HOST_API gpibscope_status gpibscope_session_scan(gpibscope_session* session,
                                                           gpibscope_listeners** listeners,
                                                           gpibscope_error** error);
GPIBSCOPE_HOST_API size_t gpibscope_listeners_count(const gpibscope_listeners* listeners);
GPIBSCOPE_HOST_API int32_t gpibscope_listener_primary(const gpibscope_listeners* listeners,
                                                      size_t index);
/* -1 for none, else the secondary address 0 to 30 (not the 0x60-based byte). */
GPIBSCOPE_HOST_API int32_t gpibscope_listener_secondary(const gpibscope_listeners* listeners,
                                                        size_t index);
/* The reply, printable (line ends dropped, other control bytes as \xNN); null for none. */
GPIBSCOPE_HOST_API const char* gpibscope_listener_identity(const gpibscope_listeners* listeners,
                                                           size_t index);
/* "  5  TEKTRONIX,..." lines ("  5/3" with a secondary address), or a line saying that nothing
 * listens. */
GPIBSCOPE_HOST_API const char* gpibscope_listeners_table(const gpibscope_listeners* listeners);
GPIBSCOPE_HOST_API void gpibscope_listeners_free(gpibscope_listeners* listeners);

/* A recording, one line a call, each handed to line. */
GPIBSCOPE_HOST_API gpibscope_status gpibscope_describe_recording(const char* recording,
                                                                 gpibscope_text_fn line, void* user,
                                                                 gpibscope_error** error);

/* ---- Acquisitions ---- */

/* What the first column holds: a time axis in seconds, the Hameg's X signal in volts (XY
 * mode) or sample numbers 0, 1, ... where no array 0 was delivered. */
typedef enum gpibscope_abscissa {
  GPIBSCOPE_ABSCISSA_TIME = 0,
  GPIBSCOPE_ABSCISSA_X = 1,
  GPIBSCOPE_ABSCISSA_SAMPLE = 2
} gpibscope_abscissa;

/* An acquisition made of the host's own data, to write it as the library writes acquired
 * ones: empty until its columns are added. acquired_at in microseconds since 1970-01-01 UTC,
 * duration in seconds. */
GPIBSCOPE_HOST_API gpibscope_acquisition* gpibscope_acquisition_new(const char* device_name,
                                                                    int32_t type,
                                                                    int64_t acquired_at,
                                                                    double duration);
/* Appends a column of count values (copied), as the CSV file has them: the first is the
 * abscissa, named "time", "X" or "sample" (gpibscope_abscissa), each later one a channel in
 * volts. ARGUMENT, the acquisition unchanged, for another first name or a count other than
 * the first column's. */
GPIBSCOPE_HOST_API gpibscope_status
gpibscope_acquisition_add_column(gpibscope_acquisition* acquisition, const char* name,
                                 const double* values, size_t count, gpibscope_error** error);
GPIBSCOPE_HOST_API void gpibscope_acquisition_free(gpibscope_acquisition* acquisition);

GPIBSCOPE_HOST_API const char* gpibscope_acquisition_device_name(const gpibscope_acquisition* a);
GPIBSCOPE_HOST_API int32_t gpibscope_acquisition_device_type(const gpibscope_acquisition* a);
GPIBSCOPE_HOST_API gpibscope_abscissa
gpibscope_acquisition_abscissa(const gpibscope_acquisition* a);
GPIBSCOPE_HOST_API size_t gpibscope_acquisition_points(const gpibscope_acquisition* a);
GPIBSCOPE_HOST_API const double* gpibscope_acquisition_abscissa_values(
    const gpibscope_acquisition* a);
/* Whether a Hameg delivered in XY mode: X as the abscissa, or channel 2 alone with no array 0. */
GPIBSCOPE_HOST_API int gpibscope_acquisition_xy(const gpibscope_acquisition* a);
/* "ch1" ... "ch4" after the array each arrived in, or "Y" in XY mode. */
GPIBSCOPE_HOST_API size_t gpibscope_acquisition_channels(const gpibscope_acquisition* a);
GPIBSCOPE_HOST_API const char* gpibscope_acquisition_channel_name(const gpibscope_acquisition* a,
                                                                  size_t channel);
GPIBSCOPE_HOST_API const double* gpibscope_acquisition_channel_values(
    const gpibscope_acquisition* a, size_t channel);
/* The columns as the CSV file has them and gpibscope_acquisition_add_column takes them: the
 * abscissa named "time", "X" or "sample", then the channels, each of
 * gpibscope_acquisition_points values; none before a made acquisition's first column. Null
 * for a column out of range. */
GPIBSCOPE_HOST_API size_t gpibscope_acquisition_columns(const gpibscope_acquisition* a);
GPIBSCOPE_HOST_API const char* gpibscope_acquisition_column_name(const gpibscope_acquisition* a,
                                                                 size_t column);
GPIBSCOPE_HOST_API const double* gpibscope_acquisition_column_values(const gpibscope_acquisition* a,
                                                                     size_t column);
/* When GetData was called, in microseconds since 1970-01-01 UTC, and how long it took. */
GPIBSCOPE_HOST_API int64_t gpibscope_acquisition_acquired_at(const gpibscope_acquisition* a);
GPIBSCOPE_HOST_API double gpibscope_acquisition_duration(const gpibscope_acquisition* a);

/* ---- Files: each written under a temporary name and renamed into place when complete ---- */

/* The kinds of output, for gpibscope_output_fits. */
typedef enum gpibscope_output {
  GPIBSCOPE_OUTPUT_FILE = 0,      /* CSV or plot: the file's directory must take it */
  GPIBSCOPE_OUTPUT_DIRECTORY = 1, /* PWL or waveform files: made when missing */
  GPIBSCOPE_OUTPUT_PAGE = 2       /* a page with the default template: as a file, and the
                                     template must be readable */
} gpibscope_output;
/* Whether a file can be made where the output goes, before anything is acquired (an
 * acquisition cannot be repeated once the instrument moved on): OUTPUT with
 * "cannot write into DIRECTORY: why" or "cannot read the viewer template PATH" when not. */
GPIBSCOPE_HOST_API gpibscope_status gpibscope_output_fits(gpibscope_output kind, const char* path,
                                                          gpibscope_error** error);

GPIBSCOPE_HOST_API gpibscope_status gpibscope_write_csv(const gpibscope_acquisition* a,
                                                        const char* path, gpibscope_error** error);
/* directory/<channel>.pwl (a SPICE source to .include) or directory/<channel>.txt (time and
 * volts a line) for every channel, the directory made when missing; written is told each path
 * completed (those stay when a later one fails). NO_TIME_AXIS, writing nothing, without a
 * strictly rising time axis. */
GPIBSCOPE_HOST_API gpibscope_status gpibscope_write_pwl(const gpibscope_acquisition* a,
                                                        const char* directory,
                                                        gpibscope_text_fn written, void* user,
                                                        gpibscope_error** error);
GPIBSCOPE_HOST_API gpibscope_status gpibscope_write_wave(const gpibscope_acquisition* a,
                                                         const char* directory,
                                                         gpibscope_text_fn written, void* user,
                                                         gpibscope_error** error);
/* Whether path names a plot the library draws (.png or .svg), whether or not PLplot is in. */
GPIBSCOPE_HOST_API int gpibscope_plot_file_supported(const char* path);
/* The channels against time (Y against X in XY mode): OUTPUT where PLplot is not built in.
 * PLplot ends the process (status 3) on an error it cannot recover from, after the library
 * removed the partial file. */
GPIBSCOPE_HOST_API gpibscope_status gpibscope_write_plot(const gpibscope_acquisition* a,
                                                         const char* path, gpibscope_error** error);

/* What the viewer's page is made of besides the acquisition; setters may be added. */
typedef struct gpibscope_page_options gpibscope_page_options;
GPIBSCOPE_HOST_API gpibscope_page_options* gpibscope_page_options_new(void);
GPIBSCOPE_HOST_API void gpibscope_page_options_free(gpibscope_page_options* options);
/* The page template; null (the default) is gpibscope_default_viewer_template(). */
GPIBSCOPE_HOST_API void gpibscope_page_options_set_template(gpibscope_page_options* options,
                                                            const char* path);
/* Adds simulated vectors the page draws over channels: "FILE" (every vector named as a channel,
 * "ch2" or "v(ch2)") or "FILE:VECTOR=CHANNEL,..." (the last colon followed by pairs ends the
 * file name). The file is read now, so a bad one is found before anything is acquired:
 * SIMULATION naming the file and what is wrong, and the options unchanged. Writing the page
 * then fails with SIMULATION when a vector or channel is missing or the acquisition has no
 * time axis; each vector is interpolated onto the measured times. */
GPIBSCOPE_HOST_API gpibscope_status gpibscope_page_options_add_reference(
    gpibscope_page_options* options, const char* source, gpibscope_error** error);

/* The waveform viewer's self-contained page (options may be null: all defaults). */
GPIBSCOPE_HOST_API gpibscope_status gpibscope_write_page(const gpibscope_acquisition* a,
                                                         const gpibscope_page_options* options,
                                                         const char* path, gpibscope_error** error);
/* The same page as text: *page is NUL-terminated UTF-8, released with gpibscope_free. */
GPIBSCOPE_HOST_API gpibscope_status gpibscope_render_page(const gpibscope_acquisition* a,
                                                          const gpibscope_page_options* options,
                                                          char** page, gpibscope_error** error);

/* ---- Simulation results read back ---- */

/* A transient analysis: its time axis (seconds, finite, never falling) and named vectors of as
 * many values. */
typedef struct gpibscope_simulation gpibscope_simulation;
/* Reads an ngspice raw file (binary or ASCII), an LTspice raw file (UTF-16 header, binary or
 * ASCII) or else two columns of time and value, whose one vector is named after the file's stem:
 * SIMULATION naming the file and what is wrong where. */
GPIBSCOPE_HOST_API gpibscope_status gpibscope_read_simulation(const char* path,
                                                              gpibscope_simulation** simulation,
                                                              gpibscope_error** error);
GPIBSCOPE_HOST_API void gpibscope_simulation_free(gpibscope_simulation* simulation);
GPIBSCOPE_HOST_API size_t gpibscope_simulation_points(const gpibscope_simulation* simulation);
GPIBSCOPE_HOST_API const double* gpibscope_simulation_time(const gpibscope_simulation* simulation);
GPIBSCOPE_HOST_API size_t gpibscope_simulation_vectors(const gpibscope_simulation* simulation);
/* As the file names it ("v(out)", "V(n001)", "I(R1)"); null for an index out of range. */
GPIBSCOPE_HOST_API const char* gpibscope_simulation_vector_name(
    const gpibscope_simulation* simulation, size_t vector);
/* gpibscope_simulation_points values; null for an index out of range. */
GPIBSCOPE_HOST_API const double* gpibscope_simulation_vector_values(
    const gpibscope_simulation* simulation, size_t vector);

#ifdef __cplusplus
}
#endif

#endif /* GPIBSCOPE_HOST_LIBRARY_H */
