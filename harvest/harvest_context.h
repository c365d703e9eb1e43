// What the harvest handlers work with: the windows, the shared state and the
// page fetch, passed in so tests and benchmarks can run them without a window.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "app/app_state.h"
#include "ui/toolkit.h"

namespace sfx {

// URL (program text) in, page text (GB18030, empty on any failure) out.
using PageFetcher = std::function<std::string(std::string_view url)>;

struct HarvestContext {
  Toolkit& ui;
  AppState& state;
  PageFetcher fetchPage;
};

}  // namespace sfx
