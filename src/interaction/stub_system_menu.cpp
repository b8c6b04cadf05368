// Placeholder until the system menu is built: a right click during a wait is consumed and ignored.
#include "interaction/system_menu.h"

namespace corv {
int32_t SystemMenu(Player&) { return 0; }
}  // namespace corv
