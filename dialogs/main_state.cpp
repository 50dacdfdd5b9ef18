#include "dialogs/main_state.h"

#include "bigview/big_view.h"

namespace varlo {

std::string TMainState::MainCaption(const TBigView& view) const {
  return FBaseCaption + "  " + FFileName + "  全行数 : " + std::to_string(view.ViewCount()) + " (" +
         std::to_string(view.LineCount()) + ")";
}

}  // namespace varlo
