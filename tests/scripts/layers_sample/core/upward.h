#pragma once

#include "platform/errors.h"
#include "gui/main_window.h"
