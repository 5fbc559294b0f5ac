// The recording written and read back: every byte value exact, every field kept; and printed
// as a call trace with the status decoded and long transfers folded.
#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <numeric>

#include "printer.h"
#include "reader.h"
#include "writer.h"

namespace {

using gpib_recording::Bytes;
using gpib_recording::Call;

Bytes EveryByteValue() {
  Bytes bytes(256);
  std::iota(bytes.begin(), bytes.end(), 0);
  return bytes;
}

Call MakeCall(const char* function, std::vector<int32_t> arguments) {
  Call call;
  call.function = function;
  call.arguments = std::move(arguments);
  return call;
}

// A read of 300 bytes that timed out (ERR TIMO CMPL, EABO) after 256, each byte value once.
Call TimedOutRead() {
  Call read = MakeCall("ibrd", {1, 300});
  read.read = EveryByteValue();
  read.result = read.ibsta = static_cast<int32_t>(0xC100);
  read.iberr = 6;
  read.ibcntl = 256;
  return read;
}

TEST(RecordingFile, EveryCallComesBackExactlyAsWritten) {
  Call read = TimedOutRead();
  read.start = 12.5;
  read.duration = 10.000001;
  Call sent = MakeCall("Send", {0, -1, 256, 2});
  sent.written = EveryByteValue();
  Call found = MakeCall("FindLstn", {0, 31});
  found.written = gpib_recording::WordBytes(std::vector<int16_t>{1, 2, -1}.data(), 3);
  found.read = gpib_recording::WordBytes(std::vector<int16_t>{0x6102}.data(), 1);
  Call descriptor = MakeCall("ibfindA", {});
  descriptor.written = {'D', 'E', 'V', '1'};
  descriptor.result = 1;
  const std::vector<Call> calls = {read, sent, found, descriptor, MakeCall("SendIFC", {0})};

  const std::string path = (std::filesystem::temp_directory_path() /
                            ("recording-test-" + std::to_string(getpid()) + ".rec"))
                               .string();
  gpib_recording::RecordingFile file;
  ASSERT_TRUE(file.Open(path, gpib_recording::RecordingFile::Mode::kReplace));
  for (size_t i = 0; i < calls.size(); ++i) {
    Call numbered = calls[i];
    numbered.number = static_cast<int64_t>(i + 1);
    file.Write(numbered);
  }
  file.Close();
  const std::vector<Call> back = gpib_recording::ReadRecording(path);
  std::filesystem::remove(path);

  ASSERT_EQ(back.size(), calls.size());
  for (size_t i = 0; i < calls.size(); ++i) {
    SCOPED_TRACE(calls[i].function);
    EXPECT_EQ(back[i].number, static_cast<int64_t>(i + 1));
    EXPECT_EQ(back[i].function, calls[i].function);
    EXPECT_EQ(back[i].arguments, calls[i].arguments);
    EXPECT_EQ(back[i].written, calls[i].written);
    EXPECT_EQ(back[i].read, calls[i].read);
    EXPECT_EQ(back[i].result, calls[i].result);
    EXPECT_EQ(back[i].ibsta, calls[i].ibsta);
    EXPECT_EQ(back[i].iberr, calls[i].iberr);
    EXPECT_EQ(back[i].ibcntl, calls[i].ibcntl);
    EXPECT_DOUBLE_EQ(back[i].start, calls[i].start);
    EXPECT_DOUBLE_EQ(back[i].duration, calls[i].duration);
  }
}

TEST(RecordingFile, CommentsBlankLinesAndCarriageReturnsAreSkipped) {
  const std::vector<Call> calls = gpib_recording::ParseRecording(
      "gpibscope-recording 1\r\n# a note\n\n1 SendIFC board=0 ibsta=0x0100 iberr=0 "
      "ibcntl=0 t=0 d=0\r\n",
      "x");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].ibsta, 0x0100);
}

TEST(RecordingFile, AFieldMissingOrRepeatedNamesTheLine) {
  const std::string head = "gpibscope-recording 1\n";
  const struct {
    const char* line;
    const char* told;
  } cases[] = {
      {"1 ibrd ud=1 ret=0 ibsta=0 iberr=0 ibcntl=0 r= t=0 d=0\n", "x:2: field count is missing"},
      {"1 SendIFC board=0 board=1 ibsta=0 iberr=0 ibcntl=0 t=0 d=0\n",
       "x:2: field board given twice"},
      {"1 ibpct ud=1\n", "x:2: no GPIB function is called ibpct"},
      {"0 SendIFC board=0 ibsta=0 iberr=0 ibcntl=0 t=0 d=0\n",
       "x:2: the call number must be 1 or more"},
      {"1 SendIFC board=99999999999 ibsta=0 iberr=0 ibcntl=0 t=0 d=0\n",
       "x:2: board is out of range"},
      {"1 ibwrt ud=1 count=1 w=A ret=0 ibsta=0 iberr=0 ibcntl=0 t=0 d=0\n",
       "x:2: w has an odd number of hex digits"},
      {"1 SendIFC board=0 ibsta=0 iberr=0 ibcntl=0 t=-1 d=0\n", "x:2: t is not a time"},
      {"1 SendIFC board=0 ibsta=0 iberr=0 ibcntl=0 t=0 d=0333333333333333333333333333333333333"
       "3333333333333333333333333333333333333\n",
       "x:2: d is beyond what a recording carries"},
      {"1 SendIFC board=0 ibsta=0 iberr=0 ibcntl=0 t=1e9 d=0\n",
       "x:2: t is beyond what a recording carries"},
  };
  for (const auto& c : cases) {
    try {
      gpib_recording::ParseRecording(head + c.line, "x");
      ADD_FAILURE() << "accepted: " << c.line;
    } catch (const gpib_recording::RecordingError& error) {
      EXPECT_TRUE(std::string(error.what()).starts_with(c.told)) << error.what();
    }
  }
}

TEST(Printer, StatusByNameTextQuotedBinaryAsHexLongTransfersFolded) {
  Call timedOut = TimedOutRead();
  timedOut.number = 7;
  EXPECT_EQ(gpib_recording::DescribeCall(timedOut),
            "     7     0.000000   0.000000  ibrd(ud=1, count=300)  ERR TIMO CMPL EABO  "
            "ibcntl=256  read 256 bytes: 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 "
            "12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F 20 21 22 23 24 25 26 27 28 29 2A 2B 2C "
            "2D 2E 2F ...");
  Call asked = MakeCall("ibwrt", {1, 7});
  asked.written = {'*', 'I', 'D', 'N', '?', '\n', '\0'};
  asked.result = asked.ibsta = 0x0100;
  EXPECT_EQ(gpib_recording::DescribeRequest(asked), R"(ibwrt(ud=1, count=7, "*IDN?\n\0"))");
  Call opened = MakeCall("ibdev", {0, 5, 0, 13, 1, 0});
  opened.result = 3;
  opened.ibsta = 0x0100;
  EXPECT_NE(gpib_recording::DescribeCall(opened).find(
                "ibdev(board=0, pad=5, sad=0, tmo=13, eot=1, eos=0) = 3  CMPL  ibcntl=0"),
            std::string::npos);
}

}  // namespace
