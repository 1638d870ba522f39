// The report grid model. (Placeholder until the grid model lands.)
#pragma once

namespace platform {

class Grid {};

}  // namespace platform
