#include "shell/PlaceholderHandlers.h"

#include "platform/Window.h"
#include "shell/ShellMessages.h"

void CloseWithoutWork(InstanceHandle, WindowHandle window) { PlatformPostMessage(window, WindowCloseMessage); }
