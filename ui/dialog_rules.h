#pragma once

#include <cstdint>
#include <optional>

#include "base/ui_variant.h"
#include "link/printer_connection.h"
#include "ui/dialog_controls.h"

namespace vantrel {

// The interface the dialog opens with: COM1 in Chinese, USB in English.
InterfaceType InitialInterface(UiVariant variant);

// 192.168.1.114, the first octet in the highest byte.
inline constexpr std::uint32_t kInitialPrinterAddress = 0xC0A80172u;
inline constexpr const char* kInitialPrinterPortText = "9100";
inline constexpr const char* kInitialRadioAddress[4] = {"00", "84", "00", "01"};

// The open mechanism list's width in pixels at 96 dpi, wider than the closed box.
inline constexpr int kMechanismListWidth = 200;

// A length of `pixels` at 96 dpi at the resolution `dpi`, rounded to the nearest pixel; a
// resolution the system did not tell (0 or less) leaves it as it is.
int PixelsForDpi(int pixels, int dpi);

// Brings every control to the state the dialog opens with, on top of what the template created
// (lists filled, nothing selected, check boxes clear, Download and Print disabled). Setting them
// raises no change events, and the state already satisfies every rule below.
void InitialiseControls(UiVariant variant, DialogControls& controls);

// The mechanism list is enabled exactly while a cutter choice (index 1 or more) is made; its
// selection stays.
void ApplyCutterRule(DialogControls& controls);

// Parity, data bits and flow to store are enabled exactly while a baud rate to store is chosen;
// their selections stay.
void ApplyTargetSerialRule(DialogControls& controls);

// Any code page forces the printer language to English (index 1) and locks it; going back to
// "leave unchanged" resets the language to index 0 and unlocks it.
void ApplyCodePageRule(DialogControls& controls);

// The text field a check box governs, or nothing when the id is no such check box.
std::optional<int> FieldOfCheckBox(int checkBoxId);

// The field belonging to the box is enabled exactly while the box is ticked; its text stays.
void ApplyCheckBoxRule(DialogControls& controls, int checkBoxId);

// The four radio-address fields are enabled exactly while their box is ticked; texts stay.
void ApplyRadioAddressRule(DialogControls& controls);

// Run every time the mechanism list opens.
void WidenMechanismList(DialogControls& controls);

}  // namespace vantrel
