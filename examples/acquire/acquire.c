/* A host in C on the host library: acquires from the Tektronix on the simulated bench and
 * writes a CSV file. Build it with CMake (CMakeLists.txt here) or with pkg-config:
 *   cc $(pkg-config --cflags gpibscope) acquire.c $(pkg-config --libs gpibscope) -o acquire
 * usage: acquire FILE.csv */
#include <stdio.h>

#include <gpibscope/host_library.h>

static void print_message(const char* text, void* user) {
  (void)user;
  fprintf(stderr, "module: %s\n", text);
}

/* Tells the failure, frees it, and gives the exit status. */
static int failed(gpibscope_error* error) {
  fprintf(stderr, "acquire: %s\n", gpibscope_error_text(error));
  gpibscope_error_free(error);
  return 1;
}

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s FILE.csv\n", argv[0]);
    return 2;
  }
  gpibscope_session_options* options = gpibscope_session_options_new();
  gpibscope_session_options_set_gpib(options, "sim");
  gpibscope_session_options_set_messages(options, print_message, NULL);
  gpibscope_session* session = NULL;
  gpibscope_error* error = NULL;
  gpibscope_status status = gpibscope_session_open(options, &session, &error);
  gpibscope_session_options_free(options);
  if (status != GPIBSCOPE_OK) return failed(error);

  gpibscope_acquisition* acquisition = NULL;
  status = gpibscope_session_acquire(session, gpibscope_find_device("tektronix"), NULL, NULL,
                                     &acquisition, &error);
  gpibscope_session_close(session); /* the acquisition outlives its session */
  if (status != GPIBSCOPE_OK) return failed(error);

  printf("%s: %zu points in %zu channels\n", gpibscope_acquisition_device_name(acquisition),
         gpibscope_acquisition_points(acquisition), gpibscope_acquisition_channels(acquisition));
  status = gpibscope_write_csv(acquisition, argv[1], &error);
  gpibscope_acquisition_free(acquisition);
  return status == GPIBSCOPE_OK ? 0 : failed(error);
}
