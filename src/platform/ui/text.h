#pragma once
#include "platform/text/text.h"

namespace ui {

using text::trim;
using text::kShortDateFormat;
using text::kLongTimeFormat;

}
