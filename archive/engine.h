#pragma once
// The exchange engine of the archive programs: one operation at a time, a run of binary
// requests over consecutive record positions with exactly one request outstanding. It stores
// every 11-byte reply at the requested position, advances on a good reply, asks again after a
// bad one or a time-out, gives up after a run of failures, and at the end position runs the
// operation's follow-up.
//
// The receiver does not spin: it runs when bytes arrive at the port and when the time-out of
// the outstanding request is due.
#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "archive/record_store.h"
#include "link/frames.h"
#include "platform/controls.h"
#include "platform/event_loop.h"
#include "platform/serial.h"

namespace archive {

// Command codes of the record memory.
enum Command : std::uint8_t {
  kSetClock = 0, kReadClock = 1, kStop = 3, kReadParams = 5, kReadArchive = 6,
  kWriteGsm = 7, kReadGsm = 8
};

// Where the two archive programs differ in the exchange.
struct EngineRules {
  int timeoutUnits;      // time-out threshold in 1e-8 day (3000 = 2.592 s, 200 = 0.1728 s)
  int giveUpAfter;       // consecutive failed requests that end the run
  bool ringWrap;         // after position 8000 comes 0 (unless reading by months)
  bool completeAtOrPast; // the run ends once the position is not below the end position
  bool progressByPosition;   // the gauge shows the position, not the good replies
  int progressAtCompletion;  // the gauge at completion; -1: the gauge's maximum
  // The end position of a one-record operation starting at 0.
  int singleRecordEnd() const { return completeAtOrPast ? 0 : 1; }
};
extern const EngineRules kArcgsmRules;
extern const EngineRules kArcreadRules;

constexpr std::uint32_t kOutValueAtStart = 0x449A4333;  // 1234.1 in single precision
constexpr int kRingEnd = 8000;

// The controls the engine reports through.
struct EngineView {
  platform::CheckBox* exchangeFlag;  // CheckBox4: checked while an operation runs
  platform::ComboBox* address;       // ComboBox11: read again at every send
  platform::StatusBar* status;
  platform::Gauge* gauge;
};

class Engine {
 public:
  Engine(const EngineRules& rules, platform::EventLoop& loop, platform::MSComm& port,
         RecordStore& store, EngineView view);
  ~Engine();

  // The follow-up of a completed command.
  void SetFollowUp(std::uint8_t command, std::function<void()> followUp);
  // Called after every run ends: completed (true, after its follow-up) or given up (false).
  std::function<void(bool completed)> OnRunEnded;

  // Start prepares the exchange state for a new connection.
  void ResetForStart();
  // Starts an operation: the command, its positions, the flag on, the first request.
  void StartOperation(std::uint8_t command, std::uint16_t start, std::int32_t end);
  // Stop's request: command 3 at position 0, sent without turning the exchange on.
  void SendStopRequest();
  // Turns the exchange off; no reply is looked at afterwards and no time-out runs.
  void Halt();
  // Ends a running operation as failed with a status text (the link is gone).
  void Fail(const std::string& status);
  bool Running() const;

  // The receiver: runs on arrived bytes and on the time-out of the outstanding request.
  void ApplicationEvents1Idle();

  // Exchange state, by the names the operations use.
  std::uint8_t CommandCode = 0;
  std::uint16_t RecordPos = 0;
  std::int32_t EndPos = 0;
  std::uint32_t OutValue = kOutValueAtStart;
  std::uint32_t PcClock = 0;
  std::string GsmSettingsText;  // Windows-1251 bytes
  std::int32_t TimeoutCount = 0;
  std::uint16_t GoodCount = 0;
  std::int32_t ReadByMonths = 0;
  std::uint64_t Resent = 0;  // requests sent again (time-outs and bad replies), for reports

 private:
  void SendRequest();
  void SendAndWatch();
  void TakeReply();
  bool AnswersRequest(const devlink::Frame& reply);
  void Complete();
  void CheckTimeout();
  void ArmTimeout();
  void DisarmTimeout();
  void ResendAfterSettling();
  std::int64_t ThresholdMs() const;
  std::uint32_t RequestData() const;

  const EngineRules& rules_;
  platform::EventLoop& loop_;
  platform::MSComm& port_;
  RecordStore& store_;
  EngineView view_;
  std::map<std::uint8_t, std::function<void()>> followUps_;
  std::int64_t lastRequestMs_ = 0;
  platform::TaskId timeoutTask_ = 0;
  platform::TaskId settleTask_ = 0;  // a re-send waiting for the line to go quiet
  devlink::Frame request_{};  // the request outstanding
  // Whether replies must echo their request's address, command and position (see
  // kEchoEvidence), and how many replies in a row have come without the echo.
  bool echoHeld_ = true;
  int unechoedInRow_ = 0;
};

// After a bad reply the line is left to go quiet this long before the request is sent again,
// so that the tail of a surplus or misaligned reply is discarded, not taken for the next one.
constexpr std::int64_t kSettleMs = 50;

// Reply bytes 1 to 4 are the meter's own: the line protocol does not say what they hold. A meter
// that echoes there the address, command and position of the request it answers is held to it:
// a reply whose sum holds but that carries another request's echo is not the record asked for
// (a late reply to an earlier request, or the tail of one reply run into the next whose sum
// holds by chance); it is a bad reply, and the position is asked for again. A meter that does
// not echo shows it reply after reply: after this many replies in a row without the echo, the
// connection takes replies by their sum alone.
constexpr int kEchoEvidence = 3;

}  // namespace archive
