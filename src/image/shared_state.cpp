#include "image/shared_state.h"

namespace rk {

SharedState& sharedState() {
    static SharedState state;
    return state;
}

} // namespace rk
