#include "cli/lib/fleet.h"

#include "link/bounded_io.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <queue>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

namespace vantrel::cli {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// --- One printer's run as a series of system calls ---

enum class CallKind {
  StartSockets,
  StopSockets,
  CreateSocket,
  Connect,
  Send,
  Receive,
  FinishSending,
  CloseSocket,
  Arp,
  Wait
};

struct Call {
  CallKind kind = CallKind::Wait;
  SocketId socket = 0;  // the run's own number for the socket
  Ipv4Endpoint endpoint;
  std::shared_ptr<const Bytes> data;  // Send: the bytes; Receive: what came (presumed: nothing)
  milliseconds wait{};                // a wait's length, the bound of a drain, or of a Receive
  std::size_t maxBytes = 0;           // Receive
  bool answer = true;                 // what the system answered, or is presumed to answer

  bool SameRequest(const Call& other) const {
    const bool sameData = kind == CallKind::Receive || !data || !other.data || *data == *other.data;
    return kind == other.kind && socket == other.socket && endpoint == other.endpoint &&
           wait == other.wait && maxBytes == other.maxBytes && sameData;
  }
  // The system answered as presumed: the plan holds.
  bool SameAnswer(const Call& other) const {
    if (answer != other.answer)
      return false;
    return kind != CallKind::Receive || !data || !other.data || *data == *other.data;
  }
};

Call CallOf(CallKind kind, SocketId socket = 0) {
  Call call;
  call.kind = kind;
  call.socket = socket;
  return call;
}

// What the printers send is kept once for the whole fleet, not once a printer: every printer
// gets the same commands (and the same image).
class SharedBlocks {
 public:
  std::shared_ptr<const Bytes> Keep(ByteView data) {
    const std::lock_guard lock(mutex_);
    auto found = blocks_.find(data);
    if (found == blocks_.end()) {
      auto block = std::make_shared<const Bytes>(data.begin(), data.end());
      found = blocks_.emplace(ByteView(*block), std::move(block)).first;
    }
    return found->second;
  }

 private:
  struct Less {
    using is_transparent = void;
    bool operator()(ByteView a, ByteView b) const {
      return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end());
    }
  };
  std::mutex mutex_;
  // Keyed by the block's own bytes, which it keeps alive.
  std::map<ByteView, std::shared_ptr<const Bytes>, Less> blocks_;
};

// Plays the system for a planning run: the calls already carried out get their real answers,
// every later one is recorded and presumed to succeed. Waits take no time. Devices other than
// the network never open (a fleet is network printers only).
class PlanningSystem final : public System {
 public:
  PlanningSystem(const std::vector<Call>& known, SharedBlocks& blocks)
      : known_(known), blocks_(blocks) {}

  std::vector<Call> TakeCalls() { return std::move(calls_); }

  void Sleep(milliseconds duration) override {
    Call call = CallOf(CallKind::Wait);
    call.wait = duration;
    Record(std::move(call));
  }
  std::unique_ptr<SerialDevice> OpenSerialDevice(std::string_view) override { return nullptr; }
  std::unique_ptr<DevicePort> OpenParallelDevice() override { return nullptr; }
  std::optional<std::vector<UsbDevice>> ListUsbDevices() override { return std::nullopt; }
  std::unique_ptr<DevicePort> OpenUsbDevice(const UsbDevice&) override { return nullptr; }
  bool StartSockets() override { return Record(CallOf(CallKind::StartSockets)); }
  void StopSockets() override { Record(CallOf(CallKind::StopSockets)); }
  std::optional<SocketId> CreateTcpSocket() override {
    const SocketId socket = calls_.size() + 1;
    if (!Record(CallOf(CallKind::CreateSocket, socket)))
      return std::nullopt;
    return socket;
  }
  bool Connect(SocketId socket, const Ipv4Endpoint& endpoint) override {
    Call call = CallOf(CallKind::Connect, socket);
    call.endpoint = endpoint;
    return Record(std::move(call));
  }
  bool Send(SocketId socket, ByteView data, milliseconds) override {
    // A call already carried out keeps the block it sent; a new one keeps its own.
    std::shared_ptr<const Bytes> block =
        calls_.size() < known_.size() ? known_[calls_.size()].data : blocks_.Keep(data);
    Call call = CallOf(CallKind::Send, socket);
    call.data = std::move(block);
    return Record(std::move(call));
  }
  // A question's answer: what really came, for a call carried out; nothing is presumed to come.
  std::optional<Bytes> Receive(SocketId socket, std::size_t maxBytes, milliseconds bound) override {
    Call call = CallOf(CallKind::Receive, socket);
    call.maxBytes = maxBytes;
    call.wait = bound;
    const bool known = calls_.size() < known_.size();
    call.data = known && known_[calls_.size()].data ? known_[calls_.size()].data
                                                    : std::make_shared<const Bytes>();
    std::shared_ptr<const Bytes> got = call.data;
    if (!Record(std::move(call)))
      return std::nullopt;
    return *got;
  }
  bool FinishSending(SocketId socket, milliseconds bound) override {
    Call call = CallOf(CallKind::FinishSending, socket);
    call.wait = bound;
    return Record(std::move(call));
  }
  void CloseSocket(SocketId socket) override { Record(CallOf(CallKind::CloseSocket, socket)); }
  void ClearAddressCache() override { Record(CallOf(CallKind::Arp)); }

