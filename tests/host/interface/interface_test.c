/* The host library's C interface as a host in C calls it: one session on the simulated bench
 * acquiring from every device in turn and again, progress and messages delivered, errors as
 * values with their text, files and pages from acquired data and from the host's own, a
 * simulation read back and compared on a page.
 * usage: host_interface_test SCRATCH_DIRECTORY */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <gpibscope/host_library.h>

static int failures = 0;

#define CHECK(condition)                                                      \
  do {                                                                        \
    if (!(condition)) {                                                       \
      fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #condition); \
      ++failures;                                                             \
    }                                                                         \
  } while (0)

static char messages[1024];
static int steps_taken;

static void keep_message(const char* text, void* user) {
  (void)user;
  strncat(messages, text, sizeof messages - strlen(messages) - 2);
  strcat(messages, "\n");
}

static void count_step(int position, int steps, void* user) {
  (void)user;
  if (position > 0 && steps == 9) ++steps_taken;
}

/* Whether a call failed with the expected status and an error that says text (freed here). */
static int fails_with(gpibscope_status status, gpibscope_error* error, gpibscope_status expected,
                      const char* text) {
  const int said = error != NULL && gpibscope_error_status(error) == status &&
                   strstr(gpibscope_error_text(error), text) != NULL;
  if (!said) fprintf(stderr, "got %d: %s\n", (int)status, gpibscope_error_text(error));
  gpibscope_error_free(error);
  return status == expected && said;
}

static gpibscope_session* open_session(const char* gpib, const char* replay,
                                       gpibscope_error** error) {
  gpibscope_session_options* options = gpibscope_session_options_new();
  gpibscope_session_options_set_gpib(options, gpib);
  gpibscope_session_options_set_replay(options, replay);
  gpibscope_session_options_set_messages(options, keep_message, NULL);
  gpibscope_session* session = NULL;
  gpibscope_session_open(options, &session, error);
  gpibscope_session_options_free(options);
  return session;
}

/* Every device in turn, twice: each acquisition as the device delivers it. The Tektronix comes
 * last in a round, on a fresh bench: the simulated instruments still hold replies its search
 * of the bus left unread. */
static void acquires_again_and_in_any_order(gpibscope_session* session) {
  static const struct {
    const char* device;
    size_t points, channels;
    gpibscope_abscissa abscissa;
  } expected[] = {
      {"hameg1", 2048, 2, GPIBSCOPE_ABSCISSA_TIME},
      {"hameg2", 2048, 1, GPIBSCOPE_ABSCISSA_X},
      {"philips", 2048, 2, GPIBSCOPE_ABSCISSA_TIME},
      {"tektronix", 15000, 3, GPIBSCOPE_ABSCISSA_TIME},
  };
  for (int round = 0; round < 2; ++round) {
    CHECK(gpibscope_session_load_bench(session, "default", NULL) == GPIBSCOPE_OK);
    for (size_t k = 0; k < sizeof expected / sizeof expected[0]; ++k) {
      gpibscope_acquisition* acquisition = NULL;
      steps_taken = 0;
      gpibscope_error* error = NULL;
      if (gpibscope_session_acquire(session, gpibscope_find_device(expected[k].device), count_step,
                                    NULL, &acquisition, &error) != GPIBSCOPE_OK) {
        fprintf(stderr, "%s: %s (%s)\n", expected[k].device, gpibscope_error_text(error), messages);
        gpibscope_error_free(error);
        ++failures;
        continue;
      }
      CHECK(gpibscope_acquisition_points(acquisition) == expected[k].points);
      CHECK(gpibscope_acquisition_channels(acquisition) == expected[k].channels);
      CHECK(gpibscope_acquisition_abscissa(acquisition) == expected[k].abscissa);
      CHECK(gpibscope_acquisition_xy(acquisition) ==
            (expected[k].abscissa == GPIBSCOPE_ABSCISSA_X));
      CHECK(gpibscope_acquisition_duration(acquisition) > 0);
      CHECK(isfinite(gpibscope_acquisition_channel_values(acquisition, 0)[0]));
      if (k == 0) CHECK(steps_taken == 9);
      gpibscope_acquisition_free(acquisition);
    }
  }
}

