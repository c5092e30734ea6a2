// Internal state shared by the host platform's source files.
#pragma once

namespace host_state {
bool ConsumeReadFailure();
}