 private:
  bool Record(Call call) {
    if (calls_.size() < known_.size())
      call.answer = known_[calls_.size()].answer;
    calls_.push_back(std::move(call));
    return calls_.back().answer;
  }

  const std::vector<Call>& known_;
  SharedBlocks& blocks_;
  std::vector<Call> calls_;
};

// Reads nothing: a fleet's requests carry their image.
class NoFiles final : public FileReader {
 public:
  FileOpenResult Open(std::string_view) override { return {nullptr, FileErrorCause::Other}; }
};

// One printer: its request, the calls carried out so far, and the latest plan.
class Job {
 public:
  explicit Job(Request request) : request_(std::move(request)) {}

  // Carries out calls until the run ends (nothing) or waits (the time to go on).
  std::optional<Clock::time_point> Advance(const SystemMaker& makeSystem, SharedBlocks& blocks) {
    if (!planned_)
      Plan(blocks);
    while (done_.size() < plan_.size()) {
      const Call& next = plan_[done_.size()];
      if (next.kind == CallKind::Wait) {
        done_.push_back(next);
        return Clock::now() + next.wait;
      }
      if (!system_)
        system_ = makeSystem();
      Call carried = next;
      carried.answer = Carry(carried);
      done_.push_back(carried);
      if (!carried.SameAnswer(next))
        Plan(blocks);  // the real answer leads the run another way from here
    }
    if (system_ && outcome_.status == ExitStatus::OpenFailed)
      failedOpen_ = system_->LastFailedOpen();
    system_.reset();
    return std::nullopt;
  }

  const Outcome& Result() const { return outcome_; }
  const std::optional<FailedOpen>& FailedOpenOf() const { return failedOpen_; }

 private:
  void Plan(SharedBlocks& blocks) {
    PlanningSystem planning(done_, blocks);
    NoFiles files;
    outcome_ = Execute(request_, planning, files);
    plan_ = planning.TakeCalls();
    planned_ = true;
    // The run is the same program with the same answers up to here: it makes the same calls.
    for (std::size_t i = 0; i < done_.size(); ++i) {
      if (i >= plan_.size() || !plan_[i].SameRequest(done_[i])) {
        plan_.resize(done_.size());  // cannot happen; ends the run rather than sending blindly
        break;
      }
    }
  }

  bool Carry(Call& call) {
    switch (call.kind) {
      case CallKind::StartSockets:
        return system_->StartSockets();
      case CallKind::StopSockets:
        system_->StopSockets();
        return true;
      case CallKind::CreateSocket: {
        const std::optional<SocketId> socket = system_->CreateTcpSocket();
        if (socket)
          sockets_[call.socket] = *socket;
        return socket.has_value();
      }
      case CallKind::Connect:
        return system_->Connect(Real(call.socket), call.endpoint);
      case CallKind::Send:
        return system_->Send(Real(call.socket), *call.data, DeviceWriteBound(call.data->size()));
      case CallKind::Receive: {
        std::optional<Bytes> got = system_->Receive(Real(call.socket), call.maxBytes, call.wait);
        call.data = std::make_shared<const Bytes>(got ? std::move(*got) : Bytes{});
        return got.has_value();
      }
      case CallKind::FinishSending:
        return system_->FinishSending(Real(call.socket), call.wait);
      case CallKind::CloseSocket:
        system_->CloseSocket(Real(call.socket));
        sockets_.erase(call.socket);
        return true;
      case CallKind::Arp:
        system_->ClearAddressCache();
        return true;
      case CallKind::Wait:
        break;
    }
    return true;
  }

