#include "logging.h"

namespace browser {

Q_LOGGING_CATEGORY(lcHandoff, "tolvane.handoff")

} // namespace browser
