#pragma once

#include <windows.h>

#include <chrono>
#include <memory>

#include "link/system.h"

namespace vantrel::win32 {

// A serial port opened on its device path. Reads are bounded by the port's time-outs.
std::unique_ptr<SerialDevice> MakeSerialDevice(HANDLE handle);

// The parallel port or a USB printer. Their drivers may ignore read time-outs, so every read runs
// on a helper thread and is cancelled once it has taken `readBound`: a silent printer then reads
// as nothing instead of holding the dialog for ever.
std::unique_ptr<DevicePort> MakeBoundedDevice(HANDLE handle, std::chrono::milliseconds readBound);

// How long one read of the parallel port or a USB printer may take.
inline constexpr std::chrono::milliseconds kDeviceReadBound{500};

}  // namespace vantrel::win32