  SocketId Real(SocketId own) const {
    const auto found = sockets_.find(own);
    return found == sockets_.end() ? ~SocketId{0} : found->second;
  }

  Request request_;
  bool planned_ = false;
  std::vector<Call> plan_;
  std::vector<Call> done_;
  Outcome outcome_;
  std::unique_ptr<System> system_;
  std::map<SocketId, SocketId> sockets_;
  std::optional<FailedOpen> failedOpen_;
};

// --- The scheduler: a few threads, a queue of printers ready to go on, and their timers ---

enum class State { Ready, Waiting, Running, Finished, Unfinished, NotRun };

std::string Seconds(milliseconds duration) {
  const auto tenths = (duration.count() + 50) / 100;
  std::string text = std::to_string(tenths / 10);
  if (tenths % 10 != 0)
    text += "." + std::to_string(tenths % 10);
  return text + " s";
}

// Everything the threads share. Held by every thread, so that a thread still stuck in a call of
// a printer given up on finds it alive when it comes back.
struct Fleet {
  Fleet(std::vector<Request> requests, SystemMaker maker, const FleetLimits& fleetLimits)
      : makeSystem(std::move(maker)), limits(fleetLimits), start(Clock::now()) {
    jobs.reserve(requests.size());
    for (Request& request : requests)
      jobs.emplace_back(std::move(request));
    states.assign(jobs.size(), State::Ready);
    started.assign(jobs.size(), Clock::time_point::max());
    for (std::size_t i = 0; i < jobs.size(); ++i)
      ready.push_back(i);
    left = jobs.size();
  }

  using Timer = std::pair<Clock::time_point, std::size_t>;

  SystemMaker makeSystem;
  FleetLimits limits;
  Clock::time_point start;
  SharedBlocks blocks;
  std::vector<Job> jobs;

  std::mutex mutex;
  std::condition_variable work;  // a printer is ready, a timer is due sooner, or the end
  std::condition_variable done;  // every printer has ended
  std::vector<State> states;
  std::vector<Clock::time_point> started;
  std::deque<std::size_t> ready;
  std::priority_queue<Timer, std::vector<Timer>, std::greater<>> timers;
  std::size_t left = 0;
  std::size_t inside = 0;  // threads inside a printer's calls
  std::size_t threads = 1;
  bool stopping = false;

  Clock::time_point DeadlineOf(std::size_t job) const {
    const Clock::time_point from = started[job] == Clock::time_point::max() ? start : started[job];
    return from + limits.deadline;
  }

  // Ends the printers whose deadline has come; the soonest deadline still to come.
  Clock::time_point EndOverdue(Clock::time_point now) {
    Clock::time_point next = Clock::time_point::max();
    for (std::size_t i = 0; i < jobs.size(); ++i) {
      const State state = states[i];
      if (state == State::Finished || state == State::Unfinished || state == State::NotRun)
        continue;
      const Clock::time_point deadline = DeadlineOf(i);
      if (deadline > now) {
        next = std::min(next, deadline);
        continue;
      }
      states[i] = started[i] == Clock::time_point::max() ? State::NotRun : State::Unfinished;
      Ended();
    }
    return next;
  }

  void Ended() {
    if (--left == 0) {
      done.notify_all();
      work.notify_all();
    }
  }

  // Moves the due timers' printers to the ready queue (those still waiting).
  void TakeDueTimers(Clock::time_point now) {
    while (!timers.empty() && timers.top().first <= now) {
      const std::size_t job = timers.top().second;
      timers.pop();
      if (states[job] == State::Waiting) {
        states[job] = State::Ready;
        ready.push_back(job);
      }
    }
  }

