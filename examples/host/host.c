/* A host in ten lines: loads the installed driver module and lists its devices. Build it with
 * CMake (CMakeLists.txt here) or with pkg-config:
 *   cc $(pkg-config --cflags gpibscope) \
 *     -DGPIBSCOPE_MODULE="\"$(pkg-config --variable=module gpibscope)\"" host.c \
 *     $(pkg-config --libs gpibscope) -o host */
#include <dlfcn.h>
#include <stdio.h>

#include <gpibscope/host.h>

int main(void) {
  void* module = dlopen(GPIBSCOPE_MODULE, RTLD_NOW);
  if (module == NULL) {
    fprintf(stderr, "%s\n", dlerror());
    return 1;
  }
  GetDeviceTextFn deviceText;
  *(void**)&deviceText = dlsym(module, "GetDeviceText"); /* the POSIX way to a function */
  char name[64];
  for (int32_t type = 0; type < GPIBSCOPE_DEVICE_TYPES; ++type)
    printf("%d %s\n", (int)type, deviceText(name, sizeof name, type));
  return dlclose(module);
}
