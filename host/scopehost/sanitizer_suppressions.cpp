// Built into scopehost only under AddressSanitizer: fontconfig and libltdl, which PLplot's
// drivers load, keep caches for the life of the process that the leak check would report.
#define SANITIZER_HOOK extern "C" __attribute__((visibility("default")))

SANITIZER_HOOK const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\nleak:libltdl.so\n";
}

SANITIZER_HOOK const char* __lsan_default_options() {
  return "print_suppressions=0";
}