  // Runs printers until every one has ended or the fleet stops. `alone`: the caller's thread
  // with no other, which then also keeps the deadlines.
  void Work(bool alone) {
    std::unique_lock lock(mutex);
    Clock::time_point nextCheck = start;
    while (!stopping && left > 0) {
      Clock::time_point now = Clock::now();
      if (alone && now >= nextCheck)
        nextCheck = std::min(EndOverdue(now), now + milliseconds(100));
      TakeDueTimers(now);
      if (ready.empty()) {
        Clock::time_point wake = timers.empty() ? Clock::time_point::max() : timers.top().first;
        if (alone)
          wake = std::min(wake, nextCheck);
        if (wake == Clock::time_point::max())
          work.wait(lock);
        else
          work.wait_until(lock, wake);
        continue;
      }
      const std::size_t job = ready.front();
      ready.pop_front();
      if (!ready.empty())
        work.notify_one();  // more to do than this thread takes: wake another
      if (states[job] != State::Ready)
        continue;
      states[job] = State::Running;
      if (started[job] == Clock::time_point::max())
        started[job] = now;
      ++inside;
      lock.unlock();
      const std::optional<Clock::time_point> resume = jobs[job].Advance(makeSystem, blocks);
      lock.lock();
      --inside;
      if (states[job] != State::Running)
        continue;  // given up on while it ran: its result no longer counts
      if (!resume) {
        states[job] = State::Finished;
        Ended();
        continue;
      }
      states[job] = State::Waiting;
      const bool sooner = timers.empty() || *resume < timers.top().first;
      timers.emplace(*resume, job);
      if (sooner)
        work.notify_one();
    }
  }

  FleetResult ResultOf(std::size_t job) const {
    FleetResult result;
    switch (states[job]) {
      case State::Finished:
        result.end = FleetEnd::Finished;
        result.outcome = jobs[job].Result();
        result.failedOpen = jobs[job].FailedOpenOf();
        return result;
      case State::NotRun:
        result.end = FleetEnd::NotRun;
        result.outcome.status = ExitStatus::OpenFailed;
        result.outcome.messages.push_back("not run: it could not start within " +
                                          Seconds(limits.deadline) + " of the fleet's start");
        return result;
      default:
        result.end = FleetEnd::Unfinished;
        result.outcome.status = ExitStatus::SettingFailed;
        result.outcome.messages.push_back("did not finish within " + Seconds(limits.deadline) +
                                          ": what the printer took of the run is not known");
        return result;
    }
  }
};

}  // namespace

std::vector<FleetResult> RunFleet(std::vector<Request> requests, SystemMaker makeSystem,
                                  const FleetLimits& limits, FleetFigures* figures) {
  const auto fleet = std::make_shared<Fleet>(std::move(requests), std::move(makeSystem), limits);
  std::vector<std::thread> workers;
  const std::size_t wanted = std::min(limits.workers, fleet->jobs.size());
  for (std::size_t i = 0; i < wanted; ++i) {
    try {
      workers.emplace_back([fleet] { fleet->Work(false); });
    } catch (const std::system_error&) {
      break;  // a task limit: the threads there are carry every printer
    }
  }
  {
    const std::lock_guard lock(fleet->mutex);
    fleet->threads = workers.size() + 1;
  }
  if (workers.empty()) {
    fleet->Work(true);
  } else {
    // This thread keeps the deadlines.
    std::unique_lock lock(fleet->mutex);
    while (fleet->left > 0) {
      const Clock::time_point next = fleet->EndOverdue(Clock::now());
      if (fleet->left == 0)
        break;
      if (next == Clock::time_point::max())
        fleet->done.wait(lock);
      else
        fleet->done.wait_until(lock, next);
    }
  }

  std::vector<FleetResult> results;
  bool stuck = false;
  {
    const std::lock_guard lock(fleet->mutex);
    fleet->stopping = true;
    fleet->work.notify_all();
    for (std::size_t i = 0; i < fleet->jobs.size(); ++i)
      results.push_back(fleet->ResultOf(i));
    if (figures)
      figures->threads = fleet->threads;
    stuck = fleet->inside > 0;
  }
  // A thread stuck in a call of a printer given up on is left to end with the program (the
  // others end at once, having nothing left to do); it holds the fleet it works on.
  for (std::thread& worker : workers) {
    if (stuck)
      worker.detach();
    else
      worker.join();
  }
  return results;
}

}  // namespace vantrel::cli
