#pragma once

#include <cstdint>
#include <string_view>

#include "base/ui_variant.h"
#include "ui/main_dialog.h"

namespace vantrel {

// What start-up asks of the application framework and the system.
class AppFramework {
 public:
  virtual ~AppFramework() = default;

  // Registers the common control classes (the IP-address control among them).
  virtual void InitCommonControls(std::uint32_t structSize, std::uint32_t classes) = 0;
  // The framework base class's own start-up.
  virtual void RunBaseStartUp() = 0;
  virtual void EnableControlContainer() = 0;
  // Only names the framework's settings key; nothing is ever read or written there.
  virtual void SetRegistryKey(std::string_view key) = 0;
  virtual std::uint16_t UserDefaultLanguageId() = 0;
  // The seams a dialog object of this variant works through.
  virtual DialogSeams SeamsFor(UiVariant variant) = 0;
  // Makes the dialog the main window and runs it modally from its template; returns when it has
  // ended. Its result is not looked at.
  virtual void RunModal(MainDialog& dialog) = 0;
};

inline constexpr std::uint32_t kCommonControlsStructSize = 8;
inline constexpr std::uint32_t kWin95ControlClasses = 0xFF;
inline constexpr std::string_view kRegistryKeyName = "应用程序向导生成的本地应用程序";

// The application: chooses the variant from the user's language, builds both dialog objects,
// runs the chosen one and ends the program when it closes. It keeps no state.
class CZelSetupApp {
 public:
  // Returns false: there is no message loop left to run, the program ends.
  bool InitInstance(AppFramework& framework);
};

}  // namespace vantrel
