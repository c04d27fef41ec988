#pragma once

#include <windows.h>

#include <chrono>
#include <memory>

#include "link/bounded_io.h"
#include "link/system.h"

namespace vantrel::win32 {

// A serial port opened on its device path. Reads are bounded by the port's time-outs.
std::unique_ptr<SerialDevice> MakeSerialDevice(HANDLE handle);

// The parallel port or a USB printer, opened for overlapped input and output. Their drivers may
// ignore time-outs, so a read that has not come back within `readBound` is cancelled: a silent
// printer then reads as nothing instead of holding the dialog for ever. A write is cancelled at
// DeviceWriteBound and counts as not written. An operation the driver does not give back even
// when cancelled leaves the port dead: later reads return nothing and later writes fail, at once.
std::unique_ptr<DevicePort> MakeBoundedDevice(HANDLE handle, std::chrono::milliseconds readBound);

// The flags the parallel port and USB printers are opened with.
inline constexpr DWORD kBoundedDeviceFlags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED;

}  // namespace vantrel::win32
