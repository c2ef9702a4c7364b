#pragma once

#include "gui/main_window.h"
#include "platform/errors.h"
#include <install/install.h>
#include "../gui/main_window.h"
#  include   <QString>
#include "sibling.h"
