#include "user_library.h"

#include <dlfcn.h>

#include <cstdio>
#include <optional>
#include <string>

namespace linux_gpib {

namespace {

constexpr const char* kLibraryName = "libgpib.so.0";

// linux-gpib calls its own exported names (ibfind calls ibclr and ibwrt, SendIFC calls
// ibsic); binding it deep keeps those calls inside it even when a host has made the bridge's
// same-named exports global. AddressSanitizer cannot run a library bound that way, so the
// sanitized test build does without, where nothing loads the bridge globally.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define GPIB_BRIDGE_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(GPIB_BRIDGE_SANITIZED)
constexpr int kDeepBind = 0;
#else
constexpr int kDeepBind = RTLD_DEEPBIND;
#endif
// Never unloaded: the library keeps per-thread status in thread-specific data whose
// destructors must stay mapped as long as threads that used it may end.
constexpr int kOpenFlags = RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE | kDeepBind;

void TellMissing(const std::string& what) {
  std::fprintf(stderr,
               "%s%s; install linux-gpib, its user library libgpib.so.0 and the kernel driver "
               "of your GPIB board\n",
               kLinePrefix, what.c_str());
}

class Binder {
 public:
  explicit Binder(void* handle) : handle_(handle) {}

  template <typename Function>
  void operator()(Function& function, const char* name) {
    function = reinterpret_cast<Function>(dlsym(handle_, name));
    if (function == nullptr && missing_.empty()) missing_ = name;
  }
  const std::string& missing() const { return missing_; }

 private:
  void* handle_;
  std::string missing_;
};

std::optional<UserLibrary> Load() {
  void* handle = dlopen(kLibraryName, kOpenFlags);
  if (handle == nullptr) {
    TellMissing(std::string("cannot load ") + kLibraryName + " (" + dlerror() + ")");
    return std::nullopt;
  }
  UserLibrary library{};
  Binder bind(handle);
  bind(library.ibfind, "ibfind");
  bind(library.ibdev, "ibdev");
  bind(library.ibonl, "ibonl");
  bind(library.ibrd, "ibrd");
  bind(library.ibwrt, "ibwrt");
  bind(library.ibrsp, "ibrsp");
  bind(library.ibtrg, "ibtrg");
  bind(library.ibwait, "ibwait");
  bind(library.ibloc, "ibloc");
  bind(library.ibtmo, "ibtmo");
  bind(library.ibclr, "ibclr");
  bind(library.DevClear, "DevClear");
  bind(library.FindLstn, "FindLstn");
  bind(library.ReadStatusByte, "ReadStatusByte");
  bind(library.Receive, "Receive");
  bind(library.Send, "Send");
  bind(library.SendIFC, "SendIFC");
  bind(library.WaitSRQ, "WaitSRQ");
  bind(library.ThreadIbsta, "ThreadIbsta");
  bind(library.ThreadIberr, "ThreadIberr");
  bind(library.ThreadIbcntl, "ThreadIbcntl");
  if (!bind.missing().empty()) {
    TellMissing(std::string(kLibraryName) + " does not export " + bind.missing());
    dlclose(handle);
    return std::nullopt;
  }
  return library;
}

}  // namespace

const UserLibrary* BoundUserLibrary() {
  static const std::optional<UserLibrary> library = Load();
  return library ? &*library : nullptr;
}

}  // namespace linux_gpib
