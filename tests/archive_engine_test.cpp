// The exchange engine on virtual time against a scripted meter: completion, repeats after bad
// replies and time-outs, giving up, the two programs' thresholds and gauge rules.
#include <gtest/gtest.h>

#include "archive/engine.h"
#include "archive_peer.h"
#include "platform/virtual/virtual_loop.h"

using namespace archive;
using namespace platform;

namespace {

struct EngineRig {
  explicit EngineRig(const EngineRules& rules)
      : engine(rules, loop, port, store, {&flag, &address, &status, &gauge}) {
    address.Text = "1";
    port.SetPortOpen(true);
    port.OnBytesArrived = [this] { engine.ApplicationEvents1Idle(); };
    status.OnChanged = [this](Control&) {
      const std::string& s = status.Panels[0];
      if (statuses.empty() || statuses.back() != s) statuses.push_back(s);
    };
    engine.OnRunEnded = [this](bool ok) { ended.push_back(ok); };
    engine.ResetForStart();
  }
  bool RunToEnd(std::int64_t limitMs = 600000) {
    return loop.runUntil([this] { return !engine.Running(); }, limitMs);
  }
  bool Saw(const std::string& text) const {
    return std::find(statuses.begin(), statuses.end(), text) != statuses.end();
  }

  VirtualLoop loop;
  MemoryLine line{loop};
  ScriptedMeter meter{line};
  MSComm port{line.factory()};
  RecordStore store;
  CheckBox flag{"CheckBox4", nullptr};
  ComboBox address{"ComboBox11", nullptr};
  StatusBar status{"StatusBar1", nullptr};
  Gauge gauge{"Gauge1", nullptr};
  Engine engine;
  std::vector<std::string> statuses;
  std::vector<bool> ended;
};

struct RulesCase {
  const char* name;
  const EngineRules* rules;
};
const RulesCase kBoth[] = {{"arcgsm", &kArcgsmRules}, {"arcread", &kArcreadRules}};

}  // namespace

TEST(Engine, SingleRecordOperationsCompleteOnceOnTheFirstGoodReply) {
  for (const auto& c : kBoth) {
    EngineRig rig(*c.rules);
    int followUps = 0;
    rig.engine.SetFollowUp(kReadClock, [&] { ++followUps; });
    rig.meter.memory = [](const Request&) { return 908151405u; };
    rig.engine.StartOperation(kReadClock, 0, c.rules->singleRecordEnd());
    ASSERT_TRUE(rig.RunToEnd()) << c.name;
    rig.loop.runFor(10000);
    EXPECT_EQ(rig.meter.requests.size(), 1u) << c.name;
    EXPECT_EQ(followUps, 1) << c.name;
    EXPECT_EQ(rig.store.ArchiveValues[0], 908151405u);
    EXPECT_EQ(rig.statuses.back(), "Обмен с прибором завершен") << c.name;
    EXPECT_EQ(rig.ended, std::vector<bool>{true});
  }
}

TEST(Engine, BadChecksumIsAskedForAgainAndNeverCompletes) {
  // Also in arcread, whose single-record operations once completed on any 11-byte reply:
  // a corrupted clock must not be shown as the meter's clock.
  for (const auto& c : kBoth) {
    EngineRig rig(*c.rules);
    int shown = 0;
    rig.engine.SetFollowUp(kReadClock, [&] { ++shown; });
    int replies = 0;
    rig.meter.policy = [&](const Request&) {
      return ++replies == 1 ? Answer{Answer::BadChecksum, 77} : Answer{Answer::Value, 42};
    };
    rig.engine.StartOperation(kReadClock, 0, c.rules->singleRecordEnd());
    ASSERT_TRUE(rig.RunToEnd()) << c.name;
    EXPECT_EQ(rig.meter.requests.size(), 2u) << c.name;
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(rig.store.ArchiveValues[0], 42u) << c.name;
    EXPECT_TRUE(rig.Saw("Ошибка КС"));
  }
}

TEST(Engine, BadChecksumOnTheLastRecordRepeatsIt) {
  EngineRig rig(kArcgsmRules);
  bool once = false;
  rig.meter.policy = [&](const Request& r) {
    if (r.position == 199 && !once) {
      once = true;
      return Answer{Answer::BadChecksum, 0};
    }
    return Answer{Answer::Value, r.position};
  };
  rig.engine.StartOperation(kReadParams, 0, 200);
  ASSERT_TRUE(rig.RunToEnd());
  ASSERT_EQ(rig.meter.requests.size(), 201u);
  EXPECT_EQ(rig.meter.requests[199].position, 199);
  EXPECT_EQ(rig.meter.requests[200].position, 199);
  EXPECT_EQ(rig.ended, std::vector<bool>{true});
}

