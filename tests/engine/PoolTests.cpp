#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "engine/WorkPool.h"
#include "platform/Handles.h"
#include "platform/QueueSynchronizer.h"

namespace tw {
namespace {

TW_DECLARE_EXCEPTION(ETestFailure, Exception)

class TFake final : public TWorkObject {
 public:
  TFake(TWorkDoneEvent onWorkDone, std::function<void()> body, int tag = 0,
        std::atomic<int>* destroyed = nullptr)
      : TWorkObject(nullptr, std::move(onWorkDone), {}, TXmlNode()),
        Body(std::move(body)),
        Tag(tag),
        destroyed_(destroyed) {}
  ~TFake() override {
    if (destroyed_) ++*destroyed_;
  }
  void Execute() override {
    if (Body) Body();
  }
  const char* ClassName() const override { return "TFake"; }
  std::function<void()> Body;
  const int Tag;

 private:
  std::atomic<int>* destroyed_;
};

const TWorkDoneEvent kNoDone = [](TCustomWorkObject*) {};

bool WaitFor(const std::function<bool()>& condition, int ms = 5000) {
  for (int waited = 0; !condition(); waited += 2) {
    if (waited >= ms) return false;
    ::Sleep(2);
  }
  return true;
}

// Counts the calls that enter Synchronize, so a test can tell that a worker is waiting for it.
class TCountingSynchronizer final : public TSynchronizer {
 public:
  void Synchronize(const std::function<void()>& fn) override {
    ++Entered;
    Inner.Synchronize(fn);
  }
  void Queue(std::function<void()> fn) override { Inner.Queue(std::move(fn)); }
  void ProcessPending() override { Inner.ProcessPending(); }
  TQueueSynchronizer Inner;
  std::atomic<int> Entered{0};
};

TEST(WorkObject, ConstructionNeedsOnWorkDoneAndNumbersObjects) {
  try {
    TFake orphan(TWorkDoneEvent(), {});
    FAIL() << "constructed without OnWorkDone";
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(e.Message(), "OnWorkDoneEvent is nil");
  }
  TFake first(kNoDone, {}), second(kNoDone, {});
  EXPECT_EQ(second.ID, first.ID + 1);
  EXPECT_FALSE(first.CleanMode);
  EXPECT_FALSE(first.Aborted);

  first.Found.Add("HKCU\\Key|Value|x", std::make_unique<TChecked>());
  first.Found.Add("C:\\plain", std::make_unique<TChecked>());
  EXPECT_EQ(first.Found.Name(0), "HKCU\\Key");
  EXPECT_EQ(first.Found.Value(0), "Value|x");
  EXPECT_EQ(first.Found.Name(1), "C:\\plain");
  EXPECT_EQ(first.Found.Value(1), "");
  EXPECT_TRUE(first.Found.Record(1).Checked);
  EXPECT_TRUE(first.Found.Record(1).CleanSucceeded);
}

TEST(WorkObject, RecordsTakeTheirSizes) {
  WIN32_FIND_DATAA entry{};
  entry.nFileSizeHigh = 1;
  entry.nFileSizeLow = 2;
  EXPECT_EQ(TFileChecked(entry).Size, 0x100000002LL);
  EXPECT_EQ(TCacheChecked(100).Size, 180);
  EXPECT_EQ(TPidlChecked(unique_pidl(), "C:\\tweng_no_such_file.txt").Size, 0);

  unique_hkey key;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\tweng_tests", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
            ERROR_SUCCESS);
  ::RegSetValueExA(key.get(), "five", 0, REG_BINARY, reinterpret_cast<const BYTE*>("12345"), 5);
  EXPECT_EQ(TRegChecked(key.get(), "five").Size, 5);
  EXPECT_EQ(TRegChecked(key.get(), "missing").Size, 0);
  key.reset();
  ::RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\tweng_tests");
}

TEST(WorkThreadPool, RunsInOrderInTheMainThreadAndRecordsErrors) {
  TQueueSynchronizer sync;
  const DWORD mainThread = ::GetCurrentThreadId();
  std::vector<int> ran, done;
  bool allInMain = true;
  auto onDone = [&](TCustomWorkObject* sender) {
    done.push_back(static_cast<TFake*>(sender)->Tag);
    allInMain = allInMain && ::GetCurrentThreadId() == mainThread;
  };
  auto record = [&](int tag) {
    return [&, tag] {
      ran.push_back(tag);
      allInMain = allInMain && ::GetCurrentThreadId() == mainThread;
    };
  };
  TFake a(onDone, record(1), 1);
  TFake b(onDone, [&] { ran.push_back(2); throw ETestFailure("Path not found! C:\\x"); }, 2);
  TFake c(onDone, [&] { ran.push_back(3); throw 42; }, 3);
  TFake d(onDone, record(4), 4);

  TWorkThreadPool pool(sync, 1, false, true);
  for (TFake* work : {&a, &b, &c, &d}) pool.Add(work);
  sync.RunUntil([&] { return done.size() == 4; });
  EXPECT_EQ(ran, (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(done, (std::vector<int>{1, 2, 3, 4}));
  EXPECT_TRUE(allInMain);
  EXPECT_EQ(a.ErrorClass, "");
  EXPECT_EQ(b.ErrorClass, "ETestFailure");
  EXPECT_EQ(b.ErrorMessage, "Path not found! C:\\x");
  EXPECT_EQ(c.ErrorClass, "Exception");
  EXPECT_EQ(d.ErrorClass, "");
  EXPECT_EQ(pool.Pending(), 0);

  // The error describes only the last run.
  b.Body = record(5);
  pool.Add(&b);
  sync.RunUntil([&] { return done.size() == 5; });
  EXPECT_EQ(b.ErrorClass, "");
  EXPECT_EQ(b.ErrorMessage, "");
}

TEST(WorkThreadPool, StopWithoutEventOnlyDropsWhatIsQueued) {
  TQueueSynchronizer sync;
  std::atomic<bool> started{false}, release{false};
  std::atomic<int> destroyed{0}, ranQueued{0};
  TFake blocker(kNoDone, [&] {
    started = true;
    while (!release) ::Sleep(1);
  });
  TWorkThreadPool pool(sync, 1, true, false);
  pool.Add(&blocker);
  ASSERT_TRUE(WaitFor([&] { return started.load(); }));
  for (int i = 0; i < 3; ++i) pool.Add(new TFake(kNoDone, [&] { ++ranQueued; }, i, &destroyed));
  EXPECT_EQ(pool.Pending(), 4);

  pool.Stop(nullptr);
  EXPECT_EQ(destroyed, 3);  // the pool owns what it drops
  EXPECT_EQ(pool.LiveThreads(), 1);
  EXPECT_EQ(pool.Pending(), 1);
  release = true;
  ASSERT_TRUE(WaitFor([&] { return pool.Pending() == 0; }));

  std::atomic<bool> ranAfter{false};
  TFake after(kNoDone, [&] { ranAfter = true; });
  pool.Add(&after);
  EXPECT_TRUE(WaitFor([&] { return ranAfter.load(); }));
  EXPECT_EQ(ranQueued, 0);
}

TEST(WorkThreadPool, StopWithEventEndsEveryThreadOnceAndTheNextAddRestarts) {
  TQueueSynchronizer sync;
  std::atomic<int> started{0}, ranQueued{0}, destroyed{0}, stops{0};
  std::atomic<bool> release{false};
  std::atomic<DWORD> stopThread{0};
  std::vector<std::unique_ptr<TFake>> blockers, queued;
  for (int i = 0; i < 3; ++i) {
    blockers.push_back(std::make_unique<TFake>(kNoDone, [&] {
      ++started;
      while (!release) ::Sleep(1);
    }));
  }
  for (int i = 0; i < 5; ++i)
    queued.push_back(std::make_unique<TFake>(kNoDone, [&] { ++ranQueued; }, i, &destroyed));

  TWorkThreadPool pool(sync, 3, false, false);
  for (auto& blocker : blockers) pool.Add(blocker.get());
  ASSERT_TRUE(WaitFor([&] { return started == 3; }));
  for (auto& work : queued) pool.Add(work.get());
  EXPECT_EQ(pool.Pending(), 8);

  pool.Stop([&](TWorkThreadPool* sender) {
    EXPECT_EQ(sender, &pool);
    stopThread = ::GetCurrentThreadId();
    ++stops;
  });
  EXPECT_EQ(destroyed, 0);  // not owned: dropped, not freed
  EXPECT_EQ(stops, 0);      // the threads are still busy
  release = true;
  ASSERT_TRUE(WaitFor([&] { return stops > 0; }));
  ::Sleep(50);
  EXPECT_EQ(stops, 1);
  EXPECT_EQ(pool.LiveThreads(), 0);
  EXPECT_EQ(pool.Pending(), 0);
  EXPECT_EQ(ranQueued, 0);
  EXPECT_NE(stopThread, ::GetCurrentThreadId());

  std::atomic<bool> ranAfter{false};
  TFake after(kNoDone, [&] { ranAfter = true; });
  pool.Add(&after);
  EXPECT_TRUE(WaitFor([&] { return ranAfter.load(); }));
  EXPECT_EQ(pool.LiveThreads(), 1);
  EXPECT_EQ(stops, 1);
}

// Runs two new objects and checks that both threads the pool starts for them stay alive: a
// stop must leave no end request behind for them.
void ExpectAddRunsAfterTheStop(TWorkThreadPool& pool) {
  std::atomic<int> ran{0};
  TFake first(kNoDone, [&] { ++ran; }), second(kNoDone, [&] { ++ran; });
  pool.Add(&first);
  pool.Add(&second);
  EXPECT_TRUE(WaitFor([&] { return ran == 2; }));
  ::Sleep(50);
  EXPECT_EQ(pool.LiveThreads(), 2);
  EXPECT_EQ(pool.Pending(), 0);
}

// An abort whose threads have all ended, then a shutdown: nothing is left to wait for, so the
// shutdown is answered at once.
TEST(WorkThreadPool, StopAfterTheThreadsEndedIsAnsweredAtOnce) {
  TQueueSynchronizer sync;
  TWorkThreadPool pool(sync, 2, false, false);
  std::atomic<int> aborts{0};
  pool.Stop([&](TWorkThreadPool*) { ++aborts; });
  ASSERT_TRUE(WaitFor([&] { return aborts > 0; }));
  EXPECT_EQ(pool.LiveThreads(), 0);

  int shutdowns = 0;
  pool.Stop([&](TWorkThreadPool* sender) {
    EXPECT_EQ(sender, &pool);
    ++shutdowns;
  });
  EXPECT_EQ(shutdowns, 1);
  EXPECT_EQ(pool.LiveThreads(), 0);
  ExpectAddRunsAfterTheStop(pool);
  EXPECT_EQ(aborts, 1);
  EXPECT_EQ(shutdowns, 1);
}

// An abort, then a shutdown before the busy threads have ended: both are answered, in order,
// when the last thread ends.
TEST(WorkThreadPool, TwoStopsInARowAreBothAnswered) {
  TQueueSynchronizer sync;
  std::atomic<int> started{0};
  std::atomic<bool> release{false};
  auto block = [&] {
    ++started;
    while (!release) ::Sleep(1);
  };
  TFake first(kNoDone, block), second(kNoDone, block);
  TWorkThreadPool pool(sync, 2, false, false);
  pool.Add(&first);
  pool.Add(&second);
  ASSERT_TRUE(WaitFor([&] { return started == 2; }));

  std::mutex lock;
  std::vector<std::string> answered;
  auto answer = [&](const char* name) {
    return [&, name](TWorkThreadPool*) {
      std::lock_guard<std::mutex> guard(lock);
      answered.push_back(name);
    };
  };
  pool.Stop(answer("abort"));
  pool.Stop(answer("shutdown"));
  {
    std::lock_guard<std::mutex> guard(lock);
    EXPECT_TRUE(answered.empty());
  }
  release = true;
  ASSERT_TRUE(WaitFor([&] {
    std::lock_guard<std::mutex> guard(lock);
    return answered.size() == 2;
  }));
  EXPECT_EQ(pool.LiveThreads(), 0);
  ExpectAddRunsAfterTheStop(pool);
  std::lock_guard<std::mutex> guard(lock);
  EXPECT_EQ(answered, (std::vector<std::string>{"abort", "shutdown"}));
}

// A scan started while an aborted run's thread is still on its way out: its work is not left
// behind that thread's end request.
TEST(WorkThreadPool, WorkAddedWhileTheThreadsEndRunsAfterTheStop) {
  TQueueSynchronizer sync;
  std::atomic<bool> release{false}, started{false}, ranAfter{false};
  std::atomic<int> stops{0};
  TFake blocker(kNoDone, [&] {
    started = true;
    while (!release) ::Sleep(1);
  });
  TFake after(kNoDone, [&] { ranAfter = true; });
  TWorkThreadPool pool(sync, 1, false, false);
  pool.Add(&blocker);
  ASSERT_TRUE(WaitFor([&] { return started.load(); }));
  pool.Stop([&](TWorkThreadPool*) { ++stops; });
  EXPECT_TRUE(pool.Stopping());
  pool.Add(&after);
  release = true;
  EXPECT_TRUE(WaitFor([&] { return ranAfter.load(); }));
  EXPECT_EQ(stops, 1);
  EXPECT_FALSE(pool.Stopping());
  EXPECT_TRUE(WaitFor([&] { return pool.Pending() == 0; }));
  EXPECT_EQ(pool.LiveThreads(), 1);
}

TEST(WorkThreadPool, AddingNothingRetiresOneThread) {
  TQueueSynchronizer sync;
  TWorkThreadPool pool(sync, 2, false, false);
  EXPECT_EQ(pool.LiveThreads(), 2);
  pool.Add(nullptr);
  EXPECT_EQ(pool.Pending(), 0);
  EXPECT_TRUE(WaitFor([&] { return pool.LiveThreads() == 1; }));
}

TEST(WorkThreadPool, DestructionRunsWhatAWaitingWorkerHandedOver) {
  TCountingSynchronizer sync;
  bool ran = false;
  TFake work(kNoDone, [&] { ran = true; });
  {
    TWorkThreadPool pool(sync, 1, false, true);
    pool.Add(&work);
    ASSERT_TRUE(WaitFor([&] { return sync.Entered > 0; }));
  }  // must not wait forever for the worker that waits for this thread
  EXPECT_TRUE(ran);
}

}  // namespace
}  // namespace tw
