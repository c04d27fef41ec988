#pragma once

// The writer of the main dialog's resource scripts (ui/win32/main_dialog_*.rc), a build-time
// tool: the dialog itself is made from those scripts, never from the layout table at run time.

#include <string>
#include <string_view>

#include "ui/dialog_layout.h"

namespace vantrel {

// The window class a control of this kind is created with ("ComboBox", "Button", ...).
std::string_view WindowClassOf(ItemKind kind);

// The template as a resource-script DIALOGEX block (UTF-8).
std::string ResourceScript(const DialogLayout& layout);

// The whole generated resource-script file of one template: header, language and the block.
std::string ResourceScriptFile(const DialogLayout& layout);

}  // namespace vantrel
