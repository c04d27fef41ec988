#include "link/win32/handle_ports.h"

#include <utility>
#include <vector>

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

  // A write that ran into its time-out returns success with a smaller count: that is no write.
  bool Write(ByteView data) override {
    DWORD written = 0;
    return WriteFile(handle_, data.data(), static_cast<DWORD>(data.size()), &written, nullptr) !=
               FALSE &&
           written == data.size();
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

  // As though XON had come. Wine maps SETXON to a restart that clears only a stop of its own
  // making, so the port is stopped first; on Windows that makes no difference.
  void ResumeOutput() override {
    EscapeCommFunction(handle_, SETXOFF);
    EscapeCommFunction(handle_, SETXON);
  }

  void SetQueueSizes(std::uint32_t inputBytes, std::uint32_t outputBytes) override {
    SetupComm(handle_, inputBytes, outputBytes);
  }

  void DiscardInput() override { PurgeComm(handle_, PURGE_RXCLEAR); }

  void SetOutputFlowControl(bool on) override {
    block_.fOutX = on ? 1 : 0;
    SetCommState(handle_, &block_);
  }

  std::optional<SerialLine> ReadLineSettings() override {
    DCB block{};
    block.DCBlength = sizeof block;
    if (!GetCommState(handle_, &block))
      return std::nullopt;
    SerialLine line{block.BaudRate,
                    block.fBinary != 0,
                    block.fParity != 0,
                    block.ByteSize,
                    static_cast<Parity>(block.Parity),
                    static_cast<StopBits>(block.StopBits),
                    block.fOutxCtsFlow != 0,
                    static_cast<RtsControl>(block.fRtsControl),
                    block.fOutX != 0,
                    block.fInX != 0,
                    static_cast<std::uint8_t>(block.XonChar),
                    static_cast<std::uint8_t>(block.XoffChar),
                    block.XonLim,
                    block.XoffLim};
    line.dsrOutputFlow = block.fOutxDsrFlow != 0;
    line.dtrControl = static_cast<DtrControl>(block.fDtrControl);
    line.dsrSensitivity = block.fDsrSensitivity != 0;
    line.txContinueOnXoff = block.fTXContinueOnXoff != 0;
    line.replaceParityErrors = block.fErrorChar != 0;
    line.discardNulls = block.fNull != 0;
    line.abortOnError = block.fAbortOnError != 0;
    line.errorChar = static_cast<std::uint8_t>(block.ErrorChar);
    line.eofChar = static_cast<std::uint8_t>(block.EofChar);
    line.eventChar = static_cast<std::uint8_t>(block.EvtChar);
    return line;
  }

  // A block made from the line alone: nothing of what the port held before carries over.
  bool WriteLineSettings(const SerialLine& line) override {
    DCB block{};
    block.DCBlength = sizeof block;
    block.BaudRate = line.baudRate;
    block.fBinary = line.binary ? 1 : 0;
    block.fParity = line.parityCheck ? 1 : 0;
    block.ByteSize = line.byteSize;
    block.Parity = static_cast<BYTE>(line.parity);
    block.StopBits = static_cast<BYTE>(line.stopBits);
    block.fOutxCtsFlow = line.ctsOutputFlow ? 1 : 0;
    block.fRtsControl = static_cast<DWORD>(line.rtsControl) & 3u;
    block.fOutX = line.xonXoffOutput ? 1 : 0;
    block.fInX = line.xonXoffInput ? 1 : 0;
    block.XonChar = static_cast<char>(line.xonChar);
    block.XoffChar = static_cast<char>(line.xoffChar);
    block.XonLim = line.xonLimit;
    block.XoffLim = line.xoffLimit;
    block.fOutxDsrFlow = line.dsrOutputFlow ? 1 : 0;
    block.fDtrControl = static_cast<DWORD>(line.dtrControl) & 3u;
    block.fDsrSensitivity = line.dsrSensitivity ? 1 : 0;
    block.fTXContinueOnXoff = line.txContinueOnXoff ? 1 : 0;
    block.fErrorChar = line.replaceParityErrors ? 1 : 0;
    block.fNull = line.discardNulls ? 1 : 0;
    block.fAbortOnError = line.abortOnError ? 1 : 0;
    block.ErrorChar = static_cast<char>(line.errorChar);
    block.EofChar = static_cast<char>(line.eofChar);
    block.EvtChar = static_cast<char>(line.eventChar);
    if (!SetCommState(handle_, &block))
      return false;
    block_ = block;
    return true;
  }

 private:
  DCB block_{};
};

