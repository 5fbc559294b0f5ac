#include "support/session.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string_view>

#include "support/recording_host.h"

namespace testing_support {

namespace {

constexpr size_t kArrays = 5;
constexpr size_t kHostPoints = 20000;  // the most any device type announces
constexpr double kMarker = -999.0;     // a value no acquisition delivers
constexpr int32_t kDeviceTypes = 4;

// Every field of a delivery in one order, for the writer and the reader alike.
template <typename Archive, typename Value>
void Fields(Archive& archive, Value& delivery) {
  archive(delivery.propsResult, delivery.propsPoints, delivery.propsChannels, delivery.result,
          delivery.points, delivery.channels, delivery.arrays, delivery.messages, delivery.steps,
          delivery.positions);
}

// The delivery as bytes, for a child process to hand to its parent: a number as its bytes, a
// text or a list as its length and then its elements.
class Writer {
 public:
  template <typename... T>
  void operator()(const T&... values) {
    (Put(values), ...);
  }
  const std::string& bytes() const { return bytes_; }

 private:
  template <typename T>
  void Put(const T& value) {
    bytes_.append(reinterpret_cast<const char*>(&value), sizeof value);
  }
  void Put(const std::string& text) {
    Put(text.size());
    bytes_ += text;
  }
  template <typename T>
  void Put(const std::vector<T>& values) {
    Put(values.size());
    for (const T& value : values) Put(value);
  }
  std::string bytes_;
};

class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  template <typename... T>
  void operator()(T&... values) {
    (Get(values), ...);
  }

 private:
  template <typename T>
  void Get(T& value) {
    Take(&value, sizeof value);
  }
  void Get(std::string& text) {
    text.resize(Size());
    Take(text.data(), text.size());
  }
  template <typename T>
  void Get(std::vector<T>& values) {
    values.resize(Size());
    for (T& value : values) Get(value);
  }
  size_t Size() {
    size_t size = 0;
    Get(size);
    return size;
  }
  void Take(void* to, size_t size) {
    if (size == 0) return;  // an empty text's data() may be null
    if (bytes_.size() - at_ < size) throw std::runtime_error("child's delivery cut short");
    std::memcpy(to, bytes_.data() + at_, size);
    at_ += size;
  }
  std::string_view bytes_;
  size_t at_ = 0;
};

std::string Joined(const std::vector<std::string>& texts) {
  std::string joined;
  for (const std::string& text : texts) joined += "\"" + text + "\" ";
  return joined;
}

}  // namespace

Delivery Acquire(GetTransPropertiesFn getTransProperties, GetDataFn getData, int32_t type) {
  Delivery delivery;
  RecordingHost host;
  delivery.propsResult = getTransProperties(type, &delivery.propsPoints, &delivery.propsChannels);
  delivery.arrays.assign(kArrays, std::vector<double>(kHostPoints, kMarker));
  WaveformBuffers buffers{};
  for (size_t i = 0; i < kArrays; ++i) buffers.arrays[i] = delivery.arrays[i].data();
  delivery.points = delivery.propsPoints;
  delivery.channels = delivery.propsChannels;
  delivery.result = getData(type, &buffers, &delivery.points, &delivery.channels, host.Window(),
                            &RecordingHost::Callback);
  delivery.messages = host.messages;
  delivery.steps = host.steps;
  delivery.positions = host.positions;
  return delivery;
}

std::string Difference(const Delivery& expected, const Delivery& actual) {
  std::ostringstream text;
  if (expected.propsResult != actual.propsResult || expected.propsPoints != actual.propsPoints ||
      expected.propsChannels != actual.propsChannels) {
    text << "properties " << actual.propsResult << " " << actual.propsPoints << "x"
         << actual.propsChannels << ", fresh " << expected.propsResult << " "
         << expected.propsPoints << "x" << expected.propsChannels << "; ";
  }
  if (expected.result != actual.result || expected.points != actual.points ||
      expected.channels != actual.channels) {
    text << "GetData " << actual.result << " " << actual.points << "x" << actual.channels
         << ", fresh " << expected.result << " " << expected.points << "x" << expected.channels
         << "; ";
  }
  for (size_t i = 0; i < std::min(expected.arrays.size(), actual.arrays.size()); ++i) {
    if (expected.arrays[i] != actual.arrays[i]) text << "array " << i << " differs; ";
  }
  if (expected.messages != actual.messages)
    text << "messages " << Joined(actual.messages) << ", fresh " << Joined(expected.messages)
         << "; ";
  if (expected.steps != actual.steps || expected.positions != actual.positions)
    text << "progress " << actual.steps << " steps, fresh " << expected.steps << "; ";
  return text.str();
}

std::vector<int32_t> EveryOrderedPair() {
  std::vector<int32_t> types;
  for (int32_t first = 0; first < kDeviceTypes; ++first) {
    for (int32_t second = 0; second < kDeviceTypes; ++second) {
      types.push_back(first);
      types.push_back(second);
    }
  }
  return types;
}

std::vector<int32_t> SeededSequence(uint32_t seed, size_t length) {
  std::mt19937 generator(seed);
  std::uniform_int_distribution<int32_t> type(0, kDeviceTypes - 1);
  std::vector<int32_t> types(length);
  for (int32_t& t : types) t = type(generator);
  return types;
}

Delivery InChildProcess(const std::function<Delivery()>& acquire) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) throw std::runtime_error("no pipe for the child");
  const pid_t child = fork();
  if (child < 0) throw std::runtime_error("no child process");
  if (child == 0) {
    close(pipeEnds[0]);
    const Delivery delivery = acquire();
    Writer out;
    Fields(out, delivery);
    const std::string& bytes = out.bytes();
    for (size_t sent = 0; sent < bytes.size();) {
      const ssize_t written = write(pipeEnds[1], bytes.data() + sent, bytes.size() - sent);
      if (written <= 0) _exit(1);
      sent += static_cast<size_t>(written);
    }
    _exit(0);  // no exit handlers: the parent's state is not the child's to tear down
  }
  close(pipeEnds[1]);
  std::string bytes;
  char chunk[65536];
  for (ssize_t got; (got = read(pipeEnds[0], chunk, sizeof chunk)) > 0;)
    bytes.append(chunk, static_cast<size_t>(got));
  close(pipeEnds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error("the child process failed");
  Delivery delivery;
  Reader in(bytes);
  Fields(in, delivery);
  return delivery;
}

}  // namespace testing_support
