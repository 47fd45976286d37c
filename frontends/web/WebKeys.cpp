#include "frontends/web/WebKeys.h"

namespace vilmar::web {

std::optional<Key> keyFromCode(std::string_view code, const KeyBindings& bindings) { return bindings.gameKey(code); }

}  // namespace vilmar::web