// One overlapped operation: its record, event and buffer stay together, since an operation the
// driver will not cancel must keep them for as long as the system may still use them.
struct Operation final : PendingIo {
  OVERLAPPED overlapped{};
  std::vector<std::uint8_t> buffer;
  HANDLE file;

  explicit Operation(HANDLE handle) : file(handle) {
    overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  }
  ~Operation() override {
    if (overlapped.hEvent != nullptr)
      CloseHandle(overlapped.hEvent);
  }
  Operation(const Operation&) = delete;
  Operation& operator=(const Operation&) = delete;

  bool Ready() const { return overlapped.hEvent != nullptr; }
  bool WaitFor(std::chrono::milliseconds wait) override {
    return WaitForSingleObject(overlapped.hEvent, static_cast<DWORD>(wait.count())) ==
           WAIT_OBJECT_0;
  }
  void Cancel() override { CancelIoEx(file, &overlapped); }
};

class BoundedDevice final : public HandlePort<DevicePort> {
 public:
  BoundedDevice(HANDLE handle, std::chrono::milliseconds bound)
      : HandlePort(handle), bound_(bound) {}

  bool Write(ByteView data) override {
    if (io_.Dead())
      return false;
    // The data is copied: a write the driver keeps must not point into the caller's buffer.
    auto op = std::make_unique<Operation>(handle_);
    if (!op->Ready())
      return false;
    op->buffer.assign(data.begin(), data.end());
    DWORD written = 0;
    if (WriteFile(handle_, op->buffer.data(), static_cast<DWORD>(op->buffer.size()), nullptr,
                  &op->overlapped))
      return GetOverlappedResult(handle_, &op->overlapped, &written, FALSE) != FALSE &&
             written == data.size();
    if (GetLastError() != ERROR_IO_PENDING)
      return false;
    switch (io_.Finish(*op, DeviceWriteBound(data.size()))) {
      case IoEnd::Finished:
        // A driver's own time-out may end it short: only every byte counts as written.
        return GetOverlappedResult(handle_, &op->overlapped, &written, FALSE) != FALSE &&
               written == data.size();
      case IoEnd::Cancelled:
        return false;
      case IoEnd::Stuck:
        static_cast<void>(op.release());
        return false;
    }
    return false;
  }

  PortRead Read(std::size_t maxBytes) override {
    if (io_.Dead())
      return {};
    auto op = std::make_unique<Operation>(handle_);
    // Without an event there is nothing to wait on: the read is not started.
    if (!op->Ready())
      return {};
    op->buffer.resize(maxBytes);
    const BOOL started = ReadFile(handle_, op->buffer.data(), static_cast<DWORD>(maxBytes), nullptr,
                                  &op->overlapped);
    if (!started && GetLastError() != ERROR_IO_PENDING)
      return {};
    if (!started && io_.Finish(*op, bound_) == IoEnd::Stuck) {
      // The driver keeps the read: leave it the record and the buffer, and report nothing.
      static_cast<void>(op.release());
      return {};
    }
    DWORD got = 0;
    PortRead read;
    read.ok = GetOverlappedResult(handle_, &op->overlapped, &got, FALSE) != FALSE;
    // A read cut short by the bound brings what had come by then, as a time-out would.
    if (!read.ok && GetLastError() == ERROR_OPERATION_ABORTED)
      read.ok = true;
    read.bytes.assign(op->buffer.begin(), op->buffer.begin() + got);
    return read;
  }

  std::optional<std::size_t> ClearErrorsAndCountReceived() override {
    DWORD errors = 0;
    ClearCommError(handle_, &errors, nullptr);
    return std::nullopt;
  }

 private:
  std::chrono::milliseconds bound_;
  BoundedIo io_;
};

}  // namespace

std::unique_ptr<SerialDevice> MakeSerialDevice(HANDLE handle) {
  return std::make_unique<SerialPort>(handle);
}

std::unique_ptr<DevicePort> MakeBoundedDevice(HANDLE handle, std::chrono::milliseconds readBound) {
  return std::make_unique<BoundedDevice>(handle, readBound);
}

}  // namespace vantrel::win32
