#pragma once

#include "gui/main_window.h"
#include "platform/errors.h"
