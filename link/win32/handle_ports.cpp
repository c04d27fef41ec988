#include "link/win32/handle_ports.h"

#include <utility>

namespace vantrel::win32 {
namespace {

// Writes, line-error clearing, time-outs and release, shared by every handle-based connection.
template <typename Base>
class HandlePort : public Base {
 public:
  explicit HandlePort(HANDLE handle) : handle_(handle) {}
  ~HandlePort() override { CloseHandle(handle_); }
  HandlePort(const HandlePort&) = delete;
  HandlePort& operator=(const HandlePort&) = delete;

  bool Write(ByteView data) override {
    DWORD written = 0;
    return WriteFile(handle_, data.data(), static_cast<DWORD>(data.size()), &written, nullptr) !=
           FALSE;
  }

  void SetTimeouts(const CommTimeouts& t) override {
    COMMTIMEOUTS timeouts{t.readInterval, t.readTotalMultiplier, t.readTotalConstant,
                          t.writeTotalMultiplier, t.writeTotalConstant};
    SetCommTimeouts(handle_, &timeouts);
  }

 protected:
  HANDLE handle_;
};

class SerialPort final : public HandlePort<SerialDevice> {
 public:
  using HandlePort::HandlePort;

  PortRead Read(std::size_t maxBytes) override {
    PortRead read;
    read.bytes.resize(maxBytes);
    DWORD got = 0;
    read.ok =
        ReadFile(handle_, read.bytes.data(), static_cast<DWORD>(maxBytes), &got, nullptr) != FALSE;
    read.bytes.resize(read.ok ? got : 0);
    return read;
  }

  std::optional<std::size_t> ClearErrorsAndCountReceived() override {
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(handle_, &errors, &status))
      return 0;
    return status.cbInQue;
  }

  void SetQueueSizes(std::uint32_t inputBytes, std::uint32_t outputBytes) override {
    SetupComm(handle_, inputBytes, outputBytes);
  }

  std::optional<SerialLine> ReadLineSettings() override {
    DCB block{};
    block.DCBlength = sizeof block;
    if (!GetCommState(handle_, &block))
      return std::nullopt;
    block_ = block;
    return SerialLine{block.BaudRate,
                      block.fBinary != 0,
                      block.fParity != 0,
                      block.ByteSize,
                      block.Parity,
                      block.StopBits,
                      block.fOutxCtsFlow != 0,
                      static_cast<RtsControl>(block.fRtsControl),
                      block.fOutX != 0,
                      block.fInX != 0,
                      static_cast<std::uint8_t>(block.XonChar),
                      static_cast<std::uint8_t>(block.XoffChar),
                      block.XonLim,
                      block.XoffLim};
  }

  void WriteLineSettings(const SerialLine& line) override {
    DCB block = block_;
    block.BaudRate = line.baudRate;
    block.fBinary = line.binary ? 1 : 0;
    block.fParity = line.parityCheck ? 1 : 0;
    block.ByteSize = line.byteSize;
    block.Parity = line.parity;
    block.StopBits = line.stopBits;
    block.fOutxCtsFlow = line.ctsOutputFlow ? 1 : 0;
    block.fRtsControl = static_cast<DWORD>(line.rtsControl) & 3u;
    block.fOutX = line.xonXoffOutput ? 1 : 0;
    block.fInX = line.xonXoffInput ? 1 : 0;
    block.XonChar = static_cast<char>(line.xonChar);
    block.XoffChar = static_cast<char>(line.xoffChar);
    block.XonLim = line.xonLimit;
    block.XoffLim = line.xoffLimit;
    SetCommState(handle_, &block);
  }

 private:
  DCB block_{};
};

// One read on a helper thread. The state outlives the caller when a read cannot be cancelled.
struct PendingRead {
  HANDLE handle;
  std::vector<std::uint8_t> buffer;
  DWORD got = 0;
  BOOL ok = FALSE;
};

DWORD WINAPI RunRead(LPVOID parameter) {
  auto* read = static_cast<std::shared_ptr<PendingRead>*>(parameter);
  std::shared_ptr<PendingRead> state = std::move(*read);
  delete read;
  state->ok = ReadFile(state->handle, state->buffer.data(),
                       static_cast<DWORD>(state->buffer.size()), &state->got, nullptr);
  return 0;
}

class BoundedDevice final : public HandlePort<DevicePort> {
 public:
  BoundedDevice(HANDLE handle, std::chrono::milliseconds bound)
      : HandlePort(handle), bound_(bound) {}

  PortRead Read(std::size_t maxBytes) override {
    auto state = std::make_shared<PendingRead>();
    state->handle = handle_;
    state->buffer.resize(maxBytes);
    auto* handOver = new std::shared_ptr<PendingRead>(state);
    const HANDLE thread = CreateThread(nullptr, 0, &RunRead, handOver, 0, nullptr);
    if (thread == nullptr) {
      delete handOver;
      return {};
    }
    bool finished =
        WaitForSingleObject(thread, static_cast<DWORD>(bound_.count())) == WAIT_OBJECT_0;
    // A read still pending is cancelled; the call may not have started yet when the first
    // cancel comes, so keep cancelling for a while.
    for (int attempt = 0; !finished && attempt < 40; ++attempt) {
      CancelSynchronousIo(thread);
      finished = WaitForSingleObject(thread, 50) == WAIT_OBJECT_0;
    }
    CloseHandle(thread);
    if (!finished)
      return {};  // the driver ignores cancelling; the thread keeps its own state
    PortRead read;
    read.ok = state->ok != FALSE;
    if (read.ok)
      read.bytes.assign(state->buffer.begin(), state->buffer.begin() + state->got);
    return read;
  }

  std::optional<std::size_t> ClearErrorsAndCountReceived() override {
    DWORD errors = 0;
    ClearCommError(handle_, &errors, nullptr);
    return std::nullopt;
  }

 private:
  std::chrono::milliseconds bound_;
};

}  // namespace

std::unique_ptr<SerialDevice> MakeSerialDevice(HANDLE handle) {
  return std::make_unique<SerialPort>(handle);
}

std::unique_ptr<DevicePort> MakeBoundedDevice(HANDLE handle, std::chrono::milliseconds readBound) {
  return std::make_unique<BoundedDevice>(handle, readBound);
}

}  // namespace vantrel::win32
