#include "acquiring/progress_window.h"

namespace scopehost {

void ProgressWindow::MovedTo(int position) {
  position_ = position;
  if (moved_ != nullptr) moved_(position, context_);
}

}  // namespace scopehost
