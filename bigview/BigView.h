// The viewer unit: the line store and the viewer control.
#pragma once

#include "bigview/big_view.h"    // IWYU pragma: export
#include "bigview/line_store.h"  // IWYU pragma: export
#include "bigview/sjis.h"        // IWYU pragma: export