TEST(Engine, TimeoutsRepeatThenGiveUpAtTheProgramsLimit) {
  struct Case {
    const EngineRules* rules;
    int silentReplies;
    bool completes;
  };
  const Case cases[] = {
      {&kArcgsmRules, 5, true},    // five time-outs, then a good reply: the run goes on
      {&kArcgsmRules, 6, false},   // the sixth ends it
      {&kArcreadRules, 19, true},
      {&kArcreadRules, 20, false},
  };
  for (const auto& c : cases) {
    EngineRig rig(*c.rules);
    int silent = c.silentReplies;
    rig.meter.policy = [&](const Request& r) {
      if (r.position == 1 && silent > 0) {
        --silent;
        return Answer{Answer::Silent};
      }
      return Answer{Answer::Value, r.position};
    };
    rig.engine.StartOperation(kReadParams, 0, 3);
    rig.RunToEnd();
    rig.loop.runFor(60000);
    const auto expectedRequests = static_cast<std::size_t>(
        c.completes ? 3 + c.silentReplies : 1 + c.silentReplies);
    EXPECT_EQ(rig.meter.requests.size(), expectedRequests) << c.silentReplies;
    EXPECT_EQ(rig.ended, std::vector<bool>{c.completes}) << c.silentReplies;
    if (!c.completes) {
      const auto n = rig.statuses.size();
      ASSERT_GE(n, 2u);
      EXPECT_EQ(rig.statuses[n - 2], "Таймаут er=" + std::to_string(c.silentReplies));
      EXPECT_EQ(rig.statuses[n - 1], "Нет связи с прибором");
    } else {
      EXPECT_EQ(rig.engine.TimeoutCount, 0);  // a good reply starts the count again
    }
  }
}

TEST(Engine, ConsecutiveBadRepliesGiveUpLikeTimeouts) {
  for (const auto& c : kBoth) {
    EngineRig rig(*c.rules);
    rig.meter.policy = [](const Request&) { return Answer{Answer::BadChecksum, 1}; };
    rig.engine.StartOperation(kReadParams, 0, 200);
    rig.RunToEnd(60000);
    EXPECT_FALSE(rig.engine.Running()) << c.name;
    EXPECT_EQ(rig.meter.requests.size(), static_cast<std::size_t>(c.rules->giveUpAfter));
    EXPECT_EQ(rig.statuses.back(), "Нет связи с прибором");
    EXPECT_EQ(rig.ended, std::vector<bool>{false});
  }
}

TEST(Engine, TimeoutThresholdsOfTheTwoPrograms) {
  struct Case {
    const EngineRules* rules;
    std::int64_t quietMs;  // no re-send yet
    std::int64_t resentByMs;
  };
  for (const auto& c : {Case{&kArcgsmRules, 2592, 2594}, Case{&kArcreadRules, 172, 174}}) {
    EngineRig rig(*c.rules);
    rig.meter.policy = [](const Request&) { return Answer{Answer::Silent}; };
    rig.engine.StartOperation(kReadParams, 0, 200);
    rig.loop.runFor(c.quietMs);
    EXPECT_EQ(rig.meter.requests.size(), 1u);
    rig.loop.runFor(c.resentByMs - c.quietMs);
    EXPECT_EQ(rig.meter.requests.size(), 2u);
    EXPECT_EQ(rig.statuses.back(), "Запрос данных");
    EXPECT_TRUE(rig.Saw("Таймаут er=1"));
  }
}

TEST(Engine, PartialAndSurplusRepliesAreDiscardedByTheResend) {
  EngineRig rig(kArcgsmRules);
  int n = 0;
  rig.meter.policy = [&](const Request& r) {
    ++n;
    if (n == 2) return Answer{Answer::Raw, 0, std::string("#\x01\x05\x01", 4)};  // partial
    if (n == 4) {
      // A good reply and one byte too many: the stray byte trails into the next reply, which
      // then fails its checksum and is asked for again once the line is quiet.
      const auto f = devlink::FrameBytes(devlink::BinaryRequest(1, 5, r.position, r.position));
      return Answer{Answer::Raw, 0, f + "\x01"};
    }
    return Answer{Answer::Value, r.position};
  };
  rig.engine.StartOperation(kReadParams, 0, 5);
  ASSERT_TRUE(rig.RunToEnd());
  EXPECT_EQ(rig.ended, std::vector<bool>{true});
  std::vector<int> positions;
  for (const auto& r : rig.meter.requests) positions.push_back(r.position);
  EXPECT_EQ(positions, (std::vector<int>{0, 1, 1, 2, 3, 3, 4}));
  for (std::uint16_t p = 0; p < 5; ++p) EXPECT_EQ(rig.store.ParamValues[p], p);
}

TEST(Engine, GaugeFollowsGoodRepliesOrPositionAndFillsAtCompletion) {
  {
    EngineRig rig(kArcgsmRules);
    rig.gauge.MaxValue = 200;
    std::vector<int> seen;
    rig.gauge.OnChanged = [&](Control&) { seen.push_back(rig.gauge.Progress); };
    rig.engine.StartOperation(kReadParams, 0, 200);
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_EQ(seen.front(), 1);
    EXPECT_EQ(rig.gauge.Progress, 200);
  }
  {
    EngineRig rig(kArcreadRules);
    rig.gauge.MaxValue = 12800;
    rig.engine.StartOperation(kReadParams, 0, 200);
    rig.loop.runUntil([&] { return rig.meter.requests.size() == 50; });
    rig.loop.runFor(1);
    EXPECT_EQ(rig.gauge.Progress, rig.engine.RecordPos);
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_EQ(rig.gauge.Progress, 12800);
  }
}

