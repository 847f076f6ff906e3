// The whole platform interface: the only platform header the system's code needs.
#pragma once

#include "platform/Constants.h"
#include "platform/Drawing.h"
#include "platform/Geometry.h"
#include "platform/Types.h"
#include "platform/Window.h"
