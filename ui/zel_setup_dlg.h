#pragma once

#include "ui/main_dialog.h"

namespace vantrel {

// The Chinese main dialog (template 102). The Windows program binds its controls and message map
// to this object; every behaviour is MainDialog's.
class CZelSetupDlg final : public MainDialog {
 public:
  static constexpr int IDD = 102;
  explicit CZelSetupDlg(const DialogSeams& seams) : MainDialog(UiVariant::Chinese, seams) {}
};

// The English main dialog (template 103).
class CZelSetupDlgEn final : public MainDialog {
 public:
  static constexpr int IDD = 103;
  explicit CZelSetupDlgEn(const DialogSeams& seams) : MainDialog(UiVariant::English, seams) {}
};

}  // namespace vantrel
