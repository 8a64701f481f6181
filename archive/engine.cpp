#include "archive/engine.h"

#include <algorithm>

#include "platform/errors.h"

namespace archive {

const EngineRules kArcgsmRules{3000, 6, true, false, false, -1};
const EngineRules kArcreadRules{200, 20, false, true, true, 12800};

namespace texts {
constexpr const char* kRequest = "Запрос данных";
constexpr const char* kReceived = "Данные приняты";
constexpr const char* kBadChecksum = "Ошибка КС";
constexpr const char* kForeignReply = "Ответ не на запрос";
constexpr const char* kDone = "Обмен с прибором завершен";
constexpr const char* kTimeout = "Таймаут er=";
constexpr const char* kNoLink = "Нет связи с прибором";
}  // namespace texts

Engine::Engine(const EngineRules& rules, platform::EventLoop& loop, platform::MSComm& port,
               RecordStore& store, EngineView view)
    : rules_(rules), loop_(loop), port_(port), store_(store), view_(view) {}

Engine::~Engine() { DisarmTimeout(); }

void Engine::SetFollowUp(std::uint8_t command, std::function<void()> followUp) {
  followUps_[command] = std::move(followUp);
}

bool Engine::Running() const { return view_.exchangeFlag->Checked; }

void Engine::ResetForStart() {
  lastRequestMs_ = loop_.monotonicMs();
  OutValue = kOutValueAtStart;
  TimeoutCount = 0;
  CommandCode = 0;
  RecordPos = 0;
  echoHeld_ = true;
  unechoedInRow_ = 0;
  store_.PrepareFillers();
}

void Engine::StartOperation(std::uint8_t command, std::uint16_t start, std::int32_t end) {
  TimeoutCount = 0;
  CommandCode = command;
  EndPos = end;
  RecordPos = start;
  view_.exchangeFlag->Checked = true;
  SendAndWatch();
}

void Engine::SendStopRequest() {
  TimeoutCount = 0;
  CommandCode = kStop;
  EndPos = 0;
  RecordPos = 0;
  Halt();
  if (port_.PortOpen()) SendRequest();
}

void Engine::Halt() {
  view_.exchangeFlag->Checked = false;
  DisarmTimeout();
  if (settleTask_) loop_.cancel(settleTask_);
  settleTask_ = 0;
}

void Engine::ResendAfterSettling() {
  DisarmTimeout();
  ++Resent;
  settleTask_ = loop_.schedule(kSettleMs, [this] {
    settleTask_ = 0;
    OutValue = devlink::FloatBits(store_.FillerValues[RecordPos]);
    platform::RunHandler([this] { SendAndWatch(); });
  });
}

std::uint32_t Engine::RequestData() const {
  if (CommandCode == kSetClock) return PcClock;
  if (CommandCode == kWriteGsm) {
    // One character of the settings text per record; a short text is sent as blanks.
    const std::size_t i = static_cast<std::size_t>(RecordPos) - 3900;
    return i < GsmSettingsText.size() ? static_cast<std::uint8_t>(GsmSettingsText[i]) : 0x20;
  }
  return OutValue;
}

void Engine::SendRequest() {
  const auto address =
      static_cast<std::uint8_t>(platform::ParseInteger(view_.address->Text) & 0xFF);
  request_ = devlink::BinaryRequest(address, CommandCode, RecordPos, RequestData());
  port_.Input();  // whatever waits is stale: a late or surplus reply
  port_.Output(devlink::FrameBytes(request_));
  view_.status->Panels[0] = texts::kRequest;
}

void Engine::SendAndWatch() {
  SendRequest();
  lastRequestMs_ = loop_.monotonicMs();
  ArmTimeout();
}

void Engine::ApplicationEvents1Idle() {
  if (!Running() || settleTask_) return;
  if (port_.InBufferCount() == devlink::kFrameSize) TakeReply();
  if (Running()) CheckTimeout();
}

void Engine::TakeReply() {
  view_.status->Panels[0] = texts::kReceived;
  const auto reply = devlink::FrameFromBytes(port_.Input());
  const std::uint32_t v = devlink::ReplyValue(reply);
  OutValue = v;
  store_.Store(RecordPos, v);
  const bool sumHolds = devlink::ReplyChecksumOk(reply);
  if (sumHolds && AnswersRequest(reply)) {
    TimeoutCount = 0;
    ++RecordPos;
    if (rules_.ringWrap && !ReadByMonths && RecordPos > kRingEnd) RecordPos = 0;
    ++GoodCount;
    const bool reached = rules_.completeAtOrPast ? RecordPos >= EndPos : RecordPos == EndPos;
    if (reached) return Complete();
  } else {
    // A corrupted reply, or one to another request, is never taken as the record: the same
    // position is asked for again, and a run of them ends the operation like a run of
    // time-outs.
    view_.status->Panels[0] = sumHolds ? texts::kForeignReply : texts::kBadChecksum;
    if (++TimeoutCount >= rules_.giveUpAfter) return Fail(texts::kNoLink);
    return ResendAfterSettling();
  }
  OutValue = devlink::FloatBits(store_.FillerValues[RecordPos]);
  SendAndWatch();
  view_.gauge->Progress = rules_.progressByPosition ? RecordPos : GoodCount;
}

bool Engine::AnswersRequest(const devlink::Frame& reply) {
  if (!echoHeld_) return true;
  if (std::equal(reply.begin() + 1, reply.begin() + 5, request_.begin() + 1)) {
    unechoedInRow_ = 0;
    return true;
  }
  echoHeld_ = ++unechoedInRow_ < kEchoEvidence;
  return !echoHeld_;
}

void Engine::Complete() {
  Halt();
  view_.status->Panels[0] = texts::kDone;
  view_.gauge->Progress = rules_.progressAtCompletion < 0 ? view_.gauge->MaxValue.get()
                                                          : rules_.progressAtCompletion;
  lastRequestMs_ = loop_.monotonicMs();
  if (auto it = followUps_.find(CommandCode); it != followUps_.end() && it->second)
    platform::RunHandler(it->second);
  if (OnRunEnded) OnRunEnded(true);
}

std::int64_t Engine::ThresholdMs() const {
  // The threshold is in units of 1e-8 day: 1 unit is 0.864 ms.
  return static_cast<std::int64_t>(rules_.timeoutUnits) * 864 / 1000;
}

void Engine::CheckTimeout() {
  // More than the threshold since the last send, in whole numbers:
  // elapsed_ms * 1000 > units * 864.
  const std::int64_t elapsed = loop_.monotonicMs() - lastRequestMs_;
  if (elapsed * 1000 <= static_cast<std::int64_t>(rules_.timeoutUnits) * 864) return;
  ++TimeoutCount;
  view_.status->Panels[0] = texts::kTimeout + std::to_string(TimeoutCount);
  if (TimeoutCount >= rules_.giveUpAfter) return Fail(texts::kNoLink);
  ++Resent;
  SendAndWatch();
}

void Engine::Fail(const std::string& status) {
  const bool wasRunning = Running();
  Halt();
  view_.status->Panels[0] = status;
  if (wasRunning && OnRunEnded) OnRunEnded(false);
}

void Engine::ArmTimeout() {
  DisarmTimeout();
  timeoutTask_ = loop_.schedule(ThresholdMs() + 1, [this] {
    timeoutTask_ = 0;
    platform::RunHandler([this] { ApplicationEvents1Idle(); });
  });
}

void Engine::DisarmTimeout() {
  if (timeoutTask_) loop_.cancel(timeoutTask_);
  timeoutTask_ = 0;
}

}  // namespace archive
