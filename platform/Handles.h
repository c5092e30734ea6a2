// The opaque handles the platform hands out.
#pragma once
#include "state/Types.h"

using WindowHandle = void*;
using FileHandle = void*;
using InstanceHandle = void*;
using DeviceContext = void*;