static void errors_are_values(gpibscope_session* session) {
  gpibscope_error* error = NULL;
  gpibscope_acquisition* acquisition = NULL;
  gpibscope_status status = gpibscope_session_acquire(session, 7, NULL, NULL, &acquisition, &error);
  CHECK(fails_with(status, error, GPIBSCOPE_ERROR_ARGUMENT, "unknown device type 7"));
  CHECK(acquisition == NULL);
  error = NULL;
  status = gpibscope_session_load_bench(session, "no-such-bench", &error);
  CHECK(fails_with(status, error, GPIBSCOPE_ERROR_UNKNOWN_BENCH, "no-such-bench"));
  /* The module fails where the bench has no Hameg; its message reaches the handler. */
  error = NULL;
  messages[0] = '\0';
  CHECK(gpibscope_session_load_bench(session, "tds540", NULL) == GPIBSCOPE_OK);
  status = gpibscope_session_acquire(session, 0, NULL, NULL, &acquisition, &error);
  CHECK(fails_with(status, error, GPIBSCOPE_ERROR_MODULE, "no waveforms from Hameg(DEV1) HM408"));
  CHECK(strcmp(messages, "Cant open Hameg at DEV1 !\n") == 0);
  CHECK(gpibscope_session_load_bench(session, "default", NULL) == GPIBSCOPE_OK);
  /* A second GPIB library in the same process is refused while the first is held. */
  error = NULL;
  CHECK(open_session(NULL, "/nonexistent/recording", &error) == NULL);
  CHECK(fails_with(GPIBSCOPE_ERROR_GPIB_LIBRARY, error, GPIBSCOPE_ERROR_GPIB_LIBRARY,
                   "this process already uses"));
  error = NULL;
  CHECK(open_session("/nonexistent/libgpib-32.so", NULL, &error) == NULL);
  CHECK(fails_with(GPIBSCOPE_ERROR_GPIB_LIBRARY, error, GPIBSCOPE_ERROR_GPIB_LIBRARY,
                   "there is no GPIB library at /nonexistent/libgpib-32.so"));
}

static char* path_in(const char* directory, const char* name) {
  static char path[4096];
  snprintf(path, sizeof path, "%s/%s", directory, name);
  return path;
}

static void writes_acquired_and_own_data(gpibscope_session* session, const char* scratch) {
  gpibscope_acquisition* xy = NULL;
  gpibscope_error* error = NULL;
  CHECK(gpibscope_session_acquire(session, 1, NULL, NULL, &xy, NULL) == GPIBSCOPE_OK);
  CHECK(gpibscope_acquisition_columns(xy) == 2 &&
        strcmp(gpibscope_acquisition_column_name(xy, 0), "X") == 0 &&
        gpibscope_acquisition_column_values(xy, 1) == gpibscope_acquisition_channel_values(xy, 0) &&
        gpibscope_acquisition_column_name(xy, 2) == NULL);
  CHECK(gpibscope_write_csv(xy, path_in(scratch, "xy.csv"), NULL) == GPIBSCOPE_OK);
  gpibscope_status status = gpibscope_write_pwl(xy, scratch, NULL, NULL, &error);
  CHECK(fails_with(status, error, GPIBSCOPE_ERROR_NO_TIME_AXIS, "no PWL files: in XY mode"));
  gpibscope_acquisition_free(xy);

  const double time[] = {0.0, 1e-6}, volts[] = {0.5, NAN};
  gpibscope_acquisition* own = gpibscope_acquisition_new("Mine", 2, 0, 0.25);
  status = gpibscope_acquisition_add_column(own, "ch1", volts, 2, &error);
  CHECK(fails_with(status, error, GPIBSCOPE_ERROR_ARGUMENT, "time, X or sample, not ch1"));
  CHECK(gpibscope_acquisition_add_column(own, "time", time, 2, NULL) == GPIBSCOPE_OK);
  error = NULL;
  status = gpibscope_acquisition_add_column(own, "ch1", volts, 1, &error);
  CHECK(fails_with(status, error, GPIBSCOPE_ERROR_ARGUMENT, "ch1 has 1 values where"));
  CHECK(gpibscope_acquisition_add_column(own, "ch1", volts, 2, NULL) == GPIBSCOPE_OK);
  CHECK(gpibscope_acquisition_channels(own) == 1 &&
        gpibscope_acquisition_abscissa(own) == GPIBSCOPE_ABSCISSA_TIME);
  FILE* placeholder = fopen(path_in(scratch, "template"), "w");
  fputs("<p>__GPIBSCOPE_ACQUISITION__</p>", placeholder);
  fclose(placeholder);
  gpibscope_page_options* options = gpibscope_page_options_new();
  gpibscope_page_options_set_template(options, path_in(scratch, "template"));
  char* page = NULL;
  CHECK(gpibscope_render_page(own, options, &page, NULL) == GPIBSCOPE_OK);
  CHECK(page != NULL && strstr(page, "<p>{\"header\":[[\"device\",\"Mine\"]") == page);
  CHECK(page != NULL && strstr(page, "\"values\":[0.5,null]}]}</p>") != NULL);
  gpibscope_free(page);
  error = NULL;
  const gpibscope_status unwritten =
      gpibscope_write_page(own, NULL, path_in(scratch, "no/such/page.html"), &error);
  CHECK(fails_with(unwritten, error, GPIBSCOPE_ERROR_OUTPUT, "page.html"));
  gpibscope_page_options_free(options);
  gpibscope_acquisition_free(own);
}

static void write_text(const char* path, const char* text) {
  FILE* file = fopen(path, "w");
  fputs(text, file);
  fclose(file);
}

/* A waveform file read back, then set beside channel 1 on a page: interpolated onto its times,
 * NaN (null) where the simulation ends; a bad file refused when added, a missing channel when
 * the page is made. */