TEST(Engine, IntervalReadWrapsTheRingOnlyInArcgsmAndNotByMonths) {
  EngineRig rig(kArcgsmRules);
  rig.engine.StartOperation(kReadArchive, 7990, 5);
  ASSERT_TRUE(rig.RunToEnd());
  ASSERT_EQ(rig.meter.requests.size(), 16u);  // 7990..8000, then 0..4
  EXPECT_EQ(rig.meter.requests[10].position, 8000);
  EXPECT_EQ(rig.meter.requests[11].position, 0);

  EngineRig months(kArcgsmRules);
  months.engine.ReadByMonths = 1;
  months.engine.StartOperation(kReadArchive, 7990, 8010);
  ASSERT_TRUE(months.RunToEnd());
  EXPECT_EQ(months.meter.requests.back().position, 8009);
}

TEST(Engine, RequestsCarryFillersAfterTheFirstAndTheAddressOfTheList) {
  EngineRig rig(kArcgsmRules);
  rig.address.Text = "300";  // kept modulo 256
  rig.engine.StartOperation(kReadArchive, 522, 526);
  ASSERT_TRUE(rig.RunToEnd());
  const auto& rq = rig.meter.requests;
  ASSERT_EQ(rq.size(), 4u);
  EXPECT_EQ(rq[0].data, kOutValueAtStart);  // the first carries what OutValue held
  EXPECT_EQ(rq[1].data, devlink::FloatBits(static_cast<float>(523 * 1.1)));
  EXPECT_EQ(rq[2].data, 0u);  // no filler from 524 on
  for (const auto& r : rq) EXPECT_EQ(r.address, 44);
}

TEST(Engine, StopSendsCommand3AndIgnoresTheLateReply) {
  EngineRig rig(kArcgsmRules);
  rig.meter.policy = [](const Request& r) {
    return r.command == kStop ? Answer{Answer::Value, 0} : Answer{Answer::Silent};
  };
  rig.engine.StartOperation(kReadArchive, 0, 100);
  rig.loop.runFor(100);
  rig.engine.SendStopRequest();
  EXPECT_FALSE(rig.engine.Running());
  rig.loop.runFor(30000);
  ASSERT_EQ(rig.meter.requests.size(), 2u);
  EXPECT_EQ(rig.meter.requests[1].command, kStop);
  EXPECT_EQ(rig.port.InBufferCount(), 11u);  // its reply is never read
  EXPECT_TRUE(rig.ended.empty());
}

TEST(Engine, AReplyEchoingAnotherRequestIsAskedForAgain) {
  // A late reply to the record before, whole and with its sum holding, arrives where the
  // reply to record 2 is awaited: it is not taken for record 2.
  EngineRig rig(kArcgsmRules);
  bool once = false;
  rig.meter.policy = [&](const Request& r) {
    if (r.position != 2 || std::exchange(once, true)) return Answer{Answer::Value, r.position};
    return Answer{Answer::Raw, 0,
                  devlink::FrameBytes(devlink::BinaryRequest(r.address, r.command, 1, 1))};
  };
  rig.engine.StartOperation(kReadParams, 0, 4);
  ASSERT_TRUE(rig.RunToEnd());
  std::vector<int> positions;
  for (const auto& r : rig.meter.requests) positions.push_back(r.position);
  EXPECT_EQ(positions, (std::vector<int>{0, 1, 2, 2, 3}));
  for (std::uint16_t p = 0; p < 4; ++p) EXPECT_EQ(rig.store.ParamValues[p], p);
  EXPECT_TRUE(rig.Saw("Ответ не на запрос"));
  EXPECT_EQ(rig.ended, std::vector<bool>{true});
}

TEST(Engine, AMeterThatDoesNotEchoIsReadByTheSumAloneAfterAFewReplies) {
  for (const auto& c : kBoth) {
    EngineRig rig(*c.rules);
    rig.meter.policy = [](const Request& r) {  // its own header on every reply
      auto reply = devlink::BinaryRequest(0x55, 0xAA, 0x1234, 1000u + r.position);
      return Answer{Answer::Raw, 0, devlink::FrameBytes(reply)};
    };
    for (int connection = 0; connection < 2; ++connection) {
      rig.meter.requests.clear();
      rig.engine.ResetForStart();  // every connection looks afresh
      rig.engine.StartOperation(kReadParams, 0, 10);
      ASSERT_TRUE(rig.RunToEnd()) << c.name;
      // The first record is asked for until the meter has shown it does not echo.
      EXPECT_EQ(rig.meter.requests.size(), 10u + kEchoEvidence - 1) << c.name;
      for (std::uint16_t p = 0; p < 10; ++p) EXPECT_EQ(rig.store.ParamValues[p], 1000u + p);
    }
    EXPECT_EQ(rig.ended, (std::vector<bool>{true, true})) << c.name;
  }
}