static void reads_simulations_and_compares_on_page(const char* scratch) {
  write_text(path_in(scratch, "rc.txt"), "* time value\n0 0\n2e-6 1\n");
  gpibscope_simulation* simulation = NULL;
  CHECK(gpibscope_read_simulation(path_in(scratch, "rc.txt"), &simulation, NULL) == GPIBSCOPE_OK);
  CHECK(gpibscope_simulation_points(simulation) == 2 &&
        gpibscope_simulation_vectors(simulation) == 1);
  CHECK(gpibscope_simulation_time(simulation)[1] == 2e-6);
  CHECK(strcmp(gpibscope_simulation_vector_name(simulation, 0), "rc") == 0);
  CHECK(gpibscope_simulation_vector_values(simulation, 0)[1] == 1.0);
  CHECK(gpibscope_simulation_vector_name(simulation, 1) == NULL);
  gpibscope_simulation_free(simulation);
  gpibscope_error* error = NULL;
  write_text(path_in(scratch, "bad.txt"), "0 0\n1e-6 x\n");
  gpibscope_status status =
      gpibscope_read_simulation(path_in(scratch, "bad.txt"), &simulation, &error);
  CHECK(fails_with(status, error, GPIBSCOPE_ERROR_SIMULATION, "bad.txt: line 2"));
  CHECK(simulation == NULL);

  const double time[] = {0.0, 1e-6, 4e-6}, volts[] = {0.0, 0.5, 1.0};
  gpibscope_acquisition* own = gpibscope_acquisition_new("Mine", 2, 0, 0.25);
  CHECK(gpibscope_acquisition_add_column(own, "time", time, 3, NULL) == GPIBSCOPE_OK);
  CHECK(gpibscope_acquisition_add_column(own, "ch1", volts, 3, NULL) == GPIBSCOPE_OK);
  gpibscope_page_options* options = gpibscope_page_options_new();
  gpibscope_page_options_set_template(options, path_in(scratch, "template"));
  error = NULL;
  status = gpibscope_page_options_add_reference(options, path_in(scratch, "none.raw"), &error);
  CHECK(fails_with(status, error, GPIBSCOPE_ERROR_SIMULATION, "none.raw"));
  char reference[4200];
  snprintf(reference, sizeof reference, "%s:rc=ch1", path_in(scratch, "rc.txt"));
  CHECK(gpibscope_page_options_add_reference(options, reference, NULL) == GPIBSCOPE_OK);
  char* page = NULL;
  CHECK(gpibscope_render_page(own, options, &page, NULL) == GPIBSCOPE_OK);
  CHECK(page != NULL &&
        strstr(page, "\"references\":[{\"name\":\"rc\",\"channel\":\"ch1\"") != NULL);
  CHECK(page != NULL && strstr(page, "\"values\":[0,0.5,null]}]}</p>") != NULL);
  gpibscope_free(page);
  snprintf(reference, sizeof reference, "%s:rc=ch4", path_in(scratch, "rc.txt"));
  CHECK(gpibscope_page_options_add_reference(options, reference, NULL) == GPIBSCOPE_OK);
  error = NULL;
  status = gpibscope_write_page(own, options, path_in(scratch, "compared.html"), &error);
  CHECK(fails_with(status, error, GPIBSCOPE_ERROR_SIMULATION, "no acquired channel \"ch4\""));
  gpibscope_page_options_free(options);
  gpibscope_acquisition_free(own);
}

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  mkdir(argv[1], 0777);
  CHECK(gpibscope_find_device("2") == 2 && gpibscope_find_device("philips") == 3);
  CHECK(gpibscope_find_device("scope9") == -1 && gpibscope_device_short_name(4) == NULL);
  gpibscope_error* error = NULL;
  /* Before any GPIB library is loaded: the loader's search finds none here. */
  gpibscope_session* unchosen = open_session(NULL, NULL, NULL);
  const gpibscope_status status = gpibscope_session_check_gpib(unchosen, &error);
  CHECK(fails_with(status, error, GPIBSCOPE_ERROR_GPIB_LIBRARY,
                   "); choose sim, linux-gpib, prologix, vxi11 or a path"));
  gpibscope_session_close(unchosen);
  error = NULL;
  gpibscope_session* session = open_session("sim", NULL, &error);
  if (session == NULL) {
    fprintf(stderr, "no session: %s\n", gpibscope_error_text(error));
    return 1;
  }
  const char* name = NULL;
  CHECK(gpibscope_session_device_name(session, 2, &name, NULL) == GPIBSCOPE_OK &&
        strcmp(name, "Tektronix TDS540") == 0);
  CHECK(gpibscope_session_check_gpib(session, NULL) == GPIBSCOPE_OK);
  acquires_again_and_in_any_order(session);
  errors_are_values(session);
  writes_acquired_and_own_data(session, argv[1]);
  reads_simulations_and_compares_on_page(argv[1]);
  gpibscope_session_close(session);
  return failures == 0 ? 0 : 1;
}
